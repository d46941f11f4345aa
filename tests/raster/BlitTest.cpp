// Blend formulas on crafted pixels, clipping, fills and the smoothing filter.
// Expected words were worked out by hand from the byte formulas.

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <memory>

#include "Blit.h"
#include "RasterTestSupport.h"

namespace veltrax {

namespace {

using Bitmap = std::unique_ptr<MemBitmap>;

// Blits one source pixel onto one destination pixel and returns the result.
Pixel BlendOne(Pixel dest, Pixel src, float alpha, int mode) {
  Bitmap d(FilledBitmap(1, 1, dest));
  Bitmap s(FilledBitmap(1, 1, src));
  Blit(d.get(), s.get(), 0, 0, nullptr, alpha, mode);
  return PixelAt(*d, 0, 0);
}

Pixel FillOne(Pixel dest, Pixel colour, float alpha, int mode) {
  Bitmap d(FilledBitmap(1, 1, dest));
  FillRectangle(d.get(), 0, 0, 1, 1, colour, alpha, mode);
  return PixelAt(*d, 0, 0);
}

// alpha 100/256 gives ia = 100 exactly.
constexpr float kWeight100 = 100.0f / 256.0f;

struct ModeCase {
  int mode;
  Pixel full;     // ia = 256 (alpha just above 1.0, so the raw copy is not taken)
  Pixel partial;  // ia = 100
};

TEST(Blit, WeightedModesOnCraftedPixels) {
  const Pixel dest = 0x80402010, src = 0x40C08020;
  const ModeCase cases[] = {
      {BlendCopy, 0x40C08020, 0x67724617},     {BlendAdd, 0xC0FFA030, 0x998B521C},
      {BlendDodge, 0xAAFF4012, 0x8D5A2710},    {BlendMultiply, 0x20301002, 0x5A39190A},
      {BlendOverlay, 0x60582004, 0x7349200B},
  };
  const float almostOne = 1.001f;  // trunc(1.001 * 256) = 256
  for (const ModeCase& c : cases) {
    SCOPED_TRACE(c.mode);
    EXPECT_EQ(BlendOne(dest, src, almostOne, c.mode), c.full);
    EXPECT_EQ(BlendOne(dest, src, kWeight100, c.mode), c.partial);
  }
  // Saturation at both ends of the byte range.
  EXPECT_EQ(BlendOne(0xFF00FF7F, 0x01FF8000, kWeight100, BlendAdd), 0xFF63FF7Fu);
  EXPECT_EQ(BlendOne(0xFF00FF7F, 0x01FF8000, -50.0f / 256.0f, BlendAdd), 0xFF00E67Fu);
  EXPECT_EQ(BlendOne(0xFF00FF7F, 0x01FF8000, almostOne, BlendMultiply), 0x00007F00u);
}

TEST(Blit, SourceAlphaModesOnCraftedPixels) {
  const Pixel dest = 0x80402010, src = 0x80C08020;
  const ModeCase cases[] = {
      {BlendCopy, 0xFF815119, 0xB2593314},     {BlendAdd, 0xC0A06020, 0x99653916},
      {BlendDodge, 0xAA662A11, 0x8D4A2310},    {BlendMultiply, 0x5F371708, 0x733C1C0D},
      {BlendOverlay, 0x804C200A, 0x8044200D},
  };
  for (const ModeCase& c : cases) {
    SCOPED_TRACE(c.mode);
    EXPECT_EQ(BlendOne(dest, src, 1.0f, c.mode | BlendUseSourceAlpha), c.full);
    EXPECT_EQ(BlendOne(dest, src, kWeight100, c.mode | BlendUseSourceAlpha), c.partial);
  }
}

TEST(Blit, TransparentSourcePixelsAreSkippedOnlyWhereStated) {
  const Pixel dest = 0xFF808080, clear = 0x00FFFFFF;
  EXPECT_EQ(BlendOne(dest, clear, 1.0f, BlendCopy | BlendUseSourceAlpha), dest);
  EXPECT_EQ(BlendOne(dest, clear, 0.7f, BlendCopy | BlendUseSourceAlpha), dest);
  EXPECT_EQ(BlendOne(dest, clear, 1.0f, BlendAdd | BlendUseSourceAlpha), dest);
  EXPECT_EQ(BlendOne(dest, clear, 1.0f, BlendMultiply | BlendUseSourceAlpha), dest);
  // Dodge, overlay and HSV adjust process them with weight 1.
  EXPECT_EQ(BlendOne(dest, clear, 1.0f, BlendDodge | BlendUseSourceAlpha), dest);
  EXPECT_EQ(BlendOne(dest, clear, 1.0f, BlendOverlay | BlendUseSourceAlpha), 0xFE808080u);
  EXPECT_EQ(BlendOne(dest, clear, 1.0f, BlendHsvAdjust | BlendUseSourceAlpha), 0x00808080u);
}

TEST(Blit, FullOpacitySourceAlphaCopyOfEditorImages) {
  // Opaque replaces colour and sets alpha 255; half covered mixes 127/256 of
  // the destination back in and adds the alpha.
  EXPECT_EQ(BlendOne(0x20102030, 0xFFAABBCC, 1.0f, BlendUseSourceAlpha), 0xFFAABBCCu);
  const Pixel mixed = BlendOne(0xFF000000, 0x80FFFFFF, 1.0f, BlendUseSourceAlpha);
  const int expected = 255 + (0 - 255) * 127 / 256;
  EXPECT_EQ(mixed, 0xFF000000u | static_cast<Pixel>(expected) * 0x010101u);
  EXPECT_EQ(BlendOne(0x10000000, 0x80000000, 1.0f, BlendUseSourceAlpha) >> 24, 0x90u);
}

TEST(Blit, CopyShortcutsAndWeights) {
  const Pixel dest = 0x80402010, src = 0x40C08020;
  EXPECT_EQ(BlendOne(dest, src, 1.0f, BlendCopy), src);
  // 0.5 averages all four bytes, alpha included; 0.4999 is ia 127.
  EXPECT_EQ(BlendOne(dest, src, 0.5f, BlendCopy), 0x60805018u);
  const Pixel weighted = BlendOne(dest, src, 0.4999f, BlendCopy);
  EXPECT_EQ(weighted & 0xFF, static_cast<Pixel>(0x20 + (0x10 - 0x20) * 129 / 256));
  EXPECT_EQ(weighted >> 24, static_cast<Pixel>(0x40 + (0x80 - 0x40) * 129 / 256));
  // Nothing at zero or negative weight, or NaN.
  EXPECT_EQ(BlendOne(dest, src, 0.0f, BlendCopy), dest);
  EXPECT_EQ(BlendOne(dest, src, 0.001f, BlendCopy), dest);  // ia = 0
  EXPECT_EQ(BlendOne(dest, src, -0.5f, BlendCopy), dest);
  EXPECT_EQ(BlendOne(dest, src, -0.5f, BlendCopy | BlendUseSourceAlpha), dest);
  EXPECT_EQ(BlendOne(dest, src, std::numeric_limits<float>::quiet_NaN(), BlendAdd), dest);
  // Unknown modes draw nothing; bits other than the low byte and the
  // source-alpha flag are not looked at.
  EXPECT_EQ(BlendOne(dest, src, 0.7f, 6), dest);
  EXPECT_EQ(BlendOne(dest, src, 0.7f, 0x10006), dest);
  EXPECT_EQ(BlendOne(dest, src, 0.7f, 0x20000 | BlendAdd), BlendOne(dest, src, 0.7f, BlendAdd));
}

TEST(Blit, HugeOpacitiesStayDefined) {
  // Far outside 0..1 the weight is held to 8.0, so no formula overflows.
  const Pixel dest = 0x80402010, src = 0x40C08020;
  for (int mode = 0; mode <= 5; ++mode) {
    EXPECT_EQ(BlendOne(dest, src, 1e30f, mode), BlendOne(dest, src, 8.0f, mode));
    EXPECT_EQ(BlendOne(dest, src, -1e30f, mode | BlendUseSourceAlpha),
              BlendOne(dest, src, -8.0f, mode | BlendUseSourceAlpha));
  }
}

TEST(Blit, ChannelCopyMovesOneByteAndIgnoresOpacity) {
  // Source red (2) into destination alpha (3).
  EXPECT_EQ(BlendOne(0x11223344, 0xAABBCCDD, 0.3f, ChannelCopyMode(2, 3)), 0xBB223344u);
  EXPECT_EQ(BlendOne(0x11223344, 0xAABBCCDD, 0.3f, ChannelCopyMode(0, 0)), 0x112233DDu);
  EXPECT_EQ(ChannelCopyMode(2, 3), 0xFE);
}

TEST(Blit, HsvAdjust) {
  // A neutral source (128, 128, 128) at full weight gives the colour back
  // through the integer HSV round trip.
  const struct {
    Pixel dest, neutral, hueShift, greyed, brighter;
  } cases[] = {
      {0xFF336699, 0xFF336499, 0xFF996433, 0xFF999999, 0x7F55A7FF},
      {0xFFFF0000, 0xFFFF0000, 0xFF00FFF7, 0xFFFFFFFF, 0x7FFF0000},
      {0xFF808080, 0xFF808080, 0xFF808080, 0xFF808080, 0x7FFFFFFF},
      {0xFFC0A040, 0xFFC0A040, 0xFF4064C0, 0xFFC0C0C0, 0x7FFFD455},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.dest);
    EXPECT_EQ(HsvAdjustPixel(c.dest, 128, 128, 128, 256, 0xFF), c.neutral);
    EXPECT_EQ(HsvAdjustPixel(c.dest, 255, 128, 128, 256, 0xFF), c.hueShift);
    EXPECT_EQ(HsvAdjustPixel(c.dest, 128, 0, 128, 256, 0xFF), c.greyed);
    EXPECT_EQ(HsvAdjustPixel(c.dest, 128, 128, 255, 128, 0x17F), c.brighter);
  }
  // Through Blit the source's alpha becomes the result's alpha.
  EXPECT_EQ(BlendOne(0xFF336699, 0x40808080, 1.001f, BlendHsvAdjust), 0x40336499u);
  EXPECT_EQ(ReciprocalTable[0], 0);
  EXPECT_EQ(ReciprocalTable[1], 65535);
  EXPECT_EQ(ReciprocalTable[2], 32767);
  EXPECT_EQ(ReciprocalTable[3], 21844);
  EXPECT_EQ(ReciprocalTable[128], 511);
  EXPECT_EQ(ReciprocalTable[255], 256);
}

// A 4 x 4 source whose pixel (x, y) is 0xFF000000 | (y << 4) | x.
Bitmap NumberedSource() {
  Bitmap src(FilledBitmap(4, 4, 0));
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) SetPixelAt(*src, x, y, 0xFF000000u | static_cast<Pixel>(y << 4 | x));
  }
  return src;
}

