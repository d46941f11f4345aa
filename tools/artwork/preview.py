#!/usr/bin/python3
"""Compose the front panel from the six images exactly as the editor draws it.

    preview.py IMAGE_DIR OUTPUT_DIR

writes panel-default.png (the state after loading: record levels at sqrt(0.5),
equaliser position 1, power on, headphones off, meters at rest, lamp dark) and
panel-busy.png (meters high, lamp lit, other settings changed) into OUTPUT_DIR.

The images may be the 1x or the 2x set (told apart by the background's width);
the 2x panel places every control at twice its position. The background is
copied as it is; every control frame is then blended onto it
with the editor's straight-alpha source-alpha copy at full opacity, in integer
arithmetic: transparent pixels are skipped, opaque ones replace the colour, and
partial ones keep (255 - alpha) / 256 of the destination. The lamp's rectangle
starts above the panel and is clipped there.
"""

import math
import os
import sys

import numpy as np

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import artlib as A  # noqa: E402
import layout as L  # noqa: E402


def blend_source_alpha(dest, src, x, y):
    """Blit src (straight RGBA uint8) onto dest at (x, y), clipped to dest."""
    sh, sw = src.shape[:2]
    dh, dw = dest.shape[:2]
    sx0, sy0 = max(0, -x), max(0, -y)
    dx0, dy0 = max(0, x), max(0, y)
    cols = min(sw - sx0, dw - dx0)
    rows = min(sh - sy0, dh - dy0)
    if cols <= 0 or rows <= 0:
        return
    s = src[sy0 : sy0 + rows, sx0 : sx0 + cols].astype(np.int32)
    d = dest[dy0 : dy0 + rows, dx0 : dx0 + cols].astype(np.int32)
    sa = s[:, :, 3:4]
    # Integer division truncating toward zero, as the editor's blend does.
    diff = (d[:, :, :3] - s[:, :, :3]) * (255 - sa)
    mixed = s[:, :, :3] + np.sign(diff) * (np.abs(diff) // 256)
    colour = np.where(sa == 255, s[:, :, :3], mixed)
    alpha = np.where(sa == 255, 255, np.minimum(255, d[:, :, 3:4] + sa))
    out = np.concatenate([colour, alpha], axis=-1)
    out = np.where(sa == 0, d, out)
    dest[dy0 : dy0 + rows, dx0 : dx0 + cols] = out.astype(np.uint8)


def compose(images, values):
    back = images["back"]
    scale = back.shape[1] // L.PANEL_W
    panel = back.copy()  # the background is drawn as a plain copy
    for name, image, x, y in L.CONTROLS:
        _, fw, fh, frames = L.IMAGES[image]
        fh *= scale
        frame = L.frame_for_value(frames, values[name])
        src = images[image][(frame - 1) * fh : frame * fh]
        blend_source_alpha(panel, src, x * scale, y * scale)
    return panel


DEFAULT = {
    "gain_left": math.sqrt(0.5),
    "gain_right": math.sqrt(0.5),
    "equalizer": 0.0,
    "power": 1.0,
    "vu_left": 0.0,
    "vu_right": 0.0,
    "lamp": 0.0,
    "phones": 0.0,
}

BUSY = {
    "gain_left": 0.86,
    "gain_right": 0.80,
    "equalizer": 0.5,
    "power": 1.0,
    "vu_left": 0.84,
    "vu_right": 0.71,
    "lamp": 1.0,
    "phones": 1.0,
}


def main(argv):
    if len(argv) != 3:
        print("usage: preview.py IMAGE_DIR OUTPUT_DIR", file=sys.stderr)
        return 2
    src, out = argv[1], argv[2]
    images = {key: A.read_png(os.path.join(src, entry[0])) for key, entry in L.IMAGES.items()}
    os.makedirs(out, exist_ok=True)
    for label, values in (("default", DEFAULT), ("busy", BUSY)):
        path = os.path.join(out, f"panel-{label}.png")
        A.write_png(path, compose(images, values))
        print(f"wrote {path}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
