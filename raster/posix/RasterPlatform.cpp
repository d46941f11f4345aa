// Linux: paths are byte strings, so UTF-8 and invalid UTF-8 open alike; the
// panel images come from the table that resources/ compiles into the binary.

#include "RasterPlatform.h"

#include <cstring>

#include "EmbeddedResources.h"

namespace veltrax {

// Present only in binaries that link the image table; weak, so that binaries
// without it simply find no resources.
extern "C" const EmbeddedResource veltraxEmbeddedResources[] __attribute__((weak));

namespace rasterplatform {

FILE* OpenFileUtf8(const char* utf8Path, const char* mode) {
  if (!utf8Path) return nullptr;
  return std::fopen(utf8Path, mode);
}

bool FindModuleResource(ModuleHandle, int id, const char* type, const void** data, int* size) {
  if (!veltraxEmbeddedResources || !type) return false;
  const int wanted = id & 0xFFFF;
  for (const EmbeddedResource* entry = veltraxEmbeddedResources; entry->data; ++entry) {
    if (entry->id == wanted && std::strcmp(entry->type, type) == 0) {
      *data = entry->data;
      *size = entry->size;
      return true;
    }
  }
  return false;
}

}  // namespace rasterplatform

}  // namespace veltrax
