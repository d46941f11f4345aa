#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

#include "Blit.h"
#include "FontPlatform.h"
#include "RasterFont.h"
#include "SystemFont.h"

namespace veltrax {

namespace {

// Shared by every font of the process; [editor threads, serialised by the caller].
SysBitmap* glyphScratch = nullptr;
SysBitmap* textScratch = nullptr;
int liveFonts = 0;

constexpr int kLargestCachedLineHeight = 1023;
constexpr int kNativeOnlyLineHeight = 256;
constexpr int kScratchMinimum = 256;
// Font flags that need the cached path: vertical, ASCII-only, soften,
// inverted, mono, shadow, outline.
constexpr int kCacheOnlyFlags = 0x1F7;
constexpr uint32_t kAlignmentBits = TextCentre | TextRight | TextVerticalCentre | TextBottom;
constexpr int kThreshold = 130;

SysBitmap* AcquireGlyphScratch() {
  if (!glyphScratch) glyphScratch = new (std::nothrow) SysBitmap(0, 0);
  return glyphScratch;
}

bool IsContinuation(unsigned char c) { return c >= 0x80 && c <= 0xBF; }

struct ClipBox {
  int64_t left, top, right, bottom;
  bool Empty() const { return right <= left || bottom <= top; }
};

// One glyph pixel under weight w and source colour s; the alpha channel's
// source value is 255.
inline Pixel BlendGlyphPixel(Pixel d, Pixel s, int w, int mode) {
  auto channel = [](Pixel p, int c) { return static_cast<int>((p >> (8 * c)) & 0xFF); };
  auto clamp = [](int x) { return x < 0 ? 0 : (x > 255 ? 255 : x); };
  auto dodge = [](int dc, int k) { return std::min(k > 254 ? dc * 256 : dc * 256 / (256 - k), 255); };
  auto overlay = [clamp](int dc, int weight) { return clamp(((((32768 - weight) * dc / 256) + weight) * dc) >> 15); };
  int out[4];
  const int da = channel(d, 3);
  switch (mode) {
    case BlendCopy:
      for (int c = 0; c < 3; ++c) out[c] = channel(s, c) + (channel(d, c) - channel(s, c)) * (256 - w) / 256;
      out[3] = 255 - (255 - da) * (256 - w) / 256;
      break;
    case BlendAdd:
      for (int c = 0; c < 3; ++c) out[c] = clamp(channel(d, c) + w * channel(s, c) / 256);
      out[3] = clamp(da + 255 * w / 256);
      break;
    case BlendDodge:
      for (int c = 0; c < 3; ++c) out[c] = dodge(channel(d, c), w * channel(s, c) / 256);
      out[3] = dodge(da, 255 * w / 256);
      break;
    case BlendMultiply:
      for (int c = 0; c < 3; ++c) out[c] = ((w * channel(s, c) + (256 - w) * 256) * channel(d, c)) >> 16;
      out[3] = ((w * 255 + (256 - w) * 256) * da) >> 16;
      break;
    case BlendOverlay:
      for (int c = 0; c < 3; ++c) out[c] = overlay(channel(d, c), channel(s, c) * w + (256 - w) * 128);
      out[3] = overlay(da, 255 * w + (256 - w) * 128);
      break;
    case BlendHsvAdjust:
      return HsvAdjustPixel(d, channel(s, 2), channel(s, 1), channel(s, 0), w, 255);
    default:
      return d;
  }
  return static_cast<Pixel>(static_cast<uint8_t>(out[0])) | static_cast<Pixel>(static_cast<uint8_t>(out[1])) << 8 |
         static_cast<Pixel>(static_cast<uint8_t>(out[2])) << 16 | static_cast<Pixel>(static_cast<uint8_t>(out[3])) << 24;
}

// Rotates a width x height map by 90 degrees into out (height x width).
void RotateMap(const uint8_t* in, uint8_t* out, int width, int height, bool clockwise) {
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const int newX = clockwise ? height - 1 - y : y;
      const int newY = clockwise ? x : width - 1 - x;
      out[newY * height + newX] = in[y * width + x];
    }
  }
}