TEST(BlitClipping, NegativeDestinationShiftsTheSourceWindow) {
  Bitmap src = NumberedSource();
  Bitmap dest(FilledBitmap(3, 3, 0));
  Blit(dest.get(), src.get(), -1, -2, nullptr, 1.0f, BlendCopy);
  EXPECT_EQ(PixelAt(*dest, 0, 0), 0xFF000021u);
  EXPECT_EQ(PixelAt(*dest, 2, 1), 0xFF000033u);
  EXPECT_EQ(PixelAt(*dest, 0, 2), 0u);  // below the source
}

TEST(BlitClipping, NegativeSourceRectangleMovesTheDestination) {
  Bitmap src = NumberedSource();
  Bitmap dest(FilledBitmap(5, 5, 0));
  const Rect r = {-2, -1, 2, 2};
  Blit(dest.get(), src.get(), 0, 0, &r, 1.0f, BlendCopy);
  EXPECT_EQ(PixelAt(*dest, 1, 0), 0u);
  EXPECT_EQ(PixelAt(*dest, 2, 1), 0xFF000000u);
  EXPECT_EQ(PixelAt(*dest, 3, 2), 0xFF000011u);
  EXPECT_EQ(PixelAt(*dest, 4, 2), 0u);  // the rectangle ends at column 2
}

