// Cached glyph text: UTF-8 decoding, the glyph cache and its cropping,
// measuring and alignment, colour alpha, the thresholded and rotated variants
// and the process-wide scratch bitmaps.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

#include "Blit.h"
#include "FontPlatform.h"
#include "RasterFont.h"
#include "RasterTestSupport.h"
#include "SystemFont.h"

namespace veltrax {

namespace {

using Bitmap = std::unique_ptr<MemBitmap>;

FontHandle MakeSystemFont(int height, const char* face = "Verdana", int weight = 400) {
  SystemFontRequest request;
  request.height = height;
  request.weight = weight;
  std::strncpy(request.face, face, sizeof request.face - 1);
  return CreateSystemFont(request);
}

// A cached font that owns a fresh system font; native drawing not allowed.
std::unique_ptr<CachedFont> MakeFont(int flags = 0, int height = 20) {
  auto font = std::make_unique<CachedFont>();
  FontHandle handle = MakeSystemFont(height);
  EXPECT_NE(handle, nullptr);
  font->SetGdiFont(handle, flags | FontOwnsHandle);
  return font;
}

// The smallest rectangle of pixels that differ from background (all zero
// when there are none).
Rect InkBox(const RasterBitmap& bitmap, Pixel background) {
  Rect box = {INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
  for (int y = 0; y < bitmap.Height(); ++y) {
    for (int x = 0; x < bitmap.Width(); ++x) {
      if (PixelAt(bitmap, x, y) == background) continue;
      box.left = std::min(box.left, x);
      box.top = std::min(box.top, y);
      box.right = std::max(box.right, x + 1);
      box.bottom = std::max(box.bottom, y + 1);
    }
  }
  return box.right < 0 ? Rect{} : box;
}

Rect Measure(CachedFont& font, const char* text, int length = -1, uint32_t format = 0) {
  Rect r = {10, 20, 10, 20};
  font.RenderText(nullptr, text, length, &r, TextMeasure | format);
  return {0, 0, r.right - r.left, r.bottom - r.top};
}

TEST(DecodeUtf8, SequencesAndFallbacks) {
  const struct {
    const char* bytes;
    int available;
    int code;
    int length;
  } cases[] = {
      {"A", 1, 'A', 1},
      {"\xE9", 1, 0xE9, 1},                  // Latin-1 byte on its own
      {"\xC3\xA9", 2, 0xE9, 2},              // the same character in UTF-8
      {"\xE2\x82\xAC", 3, 0x20AC, 3},
      {"\xF0\x9F\x8E\xB5", 4, 32, 4},        // beyond 16 bits: a space
      {"\x80", 1, 0x80, 1},                  // stray continuation byte
      {"\xC0\x80", 2, 0xC0, 1},              // overlong lead
      {"\xC3", 1, 0xC3, 1},                  // cut short by the text's end
      {"\xC3\xA9", 1, 0xC3, 1},              // ... or by the length given
      {"\xE2\x82x", 3, 0xE2, 1},
      {"\xF0\x9F\x8E", 3, 0xF0, 1},
      {"\xF5\x80\x80\x80", 4, 0xF5, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bytes);
    const DecodedChar decoded = DecodeUtf8(reinterpret_cast<const unsigned char*>(c.bytes), c.available);
    EXPECT_EQ(decoded.code, c.code);
    EXPECT_EQ(decoded.length, c.length);
  }
}

TEST(SystemFont, MissingFacesFallBack) {
  FontHandle known = MakeSystemFont(12);
  FontHandle unknown = MakeSystemFont(12, "No Such Face 1234");
  ASSERT_NE(known, nullptr);
  ASSERT_NE(unknown, nullptr);
  CachedFont font;
  font.SetGdiFont(known, FontOwnsHandle);
  EXPECT_GE(font.LineHeight(), 11);
  EXPECT_LE(font.LineHeight(), 16);
  font.SetGdiFont(unknown, FontOwnsHandle);  // deletes the first
  EXPECT_GT(font.LineHeight(), 0);
  EXPECT_GT(Measure(font, "Veltrax").right, 0);
}

TEST(GlyphCache, CharactersAreRenderedOnFirstUseAndCropped) {
  auto font = MakeFont();
  const GlyphRecord* h = font->FindGlyph('H');
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(h->storePosition, 0);
  EXPECT_EQ(font->FindGlyph(0xE9), nullptr);

  Measure(*font, "H\xC3\xA9 ");
  h = font->FindGlyph('H');
  ASSERT_GT(h->storePosition, 0);
  EXPECT_EQ(h->code, 'H');
  EXPECT_EQ(h->height, font->LineHeight());
  const int margin = font->LineHeight() < 16 ? 0 : font->LineHeight() / 16;
  EXPECT_LE(h->width, h->advance + 2 * margin + 4);  // cropped inside the box
  const uint8_t* map = font->GlyphCoverage(*h);
  ASSERT_NE(map, nullptr);
  EXPECT_EQ(*std::max_element(map, map + h->width * h->height), 255);

  const GlyphRecord* e = font->FindGlyph(0xE9);
  ASSERT_NE(e, nullptr);
  EXPECT_GT(e->storePosition, 0);

  // A space has no ink: cropped to exactly its advance, starting at the pen.
  const GlyphRecord* space = font->FindGlyph(' ');
  EXPECT_EQ(space->width, space->advance);
  EXPECT_EQ(space->bearing, 0);
  const uint8_t* blank = font->GlyphCoverage(*space);
  EXPECT_TRUE(std::all_of(blank, blank + space->width * space->height, [](uint8_t v) { return v == 0; }));
}

TEST(GlyphCache, ExtendedCodesStaySortedAndFindable) {
  auto font = MakeFont();
  const int codes[] = {0x3A9, 0xE9, 0x20AC, 0x100, 0xFC, 0x3A9};
  for (int code : codes) EXPECT_TRUE(font->CacheGlyph(code));
  for (int code : codes) {
    const GlyphRecord* record = font->FindGlyph(code);
    ASSERT_NE(record, nullptr) << code;
    EXPECT_EQ(record->code, code);
    EXPECT_GT(record->storePosition, 0);
  }
  EXPECT_EQ(font->FindGlyph(0x101), nullptr);
  // A new font handle empties the cache.
  font->SetGdiFont(MakeSystemFont(16), FontOwnsHandle);
  EXPECT_EQ(font->FindGlyph(0xE9), nullptr);
  EXPECT_EQ(font->FindGlyph('H')->storePosition, 0);
}

TEST(Measuring, ExtentsLinesAndLengths) {
  auto font = MakeFont();
  const int line = font->LineHeight();
  const Rect one = Measure(*font, "H");
  const Rect two = Measure(*font, "HH");
  const int advance = font->FindGlyph('H')->advance;
  EXPECT_EQ(two.right, advance + one.right);
  EXPECT_EQ(two.bottom, line);

  Rect r = {10, 20, 0, 0};
  EXPECT_EQ(font->RenderText(nullptr, "HH", -1, &r, TextMeasure), line);
  EXPECT_EQ(r.right, 10 + two.right);
  EXPECT_EQ(r.bottom, 20 + line);

  EXPECT_EQ(Measure(*font, "HHHH", 2).right, two.right);
  EXPECT_EQ(Measure(*font, "HH\0HH", 5).right, two.right);  // stops at the terminator
  EXPECT_EQ(Measure(*font, "AB\nH").bottom, 2 * line);
  const Rect crlf = Measure(*font, "AB\r\nH");
  EXPECT_EQ(crlf.bottom, 2 * line);
  EXPECT_EQ(crlf.right, Measure(*font, "AB").right);
  // Single line: a line feed counts as a space.
  EXPECT_EQ(Measure(*font, "A\nB", -1, TextSingleLine).right, Measure(*font, "A B").right);
  EXPECT_EQ(Measure(*font, "A\nB", -1, TextSingleLine).bottom, line);
  EXPECT_EQ(Measure(*font, "").right, 0);

  // Drawing needs a bitmap.
  Rect nothing = {0, 0, 50, 50};
  EXPECT_EQ(font->RenderText(nullptr, "H", -1, &nothing, 0), 0);
}

// Draws text in black onto a white bitmap and returns where the ink went.
Rect DrawnInk(CachedFont& font, const char* text, Rect rect, uint32_t format, int width = 200, int height = 60) {
  Bitmap bitmap(FilledBitmap(width, height, 0xFFFFFFFF));
  font.SetInkColor(0xFF000000);
  font.RenderText(bitmap.get(), text, -1, &rect, format);
  return InkBox(*bitmap, 0xFFFFFFFF);
}

TEST(Drawing, AlignmentPlacesTheMeasuredBox) {
  auto font = MakeFont();
  const char* label = "Gain 0.5";
  const Rect size = Measure(*font, label, -1, TextSingleLine);
  const Rect area = {20, 10, 180, 50};
  const Rect left = DrawnInk(*font, label, area, TextSingleLine);
  ASSERT_GT(left.right, 0);
  const Rect centred = DrawnInk(*font, label, area, TextSingleLine | TextCentre);
  EXPECT_EQ(centred.left - left.left, (area.left + area.right - size.right) / 2 - area.left);
  const Rect right = DrawnInk(*font, label, area, TextSingleLine | TextRight);
  EXPECT_EQ(right.left - left.left, area.right - size.right - area.left);
  const Rect bottom = DrawnInk(*font, label, area, TextSingleLine | TextBottom);
  EXPECT_EQ(bottom.top - left.top, area.bottom - size.bottom - area.top);
  const Rect middle = DrawnInk(*font, label, area, TextSingleLine | TextVerticalCentre);
  EXPECT_EQ(middle.top - left.top, (area.top + area.bottom - size.bottom) / 2 - area.top);
}

TEST(Drawing, ClippingToTheRectangleUnlessNoClip) {
  auto font = MakeFont();
  const Rect area = {30, 5, 40, 50};
  const Rect clipped = DrawnInk(*font, "WWWWW", area, 0);
  EXPECT_GE(clipped.left, area.left);
  EXPECT_LE(clipped.right, area.right);
  const Rect free = DrawnInk(*font, "WWWWW", area, TextNoClip);
  EXPECT_GT(free.right, area.right);
  // Text starting left of the bitmap is cut at its edge.
  const Rect outside = DrawnInk(*font, "WWWWW", Rect{-30, 0, 100, 40}, 0);
  EXPECT_EQ(outside.left, 0);
}

TEST(Drawing, ColourAlphaScalesTheOpacity) {
  auto font = MakeFont();
  Bitmap bitmap(FilledBitmap(120, 40, 0xFFFFFFFF));
  font->SetInkColor(0x80000000);
  Rect r = {0, 0, 120, 40};
  font->RenderText(bitmap.get(), "HHH", -1, &r, TextUseColorAlpha);
  int darkest = 255;
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 120; ++x) darkest = std::min<int>(darkest, (PixelAt(*bitmap, x, y) >> 16) & 0xFF);
  }
  // ia = trunc(128/255 x 256) = 128; full coverage weighs 128 x 255 / 256 =
  // 127, which keeps 129/256 of the white.
  EXPECT_EQ(darkest, 255 * 129 / 256);
  // Without the flag the colour's alpha is not applied.
  Bitmap opaque(FilledBitmap(120, 40, 0xFFFFFFFF));
  font->RenderText(opaque.get(), "HHH", -1, &r, 0);
  bool full = false;
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 120; ++x) full |= PixelAt(*opaque, x, y) == 0xFF000000u;
  }
  EXPECT_TRUE(full);
  // Alpha 0 draws nothing.
  Bitmap clean(FilledBitmap(120, 40, 0xFFFFFFFF));
  font->SetInkColor(0x00000000);
  EXPECT_EQ(font->RenderText(clean.get(), "HHH", -1, &r, TextUseColorAlpha), 0);
  EXPECT_EQ(InkBox(*clean, 0xFFFFFFFF).right, 0);
}

