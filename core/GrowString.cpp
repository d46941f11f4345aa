#include "GrowString.h"

#include <cstddef>
#include <cstring>

namespace veltrax {

bool GrowString::Set(const char* text, int32_t count, int32_t offset) {
  if (!text) text = "";
  if (offset < 0) offset = 0;
  if (offset > Length()) offset = Length();
  if (count < 0) {
    const size_t length = std::strlen(text);
    if (length > static_cast<size_t>(INT32_MAX - 1)) return false;
    count = static_cast<int32_t>(length);
  }
  if (count > INT32_MAX - 1 - offset) return false;
  // Remember where the source lies in case it is our own storage.
  const char* base = static_cast<const char*>(buffer_.Data());
  const bool inside = base && text >= base && text < base + buffer_.Allocated();
  const ptrdiff_t sourceOffset = inside ? text - base : 0;
  if (!buffer_.Resize(offset + count + 1, false)) return false;
  char* data = static_cast<char*>(buffer_.Data());
  if (inside) text = data + sourceOffset;
  std::memmove(data + offset, text, static_cast<size_t>(count));
  data[offset + count] = '\0';
  return true;
}

}  // namespace veltrax
