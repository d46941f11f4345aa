"""The five control images: record-level knob, equaliser selector, toggle switch,
VU meter and lamp. Each function returns one frame as a float premultiplied RGBA
array; shapes are rendered on a supersampled grid and averaged down, so every edge
and shadow is antialiased in the alpha channel."""

import math

import cairo
import numpy as np

import artlib as A
import layout as L

SS = 4  # supersampling factor for the shaded shapes

# Direction the light comes from, as a unit vector in image space (x right, y down)
# plus its height above the panel.
LIGHT = np.array([-0.55, -0.65, 0.52])
LIGHT = LIGHT / np.linalg.norm(LIGHT)


class Grid:
    """Sample-centre coordinates of a supersampled w x h frame drawn at `scale`
    pixels a unit, in units: shapes are described once for every scale."""

    def __init__(self, w, h, scale=1, ss=SS):
        self.w, self.h = w * scale, h * scale  # output pixels
        self.step = ss  # samples a pixel, each way
        self.ss = ss * scale  # samples a unit, each way
        ys, xs = np.mgrid[0 : self.h * ss, 0 : self.w * ss].astype(np.float64)
        self.x = (xs + 0.5) / self.ss
        self.y = (ys + 0.5) / self.ss
        self.shape = self.x.shape

    def blank(self):
        return np.zeros(self.shape + (4,))

    def solid(self, rgb, alpha):
        return A.solid(self.shape[0], self.shape[1], rgb, alpha)

    def polar(self, cx, cy):
        dx, dy = self.x - cx, self.y - cy
        return np.hypot(dx, dy), np.arctan2(dx, -dy)

    def coverage(self, sdf):
        """Soft coverage of a signed distance field (negative inside), in units."""
        return np.clip(0.5 - sdf * self.ss, 0.0, 1.0)

    def down(self, arr):
        """Average supersampled data down to output pixels."""
        s = self.step
        if arr.ndim == 2:
            return arr.reshape(self.h, s, self.w, s).mean(axis=(1, 3))
        return arr.reshape(self.h, s, self.w, s, arr.shape[2]).mean(axis=(1, 3))


def layer(cov, rgb):
    """Premultiplied layer from a coverage array and a colour (tuple or HxWx3 array)."""
    out = np.zeros(cov.shape + (4,))
    rgb = np.asarray(rgb, dtype=np.float64)
    for c in range(3):
        chan = rgb[..., c] if rgb.ndim > 1 else rgb[c]
        out[:, :, c] = np.clip(chan, 0.0, 1.0) * cov
    out[:, :, 3] = cov
    return out


def shade_from_height(height, grid, strength=1.0):
    """Lambert shading factor of a height field lit by LIGHT (1.0 = flat surface)."""
    gy, gx = np.gradient(height, 1.0 / grid.ss)
    nx, ny, nz = -gx * strength, -gy * strength, np.ones_like(height)
    n = np.sqrt(nx * nx + ny * ny + nz * nz)
    lam = (nx * LIGHT[0] + ny * LIGHT[1] + nz * LIGHT[2]) / n
    return lam / LIGHT[2], (nx / n, ny / n, nz / n)


def specular(normal, power):
    nx, ny, nz = normal
    # Half vector between the light and a viewer straight in front of the panel.
    hx, hy, hz = LIGHT[0], LIGHT[1], LIGHT[2] + 1.0
    hl = math.sqrt(hx * hx + hy * hy + hz * hz)
    d = np.clip((nx * hx + ny * hy + nz * hz) / hl, 0.0, 1.0)
    return d ** power


def segment_distance(grid, x0, y0, x1, y1):
    px, py = grid.x - x0, grid.y - y0
    dx, dy = x1 - x0, y1 - y0
    t = np.clip((px * dx + py * dy) / (dx * dx + dy * dy), 0.0, 1.0)
    return np.hypot(px - t * dx, py - t * dy)


