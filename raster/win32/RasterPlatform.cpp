// Windows: UTF-8 paths go through the wide file API; images are the module's
// resources.

#include <windows.h>

#include "RasterPlatform.h"

namespace veltrax {

namespace rasterplatform {

FILE* OpenFileUtf8(const char* utf8Path, const char* mode) {
  if (!utf8Path || !mode) return nullptr;
  wchar_t widePath[2048];
  wchar_t wideMode[8];
  FILE* file = nullptr;
  if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8Path, -1, widePath, 2048) > 0 &&
      MultiByteToWideChar(CP_UTF8, 0, mode, -1, wideMode, 8) > 0) {
    file = _wfopen(widePath, wideMode);
  }
  // Not UTF-8 (or not found that way): the bytes in the system code page.
  if (!file) file = std::fopen(utf8Path, mode);
  return file;
}

bool FindModuleResource(ModuleHandle module, int id, const char* type, const void** data, int* size) {
  HMODULE instance = static_cast<HMODULE>(module);
  HRSRC found = FindResourceA(instance, MAKEINTRESOURCEA(id & 0xFFFF), type);
  if (!found) return false;
  const DWORD bytes = SizeofResource(instance, found);
  HGLOBAL loaded = LoadResource(instance, found);
  const void* locked = loaded ? LockResource(loaded) : nullptr;
  if (!locked || bytes > 0x7FFFFFFF) return false;
  *data = locked;
  *size = static_cast<int>(bytes);
  return true;
}

}  // namespace rasterplatform

}  // namespace veltrax
