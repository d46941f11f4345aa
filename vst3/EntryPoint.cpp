// The module's exported entry points: the factory, and the calls hosts make
// when they load and unload the module. Everything else is hidden.

#include "Vst3Abi.h"

namespace veltrax {
vst3::IClassFactory* ModuleFactory();
}  // namespace veltrax

#if defined(_WIN32)
// The exports come from the module definition file.
#define VELTRAX_EXPORT extern "C"
#else
#define VELTRAX_EXPORT extern "C" __attribute__((visibility("default")))
#endif

// [any host thread] A reference for the caller; none when it cannot be made.
VELTRAX_EXPORT veltrax::vst3::IClassFactory* VST3_CALL GetPluginFactory() {
  return veltrax::ModuleFactory();
}

// The module keeps nothing that needs setting up or tearing down beyond
// what the loader does: these only say yes. [the host's loading thread]
#if defined(_WIN32)
VELTRAX_EXPORT bool InitDll() { return true; }
VELTRAX_EXPORT bool ExitDll() { return true; }
#else
VELTRAX_EXPORT bool ModuleEntry(void* /*sharedLibraryHandle*/) { return true; }
VELTRAX_EXPORT bool ModuleExit() { return true; }
#endif
