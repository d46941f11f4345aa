// Checks the six front-panel images as files, the 1x set and the 2x one: the
// editor draws them with fixed frame sizes and source-alpha blending, so a wrong
// size, colour type or frame order shows up as a broken panel rather than as an
// error. Positions below are in panel units (1x pixels) so one check serves both.
#include <png.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace veltrax {

namespace {

struct Image {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  int bitDepth = 0;
  int colourType = -1;
  int interlace = -1;
  std::vector<std::uint8_t> rgba;  // straight alpha, 4 bytes a pixel, rows top-down

  const std::uint8_t* Pixel(std::uint32_t x, std::uint32_t y) const { return &rgba[(y * width + x) * 4]; }
};

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

// Reads the file exactly as stored: no transformations, so what the test sees is
// what the editor's decoder gets for an 8-bit RGBA file.
bool ReadPng(const std::string& path, Image& image, std::string& error) {
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
  if (!file) {
    error = "cannot open " + path;
    return false;
  }
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!png || !info) {
    png_destroy_read_struct(&png, &info, nullptr);
    error = "libpng setup failed";
    return false;
  }
  std::vector<png_bytep> rows;
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    error = "libpng could not decode " + path;
    return false;
  }
  png_init_io(png, file.get());
  png_read_info(png, info);
  png_uint_32 w = 0, h = 0;
  png_get_IHDR(png, info, &w, &h, &image.bitDepth, &image.colourType, &image.interlace, nullptr, nullptr);
  image.width = w;
  image.height = h;
  if (image.bitDepth != 8 || image.colourType != PNG_COLOR_TYPE_RGBA || image.interlace != PNG_INTERLACE_NONE) {
    png_destroy_read_struct(&png, &info, nullptr);
    return true;  // the header fields are what the caller checks
  }
  image.rgba.assign(static_cast<std::size_t>(w) * h * 4, 0);
  rows.resize(h);
  for (png_uint_32 y = 0; y < h; ++y) rows[y] = &image.rgba[static_cast<std::size_t>(y) * w * 4];
  png_read_image(png, rows.data());
  png_destroy_read_struct(&png, &info, nullptr);
  return true;
}

// Sizes at 1x; the 2x set is exactly twice as wide and as high.
struct ImageFacts {
  const char* file;
  std::uint32_t width;
  std::uint32_t height;
  int frames;
};

const ImageFacts kImages[] = {
    {"orvoback.png", 700, 160, 1},        {"orvoreclevelknob.png", 64, 2560, 40},
    {"orvoeqknob.png", 45, 225, 5},       {"orvopowerswitch.png", 40, 80, 2},
    {"orvoVUmeter.png", 83, 2550, 50},    {"orvolight.png", 32, 64, 2},
};

Image Load(const char* file, int scale) {
  Image image;
  std::string error;
  const std::string path = std::string(VELTRAX_RESOURCE_DIR) + (scale == 1 ? "/img/" : "/img@2x/") + file;
  EXPECT_TRUE(ReadPng(path, image, error)) << error;
  return image;
}

// One frame of a strip stacked top to bottom; At() takes panel units.
struct Frame {
  const Image* image;
  std::uint32_t top;
  std::uint32_t size;  // pixels
  std::uint32_t scale;
  const std::uint8_t* At(std::uint32_t x, std::uint32_t y) const { return image->Pixel(x * scale, top + y * scale); }
};

Frame FrameOf(const Image& image, int frames, int index, int scale = 1) {
  const std::uint32_t size = image.height / static_cast<std::uint32_t>(frames);
  return Frame{&image, size * static_cast<std::uint32_t>(index - 1), size, static_cast<std::uint32_t>(scale)};
}

// Centre of mass of the pixels a predicate picks, relative to the frame centre.
// The predicate and the result see pixel centres in panel units.
template <typename Pick>
bool Centroid(const Frame& f, Pick pick, double& cx, double& cy) {
  const std::uint32_t width = f.image->width;
  double sx = 0, sy = 0, n = 0;
  for (std::uint32_t y = 0; y < f.size; ++y)
    for (std::uint32_t x = 0; x < width; ++x) {
      const double ux = (x + 0.5) / f.scale, uy = (y + 0.5) / f.scale;
      if (pick(f.image->Pixel(x, f.top + y), ux, uy)) {
        sx += ux;
        sy += uy;
        n += 1;
      }
    }
  if (n == 0) return false;
  cx = sx / n - width / 2.0 / f.scale;
  cy = sy / n - f.size / 2.0 / f.scale;
  return true;
}

bool Whitish(const std::uint8_t* p) { return p[3] > 200 && p[0] > 190 && p[1] > 190 && p[2] > 180; }
bool Darkish(const std::uint8_t* p) { return p[3] == 255 && p[0] < 60 && p[1] < 60 && p[2] < 60; }

// Each test runs on the 1x set and on the 2x one; the parameter is the scale.
class PanelImages : public ::testing::TestWithParam<int> {
 protected:
  int Scale() const { return GetParam(); }
  Image Load(const char* file) const { return veltrax::Load(file, Scale()); }
  Frame FrameOf(const Image& image, int frames, int index) const {
    return veltrax::FrameOf(image, frames, index, Scale());
  }
};

