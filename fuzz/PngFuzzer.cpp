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

namespace {

// The width and height an image header declares, when the bytes start with
// the signature and the header chunk.
bool DeclaredSize(const uint8_t* data, size_t size, uint64_t& pixels) {
  static const uint8_t kStart[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
  if (size < 24 || std::memcmp(data, kStart, sizeof kStart) != 0) return false;
  const uint64_t width = (uint64_t{data[16]} << 24) | (data[17] << 16) | (data[18] << 8) | data[19];
  const uint64_t height = (uint64_t{data[20]} << 24) | (data[21] << 16) | (data[22] << 8) | data[23];
  pixels = width * height;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > INT32_MAX) return 0;
  // Headers may declare up to 2 GiB of pixels, which the loader allocates
  // before it finds the data short; that path is plain, and the sanitizer's
  // bookkeeping for such blocks would slow the fuzzer a hundredfold.
  uint64_t declared = 0;
  if (DeclaredSize(data, size, declared) && declared > (uint64_t{1} << 22)) return 0;
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
