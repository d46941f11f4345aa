// Linux text: FreeType renders the glyphs, fontconfig resolves face names.
// There is no native drawing; every text takes the cached path.

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H

#include <algorithm>
#include <cstring>
#include <mutex>
#include <string>
#include <new>

#include "FontPlatform.h"
#include "SystemFont.h"

namespace veltrax {

namespace {

struct PosixFont {
  FT_Face face = nullptr;
  int ascent = 0;
  int lineHeight = 0;
  FT_Int32 loadFlags = FT_LOAD_DEFAULT;
  bool monochrome = false;
  bool embolden = false;
  bool oblique = false;
};

// FreeType's library object is not safe for concurrent face creation. Never
// destroyed: the editor's font cache frees its fonts when the library is
// unloaded, after function statics made later than it are gone.
std::mutex& LibraryLock() {
  static std::mutex* const lock = new std::mutex;
  return *lock;
}

// Created on first use and kept for the life of the process.
FT_Library Library() {
  static FT_Library library = nullptr;
  if (!library && FT_Init_FreeType(&library) != 0) library = nullptr;
  return library;
}

int FontconfigWeight(int weight) {
  if (weight <= 0) weight = 400;
  return FcWeightFromOpenType(std::min(weight, 1000));
}

// The file and face index fontconfig picks for the request, with whether the
// match needs synthetic emboldening.
bool MatchFace(const SystemFontRequest& request, std::string* file, int* index, bool* embolden, bool* italicFace) {
  FcPattern* pattern = FcPatternCreate();
  if (!pattern) return false;
  char face[sizeof request.face];
  std::memcpy(face, request.face, sizeof face);
  face[sizeof face - 1] = 0;
  if (face[0]) FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(face));
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>("sans-serif"));
  FcPatternAddInteger(pattern, FC_WEIGHT, FontconfigWeight(request.weight));
  FcPatternAddInteger(pattern, FC_SLANT, request.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  FcPatternDestroy(pattern);
  if (!match) return false;
  FcChar8* path = nullptr;
  int faceIndex = 0, slant = FC_SLANT_ROMAN;
  FcBool bold = FcFalse;
  const bool found = FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch && path;
  if (found) {
    *file = reinterpret_cast<const char*>(path);
    if (FcPatternGetInteger(match, FC_INDEX, 0, &faceIndex) != FcResultMatch) faceIndex = 0;
    if (FcPatternGetBool(match, FC_EMBOLDEN, 0, &bold) != FcResultMatch) bold = FcFalse;
    if (FcPatternGetInteger(match, FC_SLANT, 0, &slant) != FcResultMatch) slant = FC_SLANT_ROMAN;
    *index = faceIndex;
    *embolden = bold == FcTrue;
    *italicFace = slant != FC_SLANT_ROMAN;
  }
  FcPatternDestroy(match);
  return found;
}

bool SizeFace(FT_Face face, int height) {
  if (height < 0) return FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(-static_cast<long>(height))) == 0;
  // A positive height is the whole cell, ascent plus descent, as on Windows.
  FT_Size_RequestRec request = {};
  request.type = FT_SIZE_REQUEST_TYPE_REAL_DIM;
  request.height = static_cast<FT_Long>(height > 0 ? height : 16) * 64;
  return FT_Request_Size(face, &request) == 0;
}

PosixFont* AsFont(FontHandle handle) { return static_cast<PosixFont*>(handle); }

// Loads the glyph of code into the face's slot as a rendered bitmap.
bool RenderGlyphSlot(PosixFont* font, int code) {
  FT_Face face = font->face;
  const FT_UInt index = FT_Get_Char_Index(face, static_cast<FT_ULong>(code));
  if (FT_Load_Glyph(face, index, font->loadFlags) != 0) return false;
  if (font->embolden) FT_GlyphSlot_Embolden(face->glyph);
  if (font->oblique) FT_GlyphSlot_Oblique(face->glyph);
  const FT_Render_Mode mode = font->monochrome ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL;
  return FT_Render_Glyph(face->glyph, mode) == 0;
}

}  // namespace

