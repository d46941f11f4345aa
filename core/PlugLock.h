#pragma once
// Recursive lock: the same thread may take it again while holding it.
// A critical section on Windows, a recursive mutex elsewhere.

#include <atomic>
#include <cassert>
#include <cstdint>

namespace veltrax {

class PlugLock {
 public:
  PlugLock();
  ~PlugLock();
  PlugLock(const PlugLock&) = delete;
  PlugLock& operator=(const PlugLock&) = delete;

  // [any thread] Blocks until the calling thread holds the lock.
  void Lock();
  // [any thread] Takes the lock only if that needs no waiting; true when
  // taken (then Unlock as after Lock). For threads that must stay free to
  // stop while another thread holds the lock.
  bool TryLock();
  // [the holding thread]
  void Unlock();
  // [any thread] Whether the calling thread holds the lock: for the debug
  // checks of "caller holds the lock" contracts, and for the adapters, which
  // defer what they must tell the host until the lock is released.
  bool HeldByCurrentThread() const;

 private:
  // The platform's part.
  void Acquire();
  bool TryAcquire();
  void Release();
  // A nonzero token of the calling thread, cheap enough for every block.
  static uintptr_t CurrentThreadToken();

  // Room for the platform's lock object without exposing its header.
  alignas(16) unsigned char storage_[64];
  std::atomic<uintptr_t> owner_{0};  // token of the holding thread, 0 for none
  int depth_ = 0;                    // written by the holding thread only
};

// Holds a PlugLock for the lifetime of the guard, also when unwinding.
class PlugLockGuard {
 public:
  explicit PlugLockGuard(PlugLock& lock) : lock_(lock) { lock_.Lock(); }
  ~PlugLockGuard() { lock_.Unlock(); }
  PlugLockGuard(const PlugLockGuard&) = delete;
  PlugLockGuard& operator=(const PlugLockGuard&) = delete;

 private:
  PlugLock& lock_;
};

// Debug builds check that an operation documented as "caller holds PlugLock"
// is really entered with it held, and that nothing calls the host with it
// held: the audio thread waits for the lock, so a host call under it (which
// may take as long as the host likes, or take the host's own locks) would
// stall the audio or deadlock.
#ifdef NDEBUG
#define VELTRAX_ASSERT_LOCKED(plugLock) ((void)0)
#define VELTRAX_ASSERT_UNLOCKED(plugLock) ((void)0)
#else
#define VELTRAX_ASSERT_LOCKED(plugLock) assert((plugLock).HeldByCurrentThread())
#define VELTRAX_ASSERT_UNLOCKED(plugLock) assert(!(plugLock).HeldByCurrentThread())
#endif

}  // namespace veltrax
