#pragma once
// Bounded text copies across the host boundary. Hosts give no buffer size
// with their requests, so every copy into a host buffer is cut to the size
// the plug-in interface promises for that request, and every text a host
// passes in is read only up to a bound of our own (CopyTextBounded into a
// fixed array).

#include <cstddef>
#include <cstring>

namespace veltrax {

// Copies text into the host's buffer of size bytes (terminator included),
// cutting what does not fit; a missing text writes "".
inline void CopyToHost(char* destination, const char* text, int size) {
  if (destination == nullptr || size <= 0) return;
  const char* source = text != nullptr ? text : "";
  const size_t length = strnlen(source, static_cast<size_t>(size) - 1);
  std::memcpy(destination, source, length);
  destination[length] = '\0';
}

}  // namespace veltrax
