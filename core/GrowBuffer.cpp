#include "GrowBuffer.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>

namespace veltrax {

namespace {
constexpr int64_t kPage = 4096;
constexpr int64_t kLargestStep = 4194304;
constexpr int64_t kHeapOverhead = 96;

int64_t RoundDownToPage(int64_t n) { return n / kPage * kPage; }
}  // namespace

GrowBuffer::GrowBuffer(int32_t granularity) : granularity_(granularity > 0 ? granularity : 1) {}

GrowBuffer::~GrowBuffer() { std::free(data_); }

int64_t GrowBuffer::AllocationFor(int32_t size, int32_t granularity) {
  if (size < 1) return 0;
  const int64_t s = size;
  const int64_t g = std::max<int64_t>(s / 2, granularity);
  int64_t allocation;
  if (granularity < kPage) {
    allocation = g + s;
  } else {
    // Page-sized steps that leave room for the heap's own header.
    const int64_t step = std::min(std::max(RoundDownToPage(g), kPage), kLargestStep);
    allocation = RoundDownToPage(s + kHeapOverhead + step) - kHeapOverhead;
  }
  return allocation <= INT32_MAX ? allocation : -1;
}

bool GrowBuffer::Reallocate(int32_t allocation) {
  if (allocation == 0) {
    std::free(data_);
    data_ = nullptr;
    allocated_ = 0;
    return true;
  }
  void* grown = std::realloc(data_, static_cast<size_t>(allocation));
  if (!grown) {
    // Fall back to allocate-and-copy; the old block stays ours on failure.
    grown = std::malloc(static_cast<size_t>(allocation));
    if (!grown) return false;
    std::memcpy(grown, data_, static_cast<size_t>(std::min(size_, allocation)));
    std::free(data_);
  }
  data_ = static_cast<uint8_t*>(grown);
  allocated_ = allocation;
  return true;
}

bool GrowBuffer::Resize(int32_t newSize, bool allowShrink) {
  if (newSize < 0) newSize = 0;
  bool reallocate = newSize > allocated_;
  if (!reallocate && allowShrink) {
    const int32_t threshold =
        std::max<int32_t>(1, std::min<int32_t>(allocated_ - 4 * granularity_, allocated_ / 2));
    reallocate = newSize < threshold;
  }
  if (reallocate) {
    const int64_t allocation = AllocationFor(newSize, granularity_);
    if (allocation < 0 || !Reallocate(static_cast<int32_t>(allocation))) return false;
  }
  size_ = newSize;
  return true;
}

bool GrowBuffer::ResizeZeroed(int32_t newSize, bool allowShrink) {
  const int32_t oldSize = size_;
  if (!Resize(newSize, allowShrink)) return false;
  if (size_ > oldSize) std::memset(data_ + oldSize, 0, static_cast<size_t>(size_ - oldSize));
  return true;
}

bool GrowBuffer::Append(const void* bytes, int32_t count) {
  if (count <= 0) return true;
  if (count > INT32_MAX - size_) return false;
  // The source may lie inside our own storage, which a reallocation moves.
  const uint8_t* source = static_cast<const uint8_t*>(bytes);
  const bool inside = data_ && source >= data_ && source < data_ + allocated_;
  const ptrdiff_t offset = inside ? source - data_ : 0;
  const int32_t oldSize = size_;
  if (!Resize(oldSize + count, false)) return false;
  if (inside) source = data_ + offset;
  std::memmove(data_ + oldSize, source, static_cast<size_t>(count));
  return true;
}

}  // namespace veltrax
