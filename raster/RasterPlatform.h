#pragma once
// What the portable raster code needs of the platform for images: opening
// files by UTF-8 path and finding a module's "PNG" resources. Filled by
// win32/RasterPlatform.cpp and posix/RasterPlatform.cpp.

#include <cstdio>

#include "RasterTypes.h"

namespace veltrax {

namespace rasterplatform {

// Opens a file by UTF-8 path; where the platform's file names are not UTF-8
// and the path does not convert, the bytes are tried as given. None on failure.
FILE* OpenFileUtf8(const char* utf8Path, const char* mode);

// The bytes of resource id (low 16 bits) of the given type in module. On
// Windows the module's resources; elsewhere the table compiled into the
// binary, whatever module is passed.
bool FindModuleResource(ModuleHandle module, int id, const char* type, const void** data, int* size);

}  // namespace rasterplatform

}  // namespace veltrax
