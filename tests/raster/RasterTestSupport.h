#pragma once
// Helpers shared by the raster tests: small bitmaps with known pixels, paths
// of the checked-in images and of scratch files.

#include <string>
#include <vector>

#include "RasterBitmap.h"

namespace veltrax {

// A MemBitmap of the given size with every pixel set to fill.
MemBitmap* FilledBitmap(int width, int height, Pixel fill);
Pixel PixelAt(const RasterBitmap& bitmap, int x, int y);
void SetPixelAt(RasterBitmap& bitmap, int x, int y, Pixel value);

// A path under the source tree, as the program under test must spell it
// (under Wine the build machine's root is drive Z:).
std::string SourcePath(const std::string& absolute);
std::string ImagePath(const std::string& name);
std::string GoldenPath(const std::string& name);
// A fresh path in the temporary folder; the file is removed at exit.
std::string ScratchPath(const std::string& name);

std::vector<unsigned char> ReadFileBytes(const std::string& path);
bool WriteFileBytes(const std::string& path, const std::vector<unsigned char>& bytes);

}  // namespace veltrax
