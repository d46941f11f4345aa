#include "PlugLock.h"

namespace veltrax {

namespace {
// The holder is recorded for the debug checks only: the audio thread takes
// the lock for every block, and a thread-local lookup in a shared library is
// a call of its own.
#ifdef NDEBUG
constexpr bool kRecordHolder = false;
#else
constexpr bool kRecordHolder = true;
#endif

// One address per thread: a token that needs no platform thread id.
uintptr_t ThreadToken() {
  static thread_local char token;
  return reinterpret_cast<uintptr_t>(&token);
}
}  // namespace

void PlugLock::Lock() {
  Acquire();
  if (kRecordHolder && depth_++ == 0) owner_.store(ThreadToken(), std::memory_order_relaxed);
}

bool PlugLock::TryLock() {
  if (!TryAcquire()) return false;
  if (kRecordHolder && depth_++ == 0) owner_.store(ThreadToken(), std::memory_order_relaxed);
  return true;
}

void PlugLock::Unlock() {
  if (kRecordHolder && --depth_ == 0) owner_.store(0, std::memory_order_relaxed);
  Release();
}

bool PlugLock::HeldByCurrentThread() const {
  if (!kRecordHolder) return true;
  // Only the holder itself can read its own token here, so relaxed suffices.
  return owner_.load(std::memory_order_relaxed) == ThreadToken();
}

}  // namespace veltrax
