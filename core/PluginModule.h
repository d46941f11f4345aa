#pragma once

namespace veltrax {
// The module services of the platform: the loaded module (the editor finds
// its images through it) and the entry point's process-wide creation lock.
// One implementation per platform (posix/, win32/).

// The module instance handle of this library (the handle the loader gave it
// on Windows, its load address elsewhere). [any thread]
void* PluginModuleHandle();

// Recursive lock that serialises instance creation across host threads.
// Usable before any instance exists; it lives until the library is unloaded.
void LockCreation();
void UnlockCreation();

class CreationLockGuard {
 public:
  CreationLockGuard() { LockCreation(); }
  ~CreationLockGuard() { UnlockCreation(); }
  CreationLockGuard(const CreationLockGuard&) = delete;
  CreationLockGuard& operator=(const CreationLockGuard&) = delete;
};

}  // namespace veltrax