def shadows(grid, mask, parts):
    """Sum of drop shadows of a coverage mask: parts = [(sigma, dx, dy, opacity)]."""
    total = np.zeros_like(mask)
    for sigma, dx, dy, opacity in parts:
        s = A.shift(A.gaussian_blur(mask, sigma * grid.ss), dx * grid.ss, dy * grid.ss)
        total = total + (1.0 - total) * np.clip(s * opacity, 0.0, 1.0)
    return A.solid(mask.shape[0], mask.shape[1], (0.0, 0.0, 0.0), total)


def direction(angle_deg):
    a = math.radians(angle_deg)
    return math.sin(a), -math.cos(a)


# ---------------------------------------------------------------------------
# Record-level knob: black skirted knob with a fluted body, a spun-aluminium cap
# and a white pointer line on the skirt.

def reclevel_frame(angle_deg, scale=1):
    w = h = 64
    g = Grid(w, h, scale)
    cx = cy = 32.0
    r, phi = g.polar(cx, cy)
    theta = math.radians(angle_deg)
    ux, uy = direction(angle_deg)

    r_skirt, r_body, r_cap = 21.0, 15.6, 10.4
    # Fluted body outline: twenty flutes that turn with the knob.
    flutes = 20
    flute = 0.5 + 0.5 * np.cos(flutes * (phi - theta))
    r_body_edge = r_body - 0.75 * flute

    skirt = g.coverage(r - r_skirt)
    body = g.coverage(r - r_body_edge)
    cap = g.coverage(r - r_cap)

    light_phi = math.atan2(LIGHT[0], -LIGHT[1])
    facing = np.cos(phi - light_phi)  # +1 on the side towards the light

    # Skirt: a shallow cone of satin black, lit from the upper left, with a
    # polished rim catching the light.
    cone = np.clip((r - r_body) / (r_skirt - r_body), 0.0, 1.0)
    s_val = 0.15 + 0.06 * facing * (0.4 + 0.6 * cone) - 0.035 * cone
    rim = np.exp(-(((r - (r_skirt - 0.8)) / 0.55) ** 2))
    s_val = s_val + rim * (0.10 + 0.22 * np.clip(facing, 0.0, 1.0))
    skirt_rgb = np.stack([s_val, s_val, s_val * 1.04], axis=-1)

    # Pointer line on the skirt.
    d_line = segment_distance(g, cx + ux * (r_body + 0.2), cy + uy * (r_body + 0.2),
                              cx + ux * (r_skirt - 1.1), cy + uy * (r_skirt - 1.1))
    pointer = g.coverage(d_line - 0.9)

    # Body: a fluted side wall (seen as a band around the top) under a flat top.
    band = np.clip((r_body_edge - r) / 2.6, 0.0, 1.0)  # 0 at the outline, 1 on the top
    ridge = np.cos(flutes * (phi - theta))  # +1 on a flute's crest
    wall_light = 0.5 + 0.5 * facing
    wall = 0.07 + 0.09 * wall_light + 0.12 * np.clip(ridge, 0.0, 1.0) ** 2 * (0.3 + 0.7 * wall_light)
    top = 0.075 + 0.035 * facing * np.clip(r / r_body, 0.0, 1.0)
    b_val = wall * (1.0 - band) + top * band
    # A soft highlight where the top meets the wall, on the lit side.
    edge_hi = np.exp(-(((band - 0.75) / 0.18) ** 2)) * np.clip(facing, 0.0, 1.0)
    b_val = b_val + 0.12 * edge_hi
    # The flute crests catch the light along the outline on the lit side.
    outline_hi = np.exp(-((band / 0.22) ** 2)) * np.clip(facing, 0.0, 1.0) * (0.5 + 0.5 * np.clip(ridge, 0.0, 1.0))
    b_val = b_val + 0.22 * outline_hi
    body_rgb = np.stack([b_val, b_val, b_val * 1.04], axis=-1)

    # Spun-aluminium cap: concentric machining rings, the anisotropic highlight of
    # turned metal along the light direction, and an engraved index line.
    rings = 0.5 + 0.5 * np.sin(r * 9.0) * np.cos(r * 2.3)
    aniso = np.cos(2.0 * (phi - light_phi))
    c_val = 0.64 + 0.16 * aniso + 0.035 * (rings - 0.5) - 0.05 * (r / r_cap)
    cap_rgb = np.stack([c_val, c_val * 1.005, c_val * 1.02], axis=-1)
    cap_edge = np.exp(-(((r - r_cap + 0.4) / 0.5) ** 2))
    cap_rgb = cap_rgb * (1.0 - 0.45 * cap_edge[..., None])
    d_index = segment_distance(g, cx + ux * 3.2, cy + uy * 3.2, cx + ux * (r_cap - 1.4), cy + uy * (r_cap - 1.4))
    index = g.coverage(d_index - 0.7)

    # The body casts a short shadow onto the skirt.
    body_shadow = shadows(g, body, [(1.0, 0.7, 1.2, 0.75)])

    img = g.blank()
    img = A.over(img, shadows(g, skirt, [(2.3, A.SHADOW_DX, A.SHADOW_DY, 0.55), (0.7, 0.3, 0.6, 0.45)]))
    img = A.over(img, layer(skirt, skirt_rgb))
    img = A.over(img, layer(pointer * skirt, (0.93, 0.93, 0.90)))
    img = A.over(img, body_shadow * skirt[..., None])
    img = A.over(img, layer(body, body_rgb))
    img = A.over(img, layer(g.coverage(r - r_cap - 0.8), (0.02, 0.02, 0.02)))
    img = A.over(img, layer(cap, cap_rgb))
    img = A.over(img, layer(index * cap, (0.06, 0.06, 0.06)))
    return g.down(img)


