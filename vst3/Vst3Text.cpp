#include "Vst3Text.h"

#include <cstring>

namespace veltrax {
namespace vst3 {

namespace {

constexpr uint32_t kReplacement = 0xFFFD;

// Decodes one character at text; advances text past it.
uint32_t NextUtf8(const unsigned char*& text) {
  const unsigned char lead = *text++;
  if (lead < 0x80) return lead;
  int more = 0;
  uint32_t code = 0;
  if ((lead & 0xE0) == 0xC0) {
    more = 1;
    code = lead & 0x1F;
  } else if ((lead & 0xF0) == 0xE0) {
    more = 2;
    code = lead & 0x0F;
  } else if ((lead & 0xF8) == 0xF0) {
    more = 3;
    code = lead & 0x07;
  } else {
    return kReplacement;
  }
  for (int i = 0; i < more; ++i) {
    if ((*text & 0xC0) != 0x80) return kReplacement;  // the terminator stops here too
    code = code << 6 | (*text++ & 0x3F);
  }
  // Overlong forms, surrogates and values past Unicode are no characters.
  static const uint32_t kSmallest[4] = {0, 0x80, 0x800, 0x10000};
  if (code < kSmallest[more] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return kReplacement;
  return code;
}

}  // namespace

void Utf8ToUtf16(const char* text, char16* out, int size) {
  if (out == nullptr || size <= 0) return;
  int used = 0;
  const auto* cursor = reinterpret_cast<const unsigned char*>(text != nullptr ? text : "");
  while (*cursor != 0) {
    const uint32_t code = NextUtf8(cursor);
    const int units = code > 0xFFFF ? 2 : 1;
    if (used + units > size - 1) break;
    if (units == 2) {
      out[used++] = static_cast<char16>(0xD800 + ((code - 0x10000) >> 10));
      out[used++] = static_cast<char16>(0xDC00 + ((code - 0x10000) & 0x3FF));
    } else {
      out[used++] = static_cast<char16>(code);
    }
  }
  out[used] = 0;
}

void Utf16ToUtf8(const char16* text, int inSize, char* out, int size) {
  if (out == nullptr || size <= 0) return;
  int used = 0;
  for (int i = 0; text != nullptr && i < inSize && text[i] != 0; ++i) {
    uint32_t code = text[i];
    if (code >= 0xD800 && code <= 0xDBFF && i + 1 < inSize && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      code = 0x10000 + ((code - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (code >= 0xD800 && code <= 0xDFFF) {
      code = kReplacement;
    }
    char bytes[4];
    int count;
    if (code < 0x80) {
      bytes[0] = static_cast<char>(code);
      count = 1;
    } else if (code < 0x800) {
      bytes[0] = static_cast<char>(0xC0 | code >> 6);
      bytes[1] = static_cast<char>(0x80 | (code & 0x3F));
      count = 2;
    } else if (code < 0x10000) {
      bytes[0] = static_cast<char>(0xE0 | code >> 12);
      bytes[1] = static_cast<char>(0x80 | (code >> 6 & 0x3F));
      bytes[2] = static_cast<char>(0x80 | (code & 0x3F));
      count = 3;
    } else {
      bytes[0] = static_cast<char>(0xF0 | code >> 18);
      bytes[1] = static_cast<char>(0x80 | (code >> 12 & 0x3F));
      bytes[2] = static_cast<char>(0x80 | (code >> 6 & 0x3F));
      bytes[3] = static_cast<char>(0x80 | (code & 0x3F));
      count = 4;
    }
    if (used + count > size - 1) break;
    std::memcpy(out + used, bytes, static_cast<size_t>(count));
    used += count;
  }
  out[used] = '\0';
}

}  // namespace vst3
}  // namespace veltrax
