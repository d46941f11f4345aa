// The PNG memory loader on arbitrary bytes: a bitmap or none, never a read
// outside the input or a bitmap whose size and pixels disagree.

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "PngImage.h"
#include "RasterBitmap.h"

using namespace veltrax;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > INT32_MAX) return 0;
  std::vector<uint8_t> bytes(data, data + size);  // exactly the given size
  std::unique_ptr<MemBitmap> bitmap(LoadPngMemory(bytes.data(), static_cast<int>(bytes.size())));
  if (!bitmap) return 0;
  if (bitmap->Width() < 0 || bitmap->Height() < 0 || bitmap->RowSpan() < bitmap->Width()) std::abort();
  const Pixel* pixels = bitmap->PixelData();
  if (bitmap->Width() > 0 && bitmap->Height() > 0) {
    if (!pixels) std::abort();
    // Touch every pixel so a short buffer shows.
    uint32_t sum = 0;
    for (int y = 0; y < bitmap->Height(); ++y)
      for (int x = 0; x < bitmap->Width(); ++x) {
        uint32_t word;
        std::memcpy(&word, &pixels[static_cast<size_t>(y) * bitmap->RowSpan() + x], sizeof word);
        sum += word;
      }
    volatile uint32_t sink = sum;
    (void)sink;
  }
  return 0;
}