TEST(BlitClipping, RectanglesAreCutToBothBitmaps) {
  Bitmap src = NumberedSource();
  Bitmap dest(FilledBitmap(6, 6, 0));
  const Rect big = {1, 1, 100, 100};
  Blit(dest.get(), src.get(), 4, 4, &big, 0.5f, BlendCopy);
  EXPECT_EQ(PixelAt(*dest, 4, 4), (0xFF000011u >> 1) & 0x7F7F7F7Fu);
  EXPECT_EQ(PixelAt(*dest, 5, 5), (0xFF000022u >> 1) & 0x7F7F7F7Fu);
  EXPECT_EQ(PixelAt(*dest, 3, 3), 0u);

  Bitmap untouched(FilledBitmap(6, 6, 0x01020304));
  const Rect reversed = {3, 0, 3, 4};
  const Rect outside = {5, 5, 9, 9};
  Blit(untouched.get(), src.get(), 0, 0, &reversed, 1.0f, BlendCopy);
  Blit(untouched.get(), src.get(), 0, 0, &outside, 1.0f, BlendCopy);
  Blit(untouched.get(), src.get(), 6, 0, nullptr, 1.0f, BlendCopy);
  Blit(untouched.get(), src.get(), -4, 0, nullptr, 1.0f, BlendCopy);
  Blit(untouched.get(), src.get(), INT_MIN, INT_MAX, nullptr, 1.0f, BlendCopy);
  const Rect extreme = {INT_MIN, INT_MIN, INT_MAX, INT_MAX};
  Blit(untouched.get(), src.get(), INT_MAX, 0, &extreme, 1.0f, BlendCopy);
  Blit(untouched.get(), nullptr, 0, 0, nullptr, 1.0f, BlendCopy);
  for (int y = 0; y < 6; ++y) {
    for (int x = 0; x < 6; ++x) EXPECT_EQ(PixelAt(*untouched, x, y), 0x01020304u);
  }
}