TEST(Drawing, OpaqueBackgroundAndBlendModes) {
  auto font = MakeFont();
  Bitmap bitmap(FilledBitmap(100, 40, 0xFF808080));
  font->SetBackMode(2);
  font->SetBackColor(0xFF0000FF);
  font->SetInkColor(0xFFFF0000);
  Rect r = {0, 0, 100, 40};
  font->RenderText(bitmap.get(), "I", -1, &r, 0);
  const GlyphRecord* i = font->FindGlyph('I');
  // The glyph's box is filled with blue; where the ink is, red lands on it.
  EXPECT_EQ(PixelAt(*bitmap, 0, 0), 0xFF0000FFu);
  EXPECT_EQ(PixelAt(*bitmap, i->width + 5, 0), 0xFF808080u);

  Bitmap added(FilledBitmap(100, 40, 0xFF404040));
  font->SetBackMode(1);
  font->SetBlend(BlendAdd, 1.0f);
  font->RenderText(added.get(), "I", -1, &r, 0);
  const Rect ink = InkBox(*added, 0xFF404040);
  ASSERT_GT(ink.right, 0);
  int brightest = 0;
  for (int y = ink.top; y < ink.bottom; ++y) {
    for (int x = ink.left; x < ink.right; ++x) {
      const Pixel p = PixelAt(*added, x, y);
      EXPECT_EQ(p & 0xFFFF, 0x4040u);  // green and blue gain nothing
      brightest = std::max<int>(brightest, (p >> 16) & 0xFF);
    }
  }
  EXPECT_EQ(brightest, 255);
}