# ---------------------------------------------------------------------------
# Equaliser selector: a black pointer knob ("chicken head") with a white inlay.

def eq_frame(angle_deg, scale=1):
    w = h = 45
    g = Grid(w, h, scale)
    cx = cy = 22.5
    ux, uy = direction(angle_deg)
    vx, vy = -uy, ux
    # Local coordinates: u along the pointer, v across it.
    px, py = g.x - cx, g.y - cy
    u = px * ux + py * uy
    v = px * vx + py * vy

    # Tapered body: the hull of a wide rounded back and a narrow rounded tip
    # (signed distance to an uneven capsule along u).
    u0, r0 = -3.2, 8.8
    u1, r1 = 13.6, 2.4
    length = u1 - u0
    b = (r0 - r1) / length
    a = math.sqrt(1.0 - b * b)
    qy = u - u0
    qx = np.abs(v)
    k = -b * qx + a * qy
    sdf = np.where(
        k < 0.0,
        np.hypot(qx, qy) - r0,
        np.where(k > a * length, np.hypot(qx, qy - length) - r1, a * qx + b * qy - r0),
    )
    # Round base disk under the pointer body.
    r, _ = g.polar(cx, cy)
    base_sdf = r - 10.4
    shape_sdf = np.minimum(sdf, base_sdf)
    shape = g.coverage(shape_sdf)

    # Domed, glossy bakelite: height rises from the outline towards a ridge.
    inside = np.clip(-shape_sdf, 0.0, None)
    height = np.sqrt(np.clip(inside / 4.0, 0.0, 1.0)) * 3.2
    lam, normal = shade_from_height(height, g, 1.0)
    val = 0.045 + 0.08 * np.clip(lam, 0.0, 2.0) + 0.62 * specular(normal, 40)
    rgb = np.stack([val, val * 0.98, val * 0.96], axis=-1)

    inlay_d = segment_distance(g, cx + ux * 3.5, cy + uy * 3.5, cx + ux * 12.2, cy + uy * 12.2)
    inlay = g.coverage(inlay_d - 0.75)

    img = g.blank()
    img = A.over(img, shadows(g, shape, [(1.6, A.SHADOW_DX, A.SHADOW_DY, 0.55), (0.6, 0.3, 0.6, 0.45)]))
    img = A.over(img, layer(shape, rgb))
    img = A.over(img, layer(inlay * shape, (0.95, 0.94, 0.90)))
    # Centre screw cover.
    cover = g.coverage(r - 2.6)
    c_lam = 0.8 + 0.4 * np.clip(-(g.x - cx) * 0.3 - (g.y - cy) * 0.3, -1, 1)
    img = A.over(img, layer(cover, np.stack([0.12 * c_lam] * 3, axis=-1)))
    return g.down(img)


