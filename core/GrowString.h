#pragma once
// NUL-terminated text held in a GrowBuffer of granularity 128.

#include "GrowBuffer.h"

namespace veltrax {

class GrowString {
 public:
  GrowString() : buffer_(128) {}

  // "" while empty.
  const char* Get() const { return buffer_.Size() > 0 ? static_cast<const char*>(buffer_.Data()) : ""; }
  int32_t Length() const { return buffer_.Size() > 0 ? buffer_.Size() - 1 : 0; }
  // Sets count characters at offset (the text becomes offset + count + 1
  // bytes long); text may point into this string. A negative count copies
  // up to the terminator of text.
  bool Set(const char* text, int32_t count = -1, int32_t offset = 0);
  bool Append(const char* text, int32_t count = -1) { return Set(text, count, Length()); }
  void Clear() { buffer_.Resize(0); }

 private:
  GrowBuffer buffer_;
};

}  // namespace veltrax