TEST(BlitClipping, SpanPaddingIsNeverWritten) {
  Bitmap src(FilledBitmap(5, 2, 0xFFFFFFFF));
  Bitmap dest(FilledBitmap(5, 2, 0));
  dest->PixelData()[5] = 0xDEADBEEF;  // padding of row 0 (span 8)
  Blit(dest.get(), src.get(), 0, 0, nullptr, 1.0f, BlendCopy);
  Blit(dest.get(), src.get(), 0, 0, nullptr, 0.3f, BlendAdd);
  FillRectangle(dest.get(), 0, 0, 100, 100, 0x12345678, 0.3f, BlendAdd);
  EXPECT_EQ(dest->PixelData()[5], 0xDEADBEEFu);
  EXPECT_EQ(PixelAt(*dest, 4, 1) >> 24, 0xFFu);
}

TEST(FillRectangle, CopyWritesTheColourWordOrMovesTowardIt) {
  EXPECT_EQ(FillOne(0x00000000, 0x12345678, 1.0f, BlendCopy), 0x12345678u);
  // At 0.9 (ia 230) the alpha byte heads for 230, whatever the colour's alpha.
  const Pixel p = FillOne(0x00000000, 0x00FF0000, 0.9f, BlendCopy);
  EXPECT_EQ(p >> 24, static_cast<Pixel>(230 + (0 - 230) * 26 / 256));
  EXPECT_EQ((p >> 16) & 0xFF, static_cast<Pixel>((0 - 255) * 26 / 256 + 255));
  // Quarter, half and three-quarter shortcuts.
  EXPECT_EQ(FillOne(0x80808080, 0x00000000, 0.5f, BlendCopy), 0x40404040u);
  EXPECT_EQ(FillOne(0x80808080, 0xFFFFFFFF, 0.25f, BlendCopy), 0xFFFFFFFFu & (0x40404040u + 0x20202020u + 0x3F3F3F3Fu));
  EXPECT_EQ(FillOne(0x80808080, 0xFFFFFFFF, 0.75f, BlendCopy), 0x3F3F3F3Fu + 0x20202020u + 0x7F7F7F7Fu);
}