INSTANTIATE_TEST_SUITE_P(, PanelImages, ::testing::Values(1, 2),
                         [](const ::testing::TestParamInfo<int>& info) { return std::to_string(info.param) + "x"; });

}  // namespace

TEST_P(PanelImages, HaveTheEditorsSizesAndPixelFormat) {
  for (const ImageFacts& expected : kImages) {
    SCOPED_TRACE(expected.file);
    const Image image = Load(expected.file);
    const std::uint32_t width = expected.width * Scale(), height = expected.height * Scale();
    EXPECT_EQ(image.width, width);
    EXPECT_EQ(image.height, height);
    EXPECT_EQ(image.bitDepth, 8);
    EXPECT_EQ(image.colourType, PNG_COLOR_TYPE_RGBA);
    EXPECT_EQ(image.interlace, PNG_INTERLACE_NONE);
    EXPECT_EQ(image.height % static_cast<std::uint32_t>(expected.frames), 0u);
    EXPECT_EQ(image.rgba.size(), static_cast<std::size_t>(width) * height * 4);
  }
}

TEST_P(PanelImages, ConsecutiveFramesDiffer) {
  for (const ImageFacts& expected : kImages) {
    if (expected.frames < 2) continue;
    SCOPED_TRACE(expected.file);
    const Image image = Load(expected.file);
    if (image.rgba.empty()) continue;
    const std::size_t frameBytes = image.rgba.size() / static_cast<std::size_t>(expected.frames);
    for (int f = 1; f < expected.frames; ++f) {
      const auto a = image.rgba.begin() + static_cast<std::ptrdiff_t>(frameBytes) * (f - 1);
      const auto b = a + static_cast<std::ptrdiff_t>(frameBytes);
      EXPECT_FALSE(std::equal(a, b, b)) << "frames " << f << " and " << f + 1 << " are identical";
    }
  }
}

// The background is drawn as a plain copy: any transparency would let stale pixels through.
TEST_P(PanelImages, BackgroundIsOpaque) {
  const Image image = Load("orvoback.png");
  ASSERT_FALSE(image.rgba.empty());
  for (std::size_t i = 3; i < image.rgba.size(); i += 4) ASSERT_EQ(image.rgba[i], 255) << "pixel " << i / 4;
}

// Knobs, switches and the lamp sit on the plate with their own soft shadows; they
// must fade out inside their rectangle, or their edge shows as a hard cut.
TEST_P(PanelImages, ControlFramesFadeOutBeforeTheirEdges) {
  for (const ImageFacts& expected : kImages) {
    const std::string file = expected.file;
    if (expected.frames < 2 || file == "orvoVUmeter.png") continue;
    SCOPED_TRACE(expected.file);
    const Image image = Load(expected.file);
    if (image.rgba.empty()) continue;
    for (int f = 1; f <= expected.frames; ++f) {
      const Frame frame = FrameOf(image, expected.frames, f);
      auto alpha = [&](std::uint32_t x, std::uint32_t y) { return int(image.Pixel(x, frame.top + y)[3]); };
      int worst = 0;
      for (std::uint32_t i = 0; i < image.width; ++i) {
        worst = std::max({worst, alpha(i, 0), alpha(i, frame.size - 1)});
      }
      for (std::uint32_t i = 0; i < frame.size; ++i) {
        worst = std::max({worst, alpha(0, i), alpha(image.width - 1, i)});
      }
      EXPECT_LE(worst, 2) << "frame " << f;
    }
  }
}

// The meter face fills its window: every frame is opaque away from its rounded corners.
TEST_P(PanelImages, MeterFramesFillTheirWindow) {
  const Image image = Load("orvoVUmeter.png");
  ASSERT_FALSE(image.rgba.empty());
  const std::uint32_t corner = 3 * Scale();
  for (int f = 1; f <= 50; ++f) {
    const Frame frame = FrameOf(image, 50, f);
    for (std::uint32_t y = corner; y + corner < frame.size; ++y)
      for (std::uint32_t x = corner; x + corner < image.width; ++x)
        ASSERT_EQ(image.Pixel(x, frame.top + y)[3], 255) << f << ": " << x << "," << y;
  }
}

// Frame order carries meaning: frame 1 is the knob fully left and the meter at rest.
TEST_P(PanelImages, RecordLevelPointerTurnsClockwiseFromFullyLeft) {
  const Image image = Load("orvoreclevelknob.png");
  ASSERT_FALSE(image.rgba.empty());
  // The white line on the skirt, outside the aluminium cap.
  auto pointer = [](const std::uint8_t* p, double x, double y) {
    const double r = std::hypot(x - 32.0, y - 32.0);
    return r > 15.0 && r < 22.0 && Whitish(p);
  };
  double x1, y1, x29, y29, x40, y40;
  ASSERT_TRUE(Centroid(FrameOf(image, 40, 1), pointer, x1, y1));
  ASSERT_TRUE(Centroid(FrameOf(image, 40, 29), pointer, x29, y29));
  ASSERT_TRUE(Centroid(FrameOf(image, 40, 40), pointer, x40, y40));
  EXPECT_LT(x1, -5.0);  // lower left
  EXPECT_GT(y1, 5.0);
  EXPECT_GT(x29, 5.0);  // upper right: frame 29 is the default gain
  EXPECT_LT(y29, 0.0);
  EXPECT_GT(x40, 5.0);  // lower right
  EXPECT_GT(y40, 5.0);
}

