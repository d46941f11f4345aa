#include "Blit.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <cstring>

namespace veltrax {

namespace {

constexpr int kLargestWeight = 2048;

inline int Channel(Pixel p, int c) { return static_cast<int>((p >> (8 * c)) & 0xFF); }
inline int Clamp255(int x) { return x < 0 ? 0 : (x > 255 ? 255 : x); }
inline Pixel Byte(int x, int c) { return static_cast<Pixel>(static_cast<uint8_t>(x)) << (8 * c); }

// Applies f(d_c, s_c, c) to all four byte channels.
template <class F>
inline Pixel EachChannel(Pixel d, Pixel s, F f) {
  return Byte(f(Channel(d, 0), Channel(s, 0), 0), 0) | Byte(f(Channel(d, 1), Channel(s, 1), 1), 1) |
         Byte(f(Channel(d, 2), Channel(s, 2), 2), 2) | Byte(f(Channel(d, 3), Channel(s, 3), 3), 3);
}

// Blue, green and red through colour(d_c, s_c); alpha through alpha(d_A).
template <class C, class A>
inline Pixel ColourAndAlpha(Pixel d, Pixel s, C colour, A alpha) {
  return Byte(colour(Channel(d, 0), Channel(s, 0)), 0) | Byte(colour(Channel(d, 1), Channel(s, 1)), 1) |
         Byte(colour(Channel(d, 2), Channel(s, 2)), 2) | Byte(alpha(Channel(d, 3)), 3);
}

inline int Dodge(int d, int k) {
  const int x = k > 254 ? d * 256 : d * 256 / (256 - k);
  return std::min(x, 255);
}

inline int Multiply(int d, int factor) { return (factor * d) >> 16; }

inline int Overlay(int d, int w) { return Clamp255(((((32768 - w) * d / 256) + w) * d) >> 15); }

inline int Mix(int d, int s, int keep) { return s + (d - s) * keep / 256; }

// The clipped walk of a blit: row pointers and steps of both sides.
struct BlitWindow {
  Pixel* dest;
  const Pixel* src;
  ptrdiff_t destStep;
  ptrdiff_t srcStep;
  int columns;
  int rows;
};

template <class Op>
void ForEachPixel(const BlitWindow& w, Op op) {
  Pixel* d = w.dest;
  const Pixel* s = w.src;
  for (int y = 0; y < w.rows; ++y, d += w.destStep, s += w.srcStep) {
    for (int x = 0; x < w.columns; ++x) d[x] = op(d[x], s[x]);
  }
}

// Same, leaving destination pixels under fully transparent source pixels alone.
template <class Op>
void ForEachCoveredPixel(const BlitWindow& w, Op op) {
  Pixel* d = w.dest;
  const Pixel* s = w.src;
  for (int y = 0; y < w.rows; ++y, d += w.destStep, s += w.srcStep) {
    for (int x = 0; x < w.columns; ++x) {
      if (s[x] >> 24) d[x] = op(d[x], s[x]);
    }
  }
}

inline int SourceAlphaWeight(int ia, Pixel s) { return ia * (static_cast<int>(s >> 24) + 1) / 256; }

void BlendWeighted(const BlitWindow& w, int mode, int ia) {
  switch (mode) {
    case BlendCopy:
      if (ia < 0) return;
      if (ia == 256) {
        ForEachPixel(w, [](Pixel, Pixel s) { return s; });
      } else {
        const int keep = 256 - ia;
        ForEachPixel(w, [keep](Pixel d, Pixel s) {
          return EachChannel(d, s, [keep](int dc, int sc, int) { return Mix(dc, sc, keep); });
        });
      }
      return;
    case BlendAdd:
      ForEachPixel(w, [ia](Pixel d, Pixel s) {
        return EachChannel(d, s, [ia](int dc, int sc, int) { return Clamp255(dc + sc * ia / 256); });
      });
      return;
    case BlendDodge:
      ForEachPixel(w, [ia](Pixel d, Pixel s) {
        return EachChannel(d, s, [ia](int dc, int sc, int) { return Dodge(dc, sc * ia / 256); });
      });
      return;
    case BlendMultiply:
      ForEachPixel(w, [ia](Pixel d, Pixel s) {
        return EachChannel(d, s, [ia](int dc, int sc, int) { return Multiply(dc, ia * (sc - 256) + 65536); });
      });
      return;
    case BlendOverlay:
      ForEachPixel(w, [ia](Pixel d, Pixel s) {
        return EachChannel(d, s, [ia](int dc, int sc, int) { return Overlay(dc, ia * sc + (256 - ia) * 128); });
      });
      return;
    case BlendHsvAdjust:
      ForEachPixel(w, [ia](Pixel d, Pixel s) {
        return HsvAdjustPixel(d, Channel(s, 2), Channel(s, 1), Channel(s, 0), ia, static_cast<int>(s >> 24));
      });
      return;
    default:
      return;
  }
}

// The full-opacity copy that lands every editor image on the background:
// opaque pixels are written as they are, transparent ones skipped.
void CopyWithSourceAlpha(const BlitWindow& w) {
  ForEachCoveredPixel(w, [](Pixel d, Pixel s) {
    const int sa = static_cast<int>(s >> 24);
    if (sa == 255) return s;
    const int keep = 255 - sa;
    return ColourAndAlpha(
        d, s, [keep](int dc, int sc) { return Mix(dc, sc, keep); }, [sa](int da) { return std::min(255, da + sa); });
  });
}

void BlendWithSourceAlpha(const BlitWindow& w, int mode, int ia) {
  switch (mode) {
    case BlendCopy:
      // A negative weight would push every byte out of range; like the plain
      // copy it draws nothing.
      if (ia < 0) return;
      if (ia == 256) {
        CopyWithSourceAlpha(w);
        return;
      }
      ForEachCoveredPixel(w, [ia](Pixel d, Pixel s) {
        const int a = SourceAlphaWeight(ia, s);
        const int keep = 256 - a;
        return ColourAndAlpha(
            d, s, [keep](int dc, int sc) { return Mix(dc, sc, keep); }, [a](int da) { return std::min(255, da + a); });
      });
      return;
    case BlendAdd:
      ForEachCoveredPixel(w, [ia](Pixel d, Pixel s) {
        const int a = SourceAlphaWeight(ia, s);
        const int sa = static_cast<int>(s >> 24);
        return ColourAndAlpha(
            d, s, [a](int dc, int sc) { return Clamp255(dc + a * sc / 256); },
            [a, sa](int da) { return Clamp255(da + sa * a / 256); });
      });
      return;
    case BlendDodge:
      ForEachPixel(w, [ia](Pixel d, Pixel s) {
        const int a = SourceAlphaWeight(ia, s);
        const int sa = static_cast<int>(s >> 24);
        return ColourAndAlpha(
            d, s, [a](int dc, int sc) { return Dodge(dc, a * sc / 256); },
            [a, sa](int da) { return Dodge(da, sa * a / 256); });
      });
      return;
    case BlendMultiply:
      ForEachCoveredPixel(w, [ia](Pixel d, Pixel s) {
        const int a = SourceAlphaWeight(ia, s);
        const int sa = static_cast<int>(s >> 24);
        return ColourAndAlpha(
            d, s, [a](int dc, int sc) { return Multiply(dc, a * sc + (256 - a) * 256); },
            [a, sa](int da) { return Multiply(da, a * sa + (256 - a) * 256); });
      });
      return;
    case BlendOverlay:
      ForEachPixel(w, [ia](Pixel d, Pixel s) {
        const int a = SourceAlphaWeight(ia, s);
        const int sa = static_cast<int>(s >> 24);
        return ColourAndAlpha(
            d, s, [a](int dc, int sc) { return Overlay(dc, sc * a + (256 - a) * 128); },
            [a, sa](int da) { return Overlay(da, sa * a + (256 - a) * 128); });
      });
      return;
    case BlendHsvAdjust:
      ForEachPixel(w, [ia](Pixel d, Pixel s) {
        return HsvAdjustPixel(d, Channel(s, 2), Channel(s, 1), Channel(s, 0), SourceAlphaWeight(ia, s),
                              static_cast<int>(s >> 24));
      });
      return;
    default:
      return;
  }
}

constexpr uint16_t ReciprocalEntry(int i) { return i == 0 ? 0 : static_cast<uint16_t>(65536 / i - 1); }


}  // namespace

const uint16_t ReciprocalTable[256] = {
#define VELTRAX_R4(i) ReciprocalEntry(i), ReciprocalEntry(i + 1), ReciprocalEntry(i + 2), ReciprocalEntry(i + 3)
#define VELTRAX_R16(i) VELTRAX_R4(i), VELTRAX_R4(i + 4), VELTRAX_R4(i + 8), VELTRAX_R4(i + 12)
#define VELTRAX_R64(i) VELTRAX_R16(i), VELTRAX_R16(i + 16), VELTRAX_R16(i + 32), VELTRAX_R16(i + 48)
    VELTRAX_R64(0), VELTRAX_R64(64), VELTRAX_R64(128), VELTRAX_R64(192)
#undef VELTRAX_R64
#undef VELTRAX_R16
#undef VELTRAX_R4
};

int OpacityWeight(float alpha) {
  double weight = static_cast<double>(alpha) * 256.0;
  if (std::isnan(weight)) return 0;
  weight = std::max<double>(-kLargestWeight, std::min<double>(kLargestWeight, weight));
  return static_cast<int>(weight);
}

Pixel HsvToPixel(int hue, int saturation, int value, int alpha) {
  const int v = value;
  const int p = (256 - saturation) * v / 256;
  auto f = [v, saturation](int x) { return v * (16384 - x * saturation) / 16384; };
  int r, g, b;
  if (hue < 64) {
    r = v, g = f(64 - hue), b = p;
  } else if (hue < 128) {
    r = f(hue - 64), g = v, b = p;
  } else if (hue < 192) {
    r = p, g = v, b = f(192 - hue);
  } else if (hue < 256) {
    r = p, g = f(hue - 192), b = v;
  } else if (hue < 320) {
    r = f(320 - hue), g = p, b = v;
  } else {
    r = v, g = p, b = f(hue - 320);
  }
  return Byte(alpha, 3) | Byte(r, 2) | Byte(g, 1) | Byte(b, 0);
}

Pixel HsvAdjustPixel(Pixel d, int sR, int sG, int sB, int w, int alpha) {
  const int r = Channel(d, 2), g = Channel(d, 1), b = Channel(d, 0);
  int value, spread, numerator, base;
  if (r < g) {
    if (b < g) {
      value = g, spread = g - std::min(b, r), numerator = b - r, base = 128;
    } else {
      value = b, spread = b - r, numerator = r - g, base = 256;
    }
  } else if (b < r) {
    if (g < b) {
      value = r, spread = r - g, numerator = g - b, base = 383;
    } else {
      value = r, spread = r - b, numerator = g - b, base = 0;
    }
  } else {
    value = b, spread = b - std::min(g, r), numerator = r - g, base = 256;
  }
  int hue = base + numerator * (ReciprocalTable[spread] + 1) / 1024 + w * (sR / 2 + sR - 192) / 256;
  if (hue < 0) {
    hue += 384;
  } else if (hue >= 384) {
    hue -= 384;
  }
  const int saturation = Clamp255(spread * ReciprocalTable[value] / 256 + w * (sG - 128) / 128);
  const int newValue = Clamp255(value + w * (sB - 128) / 128);
  return HsvToPixel(hue, saturation, newValue, alpha);
}

void Blit(RasterBitmap* dest, const RasterBitmap* src, int dstX, int dstY, const Rect* srcRect, float alpha, int mode) {
  if (!dest || !src || alpha == 0.0f) return;
  // Clipping runs in 64 bits so that extreme coordinates cannot wrap.
  int64_t sx = 0, sy = 0, sr = src->Width(), sb = src->Height();
  int64_t dx = dstX, dy = dstY;
  if (srcRect) {
    sr = std::min<int64_t>(srcRect->right, sr);
    sb = std::min<int64_t>(srcRect->bottom, sb);
    if (srcRect->left < 0) {
      dx -= srcRect->left;
    } else {
      sx = srcRect->left;
    }
    if (srcRect->top < 0) {
      dy -= srcRect->top;
    } else {
      sy = srcRect->top;
    }
  }
  if (dx < 0) sx -= dx, dx = 0;
  if (dy < 0) sy -= dy, dy = 0;
  const int64_t destWidth = dest->Width(), destHeight = dest->Height();
  if (sx >= sr || sy >= sb || dx >= destWidth || dy >= destHeight) return;
  const int64_t columnEnd = std::min(destWidth - dx + sx, sr);
  if (sx >= columnEnd) return;
  const int64_t rowEnd = std::min(destHeight - dy + sy, sb);
  if (sy >= rowEnd) return;
  if (!dest->PixelData() || !src->PixelData()) return;

  BlitWindow w;
  w.columns = static_cast<int>(columnEnd - sx);
  w.rows = static_cast<int>(rowEnd - sy);
  w.dest = dest->Row(static_cast<int>(dy)) + dx;
  w.src = src->Row(static_cast<int>(sy)) + sx;
  w.destStep = (dest->RowsBottomUp() ? -1 : 1) * static_cast<ptrdiff_t>(dest->RowSpan());
  w.srcStep = (src->RowsBottomUp() ? -1 : 1) * static_cast<ptrdiff_t>(src->RowSpan());

  if ((mode & 0xFF) >= BlendChannelCopy) {
    const int from = 8 * (mode & 3), to = 8 * ((mode >> 2) & 3);
    const Pixel keep = ~(static_cast<Pixel>(0xFF) << to);
    ForEachPixel(w, [from, to, keep](Pixel d, Pixel s) { return (d & keep) | (((s >> from) & 0xFF) << to); });
    return;
  }
  const int kind = mode & 0x100FF;
  if (kind == BlendCopy && alpha == 1.0f) {
    Pixel* d = w.dest;
    const Pixel* s = w.src;
    const size_t bytes = static_cast<size_t>(w.columns) * sizeof(Pixel);
    for (int y = 0; y < w.rows; ++y, d += w.destStep, s += w.srcStep) std::memmove(d, s, bytes);
    return;
  }
  if (kind == BlendCopy && alpha == 0.5f) {
    ForEachPixel(w, [](Pixel d, Pixel s) { return ((s >> 1) & 0x7F7F7F7F) + ((d >> 1) & 0x7F7F7F7F); });
    return;
  }
  const int ia = OpacityWeight(alpha);
  if (ia == 0) return;
  if (kind & BlendUseSourceAlpha) {
    BlendWithSourceAlpha(w, kind & 0xFF, ia);
  } else {
    BlendWeighted(w, kind, ia);
  }
}

void FillRectangle(RasterBitmap* dest, int x, int y, int w, int h, Pixel colour, float alpha, int mode) {
  if (!dest) return;
  if (mode & BlendUseSourceAlpha) {
    alpha = static_cast<float>(alpha * (static_cast<float>(colour >> 24) / 255.0));
  }
  int64_t left = x, top = y, width = w, height = h;
  if (left < 0) width += left, left = 0;
  if (top < 0) height += top, top = 0;
  const int64_t destWidth = dest->Width(), destHeight = dest->Height();
  if (alpha == 0.0f || !dest->PixelData() || dest->RowSpan() == 0 || width <= 0 || height <= 0 ||
      left >= destWidth || top >= destHeight) {
    return;
  }
  BlitWindow win;
  win.rows = static_cast<int>(std::min(destHeight - top, height));
  win.columns = static_cast<int>(std::min(destWidth - left, width));
  win.dest = dest->Row(static_cast<int>(top)) + left;
  win.src = nullptr;
  win.destStep = (dest->RowsBottomUp() ? -1 : 1) * static_cast<ptrdiff_t>(dest->RowSpan());
  win.srcStep = 0;

  auto fill = [&win](auto op) {
    Pixel* d = win.dest;
    for (int row = 0; row < win.rows; ++row, d += win.destStep) {
      for (int col = 0; col < win.columns; ++col) d[col] = op(d[col]);
    }
  };
  const int ia = OpacityWeight(alpha);
  const int low = mode & 0xFF;
  if (low == BlendCopy) {
    switch (ia) {
      case 256:
        fill([colour](Pixel) { return colour; });
        return;
      case 128:
        fill([colour](Pixel d) { return ((colour >> 1) & 0x7F7F7F7F) + ((d >> 1) & 0x7F7F7F7F); });
        return;
      case 64:
        fill([colour](Pixel d) {
          return ((d >> 1) & 0x7F7F7F7F) + ((d >> 2) & 0x3F3F3F3F) + ((colour >> 2) & 0x3F3F3F3F);
        });
        return;
      case 192:
        fill([colour](Pixel d) {
          return ((colour >> 2) & 0x3F3F3F3F) + ((d >> 2) & 0x3F3F3F3F) + ((colour >> 1) & 0x7F7F7F7F);
        });
        return;
      default:
        break;
    }
  }
  if (ia == 0) return;
  // The colour's blue, green and red act as the source; its alpha channel's
  // source value is ia.
  const Pixel source = colour;
  switch (low) {
    case BlendCopy: {
      if (ia <= 0) return;
      const int keep = 256 - ia;
      fill([source, keep, ia](Pixel d) {
        return ColourAndAlpha(
            d, source, [keep](int dc, int sc) { return (dc - sc) * keep / 256 + sc; },
            [keep, ia](int da) { return ia + (da - ia) * keep / 256; });
      });
      return;
    }
    case BlendAdd:
      fill([source, ia](Pixel d) {
        return ColourAndAlpha(
            d, source, [ia](int dc, int sc) { return Clamp255(dc + sc * ia / 256); },
            [ia](int da) { return Clamp255(da + ia * ia / 256); });
      });
      return;
    case BlendDodge:
      fill([source, ia](Pixel d) {
        return ColourAndAlpha(
            d, source, [ia](int dc, int sc) { return Dodge(dc, sc * ia / 256); },
            [ia](int da) { return Dodge(da, ia * ia / 256); });
      });
      return;
    case BlendMultiply:
      fill([source, ia](Pixel d) {
        return ColourAndAlpha(
            d, source, [ia](int dc, int sc) { return Multiply(dc, ia * (sc - 256) + 65536); },
            [ia](int da) { return Multiply(da, ia * (ia - 256) + 65536); });
      });
      return;
    case BlendOverlay:
      fill([source, ia](Pixel d) {
        return ColourAndAlpha(
            d, source, [ia](int dc, int sc) { return Overlay(dc, ia * sc + (256 - ia) * 128); },
            [ia](int da) { return Overlay(da, ia * ia + (256 - ia) * 128); });
      });
      return;
    case BlendHsvAdjust: {
      const int r = Channel(colour, 2), g = Channel(colour, 1), b = Channel(colour, 0);
      fill([r, g, b, ia](Pixel d) { return HsvAdjustPixel(d, r, g, b, ia, ia); });
      return;
    }
    default:
      return;
  }
}

namespace {
inline Pixel Half(Pixel x) { return (x >> 1) & 0x7F7F7F7F; }
inline Pixel Quarter(Pixel x) { return (x >> 2) & 0x3F3F3F3F; }
inline Pixel Eighth(Pixel x) { return (x >> 3) & 0x1F1F1F1F; }

// One row of the filter. row is the unsmoothed copy of the row itself; above
// and below may be none at the picture's edges.
void SoftenRow(Pixel* out, const Pixel* row, const Pixel* above, const Pixel* below, int w) {
  const Pixel* vertical = above ? above : below;  // the one neighbour of an edge row
  const bool edgeRow = !above || !below;
  for (int x = 0; x < w; ++x) {
    const bool edgeColumn = x == 0 || x == w - 1;
    const Pixel horizontal = x == 0 ? row[1] : row[x - 1];
    Pixel sum = Half(row[x]);
    if (edgeColumn) {
      sum += Quarter(horizontal);
    } else {
      sum += Eighth(row[x - 1]) + Eighth(row[x + 1]);
    }
    if (edgeRow) {
      sum += Quarter(vertical[x]);
    } else {
      sum += Eighth(above[x]) + Eighth(below[x]);
    }
    out[x] = sum;
  }
}
}  // namespace

void SoftenRegion(RasterBitmap* bitmap, int w, int h) {
  if (!bitmap) return;
  const int width = bitmap->Width(), height = bitmap->Height();
  if (w < 1 || h < 1 || width < 1 || height < 1) return;
  w = std::min(w, width);
  h = std::min(h, height);
  if (w < 2 || h < 2 || !bitmap->PixelData()) return;

  constexpr int kStackWidth = 1024;
  Pixel local[2 * kStackWidth];
  Pixel* saved = local;
  if (w > kStackWidth) {
    saved = static_cast<Pixel*>(std::malloc(2 * sizeof(Pixel) * static_cast<size_t>(w)));
    if (!saved) return;
  }
  for (int y = 0; y < h; ++y) {
    Pixel* row = bitmap->Row(y);
    Pixel* copy = saved + (y & 1) * static_cast<ptrdiff_t>(w);
    std::memcpy(copy, row, sizeof(Pixel) * static_cast<size_t>(w));
    const Pixel* above = y > 0 ? saved + ((y - 1) & 1) * static_cast<ptrdiff_t>(w) : nullptr;
    const Pixel* below = y < h - 1 ? bitmap->Row(y + 1) : nullptr;
    SoftenRow(row, copy, above, below, w);
  }
  if (saved != local) std::free(saved);
}

}  // namespace veltrax