TEST(FillRectangle, ModesUseIaAsTheAlphaSource) {
  // ia = 100 throughout; the colour's own alpha byte plays no part.
  EXPECT_EQ(FillOne(0x80402010, 0x00C08020, kWeight100, BlendAdd), static_cast<Pixel>(
      (0x80 + 100 * 100 / 256) << 24 | (0x40 + 0xC0 * 100 / 256) << 16 | (0x20 + 0x80 * 100 / 256) << 8 |
      (0x10 + 0x20 * 100 / 256)));
  EXPECT_EQ(FillOne(0x80402010, 0xFFC08020, kWeight100, BlendMultiply) >> 24,
            static_cast<Pixel>(((100 * (100 - 256) + 65536) * 0x80) >> 16));
  EXPECT_EQ(FillOne(0xFF336699, 0x00808080, 1.001f, BlendHsvAdjust), 0x00336499u);
  EXPECT_EQ(FillOne(0x80402010, 0xFFC08020, kWeight100, ChannelCopyMode(0, 1)), 0x80402010u);
}

TEST(FillRectangle, SourceAlphaScalesTheOpacity) {
  // Alpha 0x80 at opacity 1.0 gives 128/255, ia 128: the half shortcut.
  EXPECT_EQ(FillOne(0x00000000, 0x80FFFFFF, 1.0f, BlendCopy | BlendUseSourceAlpha), 0x407F7F7Fu);
  // Alpha 0x40 gives ia 64 at opacity 1.0, and 32 at 0.5: the weighted formula.
  const Pixel p = FillOne(0x00000000, 0x40FFFFFF, 0.5f, BlendCopy | BlendUseSourceAlpha);
  EXPECT_EQ(p, static_cast<Pixel>(32 + (0 - 32) * 224 / 256) << 24 | static_cast<Pixel>((0 - 255) * 224 / 256 + 255) * 0x010101u);
  EXPECT_EQ(FillOne(0x11223344, 0x00FFFFFF, 1.0f, BlendCopy | BlendUseSourceAlpha), 0x11223344u);
}

TEST(FillRectangle, Clipping) {
  Bitmap dest(FilledBitmap(4, 4, 0));
  FillRectangle(dest.get(), -2, -1, 4, 3, 0xFFFFFFFF, 1.0f, BlendCopy);
  EXPECT_EQ(PixelAt(*dest, 1, 1), 0xFFFFFFFFu);
  EXPECT_EQ(PixelAt(*dest, 2, 1), 0u);
  EXPECT_EQ(PixelAt(*dest, 1, 2), 0u);
  FillRectangle(dest.get(), 3, 3, INT_MAX, INT_MAX, 0x01010101, 1.0f, BlendCopy);
  EXPECT_EQ(PixelAt(*dest, 3, 3), 0x01010101u);
  FillRectangle(dest.get(), INT_MIN, INT_MIN, INT_MAX, INT_MAX, 0x02020202, 1.0f, BlendCopy);
  FillRectangle(dest.get(), 4, 0, 5, 5, 0x02020202, 1.0f, BlendCopy);
  FillRectangle(nullptr, 0, 0, 5, 5, 0x02020202, 1.0f, BlendCopy);
  EXPECT_EQ(PixelAt(*dest, 0, 3), 0u);
}

