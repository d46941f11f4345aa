#pragma once
// PNG images decoded into MemBitmaps of straight-alpha pixels. Every failure
// yields none; the caller owns a returned bitmap.
//
// [any thread] Loads keep no state between calls.

#include "RasterBitmap.h"

namespace veltrax {

// Resource id (low 16 bits) of type "PNG" in module; on platforms without
// module resources, the table compiled into the binary (module ignored).
MemBitmap* LoadPngResource(ModuleHandle module, int id);

// A PNG held in memory; the bitmap is always new.
MemBitmap* LoadPngMemory(const void* data, int size);

// A PNG file by UTF-8 path, decoded into bitmap when one is passed (the
// result is then that bitmap; on failure it stays the caller's, with whatever
// size and content it reached) or into a new one.
MemBitmap* LoadPngFile(const char* path, MemBitmap* bitmap = nullptr);

// True when the path's extension (from the last '.' not followed by a path
// separator) is ".png" in any case.
bool HasPngExtension(const char* path);

// Registered image loaders, pushed onto the front of ImageLoaderList by static
// initialisers. The PNG loader is registered by this module.
struct ImageLoader {
  MemBitmap* (*load)(const char* path, bool checkExtension, MemBitmap* bitmap);
  const char* (*describe)();
  ImageLoader* next;
};
extern ImageLoader* ImageLoaderList;

}  // namespace veltrax
