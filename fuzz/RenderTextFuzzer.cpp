// Cached-glyph text on arbitrary UTF-8 with arbitrary styles: font flags,
// format bits, colours, blend, rectangle and length all come from the bytes.
// Drawing and measuring must stay within the input and the bitmap.

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "RasterFont.h"
#include "SystemFont.h"

using namespace veltrax;

namespace {

uint32_t Word(const uint8_t* bytes) {
  return static_cast<uint32_t>(bytes[0]) | (static_cast<uint32_t>(bytes[1]) << 8) |
         (static_cast<uint32_t>(bytes[2]) << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
}

// Fonts are kept across inputs (making one costs a font lookup); a few flag
// sets and two sizes cover the glyph variants without unbounded caches.
CachedFont& FontFor(uint8_t pick) {
  static const int kFlags[] = {0,
                               FontAsciiOnly,
                               FontVertical,
                               FontVertical | FontVerticalUp,
                               FontSoften | FontInverted,
                               FontMono,
                               FontShadow,
                               FontOutline | FontVertical};
  static std::unique_ptr<CachedFont> fonts[16];
  std::unique_ptr<CachedFont>& font = fonts[pick % 16];
  if (!font) {
    SystemFontRequest request;
    request.height = pick & 8 ? 23 : 11;
    std::strncpy(request.face, "Verdana", sizeof request.face - 1);
    FontHandle handle = CreateSystemFont(request);
    if (!handle) std::abort();
    font = std::make_unique<CachedFont>();
    font->SetGdiFont(handle, kFlags[pick % 8] | FontOwnsHandle);
  }
  return *font;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  constexpr size_t kHeader = 32;
  if (size < kHeader) return 0;
  CachedFont& font = FontFor(data[0]);
  const uint32_t format = Word(data + 1);
  font.SetInkColor(Word(data + 5));
  font.SetBackColor(Word(data + 9));
  font.SetHaloColor(Word(data + 13));
  font.SetBackMode(data[17] % 3);
  const int mode = data[18] >= BlendChannelCopy ? data[18]
                                                : (data[18] % 6) | (data[18] & 0x40 ? BlendUseSourceAlpha : 0);
  font.SetBlend(mode, static_cast<float>(data[19]) / 200.0f);
  Rect rect;
  rect.left = static_cast<int8_t>(data[20]);
  rect.top = static_cast<int8_t>(data[21]);
  rect.right = rect.left + data[22];
  rect.bottom = rect.top + data[23];
  if (data[24] & 0x80) rect.right = rect.left - data[22];  // an inverted rectangle now and then
  const int width = data[25] % 97;
  const int height = data[26] % 65;

  // The text is exactly the rest of the bytes, without a terminator unless
  // the length is -1.
  const bool terminated = data[27] & 1;
  std::vector<char> text(data + kHeader, data + size);
  if (terminated) text.push_back('\0');
  const int length = terminated ? -1 : static_cast<int>(text.size());

  std::unique_ptr<MemBitmap> bitmap(new MemBitmap(width, height));
  font.RenderText(bitmap.get(), text.data(), length, &rect, format & ~TextMeasure);
  Rect measured = rect;
  font.RenderText(nullptr, text.data(), length, &measured, format | TextMeasure);
  return 0;
}
