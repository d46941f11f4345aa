#include "../ModuleLoader.h"

#include <windows.h>

namespace veltrax {

// The build hands over a path of the build machine. Under Wine a path from
// the root of the Linux file system lies on drive Z:.
static std::string WindowsPath(const char* path) {
  std::string result = path;
  if (!result.empty() && result[0] == '/') result = "Z:" + result;
  for (char& c : result)
    if (c == '/') c = '\\';
  return result;
}

void* OpenModule(const char* path, std::string& error) {
  const std::string windowsPath = WindowsPath(path);
  HMODULE module = LoadLibraryA(windowsPath.c_str());
  if (module == nullptr) error = "LoadLibrary failed for " + windowsPath + ", error " + std::to_string(GetLastError());
  return reinterpret_cast<void*>(module);
}

void* ModuleSymbol(void* module, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
}

void CloseModule(void* module) {
  if (module != nullptr) FreeLibrary(static_cast<HMODULE>(module));
}

}  // namespace veltrax