TEST_P(PanelImages, EqualiserStopsRunFromLeftToRight) {
  const Image image = Load("orvoeqknob.png");
  ASSERT_FALSE(image.rgba.empty());
  auto inlay = [](const std::uint8_t* p, double, double) { return Whitish(p); };
  double previousAngle = -1e9;
  for (int f = 1; f <= 5; ++f) {
    double x, y;
    ASSERT_TRUE(Centroid(FrameOf(image, 5, f), inlay, x, y)) << f;
    const double angle = std::atan2(x, -y);  // 0 = up, clockwise positive
    EXPECT_GT(angle, previousAngle) << f;
    previousAngle = angle;
  }
}

TEST_P(PanelImages, MeterNeedleMovesFromRestToFullDeflection) {
  const Image image = Load("orvoVUmeter.png");
  ASSERT_FALSE(image.rgba.empty());
  // The needle is the dark ink in the middle band, above the pivot cover.
  auto needle = [](const std::uint8_t* p, double, double y) { return y > 31 && y < 44 && Darkish(p); };
  double previous = -1e9;
  for (int f : {1, 13, 26, 38, 50}) {
    double x, y;
    ASSERT_TRUE(Centroid(FrameOf(image, 50, f), needle, x, y)) << f;
    EXPECT_GT(x, previous) << f;
    previous = x;
  }
}

TEST_P(PanelImages, SwitchIsDownWhenOffAndUpWhenOn) {
  const Image image = Load("orvopowerswitch.png");
  ASSERT_FALSE(image.rgba.empty());
  // The handle is the part of the toggle outside the nut, straight above or below it.
  auto handle = [](const std::uint8_t* p, double x, double y) {
    return p[3] == 255 && x >= 16 && x < 24 && (y < 10 || y >= 30);
  };
  double xOff, yOff, xOn, yOn;
  ASSERT_TRUE(Centroid(FrameOf(image, 2, 1), handle, xOff, yOff));
  ASSERT_TRUE(Centroid(FrameOf(image, 2, 2), handle, xOn, yOn));
  EXPECT_GT(yOff, 5.0);
  EXPECT_LT(yOn, -5.0);
}

TEST_P(PanelImages, LampIsDarkThenLit) {
  const Image image = Load("orvolight.png");
  ASSERT_FALSE(image.rgba.empty());
  const std::uint8_t* dark = FrameOf(image, 2, 1).At(16, 16);
  const std::uint8_t* lit = FrameOf(image, 2, 2).At(16, 16);
  EXPECT_GT(lit[0], dark[0] + 80);   // much brighter red
  EXPECT_GT(lit[0], lit[2] + 100);   // and red, not white
  // Only the lit lamp glows beyond its lens.
  EXPECT_EQ(FrameOf(image, 2, 1).At(16, 5)[3], 0);
  EXPECT_GT(FrameOf(image, 2, 2).At(16, 9)[3], 20);
}

// The 2x set is drawn afresh rather than enlarged, so halved it must still give
// the 1x frames, or one of its frames is misplaced, out of order or drawn apart.
TEST(PanelImagesAt2x, HalvedTheyLookLikeThe1xFrames) {
  auto premultiplied = [](const std::uint8_t* p, int c) { return c == 3 ? p[3] : p[c] * p[3] / 255.0; };
  for (const ImageFacts& expected : kImages) {
    SCOPED_TRACE(expected.file);
    const Image one = Load(expected.file, 1), two = Load(expected.file, 2);
    ASSERT_FALSE(one.rgba.empty() || two.rgba.empty());
    ASSERT_TRUE(two.width == 2 * one.width && two.height == 2 * one.height);
    // The plate's brushed grain is new noise at 2x: only its average has to agree.
    const double limit = expected.frames == 1 ? 2.5 : 1.2;
    const std::uint32_t rows = one.height / static_cast<std::uint32_t>(expected.frames);
    for (int f = 0; f < expected.frames; ++f) {
      double sum = 0;
      for (std::uint32_t y = f * rows; y < (f + 1) * rows; ++y)
        for (std::uint32_t x = 0; x < one.width; ++x)
          for (int c = 0; c < 4; ++c) {
            const double halved = (premultiplied(two.Pixel(2 * x, 2 * y), c) + premultiplied(two.Pixel(2 * x + 1, 2 * y), c) +
                                   premultiplied(two.Pixel(2 * x, 2 * y + 1), c) +
                                   premultiplied(two.Pixel(2 * x + 1, 2 * y + 1), c)) / 4.0;
            sum += std::abs(halved - premultiplied(one.Pixel(x, y), c));
          }
      EXPECT_LE(sum / (rows * one.width * 4.0), limit) << "frame " << f + 1;
    }
  }
}

}  // namespace veltrax