// Text length in bytes: up to the terminating zero, and never past length.
int TextLength(const char* text, int length) {
  if (length < 0) return static_cast<int>(std::min<size_t>(std::strlen(text), INT32_MAX));
  const void* end = std::memchr(text, 0, static_cast<size_t>(length));
  return end ? static_cast<int>(static_cast<const char*>(end) - text) : length;
}

int ClampToInt(int64_t value) {
  return static_cast<int>(std::max<int64_t>(INT32_MIN, std::min<int64_t>(INT32_MAX, value)));
}

constexpr int kSkippedChar = -1;  // a carriage return
constexpr int kNewLine = -2;

// The character at bytes[*i] for the cached text paths, moving *i past it:
// carriage returns are skipped; a line feed starts a new line, or is a space
// on a single line.
int NextTextCode(const unsigned char* bytes, int length, int* i, bool singleLine) {
  const DecodedChar decoded = DecodeUtf8(bytes + *i, length - *i);
  *i += decoded.length;
  if (decoded.code == 13) return kSkippedChar;
  if (decoded.code == 10) return singleLine ? 32 : kNewLine;
  return decoded.code;
}

}  // namespace

DecodedChar DecodeUtf8(const unsigned char* bytes, int available) {
  if (available < 1) return {0, 0};
  const unsigned char a = bytes[0];
  if (a >= 0xC2 && a <= 0xDF && available >= 2 && IsContinuation(bytes[1])) {
    return {((a & 0x1F) << 6) | (bytes[1] & 0x3F), 2};
  }
  if (a >= 0xE0 && a <= 0xEF && available >= 3 && IsContinuation(bytes[1]) && IsContinuation(bytes[2])) {
    return {((a & 0x0F) << 12) | ((bytes[1] & 0x3F) << 6) | (bytes[2] & 0x3F), 3};
  }
  if (a >= 0xF0 && a <= 0xF4 && available >= 4 && IsContinuation(bytes[1]) && IsContinuation(bytes[2]) &&
      IsContinuation(bytes[3])) {
    return {32, 4};  // beyond 16 bits: drawn as a space
  }
  return {a, 1};
}

SysBitmap* AcquireTextScratch(int width, int height) {
  if (!textScratch) textScratch = new (std::nothrow) SysBitmap(0, 0);
  if (!textScratch) return nullptr;
  if (textScratch->Width() < width || textScratch->Height() < height) {
    textScratch->SetSize(std::max(width, textScratch->Width()), std::max(height, textScratch->Height()));
  }
  return textScratch->PixelData() ? textScratch : nullptr;
}

int CachedFont::LiveFontCount() { return liveFonts; }
SysBitmap* CachedFont::GlyphScratch() { return glyphScratch; }
SysBitmap* CachedFont::TextScratch() { return textScratch; }

CachedFont::CachedFont() { ++liveFonts; }

CachedFont::~CachedFont() {
  if ((fontFlags & FontOwnsHandle) && gdiFont) DeleteSystemFont(gdiFont);
  if (--liveFonts == 0) {
    delete glyphScratch;
    glyphScratch = nullptr;
    delete textScratch;
    textScratch = nullptr;
  }
}

void CachedFont::SetGdiFont(FontHandle handle, int flags) {
  if ((fontFlags & FontOwnsHandle) && gdiFont && gdiFont != handle) DeleteSystemFont(gdiFont);
  fontFlags = flags;
  gdiFont = handle;
  if (handle) {
    SysBitmap* scratch = AcquireGlyphScratch();
    if (scratch) {
      if (scratch->Width() < kScratchMinimum || scratch->Height() < kScratchMinimum) {
        scratch->SetSize(kScratchMinimum, kScratchMinimum);
        fontplatform::PrepareGlyphScratch(*scratch);
      }
      lineHeight = fontplatform::LineHeight(handle, *scratch);
    }
  }
  ClearCache();
  if (fontFlags & FontAsciiOnly) {
    for (int code = 0; code < 128; ++code) CacheGlyph(code);
  }
}

void CachedFont::ClearCache() {
  std::memset(fixedGlyphs, 0, sizeof fixedGlyphs);
  extendedGlyphs.Resize(0);
  glyphStore.Resize(0);
}

