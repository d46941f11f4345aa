#include "PngImage.h"

#include <png.h>

#include <algorithm>
#include <cctype>
#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <new>

#include "RasterPlatform.h"

namespace veltrax {

ImageLoader* ImageLoaderList = nullptr;

namespace {

const png_byte kSignature[8] = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};

struct PngMemoryReader {
  const png_byte* position;
  int left;
};

// Never reports an error: past the end it delivers zeros, and libpng's own
// checks then fail the decode.
void ReadFromMemory(png_structp png, png_bytep out, png_size_t count) {
  PngMemoryReader* reader = static_cast<PngMemoryReader*>(png_get_io_ptr(png));
  std::memset(out, 0, count);
  const png_size_t take = reader->left < 0 ? 0 : std::min<png_size_t>(static_cast<png_size_t>(reader->left), count);
  if (take > 0) {
    std::memcpy(out, reader->position, take);
    reader->position += take;
    reader->left -= static_cast<int>(take);
  }
}

// Everything a decode creates that must be released on libpng's error jump.
// It lives in the caller's frame, so no local of the jumping frame needs to
// survive the jump, and it holds nothing with a destructor.
struct DecodeJob {
  FILE* file;                 // input, or none
  PngMemoryReader* reader;    // input when there is no file
  MemBitmap* given;           // the caller's bitmap, or none
  MemBitmap* created;         // a bitmap made by this load
  png_bytep* rows;            // the row table
};

void ReleaseJob(DecodeJob* job) {
  std::free(job->rows);
  job->rows = nullptr;
  delete job->created;
  job->created = nullptr;
}

// Decodes the PNG on the job's input. Only plain pointers live in this frame
// and none of them changes after setjmp.
MemBitmap* Decode(DecodeJob* job) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (!png) return nullptr;
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return nullptr;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    ReleaseJob(job);
    return nullptr;
  }
  if (job->file) {
    png_init_io(png, job->file);
  } else {
    png_set_read_fn(png, job->reader, ReadFromMemory);
  }
  png_read_info(png, info);
  png_uint_32 width = 0, height = 0;
  int bitDepth = 0, colourType = 0, interlace = 0, compression = 0, filter = 0;
  png_get_IHDR(png, info, &width, &height, &bitDepth, &colourType, &interlace, &compression, &filter);

  if (colourType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
  if (colourType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) png_set_expand_gray_1_2_4_to_8(png);
  if (png_get_valid(png, info, PNG_INFO_tRNS)) {
    png_set_tRNS_to_alpha(png);
    colourType |= PNG_COLOR_MASK_ALPHA;
  }
  if (bitDepth == 16) png_set_strip_16(png);
  if (bitDepth < 8) png_set_packing(png);
  if (colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
  if (colourType & PNG_COLOR_MASK_ALPHA) {
    png_set_swap_alpha(png);
  } else {
    png_set_filler(png, 0xFF, PNG_FILLER_BEFORE);
  }
  // Every decoded pixel is now alpha (or the filler), red, green, blue.

  MemBitmap* bitmap = job->given;
  if (bitmap) {
    bitmap->SetSize(static_cast<int>(width), static_cast<int>(height));
  } else {
    job->created = new (std::nothrow) MemBitmap(static_cast<int>(width), static_cast<int>(height));
    bitmap = job->created;
  }
  if (bitmap && static_cast<png_uint_32>(bitmap->Width()) == width &&
      static_cast<png_uint_32>(bitmap->Height()) == height) {
    job->rows = static_cast<png_bytep*>(std::malloc(sizeof(png_bytep) * height));
  }
  if (!job->rows) {
    png_destroy_read_struct(&png, &info, nullptr);
    ReleaseJob(job);
    return nullptr;
  }
  for (png_uint_32 i = 0; i < height; ++i) {
    job->rows[i] = reinterpret_cast<png_bytep>(bitmap->Row(static_cast<int>(i)));
  }
  png_read_image(png, job->rows);
  png_destroy_read_struct(&png, &info, nullptr);

  for (png_uint_32 i = 0; i < height; ++i) {
    Pixel* row = bitmap->Row(static_cast<int>(i));
    const png_byte* bytes = job->rows[i];
    for (png_uint_32 x = 0; x < width; ++x, bytes += 4) {
      row[x] = (static_cast<Pixel>(bytes[0]) << 24) | (static_cast<Pixel>(bytes[1]) << 16) |
               (static_cast<Pixel>(bytes[2]) << 8) | bytes[3];
    }
  }
  std::free(job->rows);
  job->rows = nullptr;
  job->created = nullptr;  // handed to the caller
  return bitmap;
}

MemBitmap* LoadWithExtensionCheck(const char* path, bool checkExtension, MemBitmap* bitmap) {
  if (checkExtension && !HasPngExtension(path)) return nullptr;
  return LoadPngFile(path, bitmap);
}

const char* DescribePngLoader() { return "PNG files (*.PNG)"; }

ImageLoader pngLoader = {LoadWithExtensionCheck, DescribePngLoader, nullptr};

struct PngLoaderRegistration {
  PngLoaderRegistration() {
    pngLoader.next = ImageLoaderList;
    ImageLoaderList = &pngLoader;
  }
} registerPngLoader;

}  // namespace

bool HasPngExtension(const char* path) {
  if (!path) return false;
  const char* dot = std::strrchr(path, '.');
  if (!dot || std::strpbrk(dot, "/\\")) return false;
  const char* expected = ".png";
  for (; *dot && *expected; ++dot, ++expected) {
    if (std::tolower(static_cast<unsigned char>(*dot)) != *expected) return false;
  }
  return *dot == 0 && *expected == 0;
}

MemBitmap* LoadPngMemory(const void* data, int size) {
  if (!data || size <= 7 || std::memcmp(data, kSignature, sizeof kSignature) != 0) return nullptr;
  PngMemoryReader reader = {static_cast<const png_byte*>(data), size};
  DecodeJob job = {nullptr, &reader, nullptr, nullptr, nullptr};
  return Decode(&job);
}

MemBitmap* LoadPngFile(const char* path, MemBitmap* bitmap) {
  FILE* file = rasterplatform::OpenFileUtf8(path, "rb");
  if (!file) return nullptr;
  DecodeJob job = {file, nullptr, bitmap, nullptr, nullptr};
  MemBitmap* result = Decode(&job);
  std::fclose(file);
  return result;
}

MemBitmap* LoadPngResource(ModuleHandle module, int id) {
  const void* data = nullptr;
  int size = 0;
  if (!rasterplatform::FindModuleResource(module, id, "PNG", &data, &size) || size <= 7) return nullptr;
  return LoadPngMemory(data, size);
}

}  // namespace veltrax