FontHandle CreateSystemFont(const SystemFontRequest& request) {
  std::lock_guard<std::mutex> guard(LibraryLock());
  FT_Library library = Library();
  if (!library) return nullptr;
  std::string file;
  int index = 0;
  bool embolden = false, italicFace = false;
  if (!MatchFace(request, &file, &index, &embolden, &italicFace)) return nullptr;
  FT_Face face = nullptr;
  if (FT_New_Face(library, file.c_str(), index, &face) != 0) return nullptr;
  if (!SizeFace(face, request.height)) {
    FT_Done_Face(face);
    return nullptr;
  }
  PosixFont* font = new (std::nothrow) PosixFont;
  if (!font) {
    FT_Done_Face(face);
    return nullptr;
  }
  font->face = face;
  const FT_Size_Metrics& metrics = face->size->metrics;
  font->ascent = static_cast<int>((metrics.ascender + 63) >> 6);
  font->lineHeight = font->ascent + static_cast<int>((-metrics.descender + 63) >> 6);
  const int quality = request.quality;
  font->monochrome = !(quality == 0 || quality == 2 || quality == 3);
  font->loadFlags = font->monochrome ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_NORMAL;
  font->embolden = embolden;
  font->oblique = request.italic && !italicFace;
  return font;
}

void DeleteSystemFont(FontHandle handle) {
  PosixFont* font = AsFont(handle);
  if (!font) return;
  {
    std::lock_guard<std::mutex> guard(LibraryLock());
    FT_Done_Face(font->face);
  }
  delete font;
}

namespace fontplatform {

const bool kHasNativeText = false;

void PrepareGlyphScratch(SysBitmap&) {}

int LineHeight(FontHandle handle, SysBitmap&) {
  PosixFont* font = AsFont(handle);
  return font ? font->lineHeight : 0;
}

void MeasureCharacter(FontHandle handle, SysBitmap&, int code, int* advance, int* height) {
  *advance = 0;
  *height = 0;
  PosixFont* font = AsFont(handle);
  if (!font) return;
  FT_Face face = font->face;
  const FT_UInt index = FT_Get_Char_Index(face, static_cast<FT_ULong>(code));
  if (FT_Load_Glyph(face, index, font->loadFlags) != 0) return;
  if (font->embolden) FT_GlyphSlot_Embolden(face->glyph);
  *advance = static_cast<int>((face->glyph->advance.x + 32) >> 6);
  *height = font->lineHeight;
}

void DrawCharacter(FontHandle handle, SysBitmap& scratch, int code, int left) {
  PosixFont* font = AsFont(handle);
  if (!font || !scratch.PixelData() || !RenderGlyphSlot(font, code)) return;
  const FT_GlyphSlot slot = font->face->glyph;
  const FT_Bitmap& map = slot->bitmap;
  const int originX = left + slot->bitmap_left;
  const int originY = font->ascent - slot->bitmap_top;
  const int width = scratch.Width(), height = scratch.Height();
  for (int row = 0; row < static_cast<int>(map.rows); ++row) {
    const int y = originY + row;
    if (y < 0 || y >= height) continue;
    const unsigned char* source = map.buffer + static_cast<ptrdiff_t>(row) * map.pitch;
    Pixel* target = scratch.Row(y);
    for (int column = 0; column < static_cast<int>(map.width); ++column) {
      const int x = originX + column;
      if (x < 0 || x >= width) continue;
      int value;
      if (map.pixel_mode == FT_PIXEL_MODE_MONO) {
        value = (source[column >> 3] & (0x80 >> (column & 7))) ? 255 : 0;
      } else {
        value = source[column];
      }
      // White ink over black: the brighter of what is there and the glyph.
      const Pixel old = target[x];
      const int level = std::max(value, static_cast<int>((old >> 16) & 0xFF));
      target[x] = (old & 0xFF000000) | static_cast<Pixel>(level) * 0x010101;
    }
  }
}

bool UnderWine() { return false; }

int WineIndicator() { return 0; }

int DrawTextNative(const NativeTextRequest&) { return 0; }

}  // namespace fontplatform

}  // namespace veltrax
