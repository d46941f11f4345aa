// Linux drawing surface: a plain top-down 32-bit pixel buffer with the same
// span rules as the Windows DIB section, and no device context.

#include <cstdlib>

#include "RasterBitmap.h"

namespace {
constexpr int64_t kLargestSection = INT32_MAX;
}

SysBitmap::SysBitmap(int newWidth, int newHeight) { SetSize(newWidth, newHeight); }

SysBitmap::~SysBitmap() { std::free(section); }

bool SysBitmap::SetSize(int newWidth, int newHeight) {
  if (newWidth == width && newHeight == height) return false;
  width = newWidth;
  height = newHeight;
  if (newWidth != 0 && newHeight != 0 && newWidth <= allocatedWidth && newHeight <= allocatedHeight && pixels) {
    return true;
  }
  const int64_t span = (static_cast<int64_t>(newWidth) + 3) & ~static_cast<int64_t>(3);
  std::free(section);
  section = nullptr;
  pixels = nullptr;
  if (span < 1 || newHeight < 1 || span > kLargestSection / 4 / newHeight) {
    allocatedWidth = 0;
    allocatedHeight = 0;
    if (span < 1 || newHeight < 1) return false;
    width = 0;
    height = 0;
    return true;
  }
  allocatedWidth = static_cast<int>(span);
  allocatedHeight = newHeight;
  // Cleared like a fresh DIB section, so both platforms start from black.
  section = std::calloc(static_cast<size_t>(span * newHeight), sizeof(Pixel));
  if (!section) {
    width = 0;
    height = 0;
    return true;
  }
  pixels = static_cast<Pixel*>(section);
  return true;
}
