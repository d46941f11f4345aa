// The module services on Windows: the loader's notification hands us the
// module handle; the creation lock is a critical section set up on first use
// and deleted when the library is unloaded.

#include "../PluginModule.h"

#include <windows.h>

namespace veltrax {

namespace {
HINSTANCE moduleInstance = nullptr;
INIT_ONCE creationOnce = INIT_ONCE_STATIC_INIT;
CRITICAL_SECTION creationSection;
bool creationReady = false;

BOOL CALLBACK InitialiseCreationSection(PINIT_ONCE, PVOID, PVOID*) {
  InitializeCriticalSection(&creationSection);
  creationReady = true;
  return TRUE;
}
}  // namespace

void* PluginModuleHandle() { return moduleInstance; }

void LockCreation() {
  InitOnceExecuteOnce(&creationOnce, InitialiseCreationSection, nullptr, nullptr);
  EnterCriticalSection(&creationSection);
}

void UnlockCreation() { LeaveCriticalSection(&creationSection); }

}  // namespace veltrax

using namespace veltrax;

// Stores the module handle for every notification and reports success.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) {
  moduleInstance = instance;
  if (reason == DLL_PROCESS_DETACH && creationReady) {
    DeleteCriticalSection(&creationSection);
    creationReady = false;
  }
  return TRUE;
}
