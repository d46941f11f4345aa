"""The front plate: brushed aluminium with black silk-screened legends, knob scales,
the meter escutcheon, the lamp bezel, corner screws and the Veltrax name badge."""

import math

import cairo
import numpy as np

import artlib as A
import controls as C
import layout as L

W, H = L.PANEL_W, L.PANEL_H
INK = (0.07, 0.07, 0.08)


def brushed_aluminium(cv):
    """Horizontal brushing: per-pixel noise smeared along x, plus slow streaks."""
    w, h = cv.w, cv.h
    fine = cv.noise(11)
    streak = fine
    for _ in range(2):
        streak = cv.box(streak, 24, 1)
    rows = cv.row_noise(23)
    broad = cv.box(cv.noise(37), 90, 1)
    broad = cv.box(broad, 1, 0)
    v = 0.755 + 0.010 * fine + 0.055 * streak + 0.006 * rows + 0.06 * broad
    x, y = cv.coords()
    # A broad sheen across the plate, brightest upper left.
    v = v + 0.045 * np.exp(-(((x - 0.30 * w) / (0.55 * w)) ** 2)) - 0.035 * (y / h)
    rgb = np.stack([v * 0.985, v * 0.995, v * 1.015], axis=-1)
    return np.concatenate([np.clip(rgb, 0, 1), np.ones((cv.ph, cv.pw, 1))], axis=-1)


def engrave(cv, img, draw, ink=INK, highlight=0.45, opacity=0.92):
    """Silk-screen `draw(ctx)` in ink, with a faint light edge below it so the
    legend sits in the plate rather than on top of it."""
    m = cv.mask(draw)
    lit = cv.shift(m, 0.0, 0.8) * (1.0 - m)
    img = A.over(img, cv.solid((1.0, 1.0, 1.0), np.clip(lit * highlight, 0, 1)))
    img = A.over(img, cv.solid(ink, m * opacity))
    return img


def text(ctx, s, x, y, size, bold=True, family=A.SANS_CONDENSED, align="center", spacing=0.0, italic=False):
    A.set_font(ctx, family, size, bold=bold, italic=italic)
    A.text_path(ctx, s, x, y, align=align, spacing=spacing)
    ctx.fill()


# ---------------------------------------------------------------------------

def knob_scale(cv, img, cx, cy):
    """0..10 scale around a record-level knob."""
    def ticks(ctx):
        ctx.set_line_cap(cairo.LINE_CAP_BUTT)
        for i in range(21):
            a = L.KNOB_START_DEG + L.KNOB_SWEEP_DEG * i / 20.0
            major = i % 2 == 0
            x0, y0 = A.polar_xy(cx, cy, a, 25.2)
            x1, y1 = A.polar_xy(cx, cy, a, 29.6 if major else 27.6)
            ctx.set_line_width(1.2 if major else 0.8)
            ctx.move_to(x0, y0)
            ctx.line_to(x1, y1)
            ctx.stroke()

    def numbers(ctx):
        A.set_font(ctx, A.SANS_CONDENSED, 7.4, bold=True)
        for i in range(11):
            a = L.KNOB_START_DEG + L.KNOB_SWEEP_DEG * i / 10.0
            x, y = A.polar_xy(cx, cy, a, 35.5)
            A.text_path(ctx, str(i), x, y + 2.7)
        ctx.fill()

    img = engrave(cv, img, ticks)
    img = engrave(cv, img, numbers)
    return img


def eq_scale(cv, img, cx, cy):
    def marks(ctx):
        for a in L.EQ_ANGLES_DEG:
            x, y = A.polar_xy(cx, cy, a, 20.2)
            ctx.arc(x, y, 1.25, 0, 2 * math.pi)
            ctx.fill()

    def numbers(ctx):
        A.set_font(ctx, A.SANS_CONDENSED, 7.4, bold=True)
        for i, a in enumerate(L.EQ_ANGLES_DEG):
            x, y = A.polar_xy(cx, cy, a, 27.0)
            A.text_path(ctx, str(i + 1), x, y + 2.7)
        ctx.fill()

    img = engrave(cv, img, marks)
    img = engrave(cv, img, numbers)
    return img


def screw(cv, img, cx, cy, slot_deg):
    """Countersunk cross-head screw."""
    r, phi = cv.polar(cx, cy)
    head = cv.edge(4.6 - r)
    # Dark countersink ring around the head.
    sink = cv.edge(5.6 - r) * (1.0 - head)
    img = A.over(img, cv.solid((0.15, 0.15, 0.16), sink * 0.55))
    light_phi = math.atan2(C.LIGHT[0], -C.LIGHT[1])
    dome = np.clip(r / 4.6, 0.0, 1.0)
    v = 0.62 + 0.22 * np.cos(phi - light_phi) * dome - 0.10 * dome * dome
    rgb = np.stack([v, v, v * 1.03], axis=-1)
    lay = np.concatenate([rgb * head[..., None], head[..., None]], axis=-1)
    img = A.over(img, lay)

    def cross(ctx):
        ctx.set_line_width(1.3)
        for a in (slot_deg, slot_deg + 90):
            x0, y0 = A.polar_xy(cx, cy, a, 3.0)
            x1, y1 = A.polar_xy(cx, cy, a + 180, 3.0)
            ctx.move_to(x0, y0)
            ctx.line_to(x1, y1)
        ctx.stroke()

    m = cv.mask(cross)
    img = A.over(img, cv.solid((1, 1, 1), cv.shift(m, 0.6, 0.6) * (1 - m) * 0.35 * head))
    img = A.over(img, cv.solid((0.12, 0.12, 0.13), m * 0.9))
    return img


