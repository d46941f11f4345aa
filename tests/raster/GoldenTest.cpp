// Golden images: a composition through every blend mode, compared bit for bit
// so that both platforms are held to the same pixels. Set
// VELTRAX_UPDATE_GOLDEN=1 to write the images afresh after an intended change.

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "Blit.h"
#include "PngImage.h"
#include "PngWriter.h"
#include "RasterTestSupport.h"

namespace veltrax {

namespace {

using Bitmap = std::unique_ptr<MemBitmap>;

void ExpectMatchesGolden(const RasterBitmap& picture, const std::string& name) {
  const std::string path = GoldenPath(name);
  const char* update = std::getenv("VELTRAX_UPDATE_GOLDEN");
  if (update && *update == '1') {
    ASSERT_TRUE(SavePngFile(picture, path.c_str())) << path;
    // Writing the image checks nothing: say so instead of passing.
    GTEST_SKIP() << "wrote " << path << " (VELTRAX_UPDATE_GOLDEN=1); compare run skipped";
  }
  Bitmap golden(LoadPngFile(path.c_str()));
  ASSERT_NE(golden, nullptr) << "missing golden image " << path << " (VELTRAX_UPDATE_GOLDEN=1 writes it)";
  ASSERT_EQ(golden->Width(), picture.Width());
  ASSERT_EQ(golden->Height(), picture.Height());
  int differing = 0;
  for (int y = 0; y < picture.Height(); ++y) {
    for (int x = 0; x < picture.Width(); ++x) differing += PixelAt(*golden, x, y) != PixelAt(picture, x, y);
  }
  EXPECT_EQ(differing, 0) << "pixels differ from " << path;
  if (differing) SavePngFile(picture, ScratchPath("actual-" + name).c_str());
}

// 32 x 32 tiles: a colourful destination, a source with an alpha ramp.
Pixel DestinationPixel(int x, int y) {
  return 0xFF000000u | static_cast<Pixel>(x * 8) << 16 | static_cast<Pixel>(y * 8) << 8 | static_cast<Pixel>(255 - x * 4);
}
Pixel SourcePixel(int x, int y) {
  return static_cast<Pixel>(y * 8 + 7) << 24 | static_cast<Pixel>(255 - y * 6) << 16 |
         static_cast<Pixel>((x * 37) & 255) << 8 | static_cast<Pixel>(x * 8);
}

TEST(Golden, EveryBlendModeAtThreeOpacities) {
  constexpr int kTile = 32;
  const int modes[] = {BlendCopy, BlendAdd, BlendDodge, BlendMultiply, BlendOverlay, BlendHsvAdjust};
  const float opacities[] = {1.0f, 0.5f, 0.3f};
  Bitmap source(FilledBitmap(kTile, kTile, 0));
  for (int y = 0; y < kTile; ++y) {
    for (int x = 0; x < kTile; ++x) SetPixelAt(*source, x, y, SourcePixel(x, y));
  }
  // Columns: the modes, plain and with source alpha; rows: the opacities,
  // then FillRectangle in each mode, then the softened destination.
  Bitmap picture(FilledBitmap(12 * kTile, 5 * kTile, 0));
  for (int row = 0; row < 5; ++row) {
    for (int column = 0; column < 12; ++column) {
      for (int y = 0; y < kTile; ++y) {
        for (int x = 0; x < kTile; ++x) SetPixelAt(*picture, column * kTile + x, row * kTile + y, DestinationPixel(x, y));
      }
      const int mode = modes[column % 6] | (column >= 6 ? BlendUseSourceAlpha : 0);
      if (row < 3) {
        Blit(picture.get(), source.get(), column * kTile, row * kTile, nullptr, opacities[row], mode);
      } else if (row == 3) {
        FillRectangle(picture.get(), column * kTile + 4, row * kTile + 4, kTile - 8, kTile - 8, 0xC0FF8020, 0.7f, mode);
      }
    }
  }
  SoftenRegion(picture.get(), 12 * kTile, 5 * kTile);
  ExpectMatchesGolden(*picture, "blend_modes.png");
}

}  // namespace

}  // namespace veltrax
