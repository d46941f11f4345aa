#include <cstddef>
#include <cstdlib>

#include "RasterBitmap.h"

namespace veltrax {

namespace {
// Every allocation carries this much extra so that the pixels can start on a
// 64-byte boundary.
constexpr int64_t kAlignSlack = 63;
constexpr int64_t kLargestAllocation = INT32_MAX - kAlignSlack;
}  // namespace

Pixel* RasterBitmap::Row(int y) const {
  Pixel* data = PixelData();
  if (!data) return nullptr;
  const ptrdiff_t stored = RowsBottomUp() ? Height() - 1 - y : y;
  return data + stored * static_cast<ptrdiff_t>(RowSpan());
}

MemBitmap::MemBitmap(int width, int height) {
  if (width > 0 && height > 0) SetSize(width, height);
}

MemBitmap::~MemBitmap() { std::free(buffer); }

Pixel* MemBitmap::PixelData() const {
  if (!buffer) return nullptr;
  const uintptr_t raw = reinterpret_cast<uintptr_t>(buffer);
  return reinterpret_cast<Pixel*>((raw + kAlignSlack) & ~static_cast<uintptr_t>(kAlignSlack));
}

bool MemBitmap::SetSize(int newWidth, int newHeight) {
  if (newWidth == width && newHeight == height) return false;
  width = newWidth;
  height = newHeight;
  // Computed wide: a size whose buffer would not fit the 32-bit allocation
  // counts as an allocation failure instead of wrapping around.
  const int64_t span = (static_cast<int64_t>(newWidth) + rowAlignMask) & ~static_cast<int64_t>(rowAlignMask);
  const bool fits = span > 0 && newHeight > 0 && span <= kLargestAllocation / 4 / newHeight;
  const int64_t needed = fits ? span * newHeight * 4 : 0;
  if (fits && newWidth >= 1) {
    if (!buffer) {
      allocated = static_cast<int>(needed);
      buffer = std::malloc(static_cast<size_t>(needed + kAlignSlack));
    } else if (allocated < needed) {
      const int64_t withSlack = needed + needed / 4;
      void* grown = nullptr;
      if (withSlack <= kLargestAllocation) grown = std::realloc(buffer, static_cast<size_t>(withSlack + kAlignSlack));
      if (grown) {
        buffer = grown;
        allocated = static_cast<int>(withSlack);
      } else {
        std::free(buffer);
        allocated = static_cast<int>(needed);
        buffer = std::malloc(static_cast<size_t>(needed + kAlignSlack));
      }
    }
  } else {
    std::free(buffer);
    buffer = nullptr;
  }
  if (!buffer) {
    allocated = 0;
    width = 0;
    height = 0;
  }
  return true;
}

}  // namespace veltrax
