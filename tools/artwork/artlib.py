"""Drawing helpers shared by the panel generator and the preview composer.

Pixels travel between Cairo and numpy as float arrays of shape (h, w, 4) holding
premultiplied red, green, blue, alpha in 0..1. Only the final step turns them into
straight-alpha 8-bit RGBA for the PNG files, which is what the editor expects.
"""

import math
import struct
import zlib

import cairo
import numpy as np

# Light falls from the upper left: every drop shadow moves down and to the right.
SHADOW_DX = 1.2
SHADOW_DY = 2.0

SANS = "DejaVu Sans"
SANS_CONDENSED = "DejaVu Sans Condensed"
SERIF = "DejaVu Serif"


# ---------------------------------------------------------------------------
# Conversion between Cairo surfaces, numpy arrays and PNG files

def new_surface(w, h):
    return cairo.ImageSurface(cairo.FORMAT_ARGB32, w, h)


def surface_to_array(surface):
    """Cairo ARGB32 (premultiplied, B G R A bytes) -> float premultiplied RGBA."""
    surface.flush()
    w, h, stride = surface.get_width(), surface.get_height(), surface.get_stride()
    raw = np.frombuffer(surface.get_data(), dtype=np.uint8).reshape(h, stride)
    bgra = raw[:, : w * 4].reshape(h, w, 4).astype(np.float64) / 255.0
    return bgra[:, :, [2, 1, 0, 3]].copy()


def to_straight_rgba8(arr):
    """Float premultiplied RGBA -> uint8 straight-alpha RGBA.

    Fully transparent pixels get colour 0 so that the files carry no stray data."""
    a = np.clip(arr[:, :, 3], 0.0, 1.0)
    out = np.zeros(arr.shape, dtype=np.float64)
    safe = a > 0.0
    for c in range(3):
        out[:, :, c] = np.where(safe, arr[:, :, c] / np.where(safe, a, 1.0), 0.0)
    out[:, :, 3] = a
    out8 = np.clip(np.rint(out * 255.0), 0, 255).astype(np.uint8)
    out8[out8[:, :, 3] == 0] = 0
    return out8