TEST(SoftenRegion, WeightsOnAUniformRegion) {
  Bitmap bitmap(FilledBitmap(4, 3, 0xFFFFFFFF));
  SoftenRegion(bitmap.get(), 4, 3);
  EXPECT_EQ(PixelAt(*bitmap, 1, 1), 0xFBFBFBFBu);  // 127 + 4 x 31
  EXPECT_EQ(PixelAt(*bitmap, 0, 1), 0xFCFCFCFCu);  // 127 + 63 + 31 + 31
  EXPECT_EQ(PixelAt(*bitmap, 1, 0), 0xFCFCFCFCu);
  EXPECT_EQ(PixelAt(*bitmap, 3, 2), 0xFDFDFDFDu);  // 127 + 63 + 63
}

TEST(SoftenRegion, ResultsComeFromTheUnsmoothedPicture) {
  Bitmap bitmap(FilledBitmap(5, 5, 0));
  SetPixelAt(*bitmap, 2, 2, 0x80808080);
  SetPixelAt(*bitmap, 0, 0, 0xF0F0F0F0);
  SoftenRegion(bitmap.get(), 5, 5);
  EXPECT_EQ(PixelAt(*bitmap, 2, 2), 0x40404040u);
  for (const auto& n : {std::pair{1, 2}, std::pair{3, 2}, std::pair{2, 1}, std::pair{2, 3}}) {
    EXPECT_EQ(PixelAt(*bitmap, n.first, n.second), 0x10101010u);
  }
  EXPECT_EQ(PixelAt(*bitmap, 1, 1), 0u);
  EXPECT_EQ(PixelAt(*bitmap, 0, 0), 0x78787878u);
  EXPECT_EQ(PixelAt(*bitmap, 1, 0), 0x1E1E1E1Eu);  // an eighth from the left
  EXPECT_EQ(PixelAt(*bitmap, 0, 1), 0x1E1E1E1Eu);  // an eighth from above
}

TEST(SoftenRegion, TooSmallRegionsAndOutsideParts) {
  Bitmap bitmap(FilledBitmap(4, 4, 0xFFFFFFFF));
  SoftenRegion(bitmap.get(), 1, 4);
  SoftenRegion(bitmap.get(), 4, 1);
  SoftenRegion(bitmap.get(), 0, 0);
  SoftenRegion(nullptr, 4, 4);
  EXPECT_EQ(PixelAt(*bitmap, 1, 1), 0xFFFFFFFFu);
  SoftenRegion(bitmap.get(), 2, 100);  // clipped to the height
  EXPECT_EQ(PixelAt(*bitmap, 1, 1), 0xFCFCFCFCu);
  EXPECT_EQ(PixelAt(*bitmap, 2, 1), 0xFFFFFFFFu);
}

TEST(SoftenRegion, WideRegionsMatchNarrowOnes) {
  // Above 1024 pixels the saved rows live on the heap; the results agree.
  Bitmap wide(FilledBitmap(1100, 3, 0));
  Bitmap narrow(FilledBitmap(12, 3, 0));
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 12; ++x) {
      const Pixel v = static_cast<Pixel>(x * 37 + y * 91) * 0x01030507u;
      SetPixelAt(*wide, x, y, v);
      SetPixelAt(*narrow, x, y, v);
    }
  }
  SoftenRegion(wide.get(), 1100, 3);
  SoftenRegion(narrow.get(), 12, 3);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 11; ++x) EXPECT_EQ(PixelAt(*wide, x, y), PixelAt(*narrow, x, y));
  }
}

}  // namespace

}  // namespace veltrax
