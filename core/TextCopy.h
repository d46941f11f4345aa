#pragma once
// Bounded copy of NUL-terminated text into a fixed character array: the text
// is cut to size - 1 characters and always terminated. A null source copies "".

#include <cstddef>
#include <cstring>

namespace veltrax {

inline void CopyTextBounded(char* destination, const char* source, size_t size) {
  if (!destination || size == 0) return;
  if (!source) source = "";
  size_t length = 0;
  while (length + 1 < size && source[length] != '\0') ++length;
  std::memmove(destination, source, length);
  destination[length] = '\0';
}

// Into a fixed array: reads at most N - 1 characters of source, so a text
// without terminator (a host's, say) cannot run the copy off its end.
template <size_t N>
void CopyTextBounded(char (&destination)[N], const char* source) {
  CopyTextBounded(destination, source, N);
}

}  // namespace veltrax
