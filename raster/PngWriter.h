#pragma once
// Saving bitmaps as 8-bit RGBA PNG files: screenshots, golden images and
// tools. Not used by the plug-in itself.

#include "RasterBitmap.h"

namespace veltrax {

// Writes the bitmap's pixels (straight alpha kept as it is) to a UTF-8 path.
// False when the bitmap is empty or the file cannot be written; a failed
// write removes nothing the caller had but may leave a partial file.
bool SavePngFile(const RasterBitmap& bitmap, const char* path);

}  // namespace veltrax
