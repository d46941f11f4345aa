#include "PngWriter.h"

#include <png.h>

#include <csetjmp>
#include <cstdlib>

#include "RasterPlatform.h"

namespace veltrax {

namespace {

// Everything released on libpng's error jump; lives in the caller's frame.
struct WriteJob {
  FILE* file;
  png_bytep row;
};

bool Encode(WriteJob* job, const RasterBitmap& bitmap) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_init_io(png, job->file);
  const int width = bitmap.Width(), height = bitmap.Height();
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
               PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < height; ++y) {
    const Pixel* pixels = bitmap.Row(y);
    png_bytep out = job->row;
    for (int x = 0; x < width; ++x, out += 4) {
      const Pixel p = pixels[x];
      out[0] = static_cast<png_byte>(p >> 16);
      out[1] = static_cast<png_byte>(p >> 8);
      out[2] = static_cast<png_byte>(p);
      out[3] = static_cast<png_byte>(p >> 24);
    }
    png_write_row(png, job->row);
  }
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

bool SavePngFile(const RasterBitmap& bitmap, const char* path) {
  if (bitmap.Width() < 1 || bitmap.Height() < 1 || !bitmap.PixelData()) return false;
  WriteJob job = {nullptr, static_cast<png_bytep>(std::malloc(static_cast<size_t>(bitmap.Width()) * 4))};
  if (!job.row) return false;
  job.file = rasterplatform::OpenFileUtf8(path, "wb");
  bool written = false;
  if (job.file) {
    written = Encode(&job, bitmap);
    written = std::fclose(job.file) == 0 && written;
  }
  std::free(job.row);
  return written;
}

}  // namespace veltrax
