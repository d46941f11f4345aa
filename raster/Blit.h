#pragma once
// The raster operations: blend-mode blits, rectangle fills and the smoothing
// filter of the text renderer. All blending is integer arithmetic on bytes
// with weights on a 0..256 scale, so results are identical on every platform.
//
// [editor thread] Bitmaps are used by one thread at a time; no locks.

#include <cstdint>

#include "RasterBitmap.h"

namespace veltrax {

// Copies the srcRect part of src (none: all of it) onto dest at (dstX, dstY)
// under mode and opacity alpha. Both rectangles are clipped; empty input,
// missing pixels and zero opacity draw nothing.
void Blit(RasterBitmap* dest, const RasterBitmap* src, int dstX, int dstY, const Rect* srcRect, float alpha, int mode);

// Blends colour over (x, y, w, h) of dest; with BlendUseSourceAlpha the
// colour's alpha byte scales the opacity.
void FillRectangle(RasterBitmap* dest, int x, int y, int w, int h, Pixel colour, float alpha, int mode);

// Smooths the region (0, 0)..(w, h) in place; every result is computed from
// the unsmoothed picture.
void SoftenRegion(RasterBitmap* bitmap, int w, int h);

// Entry i is floor(65536 / i) - 1; entry 0 is 0.
extern const uint16_t ReciprocalTable[256];

// Shifts the hue, saturation and value of destination pixel d by the source
// channels sR, sG, sB at weight w; the result's alpha byte is alpha's low byte.
Pixel HsvAdjustPixel(Pixel d, int sR, int sG, int sB, int w, int alpha);
// Hue on a 0..383 scale (six sectors of 64), saturation and value 0..255.
Pixel HsvToPixel(int hue, int saturation, int value, int alpha);

// The integer weight trunc(alpha * 256) of an opacity. Opacities are held to
// -8..8 first so that no byte formula can overflow; NaN gives 0.
int OpacityWeight(float alpha);

}  // namespace veltrax