// All coverage bytes of the glyph satisfy pred.
template <class Pred>
bool EveryByte(const CachedFont& font, int code, Pred pred) {
  const GlyphRecord* g = font.FindGlyph(code);
  const uint8_t* map = font.GlyphCoverage(*g);
  return map && std::all_of(map, map + g->width * g->height, pred);
}

int ByteAt(const CachedFont& font, int code, int x, int y) {
  const GlyphRecord* g = font.FindGlyph(code);
  if (x < 0 || y < 0 || x >= g->width || y >= g->height) return -1;
  return font.GlyphCoverage(*g)[y * g->width + x];
}

TEST(GlyphVariants, MonoShadowAndOutlineAreThresholded) {
  auto mono = MakeFont(FontMono);
  auto shadow = MakeFont(FontShadow);
  auto outline = MakeFont(FontOutline);
  for (CachedFont* font : {mono.get(), shadow.get(), outline.get()}) ASSERT_TRUE(font->CacheGlyph('R'));
  EXPECT_TRUE(EveryByte(*mono, 'R', [](uint8_t v) { return v == 0 || v == 255; }));
  EXPECT_TRUE(EveryByte(*shadow, 'R', [](uint8_t v) { return v == 0 || v == 128 || v == 255; }));

  // Every halo byte sits next to ink: right of, below or below-right of it
  // for the shadow, on any side for the outline.
  int shadowHalo = 0, outlineHalo = 0;
  const GlyphRecord* s = shadow->FindGlyph('R');
  for (int y = 0; y < s->height; ++y) {
    for (int x = 0; x < s->width; ++x) {
      if (ByteAt(*shadow, 'R', x, y) != 128) continue;
      ++shadowHalo;
      EXPECT_TRUE(ByteAt(*shadow, 'R', x - 1, y) == 255 || ByteAt(*shadow, 'R', x - 1, y - 1) == 255 ||
                  ByteAt(*shadow, 'R', x, y - 1) == 255);
    }
  }
  const GlyphRecord* o = outline->FindGlyph('R');
  for (int y = 0; y < o->height; ++y) {
    for (int x = 0; x < o->width; ++x) {
      if (ByteAt(*outline, 'R', x, y) != 128) continue;
      ++outlineHalo;
      EXPECT_TRUE(ByteAt(*outline, 'R', x - 1, y) == 255 || ByteAt(*outline, 'R', x + 1, y) == 255 ||
                  ByteAt(*outline, 'R', x, y - 1) == 255 || ByteAt(*outline, 'R', x, y + 1) == 255);
    }
  }
  EXPECT_GT(shadowHalo, 0);
  EXPECT_GT(outlineHalo, shadowHalo);

  // Opaque copy writes the ink and halo colours as they are.
  Bitmap bitmap(FilledBitmap(60, 40, 0xFFFFFFFF));
  shadow->SetInkColor(0x12345678);
  shadow->SetHaloColor(0x9ABCDEF0);
  Rect r = {0, 0, 60, 40};
  shadow->RenderText(bitmap.get(), "R", -1, &r, 0);
  bool sawInk = false, sawHalo = false;
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 60; ++x) {
      const Pixel p = PixelAt(*bitmap, x, y);
      EXPECT_TRUE(p == 0xFFFFFFFF || p == 0x12345678 || p == 0x9ABCDEF0) << std::hex << p;
      sawInk |= p == 0x12345678;
      sawHalo |= p == 0x9ABCDEF0;
    }
  }
  EXPECT_TRUE(sawInk && sawHalo);
}

