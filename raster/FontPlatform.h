#pragma once
// What CachedFont needs of the platform's text system: the font's line
// height, one character rendered white on black into the glyph scratch
// bitmap, and (on Windows only) native drawing. Filled by win32/ and posix/.

#include <cstdint>

#include "RasterBitmap.h"

namespace veltrax {

namespace fontplatform {

// True where the platform can draw text natively (Windows).
extern const bool kHasNativeText;

// Gives the glyph scratch's drawing context white text on an opaque black
// background.
void PrepareGlyphScratch(SysBitmap& scratch);

// The font's cell height (ascent + descent).
int LineHeight(FontHandle font, SysBitmap& scratch);

// Advance and height of one character as a single line.
void MeasureCharacter(FontHandle font, SysBitmap& scratch, int code, int* advance, int* height);

// Draws one character white on black with its cell's left edge at x = left
// and top at 0; pixels outside the scratch are not touched.
void DrawCharacter(FontHandle font, SysBitmap& scratch, int code, int left);

// The Wine check of the native path: checked on first call, remembered for
// the life of the process.
bool UnderWine();
// -1 not yet determined, 0 no, 1 yes.
int WineIndicator();

struct NativeTextRequest {
  FontHandle font;
  Pixel inkColor;
  Pixel backColor;
  int backMode;
  float opacity;
  int lineHeight;
  RasterBitmap* bitmap;
  const char* text;
  int length;
  Rect* rect;
  uint32_t format;
};
int DrawTextNative(const NativeTextRequest& request);

}  // namespace fontplatform

// The process-wide scratch for native drawing onto bitmaps without a device
// context, created on first need and at least width x height (none when it
// cannot be had).
SysBitmap* AcquireTextScratch(int width, int height);

}  // namespace veltrax