# ---------------------------------------------------------------------------
# Toggle switch: chrome bat handle in a hex nut; frame 1 down (off), frame 2 up (on).

def chrome(t):
    """Polished-chrome reflection profile across a cylinder (t in -1..1 across it):
    a bright window reflection on the lit side, a dark band of the room beyond it
    and a thin rim light on the far edge."""
    return (
        0.50
        + 0.50 * np.exp(-(((t + 0.42) / 0.22) ** 2))
        - 0.32 * np.exp(-(((t - 0.22) / 0.24) ** 2))
        + 0.18 * np.exp(-(((t - 0.78) / 0.12) ** 2))
    ) * (1.0 - 0.35 * t ** 4)


def switch_frame(up, scale=1):
    w = h = 40
    g = Grid(w, h, scale)
    cx, cy = 20.0, 20.0
    r, phi = g.polar(cx, cy)

    # Hex nut (circumradius 8.4) on a flat washer.
    washer = g.coverage(r - 11.0)
    w_lam = 0.55 + 0.25 * np.cos(phi - math.atan2(LIGHT[0], -LIGHT[1]))
    washer_rgb = np.stack([w_lam * 0.78, w_lam * 0.79, w_lam * 0.82], axis=-1)

    hex_r = 9.0
    ang = np.mod(phi + math.pi / 6.0, math.pi / 3.0) - math.pi / 6.0
    hex_sdf = r * np.cos(ang) - hex_r * math.cos(math.pi / 6.0)
    nut = g.coverage(hex_sdf)
    # Seen from the front the nut is a flat hexagon with chamfered edges: the
    # chamfers facing the light are bright, the others dark.
    facet = np.round(phi / (math.pi / 3.0)) * (math.pi / 3.0)
    fx, fy = np.sin(facet), -np.cos(facet)
    facing = (fx * LIGHT[0] + fy * LIGHT[1]) / math.hypot(LIGHT[0], LIGHT[1])
    chamfer = np.clip(1.0 + hex_sdf / 1.7, 0.0, 1.0)  # 1 at the outline, 0 inside
    flat = 0.56 - 0.07 * ((g.x - cx) + (g.y - cy)) / hex_r
    nut_val = flat * (1.0 - chamfer) + (0.50 + 0.32 * facing) * chamfer
    nut_rgb = np.stack([nut_val, nut_val * 1.01, nut_val * 1.04], axis=-1)

    # Threaded bushing and the dark hole the bat comes out of.
    bushing = g.coverage(r - 5.6)
    bush_val = 0.2 + 0.6 * chrome(np.clip((g.x - cx) / 5.6, -1, 1)) * (1.0 - 0.25 * np.sin(r * 6.0) ** 2)
    bush_rgb = np.stack([bush_val, bush_val, bush_val * 1.03], axis=-1)
    hole = g.coverage(r - 3.0)

    # Bat handle: a tapered cylinder from the pivot to a rounded end, foreshortened
    # towards the viewer. Its tip is the part closest to the light.
    sign = -1.0 if up else 1.0
    length = 10.5
    tip_y = cy + sign * length
    r_base, r_tip = 2.5, 3.4
    # Distance along and across the bat.
    along = np.clip((g.y - cy) * sign / length, 0.0, 1.0)
    half = r_base + (r_tip - r_base) * along
    bat_body = g.coverage(np.maximum(np.abs(g.x - cx) - half, (g.y - cy) * -sign))
    bat_body = bat_body * g.coverage((g.y - tip_y) * sign)
    # The end of the bat is a ball, seen as a round cap.
    tip = g.coverage(np.hypot(g.x - cx, (g.y - tip_y) * 1.15) - r_tip)
    bat = np.maximum(bat_body, tip)

    across = np.clip((g.x - cx) / np.maximum(half, 0.1), -1.0, 1.0)
    shade_along = 0.70 + 0.30 * along
    bat_val = chrome(across) * shade_along
    tip_d = np.hypot(g.x - cx + 0.9, (g.y - tip_y) * 1.15 + 0.9)
    tip_val = 0.35 + 0.65 * np.exp(-((tip_d / 1.6) ** 2)) + 0.15 * np.clip(1.0 - tip_d / r_tip, 0, 1)
    tip_mix = g.coverage(np.hypot(g.x - cx, (g.y - tip_y) * 1.15) - r_tip + 0.2)
    val = np.where(tip_mix > 0.5, np.maximum(tip_val, bat_val * 0.9), bat_val)
    bat_rgb = np.stack([val, val * 1.01, val * 1.05], axis=-1)

    img = g.blank()
    img = A.over(img, shadows(g, washer, [(1.2, 0.8, 1.3, 0.45)]))
    img = A.over(img, layer(washer, washer_rgb))
    img = A.over(img, shadows(g, nut, [(0.7, 0.5, 0.9, 0.55)]) * washer[..., None])
    img = A.over(img, layer(nut, nut_rgb))
    img = A.over(img, layer(bushing, bush_rgb))
    img = A.over(img, layer(hole, (0.03, 0.03, 0.03)))
    # The raised bat throws a longer shadow down and to the right.
    bat_shadow_dx, bat_shadow_dy = (2.6, 2.2) if up else (2.2, 1.6)
    img = A.over(img, shadows(g, bat, [(1.0, bat_shadow_dx, bat_shadow_dy, 0.5)]))
    img = A.over(img, layer(bat, bat_rgb))
    return g.down(img)