Pixel CachedFont::SetInkColor(Pixel colour) { return std::exchange(inkColor, colour); }
Pixel CachedFont::SetBackColor(Pixel colour) { return std::exchange(backColor, colour); }
Pixel CachedFont::SetHaloColor(Pixel colour) { return std::exchange(haloColor, colour); }
int CachedFont::SetBackMode(int mode) { return std::exchange(backMode, mode); }

void CachedFont::SetBlend(int mode, float opacity) {
  blendMode = mode;
  blendOpacity = opacity;
}

int CachedFont::ExtendedCount() const { return extendedGlyphs.Size() / static_cast<int>(sizeof(GlyphRecord)); }

GlyphRecord* CachedFont::FindRecord(int code) {
  if (code < 0) return nullptr;
  if (code < 128) return &fixedGlyphs[code];
  GlyphRecord* records = static_cast<GlyphRecord*>(extendedGlyphs.Data());
  int low = 0, high = ExtendedCount() - 1;
  while (low <= high) {
    const int middle = low + (high - low) / 2;
    if (records[middle].code == code) return &records[middle];
    if (records[middle].code < code) {
      low = middle + 1;
    } else {
      high = middle - 1;
    }
  }
  return nullptr;
}

const GlyphRecord* CachedFont::FindGlyph(int code) const { return const_cast<CachedFont*>(this)->FindRecord(code); }

// Adds a zeroed record for code where the sorted order wants it.
GlyphRecord* CachedFont::InsertRecord(int code) {
  const int count = ExtendedCount();
  const GlyphRecord fresh = {0, 0, 0, 0, code, 0};
  if (!extendedGlyphs.Append(&fresh, static_cast<int32_t>(sizeof fresh))) return nullptr;
  GlyphRecord* records = static_cast<GlyphRecord*>(extendedGlyphs.Data());
  int position = count;
  while (position > 0 && records[position - 1].code > code) --position;
  std::memmove(&records[position + 1], &records[position], sizeof(GlyphRecord) * static_cast<size_t>(count - position));
  records[position] = fresh;
  return &records[position];
}

const uint8_t* CachedFont::GlyphCoverage(const GlyphRecord& record) const {
  return GlyphIsDrawable(record) ? glyphStore.Bytes() + record.storePosition - 1 : nullptr;
}

// Rendered into the cache on first use; none for a character the font leaves
// out (beyond ASCII on an ASCII-only font). [editor thread]
const GlyphRecord* CachedFont::CachedGlyph(int code) {
  if ((fontFlags & FontAsciiOnly) && code >= 128) return nullptr;
  const GlyphRecord* record = FindGlyph(code);
  if (!record || record->storePosition == 0) {
    CacheGlyph(code);
    record = FindGlyph(code);
  }
  return record;
}

bool CachedFont::GlyphIsDrawable(const GlyphRecord& record) const {
  if (record.storePosition <= 0 || record.width < 1 || record.height < 1) return false;
  const int64_t end = static_cast<int64_t>(record.storePosition) - 1 + static_cast<int64_t>(record.width) * record.height;
  return end <= glyphStore.Size();
}

bool CachedFont::CacheGlyph(int code) {
  if (lineHeight > kLargestCachedLineHeight || code < 0 || code > 0xFFFF) return false;
  GlyphRecord* record = FindRecord(code);
  if (!record) {
    if (fontFlags & FontAsciiOnly) return false;
    record = InsertRecord(code);
    if (!record) return false;
  }
  record->code = code;
  SysBitmap* scratch = AcquireGlyphScratch();
  if (!scratch) return false;
  const int f = 2 * std::max(lineHeight, 1) + 8;
  if (scratch->Width() < f || scratch->Height() < f) {
    scratch->SetSize(f, f);
    fontplatform::PrepareGlyphScratch(*scratch);
  }
  if (!scratch->PixelData()) return false;

  const int margin = lineHeight < 16 ? 0 : lineHeight / 16;
  const int leftOffset = margin + 2;
  int advance = 0, boxHeight = 0;
  fontplatform::MeasureCharacter(gdiFont, *scratch, code, &advance, &boxHeight);
  int boxWidth = advance + 2 * margin + 4;
  FillRectangle(scratch, 0, 0, boxWidth, boxHeight, 0, 1.0f, BlendCopy);
  fontplatform::DrawCharacter(gdiFont, *scratch, code, leftOffset);
  advance = std::min(advance, scratch->Width());
  boxWidth = std::min(boxWidth, scratch->Width());
  boxHeight = std::min(boxHeight, scratch->Height());

  if (advance < 1 || boxHeight < 1) {
    *record = {-1, 0, 0, 0, code, 0};
    return true;
  }
  if (fontFlags & FontSoften) SoftenRegion(scratch, boxWidth, boxHeight);
  if (!CaptureGlyph(record, boxWidth, boxHeight, advance, leftOffset)) *record = {-1, 0, 0, 0, code, 0};
  return true;
}