def _png_filter_rows(img):
    """Per-row adaptive filtering (the minimum-sum-of-absolute-values heuristic)."""
    h, w, bpp = img.shape[0], img.shape[1], 4
    rows = img.reshape(h, w * bpp).astype(np.int16)
    prev = np.vstack([np.zeros((1, w * bpp), np.int16), rows[:-1]])
    left = np.hstack([np.zeros((h, bpp), np.int16), rows[:, :-bpp]])
    upleft = np.hstack([np.zeros((h, bpp), np.int16), prev[:, :-bpp]])
    p = left + prev - upleft
    pa, pb, pc = np.abs(p - left), np.abs(p - prev), np.abs(p - upleft)
    paeth = np.where((pa <= pb) & (pa <= pc), left, np.where(pb <= pc, prev, upleft))
    candidates = [
        rows,
        rows - left,
        rows - prev,
        rows - ((left + prev) // 2),
        rows - paeth,
    ]
    out = bytearray()
    for y in range(h):
        best, best_cost = 0, None
        for kind, cand in enumerate(candidates):
            line = (cand[y] & 0xFF).astype(np.uint8)
            signed = line.astype(np.int8).astype(np.int32)
            cost = int(np.abs(signed).sum())
            if best_cost is None or cost < best_cost:
                best, best_cost = kind, cost
        out.append(best)
        out += (candidates[best][y] & 0xFF).astype(np.uint8).tobytes()
    return bytes(out)


def _chunk(kind, payload):
    body = kind + payload
    return struct.pack(">I", len(payload)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def write_png(path, rgba8):
    """Write an 8-bit RGBA PNG (colour type 6) with nothing but IHDR, IDAT and IEND,
    so the same pixels always give the same bytes."""
    h, w = rgba8.shape[:2]
    assert rgba8.dtype == np.uint8 and rgba8.shape[2] == 4
    ihdr = struct.pack(">IIBBBBB", w, h, 8, 6, 0, 0, 0)
    compressor = zlib.compressobj(9, zlib.DEFLATED, 15, 9, zlib.Z_DEFAULT_STRATEGY)
    idat = compressor.compress(_png_filter_rows(rgba8)) + compressor.flush()
    data = b"\x89PNG\r\n\x1a\n" + _chunk(b"IHDR", ihdr) + _chunk(b"IDAT", idat) + _chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(data)


def read_png(path):
    """Read an 8-bit RGBA PNG exactly (straight alpha, no conversion)."""
    from PIL import Image

    with Image.open(path) as im:
        if im.mode != "RGBA":
            raise ValueError(f"{path}: expected an RGBA image, found {im.mode}")
        return np.asarray(im, dtype=np.uint8).copy()


# ---------------------------------------------------------------------------
# Compositing and filters on float premultiplied arrays

def over(dst, src):
    """src over dst, both premultiplied; returns a new array."""
    return src + dst * (1.0 - src[:, :, 3:4])


def solid(h, w, rgb, alpha):
    """Premultiplied layer of one colour with a per-pixel alpha array."""
    out = np.zeros((h, w, 4))
    for c in range(3):
        out[:, :, c] = rgb[c] * alpha
    out[:, :, 3] = alpha
    return out


def box_blur_axis(a, radius, axis):
    if radius <= 0:
        return a
    n = 2 * radius + 1
    pad = [(0, 0)] * a.ndim
    pad[axis] = (radius + 1, radius)
    p = np.pad(a, pad, mode="constant")
    c = np.cumsum(p, axis=axis)
    hi = np.take(c, np.arange(n, c.shape[axis]), axis=axis)
    lo = np.take(c, np.arange(0, c.shape[axis] - n), axis=axis)
    return (hi - lo) / n


def gaussian_blur(a, sigma):
    """Approximate Gaussian: three box blurs per axis (zero outside the array)."""
    if sigma <= 0:
        return a.copy()
    # Box width for three passes that approximates the given sigma.
    w_ideal = math.sqrt(12.0 * sigma * sigma / 3.0 + 1.0)
    radius = max(1, int(round((w_ideal - 1.0) / 2.0)))
    out = a
    for _ in range(3):
        out = box_blur_axis(out, radius, 0)
        out = box_blur_axis(out, radius, 1)
    return out


def shift(a, dx, dy):
    """Move a 2-D array by a (possibly fractional) offset, bilinear, zero fill."""
    h, w = a.shape
    ix, fx = int(math.floor(dx)), dx - math.floor(dx)
    iy, fy = int(math.floor(dy)), dy - math.floor(dy)

    def whole(src, sx, sy):
        out = np.zeros_like(src)
        ys = slice(max(0, sy), min(h, h + sy))
        xs = slice(max(0, sx), min(w, w + sx))
        ys_src = slice(max(0, -sy), min(h, h - sy))
        xs_src = slice(max(0, -sx), min(w, w - sx))
        out[ys, xs] = src[ys_src, xs_src]
        return out

    return (
        whole(a, ix, iy) * (1 - fx) * (1 - fy)
        + whole(a, ix + 1, iy) * fx * (1 - fy)
        + whole(a, ix, iy + 1) * (1 - fx) * fy
        + whole(a, ix + 1, iy + 1) * fx * fy
    )


def hash_noise(h, w, seed):
    """Deterministic white noise in -1..1 from an integer hash of the coordinates."""
    y, x = np.mgrid[0:h, 0:w].astype(np.uint64)
    v = (x * np.uint64(0x9E3779B1) + y * np.uint64(0x85EBCA77) + np.uint64(seed) * np.uint64(0xC2B2AE3D)) & np.uint64(0xFFFFFFFF)
    v ^= v >> np.uint64(15)
    v = (v * np.uint64(0x2C1B3C6D)) & np.uint64(0xFFFFFFFF)
    v ^= v >> np.uint64(12)
    v = (v * np.uint64(0x297A2D39)) & np.uint64(0xFFFFFFFF)
    v ^= v >> np.uint64(15)
    return v.astype(np.float64) / 2147483647.5 - 1.0


def mask_of(w, h, draw, scale=1):
    """Coverage (0..1) of whatever `draw(ctx)` fills, as a float array of
    (h * scale, w * scale) pixels; `draw` works in units of the w x h area."""
    pw, ph = w * scale, h * scale
    s = cairo.ImageSurface(cairo.FORMAT_A8, pw, ph)
    ctx = cairo.Context(s)
    ctx.scale(scale, scale)
    ctx.set_source_rgba(0, 0, 0, 1)
    draw(ctx)
    s.flush()
    stride = s.get_stride()
    raw = np.frombuffer(s.get_data(), dtype=np.uint8).reshape(ph, stride)[:, :pw]
    return raw.astype(np.float64) / 255.0


class Canvas:
    """A w x h area drawn at `scale` pixels a unit. Positions, offsets and blur
    sizes are given in units, so one drawing serves the 1x and the 2x images;
    at scale 1 every helper computes exactly what the plain pixel helpers do."""

    def __init__(self, w, h, scale=1):
        self.w, self.h, self.scale = w, h, scale
        self.pw, self.ph = w * scale, h * scale

    def coords(self):
        """x and y of every pixel in units, as whole pixel indices are at 1x
        (a pixel's centre less half a unit)."""
        y, x = np.mgrid[0 : self.ph, 0 : self.pw].astype(np.float64)
        s = self.scale
        return (x + 0.5) / s - 0.5, (y + 0.5) / s - 0.5

    def centres(self):
        """x and y of every pixel centre in units."""
        y, x = np.mgrid[0 : self.ph, 0 : self.pw].astype(np.float64)
        return (x + 0.5) / self.scale, (y + 0.5) / self.scale

    def polar(self, cx, cy):
        """Distance and angle (0 = up, clockwise) of every pixel centre from (cx, cy)."""
        x, y = self.centres()
        dx, dy = x - cx, y - cy
        return np.hypot(dx, dy), np.arctan2(dx, -dy)

    def edge(self, inside):
        """Coverage across an edge, from how far (in units) a pixel is inside it:
        one pixel of antialiasing at any scale, centred where 1x puts it."""
        s = self.scale
        if s != 1:
            inside = (inside - 0.5) * s + 0.5
        return np.clip(inside, 0.0, 1.0)

    def mask(self, draw):
        return mask_of(self.w, self.h, draw, self.scale)

    def solid(self, rgb, alpha):
        return solid(self.ph, self.pw, rgb, alpha)

    def shift(self, a, dx, dy):
        return shift(a, dx * self.scale, dy * self.scale)

    def blur(self, a, sigma):
        return gaussian_blur(a, sigma * self.scale)

    def box(self, a, radius, axis):
        return box_blur_axis(a, radius * self.scale, axis)

    def noise(self, seed):
        """White noise that averaged over one unit spreads as 1x noise does
        (finer pixels each vary more), so the grain looks alike at every scale."""
        return hash_noise(self.ph, self.pw, seed) * self.scale

    def row_noise(self, seed):
        """Noise that varies from row to row only, scaled likewise."""
        rows = hash_noise(self.ph, 1, seed) * math.sqrt(self.scale)
        return np.repeat(rows, self.pw, axis=1)


# ---------------------------------------------------------------------------
# Paths and points

def round_rect_path(ctx, x, y, w, h, r):
    """Add a rectangle with corners of radius r to the path."""
    ctx.new_sub_path()
    ctx.arc(x + w - r, y + r, r, -math.pi / 2, 0)
    ctx.arc(x + w - r, y + h - r, r, 0, math.pi / 2)
    ctx.arc(x + r, y + h - r, r, math.pi / 2, math.pi)
    ctx.arc(x + r, y + r, r, math.pi, 1.5 * math.pi)
    ctx.close_path()


def polar_xy(cx, cy, angle_deg, radius):
    """The point at `radius` from (cx, cy) in direction angle_deg (0 = up, clockwise)."""
    a = math.radians(angle_deg)
    return cx + radius * math.sin(a), cy - radius * math.cos(a)


# ---------------------------------------------------------------------------
# Text

def font_options():
    fo = cairo.FontOptions()
    fo.set_antialias(cairo.ANTIALIAS_GRAY)
    fo.set_hint_style(cairo.HINT_STYLE_SLIGHT)
    fo.set_hint_metrics(cairo.HINT_METRICS_OFF)
    return fo


def set_font(ctx, family, size, bold=False, italic=False):
    ctx.select_font_face(
        family,
        cairo.FONT_SLANT_ITALIC if italic else cairo.FONT_SLANT_NORMAL,
        cairo.FONT_WEIGHT_BOLD if bold else cairo.FONT_WEIGHT_NORMAL,
    )
    ctx.set_font_size(size)
    ctx.set_font_options(font_options())


def text_path(ctx, s, x, y, align="center", spacing=0.0):
    """Add text to the path with its baseline at y; align left, center or right at x.
    `spacing` adds letter spacing in pixels (engraved labels are tracked out)."""
    widths = [ctx.text_extents(ch).x_advance for ch in s]
    total = sum(widths) + spacing * (len(s) - 1)
    if align == "center":
        x -= total / 2.0
    elif align == "right":
        x -= total
    for ch, adv in zip(s, widths):
        ctx.move_to(x, y)
        ctx.text_path(ch)
        x += adv + spacing