# ---------------------------------------------------------------------------
# VU meter: cream scale behind glass, needle with its shadow, black pivot cover.

VU_W, VU_H = 83, 51
VU_PIVOT = (41.5, 70.0)
VU_RADIUS = 45.5
VU_MARKS = [-20, -10, -7, -5, -3, -2, -1, 0, 1, 2, 3]
VU_LABELLED = {-20: "20", -10: "10", -5: "5", -3: "3", 0: "0", 1: "1", 2: "2", 3: "3"}


def _vu_xy(angle_deg, radius):
    return A.polar_xy(VU_PIVOT[0], VU_PIVOT[1], angle_deg, radius)


def vu_face(scale=1):
    """The printed scale, without needle: the same for every frame."""
    w, h = VU_W, VU_H
    surf = A.new_surface(w * scale, h * scale)
    ctx = cairo.Context(surf)
    ctx.scale(scale, scale)

    # Cream paper, a little warmer and darker towards the bottom.
    grad = cairo.LinearGradient(0, 0, 0, h)
    grad.add_color_stop_rgb(0.0, 0.965, 0.925, 0.780)
    grad.add_color_stop_rgb(1.0, 0.905, 0.845, 0.660)
    ctx.set_source(grad)
    ctx.paint()

    px, py = VU_PIVOT
    ink = (0.10, 0.09, 0.08)
    red = (0.78, 0.10, 0.08)
    a_lo = L.vu_angle_deg(L.vu_deflection_for_db(-20))
    a_0 = L.vu_angle_deg(L.vu_deflection_for_db(0))
    a_hi = L.vu_angle_deg(1.0)

    def arc(r, a0, a1):
        ctx.new_path()
        ctx.arc(px, py, r, math.radians(a0 - 90.0), math.radians(a1 - 90.0))

    # Red zone band above the main arc, from 0 to +3.
    ctx.set_source_rgb(*red)
    arc(VU_RADIUS + 0.6, a_0, a_hi)
    ctx.arc_negative(px, py, VU_RADIUS + 3.4, math.radians(a_hi - 90.0), math.radians(a_0 - 90.0))
    ctx.close_path()
    ctx.fill()
    # Main scale arc.
    ctx.set_source_rgb(*ink)
    ctx.set_line_width(0.9)
    arc(VU_RADIUS, a_lo, a_0)
    ctx.stroke()
    ctx.set_source_rgb(*red)
    arc(VU_RADIUS, a_0, a_hi)
    ctx.stroke()

    # Ticks: major ones for labelled marks, short ones in between.
    ctx.set_line_cap(cairo.LINE_CAP_BUTT)
    for db in VU_MARKS:
        a = L.vu_angle_deg(L.vu_deflection_for_db(db))
        major = db in VU_LABELLED or db == -7
        ctx.set_source_rgb(*(red if db > 0 else ink))
        ctx.set_line_width(1.0 if major else 0.8)
        x0, y0 = _vu_xy(a, VU_RADIUS - 0.4)
        x1, y1 = _vu_xy(a, VU_RADIUS + (4.2 if major else 2.8))
        ctx.move_to(x0, y0)
        ctx.line_to(x1, y1)
        ctx.stroke()
    # Fine ticks between -20 and -10.
    for db in (-15,):
        a = L.vu_angle_deg(L.vu_deflection_for_db(db))
        ctx.set_source_rgb(*ink)
        ctx.set_line_width(0.7)
        x0, y0 = _vu_xy(a, VU_RADIUS - 0.4)
        x1, y1 = _vu_xy(a, VU_RADIUS + 2.4)
        ctx.move_to(x0, y0)
        ctx.line_to(x1, y1)
        ctx.stroke()

    # Lower scale: percent of 0 VU, as on a broadcast meter.
    ctx.set_line_width(0.6)
    ctx.set_source_rgb(*ink)
    arc(VU_RADIUS - 4.5, L.vu_angle_deg(0.0), a_0)
    ctx.stroke()
    for pct in (0, 20, 40, 60, 80, 100):
        a = L.vu_angle_deg(pct / 100.0 * L.vu_deflection_for_db(0))
        x0, y0 = _vu_xy(a, VU_RADIUS - 4.5)
        x1, y1 = _vu_xy(a, VU_RADIUS - 6.3)
        ctx.move_to(x0, y0)
        ctx.line_to(x1, y1)
        ctx.stroke()

    # Numbers.
    A.set_font(ctx, A.SANS_CONDENSED, 6.2, bold=True)
    for db, label in VU_LABELLED.items():
        a = L.vu_angle_deg(L.vu_deflection_for_db(db))
        x, y = _vu_xy(a, VU_RADIUS + 8.6)
        ctx.set_source_rgb(*(red if db > 0 else ink))
        A.text_path(ctx, label, x, y + 2.2)
        ctx.fill()
    A.set_font(ctx, A.SANS, 9.0, bold=True)
    ctx.set_source_rgb(*ink)
    A.text_path(ctx, "\u2212", 7.5, 12.0)
    ctx.fill()
    ctx.set_source_rgb(*red)
    A.text_path(ctx, "+", 75.5, 12.0)
    ctx.fill()

    A.set_font(ctx, A.SERIF, 9.0, bold=True)
    ctx.set_source_rgb(*ink)
    A.text_path(ctx, "VU", px, 43.0, spacing=0.6)
    ctx.fill()
    return A.surface_to_array(surf)


