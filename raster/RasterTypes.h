#pragma once
// Shared vocabulary of the raster layer: the pixel word, rectangles, blend
// modes and the opaque handles of the platform's drawing objects.

#include <cstdint>

namespace veltrax {

// 0xAARRGGBB with straight (not premultiplied) alpha; in memory the bytes are
// blue, green, red, alpha.
using Pixel = uint32_t;

// Platform objects seen through opaque handles, so that portable code never
// needs the platform's headers. On Windows they hold an HDC, HBITMAP, HFONT and
// HINSTANCE; on Linux only FontHandle is used (a FreeType face of our own).
using DeviceContextHandle = void*;
using BitmapHandle = void*;
using FontHandle = void*;
using ModuleHandle = void*;

// Left, top, right, bottom; right and bottom are exclusive.
struct Rect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
};

// Modes of Blit and FillRectangle. Only the low byte and BlendUseSourceAlpha
// are examined.
enum BlendMode : int {
  BlendCopy = 0,
  BlendAdd = 1,
  BlendDodge = 2,
  BlendMultiply = 3,
  BlendOverlay = 4,
  BlendHsvAdjust = 5,
  BlendUseSourceAlpha = 0x10000,
  // 0xF0..0xFF: destination byte ((mode >> 2) & 3) = source byte (mode & 3).
  BlendChannelCopy = 0xF0,
};

// A BlendChannelCopy mode copying source byte `from` into destination byte
// `to` (0 blue, 1 green, 2 red, 3 alpha).
constexpr int ChannelCopyMode(int from, int to) { return BlendChannelCopy | ((to & 3) << 2) | (from & 3); }

}  // namespace veltrax
