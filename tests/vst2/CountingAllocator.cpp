// Replaces the process's allocation functions with counting ones that
// forward to the C library's own. The test program exports them, so the
// plug-in loaded into it allocates through them too.

#include <cerrno>
#include <cstddef>
#include <new>

#include "CountingAllocator.h"

extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* block, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
void __libc_free(void* block);
}

namespace {
std::atomic<long> allocationCount{0};
}

long veltrax::AllocationCount() { return allocationCount.load(); }

extern "C" {
void* malloc(size_t size) noexcept {
  ++allocationCount;
  return __libc_malloc(size);
}
void* calloc(size_t count, size_t size) noexcept {
  ++allocationCount;
  return __libc_calloc(count, size);
}
void* realloc(void* block, size_t size) noexcept {
  ++allocationCount;
  return __libc_realloc(block, size);
}
void* memalign(size_t alignment, size_t size) noexcept {
  ++allocationCount;
  return __libc_memalign(alignment, size);
}
void* aligned_alloc(size_t alignment, size_t size) noexcept {
  ++allocationCount;
  return __libc_memalign(alignment, size);
}
int posix_memalign(void** out, size_t alignment, size_t size) noexcept {
  ++allocationCount;
  void* block = __libc_memalign(alignment, size);
  if (block == nullptr) return ENOMEM;
  *out = block;
  return 0;
}
void free(void* block) noexcept { __libc_free(block); }
}

namespace {
void* Allocate(size_t size) {
  ++allocationCount;
  void* block = __libc_malloc(size == 0 ? 1 : size);
  if (block == nullptr) throw std::bad_alloc();
  return block;
}
void* AllocateAligned(size_t size, std::align_val_t alignment) {
  ++allocationCount;
  void* block = __libc_memalign(static_cast<size_t>(alignment), size == 0 ? 1 : size);
  if (block == nullptr) throw std::bad_alloc();
  return block;
}
}  // namespace

void* operator new(size_t size) { return Allocate(size); }
void* operator new[](size_t size) { return Allocate(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept {
  ++allocationCount;
  return __libc_malloc(size == 0 ? 1 : size);
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
  ++allocationCount;
  return __libc_malloc(size == 0 ? 1 : size);
}
void* operator new(size_t size, std::align_val_t alignment) { return AllocateAligned(size, alignment); }
void* operator new[](size_t size, std::align_val_t alignment) { return AllocateAligned(size, alignment); }
void operator delete(void* block) noexcept { __libc_free(block); }
void operator delete[](void* block) noexcept { __libc_free(block); }
void operator delete(void* block, size_t) noexcept { __libc_free(block); }
void operator delete[](void* block, size_t) noexcept { __libc_free(block); }
void operator delete(void* block, std::align_val_t) noexcept { __libc_free(block); }
void operator delete[](void* block, std::align_val_t) noexcept { __libc_free(block); }
void operator delete(void* block, size_t, std::align_val_t) noexcept { __libc_free(block); }
void operator delete[](void* block, size_t, std::align_val_t) noexcept { __libc_free(block); }