def vu_frame(face, deflection, scale=1):
    w, h = VU_W, VU_H
    g = Grid(w, h, scale)
    px, py = VU_PIVOT
    angle = L.vu_angle_deg(deflection)
    ux, uy = direction(angle)
    tip = VU_RADIUS + 6.0
    d_needle = segment_distance(g, px + ux * 14.0, py + uy * 14.0, px + ux * tip, py + uy * tip)
    # Slightly thicker at the base, fine at the tip.
    along = np.clip(((g.x - px) * ux + (g.y - py) * uy - 14.0) / (tip - 14.0), 0.0, 1.0)
    needle = g.coverage(d_needle - (0.62 - 0.22 * along))

    img = np.repeat(np.repeat(face, g.step, axis=0), g.step, axis=1)
    # The needle floats a little above the scale: its shadow lands down and right.
    img = A.over(img, shadows(g, needle, [(0.8, 1.3, 2.0, 0.40)]))
    img = A.over(img, layer(needle, (0.05, 0.05, 0.05)))
    img = g.down(img)

    # Pivot cover: a black moulded hump along the bottom edge.
    cov = A.surface_to_array(_vu_cover(w, h, scale))
    img = A.over(img, cov)
    # Shade of the bezel at the top and left, and a faint reflection on the glass.
    x, y = A.Canvas(w, h, scale).centres()
    inner = np.clip(np.exp(-y / 3.2) * 0.42 + np.exp(-x / 2.6) * 0.22 + np.exp(-(w - x) / 3.5) * 0.10, 0, 0.6)
    img = A.over(img, A.solid(g.h, g.w, (0.0, 0.0, 0.0), inner))
    glare = 0.10 * np.clip(1.0 - np.abs((x * 0.55 + y) - 30.0) / 16.0, 0.0, 1.0) * np.clip(1.0 - y / h, 0.0, 1.0)
    img = A.over(img, A.solid(g.h, g.w, (1.0, 1.0, 1.0), glare))
    # Rounded corners of the window.
    corners = A.mask_of(w, h, lambda c: _round_rect(c, 0, 0, w, h, 2.5), scale)
    return img * corners[..., None]


