#include "PlugLock.h"

namespace veltrax {

namespace {
// One address per thread: a token that needs no platform thread id.
uintptr_t ThreadToken() {
  static thread_local char token;
  return reinterpret_cast<uintptr_t>(&token);
}
}  // namespace

void PlugLock::Lock() {
  Acquire();
  if (depth_++ == 0) owner_.store(ThreadToken(), std::memory_order_relaxed);
}

bool PlugLock::TryLock() {
  if (!TryAcquire()) return false;
  if (depth_++ == 0) owner_.store(ThreadToken(), std::memory_order_relaxed);
  return true;
}

void PlugLock::Unlock() {
  if (--depth_ == 0) owner_.store(0, std::memory_order_relaxed);
  Release();
}

bool PlugLock::HeldByCurrentThread() const {
  // Only the holder itself can read its own token here, so relaxed suffices.
  return owner_.load(std::memory_order_relaxed) == ThreadToken();
}

}  // namespace veltrax
