#include "RasterTestSupport.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>

#include "RasterPlatform.h"

namespace veltrax {

MemBitmap* FilledBitmap(int width, int height, Pixel fill) {
  MemBitmap* bitmap = new MemBitmap(width, height);
  for (int y = 0; y < bitmap->Height(); ++y) {
    for (int x = 0; x < bitmap->Width(); ++x) bitmap->Row(y)[x] = fill;
  }
  return bitmap;
}

Pixel PixelAt(const RasterBitmap& bitmap, int x, int y) { return bitmap.Row(y)[x]; }
void SetPixelAt(RasterBitmap& bitmap, int x, int y, Pixel value) { bitmap.Row(y)[x] = value; }

std::string SourcePath(const std::string& absolute) {
#ifdef _WIN32
  if (!absolute.empty() && absolute[0] == '/') return "Z:" + absolute;
#endif
  return absolute;
}

std::string ImagePath(const std::string& name) { return SourcePath(std::string(VELTRAX_IMAGE_DIR) + "/" + name); }
std::string GoldenPath(const std::string& name) { return SourcePath(std::string(VELTRAX_GOLDEN_DIR) + "/" + name); }

namespace {
struct ScratchFiles {
  std::vector<std::string> paths;
  ~ScratchFiles() {
    for (const std::string& path : paths) std::remove(path.c_str());
  }
};
ScratchFiles scratchFiles;
}  // namespace

std::string ScratchPath(const std::string& name) {
  static const std::string folder = std::filesystem::temp_directory_path().u8string();
  // Test programs run side by side (one process per test): every process
  // takes its own prefix.
  static const std::string prefix = std::to_string(std::random_device()()) + "-" +
                                    std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());
  static unsigned counter = 0;
  const std::string path = folder + "/veltrax-raster-" + prefix + "-" + std::to_string(++counter) + "-" + name;
  scratchFiles.paths.push_back(path);
  return path;
}

std::vector<unsigned char> ReadFileBytes(const std::string& path) {
  std::vector<unsigned char> bytes;
  FILE* file = rasterplatform::OpenFileUtf8(path.c_str(), "rb");
  if (!file) return bytes;
  unsigned char buffer[65536];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.insert(bytes.end(), buffer, buffer + got);
  std::fclose(file);
  return bytes;
}

bool WriteFileBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
  FILE* file = rasterplatform::OpenFileUtf8(path.c_str(), "wb");
  if (!file) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && written;
}

}  // namespace veltrax
