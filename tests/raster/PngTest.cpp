// PNG decoding of every colour type and bit depth (test images are encoded
// here with libpng's writer), the failure cases, the loader registration,
// the compiled-in panel images and the PNG writer.

#include <gtest/gtest.h>
#include <png.h>

#include <csetjmp>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

#include "PngImage.h"
#include "PngWriter.h"
#include "RasterPlatform.h"
#include "RasterTestSupport.h"

namespace veltrax {

namespace {

using Bitmap = std::unique_ptr<MemBitmap>;
using Bytes = std::vector<unsigned char>;

// A test image in the file's own terms: samples per pixel as stored (grey,
// grey + alpha, palette index, RGB or RGBA), 16-bit samples as 0..65535.
struct PngRecipe {
  int width = 13;
  int height = 7;
  int colourType = PNG_COLOR_TYPE_RGB;
  int bitDepth = 8;
  bool interlaced = false;
  std::vector<png_color> palette;
  std::vector<png_byte> paletteAlpha;  // tRNS of a palette image
  bool transparentColour = false;      // tRNS of a grey or RGB image
  png_color_16 transparent = {};
  std::vector<std::vector<int>> samples;  // [pixel][channel]
};

int Channels(int colourType) {
  switch (colourType) {
    case PNG_COLOR_TYPE_GRAY:
    case PNG_COLOR_TYPE_PALETTE:
      return 1;
    case PNG_COLOR_TYPE_GRAY_ALPHA:
      return 2;
    case PNG_COLOR_TYPE_RGB:
      return 3;
    default:
      return 4;
  }
}

void WriteToVector(png_structp png, png_bytep data, png_size_t length) {
  Bytes* out = static_cast<Bytes*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}

void FlushNothing(png_structp) {}

// Encodes rows that are already packed; only plain pointers live across the
// error jump.
bool EncodeRows(const PngRecipe* recipe, png_bytepp rows, Bytes* out) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_set_write_fn(png, out, WriteToVector, FlushNothing);
  png_set_IHDR(png, info, recipe->width, recipe->height, recipe->bitDepth, recipe->colourType,
               recipe->interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (!recipe->palette.empty()) {
    png_set_PLTE(png, info, recipe->palette.data(), static_cast<int>(recipe->palette.size()));
  }
  if (!recipe->paletteAlpha.empty()) {
    png_set_tRNS(png, info, recipe->paletteAlpha.data(), static_cast<int>(recipe->paletteAlpha.size()), nullptr);
  }
  if (recipe->transparentColour) png_set_tRNS(png, info, nullptr, 0, &recipe->transparent);
  png_write_info(png, info);
  png_write_image(png, rows);
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return true;
}

Bytes Encode(const PngRecipe& recipe) {
  const int channels = Channels(recipe.colourType);
  const size_t rowBytes = (static_cast<size_t>(recipe.width) * channels * recipe.bitDepth + 7) / 8;
  std::vector<Bytes> packed(recipe.height, Bytes(rowBytes, 0));
  for (int y = 0; y < recipe.height; ++y) {
    size_t bit = 0;
    for (int x = 0; x < recipe.width; ++x) {
      for (int c = 0; c < channels; ++c, bit += recipe.bitDepth) {
        const int v = recipe.samples[y * recipe.width + x][c];
        Bytes& row = packed[y];
        if (recipe.bitDepth == 16) {
          row[bit / 8] = static_cast<png_byte>(v >> 8);
          row[bit / 8 + 1] = static_cast<png_byte>(v);
        } else {
          row[bit / 8] |= static_cast<png_byte>(v << (8 - recipe.bitDepth - bit % 8));
        }
      }
    }
  }
  std::vector<png_bytep> rows;
  for (Bytes& row : packed) rows.push_back(row.data());
  Bytes out;
  EXPECT_TRUE(EncodeRows(&recipe, rows.data(), &out));
  return out;
}

// Samples that visit the whole range of the depth, different per channel.
PngRecipe PatternSpec(int colourType, int bitDepth, bool interlaced) {
  PngRecipe recipe;
  recipe.colourType = colourType;
  recipe.bitDepth = bitDepth;
  recipe.interlaced = interlaced;
  const int top = (1 << bitDepth) - 1;
  if (colourType == PNG_COLOR_TYPE_PALETTE) {
    for (int i = 0; i <= top; ++i) {
      recipe.palette.push_back({static_cast<png_byte>(i * 37), static_cast<png_byte>(255 - i * 11),
                              static_cast<png_byte>(i * 5 + 3)});
    }
  }
  const int channels = Channels(colourType);
  for (int i = 0; i < recipe.width * recipe.height; ++i) {
    std::vector<int> pixel;
    for (int c = 0; c < channels; ++c) pixel.push_back(((i * 7 + c * 3) * 2654435761u >> 7) % (top + 1));
    recipe.samples.push_back(pixel);
  }
  return recipe;
}

int To8(int v, int depth) {
  if (depth == 16) return v >> 8;            // low byte dropped
  return v * 255 / ((1 << depth) - 1);       // 1, 2, 4 bits scaled up by replication
}

// What the decoder must produce for pixel i of the recipe.
Pixel Expected(const PngRecipe& recipe, int i) {
  const std::vector<int>& s = recipe.samples[i];
  const int d = recipe.bitDepth;
  int r, g, b, a = 255;
  switch (recipe.colourType) {
    case PNG_COLOR_TYPE_PALETTE: {
      const png_color& entry = recipe.palette[s[0]];
      r = entry.red, g = entry.green, b = entry.blue;
      if (s[0] < static_cast<int>(recipe.paletteAlpha.size())) a = recipe.paletteAlpha[s[0]];
      break;
    }
    case PNG_COLOR_TYPE_GRAY:
    case PNG_COLOR_TYPE_GRAY_ALPHA:
      r = g = b = To8(s[0], d);
      if (recipe.colourType == PNG_COLOR_TYPE_GRAY_ALPHA) a = To8(s[1], d);
      if (recipe.transparentColour && s[0] == recipe.transparent.gray) a = 0;
      break;
    default:
      r = To8(s[0], d), g = To8(s[1], d), b = To8(s[2], d);
      if (recipe.colourType == PNG_COLOR_TYPE_RGB_ALPHA) a = To8(s[3], d);
      if (recipe.transparentColour && s[0] == recipe.transparent.red && s[1] == recipe.transparent.green &&
          s[2] == recipe.transparent.blue) {
        a = 0;
      }
  }
  return static_cast<Pixel>(a) << 24 | static_cast<Pixel>(r) << 16 | static_cast<Pixel>(g) << 8 | b;
}

void ExpectDecodes(const PngRecipe& recipe) {
  const Bytes png = Encode(recipe);
  Bitmap bitmap(LoadPngMemory(png.data(), static_cast<int>(png.size())));
  ASSERT_NE(bitmap, nullptr);
  ASSERT_EQ(bitmap->Width(), recipe.width);
  ASSERT_EQ(bitmap->Height(), recipe.height);
  int wrong = 0;
  for (int y = 0; y < recipe.height; ++y) {
    for (int x = 0; x < recipe.width; ++x) {
      const Pixel want = Expected(recipe, y * recipe.width + x);
      if (PixelAt(*bitmap, x, y) != want && ++wrong <= 3) {
        ADD_FAILURE() << "pixel " << x << "," << y << ": " << std::hex << PixelAt(*bitmap, x, y) << " != " << want;
      }
    }
  }
}

TEST(PngDecode, EveryColourTypeAndBitDepthPlainAndInterlaced) {
  const struct {
    int colourType;
    std::vector<int> depths;
  } kinds[] = {
      {PNG_COLOR_TYPE_GRAY, {1, 2, 4, 8, 16}},    {PNG_COLOR_TYPE_RGB, {8, 16}},
      {PNG_COLOR_TYPE_PALETTE, {1, 2, 4, 8}},     {PNG_COLOR_TYPE_GRAY_ALPHA, {8, 16}},
      {PNG_COLOR_TYPE_RGB_ALPHA, {8, 16}},
  };
  for (const auto& kind : kinds) {
    for (int depth : kind.depths) {
      for (bool interlaced : {false, true}) {
        SCOPED_TRACE("colour type " + std::to_string(kind.colourType) + ", depth " + std::to_string(depth) +
                     (interlaced ? ", interlaced" : ""));
        ExpectDecodes(PatternSpec(kind.colourType, depth, interlaced));
      }
    }
  }
}

TEST(PngDecode, TransparencyChunkBecomesAlpha) {
  PngRecipe grey = PatternSpec(PNG_COLOR_TYPE_GRAY, 8, false);
  grey.transparentColour = true;
  grey.transparent.gray = static_cast<png_uint_16>(grey.samples[3][0]);
  ExpectDecodes(grey);

  PngRecipe grey2 = PatternSpec(PNG_COLOR_TYPE_GRAY, 2, true);
  grey2.transparentColour = true;
  grey2.transparent.gray = 1;
  ExpectDecodes(grey2);

  for (int depth : {8, 16}) {
    PngRecipe rgb = PatternSpec(PNG_COLOR_TYPE_RGB, depth, false);
    rgb.transparentColour = true;
    rgb.transparent.red = static_cast<png_uint_16>(rgb.samples[5][0]);
    rgb.transparent.green = static_cast<png_uint_16>(rgb.samples[5][1]);
    rgb.transparent.blue = static_cast<png_uint_16>(rgb.samples[5][2]);
    ExpectDecodes(rgb);
  }

  // Entries past the end of a short tRNS stay opaque.
  PngRecipe palette = PatternSpec(PNG_COLOR_TYPE_PALETTE, 4, true);
  palette.paletteAlpha = {0, 0x40, 0x80, 0xC0, 0xFF, 0x10};
  ExpectDecodes(palette);
}

TEST(PngDecode, RgbaBytesLandAsStraightAlphaWords) {
  PngRecipe recipe;
  recipe.width = 2;
  recipe.height = 1;
  recipe.colourType = PNG_COLOR_TYPE_RGB_ALPHA;
  recipe.samples = {{0x11, 0x22, 0x33, 0x44}, {0xFF, 0x80, 0x00, 0x00}};
  const Bytes png = Encode(recipe);
  Bitmap bitmap(LoadPngMemory(png.data(), static_cast<int>(png.size())));
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(PixelAt(*bitmap, 0, 0), 0x44112233u);
  EXPECT_EQ(PixelAt(*bitmap, 1, 0), 0x00FF8000u);  // not premultiplied
}

Bytes SmallPng() { return Encode(PatternSpec(PNG_COLOR_TYPE_RGB_ALPHA, 8, false)); }

size_t ChunkOffset(const Bytes& png, const char* type) {
  for (size_t i = 8; i + 8 <= png.size(); ++i) {
    if (std::memcmp(&png[i + 4], type, 4) == 0) return i;
  }
  return 0;
}

TEST(PngFailures, SignatureAndLengthAreCheckedFirst) {
  Bytes png = SmallPng();
  EXPECT_EQ(LoadPngMemory(png.data(), 7), nullptr);
  EXPECT_EQ(LoadPngMemory(png.data(), 0), nullptr);
  EXPECT_EQ(LoadPngMemory(nullptr, 100), nullptr);
  png[7] = 0x0B;
  EXPECT_EQ(LoadPngMemory(png.data(), static_cast<int>(png.size())), nullptr);
}

TEST(PngFailures, TruncatedAndCorruptDataYieldNone) {
  const Bytes png = SmallPng();
  const size_t data = ChunkOffset(png, "IDAT");
  ASSERT_GT(data, 0u);
  const size_t middle = data + 8 + (png.size() - 12 - data) / 2;
  EXPECT_EQ(LoadPngMemory(png.data(), static_cast<int>(middle)), nullptr);
  EXPECT_EQ(LoadPngMemory(png.data(), 20), nullptr);  // inside the header chunk

  Bytes corrupt = png;
  corrupt[data + 10] ^= 0x55;  // image data no longer matches its CRC
  EXPECT_EQ(LoadPngMemory(corrupt.data(), static_cast<int>(corrupt.size())), nullptr);
  Bytes badHeader = png;
  badHeader[ChunkOffset(png, "IHDR") + 11] ^= 0x01;
  EXPECT_EQ(LoadPngMemory(badHeader.data(), static_cast<int>(badHeader.size())), nullptr);

  const std::string path = ScratchPath("truncated.png");
  ASSERT_TRUE(WriteFileBytes(path, Bytes(png.begin(), png.begin() + static_cast<ptrdiff_t>(middle))));
  EXPECT_EQ(LoadPngFile(path.c_str()), nullptr);
}

TEST(PngFailures, UnreadableFiles) {
  EXPECT_EQ(LoadPngFile(ScratchPath("missing.png").c_str()), nullptr);
  EXPECT_EQ(LoadPngFile(nullptr), nullptr);
  EXPECT_EQ(LoadPngFile(SourcePath(VELTRAX_IMAGE_DIR).c_str()), nullptr);  // a folder
  const std::string text = ScratchPath("text.png");
  ASSERT_TRUE(WriteFileBytes(text, Bytes{'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd'}));
  EXPECT_EQ(LoadPngFile(text.c_str()), nullptr);
}

TEST(PngFile, PathsInUtf8AndInOtherBytes) {
  const Bytes png = SmallPng();
  const std::string utf8 = ScratchPath("b\xC3\xA4nd \xE2\x86\x92.png");
  ASSERT_TRUE(WriteFileBytes(utf8, png));
  Bitmap fromUtf8(LoadPngFile(utf8.c_str()));
  ASSERT_NE(fromUtf8, nullptr);
  EXPECT_EQ(fromUtf8->Width(), 13);

  // Not UTF-8: still opened, through the bytes as given.
  const std::string latin = ScratchPath("caf\xE9-\xFF.png");
  FILE* file = std::fopen(latin.c_str(), "wb");
  ASSERT_NE(file, nullptr);
  std::fwrite(png.data(), 1, png.size(), file);
  std::fclose(file);
  Bitmap fromBytes(LoadPngFile(latin.c_str()));
  ASSERT_NE(fromBytes, nullptr);
  EXPECT_EQ(fromBytes->Height(), 7);
}

TEST(PngFile, CallersBitmapIsFilledOrLeftToTheCaller) {
  const Bytes png = SmallPng();
  const std::string good = ScratchPath("good.png");
  ASSERT_TRUE(WriteFileBytes(good, png));
  MemBitmap bitmap(2, 2);
  EXPECT_EQ(LoadPngFile(good.c_str(), &bitmap), &bitmap);
  EXPECT_EQ(bitmap.Width(), 13);
  EXPECT_EQ(bitmap.Height(), 7);

  const std::string bad = ScratchPath("bad.png");
  ASSERT_TRUE(WriteFileBytes(bad, Bytes(png.begin(), png.end() - 40)));
  EXPECT_EQ(LoadPngFile(bad.c_str(), &bitmap), nullptr);
  // Still ours and usable, at the size the decode had reached.
  EXPECT_EQ(bitmap.Width(), 13);
  bitmap.Row(6)[12] = 1;
}

TEST(PngLoader, RegisteredWithExtensionCheck) {
  ASSERT_NE(ImageLoaderList, nullptr);
  const ImageLoader* loader = ImageLoaderList;
  while (loader && std::strcmp(loader->describe(), "PNG files (*.PNG)") != 0) loader = loader->next;
  ASSERT_NE(loader, nullptr);

  const Bytes png = SmallPng();
  const std::string upper = ScratchPath("IMAGE.PNG");
  const std::string other = ScratchPath("image.bmp");
  ASSERT_TRUE(WriteFileBytes(upper, png));
  ASSERT_TRUE(WriteFileBytes(other, png));
  Bitmap loaded(loader->load(upper.c_str(), true, nullptr));
  EXPECT_NE(loaded, nullptr);
  EXPECT_EQ(loader->load(other.c_str(), true, nullptr), nullptr);
  Bitmap unchecked(loader->load(other.c_str(), false, nullptr));
  EXPECT_NE(unchecked, nullptr);

  EXPECT_TRUE(HasPngExtension("a.b.Png"));
  EXPECT_TRUE(HasPngExtension(".png"));
  EXPECT_FALSE(HasPngExtension("folder.png/file"));
  EXPECT_FALSE(HasPngExtension("folder.png\\file"));
  EXPECT_FALSE(HasPngExtension("image.png.bak"));
  EXPECT_FALSE(HasPngExtension("image.pn"));
  EXPECT_FALSE(HasPngExtension("png"));
  EXPECT_FALSE(HasPngExtension(nullptr));
}

ModuleHandle ThisModule() {
#ifdef _WIN32
  return GetModuleHandleA(nullptr);
#else
  return nullptr;
#endif
}

TEST(PngResources, PanelImagesByIdentifier) {
  const struct {
    int id;
    const char* file;
    int width, height;
  } images[] = {
      {101, "orvoback.png", 700, 160},       {102, "orvoreclevelknob.png", 64, 2560},
      {103, "orvoeqknob.png", 45, 225},      {104, "orvopowerswitch.png", 40, 80},
      {105, "orvoVUmeter.png", 83, 2550},    {106, "orvolight.png", 32, 64},
  };
  for (const auto& image : images) {
    SCOPED_TRACE(image.file);
    const void* data = nullptr;
    int size = 0;
    ASSERT_TRUE(rasterplatform::FindModuleResource(ThisModule(), image.id, "PNG", &data, &size));
    const Bytes file = ReadFileBytes(ImagePath(image.file));
    ASSERT_EQ(static_cast<size_t>(size), file.size());
    EXPECT_EQ(std::memcmp(data, file.data(), file.size()), 0) << "compiled-in bytes differ from the file";
    Bitmap bitmap(LoadPngResource(ThisModule(), image.id));
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->Width(), image.width);
    EXPECT_EQ(bitmap->Height(), image.height);
    Bitmap fromFile(LoadPngFile(ImagePath(image.file).c_str()));
    ASSERT_NE(fromFile, nullptr);
    for (int y = 0; y < image.height; ++y) {
      ASSERT_EQ(std::memcmp(bitmap->Row(y), fromFile->Row(y), sizeof(Pixel) * image.width), 0) << "row " << y;
    }
  }
  EXPECT_EQ(LoadPngResource(ThisModule(), 107), nullptr);
  EXPECT_EQ(LoadPngResource(ThisModule(), 100), nullptr);
  // Only the low 16 bits of the identifier count.
  Bitmap high(LoadPngResource(ThisModule(), 0x10000 + 106));
  EXPECT_NE(high, nullptr);
}

TEST(PngWriter, SavedBitmapsReadBackIdentically) {
  Bitmap bitmap(FilledBitmap(9, 5, 0));
  for (int y = 0; y < 5; ++y) {
    for (int x = 0; x < 9; ++x) SetPixelAt(*bitmap, x, y, static_cast<Pixel>(x * 0x1C + y * 0x33) * 0x01010203u);
  }
  const std::string path = ScratchPath("saved.png");
  ASSERT_TRUE(SavePngFile(*bitmap, path.c_str()));
  Bitmap back(LoadPngFile(path.c_str()));
  ASSERT_NE(back, nullptr);
  ASSERT_EQ(back->Width(), 9);
  for (int y = 0; y < 5; ++y) {
    for (int x = 0; x < 9; ++x) EXPECT_EQ(PixelAt(*back, x, y), PixelAt(*bitmap, x, y));
  }
  MemBitmap empty;
  EXPECT_FALSE(SavePngFile(empty, ScratchPath("empty.png").c_str()));
  EXPECT_FALSE(SavePngFile(*bitmap, (ScratchPath("no-such-folder") + "/x.png").c_str()));
}

}  // namespace

}  // namespace veltrax
