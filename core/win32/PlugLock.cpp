#include "../PlugLock.h"

#include <windows.h>

#include <new>

namespace veltrax {

namespace {
CRITICAL_SECTION* Section(unsigned char* storage) {
  return std::launder(reinterpret_cast<CRITICAL_SECTION*>(storage));
}
}  // namespace

static_assert(sizeof(CRITICAL_SECTION) <= 64, "PlugLock storage too small");

PlugLock::PlugLock() { InitializeCriticalSection(new (storage_) CRITICAL_SECTION); }
PlugLock::~PlugLock() { DeleteCriticalSection(Section(storage_)); }
void PlugLock::Acquire() { EnterCriticalSection(Section(storage_)); }
bool PlugLock::TryAcquire() { return TryEnterCriticalSection(Section(storage_)) != 0; }
void PlugLock::Release() { LeaveCriticalSection(Section(storage_)); }
// Thread ids are never 0 while the thread runs.
uintptr_t PlugLock::CurrentThreadToken() { return GetCurrentThreadId(); }

}  // namespace veltrax
