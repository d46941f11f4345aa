#include "XcbLibrary.h"

#include <dlfcn.h>

namespace veltrax {
namespace xcb {

const Functions* Library() {
  // Function statics are built once even when two editors open at once.
  static const Functions* const functions = []() -> const Functions* {
    void* library = dlopen("libxcb.so.1", RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) return nullptr;
    static Functions loaded;
    bool complete = true;
#define VELTRAX_XCB_RESOLVE(name)                                            \
  loaded.name = reinterpret_cast<decltype(&::name)>(dlsym(library, #name)); \
  complete = complete && loaded.name != nullptr;
    VELTRAX_XCB_FUNCTIONS(VELTRAX_XCB_RESOLVE)
#undef VELTRAX_XCB_RESOLVE
    if (!complete) {
      dlclose(library);
      return nullptr;
    }
    return &loaded;
  }();
  return functions;
}

}  // namespace xcb
}  // namespace veltrax
