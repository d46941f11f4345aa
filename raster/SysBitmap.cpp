// The drawing surface's size and span rules, the same on both platforms; the
// platform files create and free the storage.

#include <cstdint>

#include "RasterBitmap.h"

namespace veltrax {

namespace {
constexpr int64_t kLargestSection = INT32_MAX;
}

bool SysBitmap::SetSize(int newWidth, int newHeight) {
  if (!CanHoldStorage()) {
    width = 0;
    height = 0;
    pixels = nullptr;
    return false;
  }
  if (newWidth == width && newHeight == height) return false;
  width = newWidth;
  height = newHeight;
  if (newWidth != 0 && newHeight != 0 && newWidth <= allocatedWidth && newHeight <= allocatedHeight && pixels) {
    return true;
  }
  const int64_t span = (static_cast<int64_t>(newWidth) + 3) & ~static_cast<int64_t>(3);
  FreeStorage();
  section = nullptr;
  pixels = nullptr;
  if (span < 1 || newHeight < 1 || span > kLargestSection / 4 / newHeight) {
    allocatedWidth = 0;
    allocatedHeight = 0;
    if (span < 1 || newHeight < 1) return false;
    // Too large for a 32-bit size: treated as a failed creation.
    width = 0;
    height = 0;
    return true;
  }
  allocatedWidth = static_cast<int>(span);
  allocatedHeight = newHeight;
  pixels = CreateStorage(allocatedWidth, allocatedHeight);
  if (!pixels) {
    width = 0;
    height = 0;
  }
  return true;
}

}  // namespace veltrax
