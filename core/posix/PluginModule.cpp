// The module services on POSIX systems: there is no load notification, so
// the module's load address is looked up on first use.

#include "../PluginModule.h"

#include <dlfcn.h>

#include <mutex>

namespace veltrax {

void* PluginModuleHandle() {
  static void* const handle = [] {
    Dl_info info{};
    return dladdr(reinterpret_cast<void*>(&PluginModuleHandle), &info) != 0 ? info.dli_fbase
                                                                              : nullptr;
  }();
  return handle;
}

namespace {
// Constructed by the first entry-point call (the language's once-guard for
// function statics), destroyed when the library is unloaded.
std::recursive_mutex& CreationMutex() {
  static std::recursive_mutex mutex;
  return mutex;
}
}  // namespace

void LockCreation() { CreationMutex().lock(); }
void UnlockCreation() { CreationMutex().unlock(); }

}  // namespace veltrax