def meter_escutcheon(cv, img, x0, y0, x1, y1, windows):
    """Black anodised surround with two windows the meter faces sit in."""
    def outer(ctx):
        A.round_rect_path(ctx, x0, y0, x1 - x0, y1 - y0, 4.0)
        ctx.fill()

    m = cv.mask(outer)
    # Shadow on the plate, then the raised black surround.
    sh = cv.shift(cv.blur(m, 2.0), A.SHADOW_DX, A.SHADOW_DY)
    img = A.over(img, cv.solid((0, 0, 0), np.clip(sh * 0.45, 0, 1)))
    x, y = cv.coords()
    v = 0.13 - 0.06 * (y - y0) / (y1 - y0) + 0.01 * cv.noise(5)
    rgb = np.stack([v, v, v * 1.06], axis=-1)
    img = A.over(img, np.concatenate([rgb * m[..., None], m[..., None]], axis=-1))
    # Chamfer: a bright upper edge and a dark lower one.
    top = np.clip(m - cv.shift(m, 0.0, 1.0), 0, 1)
    left = np.clip(m - cv.shift(m, 1.0, 0.0), 0, 1)
    img = A.over(img, cv.solid((0.62, 0.62, 0.64), np.clip(top * 0.8 + left * 0.5, 0, 1)))

    for wx, wy, ww, wh in windows:
        def win(ctx, wx=wx, wy=wy, ww=ww, wh=wh):
            A.round_rect_path(ctx, wx - 1.5, wy - 1.5, ww + 3.0, wh + 3.0, 3.5)
            ctx.fill()

        wm = cv.mask(win)
        img = A.over(img, cv.solid((0.015, 0.015, 0.02), wm))
        # Light catches the lower lip of the opening.
        lip = np.clip(wm - cv.shift(wm, 0.0, -1.0), 0, 1)
        img = A.over(img, cv.solid((0.5, 0.5, 0.52), lip * 0.6))
    return img


def lamp_bezel(cv, img, cx, cy):
    r, phi = cv.polar(cx, cy)
    ring = cv.edge(9.2 - r) * cv.edge(r - 5.3)
    light_phi = math.atan2(C.LIGHT[0], -C.LIGHT[1])
    # Chrome ring, convex: bright towards the light, with a dark band across.
    t = (r - 5.3) / 3.9
    v = 0.55 + 0.35 * np.cos(phi - light_phi) * (1.0 - t) - 0.25 * np.exp(-(((t - 0.55) / 0.2) ** 2))
    v = np.clip(v, 0.05, 1.0)
    sh = cv.shift(cv.blur(cv.edge(9.2 - r), 1.2), 0.8, 1.2)
    img = A.over(img, cv.solid((0, 0, 0), np.clip(sh * 0.5, 0, 1)))
    rgb = np.stack([v, v, v * 1.03], axis=-1)
    img = A.over(img, np.concatenate([rgb * ring[..., None], ring[..., None]], axis=-1))
    # Socket behind the lens.
    hole = cv.edge(5.8 - r)
    img = A.over(img, cv.solid((0.06, 0.02, 0.02), hole))
    return img


def switch_plate(cv, img, cx, cy):
    """Engraved ON / OFF legends and a thin guide line beside a toggle."""
    def legends(ctx):
        A.set_font(ctx, A.SANS_CONDENSED, 6.8, bold=True)
        A.text_path(ctx, "ON", cx + 23.0, cy - 8.0, align="left")
        A.text_path(ctx, "OFF", cx + 23.0, cy + 14.0, align="left")
        ctx.fill()

    return engrave(cv, img, legends)


