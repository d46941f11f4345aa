#include "../ModuleLoader.h"

#include <dlfcn.h>

namespace veltrax {

void* OpenModule(const char* path, std::string& error) {
  void* module = dlopen(path, RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) {
    const char* reason = dlerror();
    error = reason != nullptr ? reason : "dlopen failed";
  }
  return module;
}

void* ModuleSymbol(void* module, const char* name) { return dlsym(module, name); }

void CloseModule(void* module) {
  if (module != nullptr) dlclose(module);
}

}  // namespace veltrax
