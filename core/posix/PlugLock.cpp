#include "../PlugLock.h"

#include <pthread.h>

#include <mutex>
#include <new>

namespace veltrax {

namespace {
std::recursive_mutex& Mutex(unsigned char* storage) {
  return *std::launder(reinterpret_cast<std::recursive_mutex*>(storage));
}
}  // namespace

static_assert(sizeof(std::recursive_mutex) <= 64, "PlugLock storage too small");

PlugLock::PlugLock() { new (storage_) std::recursive_mutex(); }
PlugLock::~PlugLock() { Mutex(storage_).~recursive_mutex(); }
void PlugLock::Acquire() { Mutex(storage_).lock(); }
bool PlugLock::TryAcquire() { return Mutex(storage_).try_lock(); }
void PlugLock::Release() { Mutex(storage_).unlock(); }
// pthread_t is an integer here and a pointer elsewhere: the cast takes either.
uintptr_t PlugLock::CurrentThreadToken() { return (uintptr_t)pthread_self(); }

}  // namespace veltrax
