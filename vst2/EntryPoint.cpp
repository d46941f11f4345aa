// The library's two exported entry points: the host's callback in, a new
// effect instance's record out. Everything else in the library is hidden.

#include <new>

#include "EffectVST.h"
#include "PluginModule.h"

// The exports themselves are C functions outside the namespace.
using namespace veltrax;

#if defined(_WIN32)
// Exports and the name `main` come from the module definition file.
#define VELTRAX_EXPORT extern "C"
#define VELTRAX_SYMBOL_MAIN
#else
#define VELTRAX_EXPORT extern "C" __attribute__((visibility("default")))
#define VELTRAX_SYMBOL_MAIN __asm__("main")
#endif

// [any host thread] Creation is serialised by the process-wide creation lock;
// the instance has its own lock for everything after.
VELTRAX_EXPORT AEffect* VSTPluginMain(audioMasterCallback hostCallback) {
  CreationLockGuard creation;
  IEffectVST* adapter = nullptr;
  try {
    adapter = CreateVstInstance(hostCallback);
  } catch (...) {
    // Nothing may unwind into the host: a failed construction is a null answer.
    adapter = nullptr;
  }
  if (adapter == nullptr) return nullptr;
  AEffect* effect = adapter->Effect();
  if (effect->numPrograms < 1) effect->numPrograms = 1;
  return effect;
}

// Hosts of the older interface look up `main`. C++ reserves that name for the
// program's entry, so the function has its own name and is given the symbol
// `main` (an assembler label here, the module definition file on Windows).
// It takes the host callback as a full pointer: declaring it a 32-bit int, as
// the oldest hosts did, would cut the upper half off a 64-bit callback
// address (every position-independent host lies above 4 GiB) and crash on
// the first call back. 64-bit callers pass the pointer in a full register.
// The fuzzers link this file into programs of their own, which have a main.
#if !defined(VELTRAX_ENTRY_WITHOUT_MAIN)
VELTRAX_EXPORT AEffect* VSTPluginMainCompat(audioMasterCallback hostCallback) VELTRAX_SYMBOL_MAIN;

AEffect* VSTPluginMainCompat(audioMasterCallback hostCallback) { return VSTPluginMain(hostCallback); }
#endif
