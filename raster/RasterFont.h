#pragma once
// UTF-8 text on raster bitmaps. CachedFont renders every character once
// through the platform's rasteriser (white on black into a shared scratch
// bitmap), keeps its 8-bit coverage, and blends the text colour through it.
// On Windows simple opaque text may instead be drawn natively by GDI.
//
// [editor threads, one at a time] No locking here: the scratch bitmaps are
// shared by every font of the process, so the caller serialises all use of
// fonts (the editor holds one process-wide lock while it measures or draws).

#include <cstdint>

#include "RasterBitmap.h"
#include "GrowBuffer.h"

namespace veltrax {

// Font flags (SetGdiFont).
enum FontFlags : int {
  FontVertical = 0x1,      // glyphs rotated 90 degrees clockwise; text runs downward
  FontVerticalUp = 0x2,    // with FontVertical: counter-clockwise; text runs upward
  FontAsciiOnly = 0x4,     // 0..127 rendered when attached; nothing above is cached
  FontSoften = 0x10,       // glyphs smoothed before capture
  FontInverted = 0x20,     // coverage stored as 255 - value
  FontMono = 0x40,         // coverage thresholded (above 130: 255, else 0)
  FontShadow = 0x80,       // thresholded, halo right, below and below-right
  FontOutline = 0x100,     // thresholded, halo on the four sides
  FontOwnsHandle = 0x200,  // the font deletes its handle when replaced or destroyed
  FontNativeGdi = 0x400,   // native drawing allowed
};

// Format flags of RenderText: the DrawText bits used here plus two of our own.
enum TextFormat : uint32_t {
  TextCentre = 0x1,
  TextRight = 0x2,
  TextVerticalCentre = 0x4,
  TextBottom = 0x8,
  TextSingleLine = 0x20,
  TextNoClip = 0x100,
  TextMeasure = 0x400,
  TextNoPrefix = 0x800,
  TextUseColorAlpha = 0x40000000,  // opacity times the ink colour's alpha / 255; not native
  TextNoNative = 0x80000000,       // never native
};

struct GlyphRecord {
  int storePosition;  // 1 + offset in the glyph store; 0 not rendered yet; -1 nothing to draw
  int width;
  int height;
  int advance;
  int code;
  int bearing;  // how far before the pen the coverage map starts
};

// One character of UTF-8 text: its code (16 bits; characters beyond are a
// space) and the number of bytes it used. Never reads past available bytes.
struct DecodedChar {
  int code;
  int length;
};
DecodedChar DecodeUtf8(const unsigned char* bytes, int available);

class RasterFont {
 public:
  virtual ~RasterFont() = default;
  virtual void SetGdiFont(FontHandle handle, int flags) = 0;
  virtual Pixel SetInkColor(Pixel colour) = 0;
  virtual Pixel SetBackColor(Pixel colour) = 0;
  virtual Pixel SetHaloColor(Pixel colour) = 0;
  virtual int SetBackMode(int mode) = 0;
  virtual void SetBlend(int mode, float opacity) = 0;
  // Draws, or with TextMeasure measures into rect, length bytes of text (-1:
  // up to the terminating zero). Answers the drawn height (width for
  // vertical fonts).
  virtual int RenderText(RasterBitmap* bitmap, const char* text, int length, Rect* rect, uint32_t format) = 0;
  virtual Pixel InkColor() const = 0;
  virtual FontHandle GdiFont() const = 0;
  virtual int LineHeight() const = 0;
};

class CachedFont : public RasterFont {
 public:
  CachedFont();
  ~CachedFont() override;
  CachedFont(const CachedFont&) = delete;
  CachedFont& operator=(const CachedFont&) = delete;

  void SetGdiFont(FontHandle handle, int flags) override;
  Pixel SetInkColor(Pixel colour) override;
  Pixel SetBackColor(Pixel colour) override;
  Pixel SetHaloColor(Pixel colour) override;
  int SetBackMode(int mode) override;
  void SetBlend(int mode, float opacity) override;
  int RenderText(RasterBitmap* bitmap, const char* text, int length, Rect* rect, uint32_t format) override;
  Pixel InkColor() const override { return inkColor; }
  FontHandle GdiFont() const override { return gdiFont; }
  int LineHeight() const override { return lineHeight; }
  // Blends one cached glyph with its pen at (x, y); false when it is absent
  // or falls outside clip.
  virtual bool RenderGlyph(RasterBitmap* bitmap, uint16_t code, int x, int y, const Rect& clip);

  // The glyph's record (rendered or not), or none for an uncached code >= 128.
  const GlyphRecord* FindGlyph(int code) const;
  // Renders the glyph into the cache; false when it cannot be cached.
  bool CacheGlyph(int code);
  // The coverage map of a rendered record (width x height bytes), or none.
  const uint8_t* GlyphCoverage(const GlyphRecord& record) const;

  // The process-wide state shared by all fonts (tests and diagnostics).
  static int LiveFontCount();
  static SysBitmap* GlyphScratch();
  static SysBitmap* TextScratch();

 private:
  GlyphRecord* FindRecord(int code);
  GlyphRecord* InsertRecord(int code);
  int ExtendedCount() const;
  void ClearCache();
  bool CaptureGlyph(GlyphRecord* record, int boxWidth, int boxHeight, int advance, int leftOffset);
  const GlyphRecord* CachedGlyph(int code);  // the record for `code`, cached on demand
  bool GlyphIsDrawable(const GlyphRecord& record) const;
  int MeasureCached(const char* text, int length, Rect* rect, uint32_t format);
  int DrawCached(RasterBitmap* bitmap, const char* text, int length, Rect* rect, uint32_t format, bool noNative);

  Pixel inkColor = 0;
  Pixel backColor = 0xFFFFFFFF;
  Pixel haloColor = 0xFFFFFFFF;
  int backMode = 1;
  int blendMode = BlendCopy;
  float blendOpacity = 1.0f;
  int fontFlags = 0;
  int lineHeight = 0;
  int extraLineSpacing = 0;
  GlyphRecord fixedGlyphs[128] = {};
  GrowBuffer extendedGlyphs{4096};
  GrowBuffer glyphStore{65536};
  FontHandle gdiFont = nullptr;
};

}  // namespace veltrax