def _round_rect(ctx, x, y, w, h, r):
    A.round_rect_path(ctx, x, y, w, h, r)
    ctx.fill()


def _vu_cover(w, h, scale):
    surf = A.new_surface(w * scale, h * scale)
    ctx = cairo.Context(surf)
    ctx.scale(scale, scale)
    px = VU_PIVOT[0]
    ctx.save()
    ctx.translate(px, h + 1.5)
    ctx.scale(1.0, 0.42)
    ctx.arc(0, 0, 13.0, math.pi, 2 * math.pi)
    ctx.restore()
    ctx.close_path()
    grad = cairo.LinearGradient(0, h - 5, 0, h)
    grad.add_color_stop_rgb(0.0, 0.20, 0.20, 0.21)
    grad.add_color_stop_rgb(0.35, 0.09, 0.09, 0.10)
    grad.add_color_stop_rgb(1.0, 0.03, 0.03, 0.03)
    ctx.set_source(grad)
    ctx.fill()
    return surf


# ---------------------------------------------------------------------------
# Lamp: a domed red jewel; frame 1 dark, frame 2 lit with a glow.

def lamp_frame(lit, scale=1):
    w = h = 32
    g = Grid(w, h, scale)
    cx = cy = 16.0
    r, _ = g.polar(cx, cy)
    r_lens = 5.6
    lens = g.coverage(r - r_lens)
    # Dome normal from the lens radius.
    rr = np.clip(r / r_lens, 0.0, 0.999)
    nz = np.sqrt(1.0 - rr * rr)
    nx = (g.x - cx) / r_lens
    ny = (g.y - cy) / r_lens
    lam = np.clip(nx * LIGHT[0] + ny * LIGHT[1] + nz * LIGHT[2], 0.0, 1.0)
    shine = specular((nx, ny, nz), 60)
    facets = 0.5 + 0.5 * np.cos(np.arctan2(g.x - cx, g.y - cy) * 8.0)

    img = g.blank()
    if lit:
        # Light spilling from the lens over its bezel, and a faint halo on the plate.
        d = np.clip(r - 4.5, 0.0, None)
        glow_a = 0.42 * np.exp(-((d / 2.6) ** 2)) + 0.16 * np.exp(-((d / 6.5) ** 2))
        glow_a = glow_a * np.clip((15.5 - r) / 5.0, 0.0, 1.0)
        img = A.over(img, g.solid((1.0, 0.16, 0.06), glow_a))
        core = np.exp(-((r / 3.6) ** 2))
        red = 0.92 + 0.08 * core
        green = 0.10 + 0.55 * core + 0.05 * facets * rr
        blue = 0.05 + 0.35 * core
        rgb = np.stack([red, green, blue], axis=-1)
    else:
        base = 0.22 + 0.30 * lam + 0.06 * facets * rr
        rgb = np.stack([base, base * 0.10, base * 0.09], axis=-1)
    img = A.over(img, layer(lens, rgb))
    img = A.over(img, g.solid((1.0, 1.0, 1.0), np.clip(shine * (0.85 if not lit else 0.6), 0, 1) * lens))
    # A dark rim where the lens meets its bezel.
    rim = np.exp(-(((r - r_lens + 0.3) / 0.5) ** 2)) * lens
    img = A.over(img, g.solid((0.05, 0.0, 0.0), rim * (0.5 if lit else 0.7)))
    return g.down(img)