// Copies the scratch box into the glyph store, crops it to its ink and
// applies the font's rotation and threshold effects.
bool CachedFont::CaptureGlyph(GlyphRecord* record, int boxWidth, int boxHeight, int advance, int leftOffset) {
  const int base = glyphStore.Size();
  const int bytes = boxWidth * boxHeight;
  if (bytes > INT32_MAX - base) return false;
  if (!glyphStore.Resize(base + bytes, false) || glyphStore.Size() != base + bytes) return false;
  uint8_t* map = glyphStore.Bytes() + base;
  const bool inverted = fontFlags & FontInverted;
  int cropLeft = leftOffset;
  int rightEdge = advance + leftOffset;
  for (int y = 0; y < boxHeight; ++y) {
    const Pixel* row = glyphScratch->Row(y);
    for (int x = 0; x < boxWidth; ++x) {
      const int red = static_cast<int>((row[x] >> 16) & 0xFF);
      map[y * boxWidth + x] = static_cast<uint8_t>(inverted ? 255 - red : red);
      if (red) {
        if (x < cropLeft) cropLeft = x;
        if (x >= rightEdge) rightEdge = x + 1;
      }
    }
  }
  int width = boxWidth, height = boxHeight;
  if (rightEdge < width || cropLeft > 0) {
    const int cropped = rightEdge - cropLeft;
    for (int y = 0; y < height; ++y) std::memmove(map + y * cropped, map + y * width + cropLeft, cropped);
    width = cropped;
    glyphStore.Resize(base + width * height, false);
    map = glyphStore.Bytes() + base;
  }
  if (fontFlags & FontVertical) {
    uint8_t* rotated = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(width) * height));
    if (!rotated) {
      glyphStore.Resize(base, false);
      return false;
    }
    RotateMap(map, rotated, width, height, !(fontFlags & FontVerticalUp));
    std::memcpy(map, rotated, static_cast<size_t>(width) * height);
    std::free(rotated);
    std::swap(width, height);
  }
  const int count = width * height;
  if (fontFlags & (FontMono | FontShadow | FontOutline)) {
    for (int i = 0; i < count; ++i) map[i] = map[i] > kThreshold ? 255 : 0;
  }
  auto inked = [map, width, height](int x, int y) {
    return x >= 0 && y >= 0 && x < width && y < height && map[y * width + x] == 255;
  };
  if (fontFlags & FontShadow) {
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        if (map[y * width + x] == 0 && (inked(x - 1, y) || inked(x - 1, y - 1) || inked(x, y - 1))) {
          map[y * width + x] = 128;
        }
      }
    }
  } else if (fontFlags & FontOutline) {
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        if (map[y * width + x] == 0 &&
            (inked(x, y - 1) || inked(x, y + 1) || inked(x - 1, y) || inked(x + 1, y))) {
          map[y * width + x] = 128;
        }
      }
    }
  }
  record->storePosition = base + 1;
  record->width = width;
  record->height = height;
  record->advance = advance;
  record->bearing = leftOffset - cropLeft;
  return true;
}

