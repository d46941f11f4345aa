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
  // The rounded-up span and the height are kept even for a size with nothing
  // to allocate (5 x 0 answers span 8), as long as the span fits an int.
  allocatedWidth = span <= INT32_MAX ? static_cast<int>(span) : 0;
  allocatedHeight = newHeight;
  if (span < 1 || newHeight < 1) return false;
  if (span > kLargestSection / 4 / newHeight) {
    // Too large for a 32-bit size: treated as a failed creation.
    allocatedWidth = 0;
    allocatedHeight = 0;
    width = 0;
    height = 0;
    return true;
  }
  pixels = CreateStorage(allocatedWidth, allocatedHeight);
  if (!pixels) {
    width = 0;
    height = 0;
  }
  return true;
}

}  // namespace veltrax