def name_badge(cv, img, x, y, w, h):
    """Black anodised badge with the product name in polished aluminium letters."""
    def plate(ctx):
        A.round_rect_path(ctx, x, y, w, h, 3.0)
        ctx.fill()

    m = cv.mask(plate)
    sh = cv.shift(cv.blur(m, 1.5), 0.9, 1.4)
    img = A.over(img, cv.solid((0, 0, 0), np.clip(sh * 0.5, 0, 1)))
    xx, yy = cv.coords()
    v = 0.10 + 0.04 * np.clip(1.0 - (yy - y) / h, 0, 1) + 0.008 * cv.noise(9)
    rgb = np.stack([v, v, v * 1.05], axis=-1)
    img = A.over(img, np.concatenate([rgb * m[..., None], m[..., None]], axis=-1))
    top = np.clip(m - cv.shift(m, 0.0, 1.0), 0, 1)
    img = A.over(img, cv.solid((0.7, 0.7, 0.72), top * 0.7))

    def name(ctx):
        A.set_font(ctx, A.SANS, 20.0, bold=True, italic=True)
        A.text_path(ctx, "Veltrax", x + w / 2.0, y + h / 2.0 + 7.0, spacing=0.6)
        ctx.fill()

    t = cv.mask(name)
    # Letters: polished metal, bright above and with a dark horizon reflection
    # just below the middle.
    t_y = np.clip((yy - (y + 3.0)) / (h - 7.0), 0.0, 1.0)
    lv = 0.93 - 0.28 * t_y - 0.30 * np.exp(-(((t_y - 0.58) / 0.12) ** 2)) + 0.20 * np.clip(t_y - 0.6, 0, 1)
    lv = lv + 0.015 * cv.noise(3)
    lrgb = np.stack([lv, lv, lv * 1.02], axis=-1)
    dark = cv.shift(t, 0.6, 0.9) * (1.0 - t)
    img = A.over(img, cv.solid((0, 0, 0), dark * 0.8))
    img = A.over(img, np.concatenate([lrgb * t[..., None], t[..., None]], axis=-1))
    return img


def plate_edges(cv, img):
    """Bevelled edge of the front plate: bands one unit wide, chosen by pixel centre."""
    x, y = cv.centres()
    dark = (x > W - 1) | (y > H - 1)
    light = (x < 1) | (y < 1)
    everywhere = np.ones((cv.ph, cv.pw))
    img = np.where(light[..., None], A.over(img, cv.solid((1, 1, 1), everywhere * 0.55)), img)
    img = np.where(dark[..., None], A.over(img, cv.solid((0, 0, 0), everywhere * 0.55)), img)
    inner_dark = ((x > W - 2) & (x < W - 1)) | ((y > H - 2) & (y < H - 1))
    img = np.where(inner_dark[..., None], A.over(img, cv.solid((0, 0, 0), everywhere * 0.2)), img)
    return img


def background(scale=1):
    """The plate at `scale` pixels a panel unit (1 for the 1x image, 2 for the 2x one)."""
    cv = A.Canvas(W, H, scale)
    img = brushed_aluminium(cv)

    lx, ly = L.control_centre("gain_left")
    rx, ry = L.control_centre("gain_right")
    ex, ey = L.control_centre("equalizer")
    vlx, vly = L.control_centre("vu_left")
    vrx, vry = L.control_centre("vu_right")
    lampx, lampy = L.control_centre("lamp")
    px, py = L.control_centre("power")
    hx, hy = L.control_centre("phones")

    img = knob_scale(cv, img, lx, ly)
    img = knob_scale(cv, img, rx, ry)
    img = eq_scale(cv, img, ex, ey)

    # Record section legends.
    def titles(ctx):
        text(ctx, "REC LEVEL", lx, 24.0, 8.2, spacing=1.4)
        text(ctx, "REC LEVEL", rx, 24.0, 8.2, spacing=1.4)
        text(ctx, "EQUALIZER", ex, 24.0, 8.2, spacing=1.4)
        text(ctx, "L", lx, 121.0, 11.0, family=A.SANS)
        text(ctx, "R", rx, 121.0, 11.0, family=A.SANS)

    img = engrave(cv, img, titles)

    # Meter escutcheon with the two windows, and the lamp above it.
    vu = L.IMAGES["vu"]
    windows = []
    for name in ("vu_left", "vu_right"):
        for cname, _, x, y in L.CONTROLS:
            if cname == name:
                windows.append((x, y, vu[1], vu[2]))
    img = meter_escutcheon(cv, img, 380, 36, 578, 105, windows)
    img = lamp_bezel(cv, img, lampx, lampy)

    def meter_legends(ctx):
        text(ctx, "L", vlx, 121.0, 11.0, family=A.SANS)
        text(ctx, "R", vrx, 121.0, 11.0, family=A.SANS)
        text(ctx, "REC", lampx - 14.0, 15.0, 7.0, align="right", spacing=1.0)

    img = engrave(cv, img, meter_legends)

    # Switches.
    def switch_legends(ctx):
        text(ctx, "PHONES", hx - 22.0, hy + 3.0, 8.2, align="right", spacing=1.2)
        text(ctx, "POWER", px - 22.0, py + 3.0, 8.2, align="right", spacing=1.2)

    img = engrave(cv, img, switch_legends)
    img = switch_plate(cv, img, hx, hy)
    img = switch_plate(cv, img, px, py)

    # Name badge and model line along the bottom.
    img = name_badge(cv, img, 24, 127, 100, 24)

    def model_line(ctx):
        text(ctx, "STUDIO TAPE RECORDER  \u00b7  RECORD SECTION", W - 22.0, 145.0, 7.2, align="right", spacing=1.3)

    img = engrave(cv, img, model_line)

    for sx, sy, a in ((9, 9, 20), (W - 9, 9, 65), (9, H - 9, 80), (W - 9, H - 9, 35)):
        img = screw(cv, img, sx, sy, a)
    img = plate_edges(cv, img)
    img[:, :, 3] = 1.0
    return img