TEST(GlyphVariants, InvertedAndSoftened) {
  auto inverted = MakeFont(FontInverted);
  ASSERT_TRUE(inverted->CacheGlyph(' '));
  EXPECT_TRUE(EveryByte(*inverted, ' ', [](uint8_t v) { return v == 255; }));

  auto plain = MakeFont();
  auto soft = MakeFont(FontSoften);
  ASSERT_TRUE(plain->CacheGlyph('I'));
  ASSERT_TRUE(soft->CacheGlyph('I'));
  // Smoothing spreads the stem: no byte of the softened glyph reaches 255 and
  // at least as many bytes are inked.
  EXPECT_TRUE(EveryByte(*soft, 'I', [](uint8_t v) { return v < 255; }));
  auto inked = [](const CachedFont& f) {
    const GlyphRecord* g = f.FindGlyph('I');
    const uint8_t* map = f.GlyphCoverage(*g);
    return std::count_if(map, map + g->width * g->height, [](uint8_t v) { return v > 0; });
  };
  EXPECT_GE(inked(*soft), inked(*plain));
}

TEST(GlyphVariants, VerticalMapsAreTheHorizontalOnesRotated) {
  auto flat = MakeFont();
  auto down = MakeFont(FontVertical);
  auto up = MakeFont(FontVertical | FontVerticalUp);
  for (CachedFont* font : {flat.get(), down.get(), up.get()}) ASSERT_TRUE(font->CacheGlyph('F'));
  const GlyphRecord* f = flat->FindGlyph('F');
  const GlyphRecord* d = down->FindGlyph('F');
  const GlyphRecord* u = up->FindGlyph('F');
  ASSERT_EQ(d->width, f->height);
  ASSERT_EQ(d->height, f->width);
  ASSERT_EQ(u->width, f->height);
  ASSERT_EQ(u->advance, f->advance);
  for (int y = 0; y < f->height; ++y) {
    for (int x = 0; x < f->width; ++x) {
      const int v = ByteAt(*flat, 'F', x, y);
      ASSERT_EQ(ByteAt(*down, 'F', f->height - 1 - y, x), v);  // clockwise
      ASSERT_EQ(ByteAt(*up, 'F', y, f->width - 1 - x), v);     // counter-clockwise
    }
  }
  // Vertical text runs down the bitmap, upward text up from the bottom.
  const Rect column = DrawnInk(*down, "FFFFFFFF", Rect{0, 0, 60, 200}, 0, 60, 200);
  EXPECT_GT(column.bottom - column.top, 2 * (column.right - column.left));
  const Rect rising = DrawnInk(*up, "FFFFFFFF", Rect{0, 0, 60, 200}, 0, 60, 200);
  EXPECT_EQ(rising.bottom - rising.top, column.bottom - column.top);
  EXPECT_EQ(Measure(*down, "FFFF").right, down->LineHeight());
}

