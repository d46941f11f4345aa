// Checks the six front-panel images as files: the editor draws them with fixed
// frame sizes and source-alpha blending, so a wrong size, colour type or frame
// order shows up as a broken panel rather than as an error.
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

Image Load(const char* file) {
  Image image;
  std::string error;
  const std::string path = std::string(VELTRAX_IMAGE_DIR) + "/" + file;
  EXPECT_TRUE(ReadPng(path, image, error)) << error;
  return image;
}

// One frame of a strip stacked top to bottom.
struct Frame {
  const Image* image;
  std::uint32_t top;
  std::uint32_t size;
  const std::uint8_t* At(std::uint32_t x, std::uint32_t y) const { return image->Pixel(x, top + y); }
};

Frame FrameOf(const Image& image, int frames, int index) {
  const std::uint32_t size = image.height / static_cast<std::uint32_t>(frames);
  return Frame{&image, size * static_cast<std::uint32_t>(index - 1), size};
}

// Centre of mass of the pixels a predicate picks, relative to the frame centre.
template <typename Pick>
bool Centroid(const Frame& f, std::uint32_t width, Pick pick, double& cx, double& cy) {
  double sx = 0, sy = 0, n = 0;
  for (std::uint32_t y = 0; y < f.size; ++y)
    for (std::uint32_t x = 0; x < width; ++x)
      if (pick(f.At(x, y), x, y)) {
        sx += x + 0.5;
        sy += y + 0.5;
        n += 1;
      }
  if (n == 0) return false;
  cx = sx / n - width / 2.0;
  cy = sy / n - f.size / 2.0;
  return true;
}

bool Whitish(const std::uint8_t* p) { return p[3] > 200 && p[0] > 190 && p[1] > 190 && p[2] > 180; }
bool Darkish(const std::uint8_t* p) { return p[3] == 255 && p[0] < 60 && p[1] < 60 && p[2] < 60; }

}  // namespace

TEST(PanelImages, HaveTheEditorsSizesAndPixelFormat) {
  for (const ImageFacts& expected : kImages) {
    SCOPED_TRACE(expected.file);
    const Image image = Load(expected.file);
    EXPECT_EQ(image.width, expected.width);
    EXPECT_EQ(image.height, expected.height);
    EXPECT_EQ(image.bitDepth, 8);
    EXPECT_EQ(image.colourType, PNG_COLOR_TYPE_RGBA);
    EXPECT_EQ(image.interlace, PNG_INTERLACE_NONE);
    EXPECT_EQ(image.height % static_cast<std::uint32_t>(expected.frames), 0u);
    EXPECT_EQ(image.rgba.size(), static_cast<std::size_t>(expected.width) * expected.height * 4);
  }
}

