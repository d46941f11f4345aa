#pragma once
// Growable heap byte buffer behind every list and byte store of the plug-in.
// Sizes are 32-bit signed; a failed growth keeps the old storage and size.

#include <cstdint>
#include <cstring>

namespace veltrax {

class GrowBuffer {
 public:
  static constexpr int32_t kDefaultGranularity = 4096;

  explicit GrowBuffer(int32_t granularity = kDefaultGranularity);
  ~GrowBuffer();
  GrowBuffer(const GrowBuffer&) = delete;
  GrowBuffer& operator=(const GrowBuffer&) = delete;

  // None while the used size is 0, whatever storage is held.
  void* Data() const { return size_ > 0 ? data_ : nullptr; }
  uint8_t* Bytes() const { return static_cast<uint8_t*>(Data()); }
  int32_t Size() const { return size_; }
  int32_t Allocated() const { return allocated_; }
  int32_t Granularity() const { return granularity_; }

  // A negative size counts as 0. Returns false (and changes nothing) when
  // storage for the new size cannot be had.
  bool Resize(int32_t newSize, bool allowShrink = true);
  // As Resize, and clears the bytes between the old and the new used size.
  bool ResizeZeroed(int32_t newSize, bool allowShrink = true);
  // Appends count bytes copied from bytes (which may lie inside this buffer).
  bool Append(const void* bytes, int32_t count);
  void Clear() { Resize(0); }

  // The allocation a fresh request of size bytes gets; -1 when it would not
  // fit a 32-bit size.
  static int64_t AllocationFor(int32_t size, int32_t granularity);

 private:
  bool Reallocate(int32_t allocation);

  uint8_t* data_ = nullptr;
  int32_t allocated_ = 0;
  int32_t size_ = 0;
  int32_t granularity_;
};

// A list of owned objects stored as pointers in a GrowBuffer; entries are
// deleted from the last to the first when the list is destroyed.
template <class T>
class OwnedList {
 public:
  OwnedList() = default;
  ~OwnedList() { DeleteAll(); }
  OwnedList(const OwnedList&) = delete;
  OwnedList& operator=(const OwnedList&) = delete;

  int Count() const { return buffer_.Size() / static_cast<int32_t>(sizeof(T*)); }
  T* Get(int index) const {
    return index >= 0 && index < Count() ? Entries()[index] : nullptr;
  }
  // Takes ownership; on failure the object is deleted and false returned.
  bool Add(T* item) {
    if (!buffer_.Append(&item, static_cast<int32_t>(sizeof(T*)))) {
      delete item;
      return false;
    }
    return true;
  }
  // Takes ownership and puts item at index (clipped to 0..Count()), moving
  // the later entries up; on failure the object is deleted and false returned.
  bool Insert(int index, T* item) {
    const int count = Count();
    if (!Add(item)) return false;
    if (index < 0) index = 0;
    if (index > count) index = count;
    T** entries = Entries();
    for (int i = count; i > index; --i) entries[i] = entries[i - 1];
    entries[index] = item;
    return true;
  }
  void DeleteAll() {
    for (int i = Count() - 1; i >= 0; --i) delete Entries()[i];
    buffer_.Resize(0);
  }

 private:
  T** Entries() const { return static_cast<T**>(buffer_.Data()); }
  GrowBuffer buffer_;
};

}  // namespace veltrax