TEST(GlyphVariants, AsciiOnlyFontsRenderTheirTableAtOnce) {
  auto font = MakeFont(FontAsciiOnly);
  for (int code = 0; code < 128; ++code) EXPECT_NE(font->FindGlyph(code)->storePosition, 0) << code;
  EXPECT_FALSE(font->CacheGlyph(0xE9));
  EXPECT_EQ(Measure(*font, "A\xC3\xA9").right, Measure(*font, "A").right);
  const Rect drawn = DrawnInk(*font, "\xC3\xA9\xE2\x82\xAC", Rect{0, 0, 100, 40}, 0);
  EXPECT_EQ(drawn.right, 0);
}

TEST(FontLifecycle, ScratchBitmapsLiveWhileFontsDo) {
  ASSERT_EQ(CachedFont::LiveFontCount(), 0);
  {
    auto first = MakeFont();
    auto second = MakeFont();
    EXPECT_EQ(CachedFont::LiveFontCount(), 2);
    ASSERT_NE(CachedFont::GlyphScratch(), nullptr);
    EXPECT_GE(CachedFont::GlyphScratch()->Width(), 256);
    first.reset();
    EXPECT_NE(CachedFont::GlyphScratch(), nullptr);
  }
  EXPECT_EQ(CachedFont::LiveFontCount(), 0);
  EXPECT_EQ(CachedFont::GlyphScratch(), nullptr);
  EXPECT_EQ(CachedFont::TextScratch(), nullptr);
  auto again = MakeFont();
  EXPECT_GT(Measure(*again, "ok").right, 0);
  EXPECT_NE(CachedFont::GlyphScratch(), nullptr);
}