TEST(PanelImages, ConsecutiveFramesDiffer) {
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
TEST(PanelImages, BackgroundIsOpaque) {
  const Image image = Load("orvoback.png");
  ASSERT_FALSE(image.rgba.empty());
  for (std::size_t i = 3; i < image.rgba.size(); i += 4) ASSERT_EQ(image.rgba[i], 255) << "pixel " << i / 4;
}

// Knobs, switches and the lamp sit on the plate with their own soft shadows; they
// must fade out inside their rectangle, or their edge shows as a hard cut.
TEST(PanelImages, ControlFramesFadeOutBeforeTheirEdges) {
  for (const ImageFacts& expected : kImages) {
    const std::string file = expected.file;
    if (expected.frames < 2 || file == "orvoVUmeter.png") continue;
    SCOPED_TRACE(expected.file);
    const Image image = Load(expected.file);
    if (image.rgba.empty()) continue;
    for (int f = 1; f <= expected.frames; ++f) {
      const Frame frame = FrameOf(image, expected.frames, f);
      int worst = 0;
      for (std::uint32_t i = 0; i < image.width; ++i) {
        worst = std::max({worst, int(frame.At(i, 0)[3]), int(frame.At(i, frame.size - 1)[3])});
      }
      for (std::uint32_t i = 0; i < frame.size; ++i) {
        worst = std::max({worst, int(frame.At(0, i)[3]), int(frame.At(image.width - 1, i)[3])});
      }
      EXPECT_LE(worst, 2) << "frame " << f;
    }
  }
}

// The meter face fills its window: every frame is opaque away from its rounded corners.
TEST(PanelImages, MeterFramesFillTheirWindow) {
  const Image image = Load("orvoVUmeter.png");
  ASSERT_FALSE(image.rgba.empty());
  for (int f = 1; f <= 50; ++f) {
    const Frame frame = FrameOf(image, 50, f);
    for (std::uint32_t y = 3; y + 3 < frame.size; ++y)
      for (std::uint32_t x = 3; x + 3 < image.width; ++x) ASSERT_EQ(frame.At(x, y)[3], 255) << f << ": " << x << "," << y;
  }
}

// Frame order carries meaning: frame 1 is the knob fully left and the meter at rest.
TEST(PanelImages, RecordLevelPointerTurnsClockwiseFromFullyLeft) {
  const Image image = Load("orvoreclevelknob.png");
  ASSERT_FALSE(image.rgba.empty());
  // The white line on the skirt, outside the aluminium cap.
  auto pointer = [](const std::uint8_t* p, std::uint32_t x, std::uint32_t y) {
    const double r = std::hypot(x + 0.5 - 32.0, y + 0.5 - 32.0);
    return r > 15.0 && r < 22.0 && Whitish(p);
  };
  double x1, y1, x29, y29, x40, y40;
  ASSERT_TRUE(Centroid(FrameOf(image, 40, 1), image.width, pointer, x1, y1));
  ASSERT_TRUE(Centroid(FrameOf(image, 40, 29), image.width, pointer, x29, y29));
  ASSERT_TRUE(Centroid(FrameOf(image, 40, 40), image.width, pointer, x40, y40));
  EXPECT_LT(x1, -5.0);  // lower left
  EXPECT_GT(y1, 5.0);
  EXPECT_GT(x29, 5.0);  // upper right: frame 29 is the default gain
  EXPECT_LT(y29, 0.0);
  EXPECT_GT(x40, 5.0);  // lower right
  EXPECT_GT(y40, 5.0);
}

TEST(PanelImages, EqualiserStopsRunFromLeftToRight) {
  const Image image = Load("orvoeqknob.png");
  ASSERT_FALSE(image.rgba.empty());
  auto inlay = [](const std::uint8_t* p, std::uint32_t, std::uint32_t) { return Whitish(p); };
  double previousAngle = -1e9;
  for (int f = 1; f <= 5; ++f) {
    double x, y;
    ASSERT_TRUE(Centroid(FrameOf(image, 5, f), image.width, inlay, x, y)) << f;
    const double angle = std::atan2(x, -y);  // 0 = up, clockwise positive
    EXPECT_GT(angle, previousAngle) << f;
    previousAngle = angle;
  }
}

TEST(PanelImages, MeterNeedleMovesFromRestToFullDeflection) {
  const Image image = Load("orvoVUmeter.png");
  ASSERT_FALSE(image.rgba.empty());
  // The needle is the dark ink in the middle band, above the pivot cover.
  auto needle = [](const std::uint8_t* p, std::uint32_t, std::uint32_t y) { return y > 30 && y < 44 && Darkish(p); };
  double previous = -1e9;
  for (int f : {1, 13, 26, 38, 50}) {
    double x, y;
    ASSERT_TRUE(Centroid(FrameOf(image, 50, f), image.width, needle, x, y)) << f;
    EXPECT_GT(x, previous) << f;
    previous = x;
  }
}

TEST(PanelImages, SwitchIsDownWhenOffAndUpWhenOn) {
  const Image image = Load("orvopowerswitch.png");
  ASSERT_FALSE(image.rgba.empty());
  // The handle is the part of the toggle outside the nut, straight above or below it.
  auto handle = [](const std::uint8_t* p, std::uint32_t x, std::uint32_t y) {
    return p[3] == 255 && x >= 16 && x < 24 && (y < 10 || y >= 30);
  };
  double xOff, yOff, xOn, yOn;
  ASSERT_TRUE(Centroid(FrameOf(image, 2, 1), image.width, handle, xOff, yOff));
  ASSERT_TRUE(Centroid(FrameOf(image, 2, 2), image.width, handle, xOn, yOn));
  EXPECT_GT(yOff, 5.0);
  EXPECT_LT(yOn, -5.0);
}

TEST(PanelImages, LampIsDarkThenLit) {
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

}  // namespace veltrax