bool CachedFont::RenderGlyph(RasterBitmap* bitmap, uint16_t code, int x, int y, const Rect& clip) {
  const GlyphRecord* record = FindGlyph(code);
  if (!record || !bitmap || !GlyphIsDrawable(*record)) return false;
  int64_t penX = x, penY = y;
  if (!(fontFlags & FontVertical)) {
    penX -= record->bearing;
  } else if (fontFlags & FontVerticalUp) {
    penY -= record->bearing;
  } else {
    penY += record->bearing;
  }
  ClipBox box = {penX, penY, penX + record->width, penY + record->height};
  box.left = std::max<int64_t>({box.left, clip.left, 0});
  box.top = std::max<int64_t>({box.top, clip.top, 0});
  box.right = std::min<int64_t>({box.right, clip.right, bitmap->Width()});
  box.bottom = std::min<int64_t>({box.bottom, clip.bottom, bitmap->Height()});
  if (box.Empty() || !bitmap->PixelData()) return false;

  if (backMode == 2) {
    FillRectangle(bitmap, static_cast<int>(box.left), static_cast<int>(box.top), static_cast<int>(box.right - box.left),
                  static_cast<int>(box.bottom - box.top), backColor, blendOpacity, blendMode & ~BlendUseSourceAlpha);
  }
  const int ia = OpacityWeight(blendOpacity);
  const int mode = blendMode & 0xFF;
  if (mode > BlendHsvAdjust) return true;
  const bool plainCopy = blendOpacity == 1.0f && mode == BlendCopy;
  const bool mono = fontFlags & FontMono;
  const bool halo = fontFlags & (FontShadow | FontOutline);
  const int fullWeight = std::min(ia, 256);
  const uint8_t* map = GlyphCoverage(*record);
  for (int64_t row = box.top; row < box.bottom; ++row) {
    const uint8_t* coverage = map + (row - penY) * record->width - penX;
    Pixel* out = bitmap->Row(static_cast<int>(row));
    for (int64_t column = box.left; column < box.right; ++column) {
      const int v = coverage[column];
      if (v == 0) continue;
      Pixel source = inkColor;
      int w;
      if (mono) {
        if (plainCopy) {
          out[column] = inkColor;
          continue;
        }
        w = fullWeight;
      } else if (halo) {
        if (v != 255) source = haloColor;
        if (plainCopy) {
          out[column] = source;
          continue;
        }
        w = fullWeight;
      } else {
        w = ia == 256 ? v + 1 : std::min(ia * v / 256, 256);
      }
      if (w == 0 || (mode == BlendCopy && w < 0)) continue;
      out[column] = BlendGlyphPixel(out[column], source, w, mode);
    }
  }
  return true;
}

int CachedFont::RenderText(RasterBitmap* bitmap, const char* text, int length, Rect* rect, uint32_t format) {
  if (!text || !rect) return 0;
  if (!bitmap && !(format & TextMeasure)) return 0;
  const bool noNative = format & TextNoNative;
  format &= ~static_cast<uint32_t>(TextNoNative);
  length = TextLength(text, length);

  bool native = false;
  if (fontplatform::kHasNativeText && !(bitmap && bitmap->ExtensionCall(0x59555678, 0) != 0)) {
    native = (fontFlags & FontNativeGdi) && gdiFont && !noNative && !(format & TextUseColorAlpha) &&
             !(fontFlags & kCacheOnlyFlags) && (extraLineSpacing == 0 || (format & TextSingleLine)) &&
             !fontplatform::UnderWine();
    if (lineHeight >= kNativeOnlyLineHeight) native = true;
  }
  if (native) {
    const fontplatform::NativeTextRequest request = {gdiFont, inkColor, backColor, backMode, blendOpacity,
                                                    lineHeight, bitmap, text, length, rect, format};
    return fontplatform::DrawTextNative(request);
  }
  if (format & TextMeasure) return MeasureCached(text, length, rect, format);
  return DrawCached(bitmap, text, length, rect, format, noNative);
}