TEST(FontLifecycle, ReattachingTheOwnedHandleKeepsIt) {
  CachedFont font;
  FontHandle handle = MakeSystemFont(18);
  font.SetGdiFont(handle, FontOwnsHandle);
  font.SetGdiFont(handle, FontOwnsHandle);
  EXPECT_EQ(font.GdiFont(), handle);
  EXPECT_GT(Measure(font, "still here").right, 0);
  EXPECT_EQ(font.SetInkColor(0x01020304), 0u);
  EXPECT_EQ(font.SetInkColor(0), 0x01020304u);
  EXPECT_EQ(font.SetBackMode(2), 1);
  EXPECT_EQ(font.SetBackColor(0), 0xFFFFFFFFu);
  EXPECT_EQ(font.SetHaloColor(0), 0xFFFFFFFFu);
}

TEST(FontLifecycle, LargeLinesAreNotCached) {
  auto font = MakeFont(0, 1100);
  EXPECT_GT(font->LineHeight(), 1023);
  EXPECT_FALSE(font->CacheGlyph('A'));
#ifndef _WIN32
  // Windows draws such lines natively; elsewhere they are skipped.
  Bitmap bitmap(FilledBitmap(40, 40, 0xFFFFFFFF));
  Rect r = {0, 0, 40, 40};
  EXPECT_EQ(font->RenderText(bitmap.get(), "A", -1, &r, 0), 0);
#endif
}

#ifdef _WIN32
// Under Wine the native path is ruled out: the first RenderText that reaches
// the check records it and the text goes through the glyph cache.
TEST(NativeText, WineTakesTheCachedPath) {
  auto font = std::make_unique<CachedFont>();
  font->SetGdiFont(MakeSystemFont(16), FontOwnsHandle | FontNativeGdi);
  SysBitmap surface(120, 40);
  Rect r = {0, 0, 120, 40};
  font->SetInkColor(0xFF000000);
  font->RenderText(&surface, "Wine", -1, &r, 0);
  const int wine = fontplatform::WineIndicator();
  ASSERT_NE(wine, -1);
  EXPECT_EQ(font->FindGlyph('W')->storePosition > 0, wine == 1);
  EXPECT_EQ(wine, 1) << "the Windows lane runs its tests under Wine";

  // Line heights of 256 and more are always drawn natively.
  auto big = std::make_unique<CachedFont>();
  big->SetGdiFont(MakeSystemFont(300), FontOwnsHandle | FontNativeGdi);
  SysBitmap large(400, 400);
  Rect all = {0, 0, 400, 400};
  big->RenderText(&large, "W", -1, &all, 0);
  EXPECT_EQ(big->FindGlyph('W')->storePosition, 0);

  // Natively onto a bitmap without a device context: through the text
  // scratch, which takes the covered part and gives it back drawn on.
  Bitmap memory(FilledBitmap(400, 400, 0xFFFFFFFF));
  big->SetInkColor(0xFF000000);
  Rect measured = all;
  EXPECT_GT(big->RenderText(memory.get(), "W", -1, &measured, TextMeasure), 255);
  EXPECT_EQ(InkBox(*memory, 0xFFFFFFFF).right, 0);  // measuring draws nothing
  EXPECT_GT(measured.right, 0);
  EXPECT_GT(big->RenderText(memory.get(), "W", -1, &all, TextCentre), 255);
  EXPECT_NE(CachedFont::TextScratch(), nullptr);
  const Rect ink = InkBox(*memory, 0xFFFFFFFF);
  EXPECT_GT(ink.right - ink.left, 100);
  EXPECT_NEAR((ink.left + ink.right) / 2, 200, 20);
}
#endif

}  // namespace

}  // namespace veltrax
