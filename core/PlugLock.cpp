#include "PlugLock.h"

namespace veltrax {

// The holder is recorded in every build: the platform's thread token is a
// register read, cheap enough for the audio thread's every block.

void PlugLock::Lock() {
  Acquire();
  if (depth_++ == 0) owner_.store(CurrentThreadToken(), std::memory_order_relaxed);
}

bool PlugLock::TryLock() {
  if (!TryAcquire()) return false;
  if (depth_++ == 0) owner_.store(CurrentThreadToken(), std::memory_order_relaxed);
  return true;
}

void PlugLock::Unlock() {
  if (--depth_ == 0) owner_.store(0, std::memory_order_relaxed);
  Release();
}

bool PlugLock::HeldByCurrentThread() const {
  // Only the holder itself can find its own token here, so relaxed suffices.
  return owner_.load(std::memory_order_relaxed) == CurrentThreadToken();
}

}  // namespace veltrax
