#pragma once
// Texts across the VST3 boundary: the interface speaks UTF-16 in fixed
// buffers, the plug-in base UTF-8 (ASCII in practice). Every copy is cut to
// the buffer it writes, never inside a character.

#include <cstdint>

#include "Vst3Abi.h"

namespace veltrax {
namespace vst3 {

// Writes text as UTF-16 into out (size code units, terminator included).
// Bytes that are no valid UTF-8 become U+FFFD.
void Utf8ToUtf16(const char* text, char16* out, int size);

// Writes at most inSize code units of text (it may end earlier with a
// terminator) as UTF-8 into out (size bytes, terminator included). Lone
// surrogates become U+FFFD.
void Utf16ToUtf8(const char16* text, int inSize, char* out, int size);

}  // namespace vst3
}  // namespace veltrax
