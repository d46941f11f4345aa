#pragma once
// Recursive lock: the same thread may take it again while holding it.
// A critical section on Windows, a recursive mutex elsewhere.

class PlugLock {
 public:
  PlugLock();
  ~PlugLock();
  PlugLock(const PlugLock&) = delete;
  PlugLock& operator=(const PlugLock&) = delete;

  void Lock();
  void Unlock();

 private:
  // Room for the platform's lock object without exposing its header.
  alignas(16) unsigned char storage_[64];
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