int CachedFont::MeasureCached(const char* text, int length, Rect* rect, uint32_t format) {
  const bool vertical = fontFlags & FontVertical;
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text);
  int64_t along = 0, across = 0;          // pen along the text and across its lines
  int64_t alongExtent = 0, acrossExtent = 0;
  for (int i = 0; i < length;) {
    const int code = NextTextCode(bytes, length, &i, (format & TextSingleLine) != 0);
    if (code == kSkippedChar) continue;
    if (code == kNewLine) {
      along = 0;
      across += lineHeight + extraLineSpacing;
      continue;
    }
    const GlyphRecord* record = CachedGlyph(code);
    if (!record || record->storePosition <= 0) continue;
    const int thickness = vertical ? record->width : record->height;
    const int extent = vertical ? record->height : record->width;
    alongExtent = std::max({alongExtent, along + record->advance, along + extent - record->bearing});
    acrossExtent = std::max(acrossExtent, across + thickness);
    along += record->advance;
  }
  const int64_t width = vertical ? acrossExtent : alongExtent;
  const int64_t height = vertical ? alongExtent : acrossExtent;
  rect->right = ClampToInt(rect->left + width);
  rect->bottom = ClampToInt(rect->top + height);
  return ClampToInt(vertical ? width : height);
}

int CachedFont::DrawCached(RasterBitmap* bitmap, const char* text, int length, Rect* rect, uint32_t format,
                           bool noNative) {
  const float storedOpacity = blendOpacity;
  float opacity = storedOpacity;
  if (format & TextUseColorAlpha) opacity = static_cast<float>(opacity * (static_cast<double>(inkColor >> 24) / 255.0));
  if (opacity == 0.0f) return 0;

  const bool vertical = fontFlags & FontVertical;
  const bool upward = vertical && (fontFlags & FontVerticalUp);
  int64_t x = rect->left, y = rect->top;
  if ((format & kAlignmentBits) || upward) {
    Rect measured;
    RenderText(bitmap, text, length, &measured,
               TextMeasure | (format & TextSingleLine) | (noNative ? static_cast<uint32_t>(TextNoNative) : 0u));
    const int64_t width = static_cast<int64_t>(measured.right) - measured.left;
    const int64_t height = static_cast<int64_t>(measured.bottom) - measured.top;
    if (format & TextRight) {
      x = rect->right - width;
    } else if (format & TextCentre) {
      x = (static_cast<int64_t>(rect->left) + rect->right - width) / 2;
    }
    if (format & TextBottom) {
      y = rect->bottom - height;
    } else if (format & TextVerticalCentre) {
      y = (static_cast<int64_t>(rect->top) + rect->bottom - height) / 2;
    }
    if (upward) y += height;
  }

  Rect clip = {0, 0, bitmap->Width(), bitmap->Height()};
  if (!(format & TextNoClip)) {
    clip.left = std::max(rect->left, 0);
    clip.top = std::max(rect->top, 0);
    clip.right = std::min(rect->right, clip.right);
    clip.bottom = std::min(rect->bottom, clip.bottom);
  }
  if (clip.right <= clip.left || clip.bottom <= clip.top) return 0;

  blendOpacity = opacity;  // RenderGlyph and its background fill use it
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text);
  const int64_t startX = x, startY = y;
  int64_t rightExtent = x, bottomExtent = y;
  for (int i = 0; i < length;) {
    const int code = NextTextCode(bytes, length, &i, (format & TextSingleLine) != 0);
    if (code == kSkippedChar) continue;
    if (code == kNewLine) {
      if (vertical) {
        y = startY;
        x += lineHeight + extraLineSpacing;
      } else {
        x = startX;
        y += lineHeight + extraLineSpacing;
      }
      continue;
    }
    const GlyphRecord* record = CachedGlyph(code);
    if (!record || !GlyphIsDrawable(*record)) continue;
    const int glyphWidth = record->width, glyphHeight = record->height, advance = record->advance;
    if (upward) y -= glyphHeight;
    bool drawn = false;
    if (x > INT32_MIN && x < INT32_MAX && y > INT32_MIN && y < INT32_MAX) {
      drawn = RenderGlyph(bitmap, static_cast<uint16_t>(code), static_cast<int>(x), static_cast<int>(y), clip);
    }
    if (!vertical) {
      x += advance;
      if (drawn) bottomExtent = std::max(bottomExtent, y + glyphHeight);
    } else {
      y += upward ? glyphHeight - advance : advance;
      if (drawn) rightExtent = std::max(rightExtent, x + glyphWidth);
    }
  }
  blendOpacity = storedOpacity;
  return ClampToInt(vertical ? rightExtent - startX : bottomExtent - startY);
}

}  // namespace veltrax
