#!/usr/bin/python3
"""Draw the six front-panel images of the Veltrax editor.

    generate.py OUTPUT_DIR [SCALE]

writes orvoback.png, orvoreclevelknob.png, orvoeqknob.png, orvopowerswitch.png,
orvoVUmeter.png and orvolight.png into OUTPUT_DIR, at SCALE (1, the default, or
2) times the editor's sizes: every frame is drawn again from the same shapes at
that resolution, not enlarged. The output depends on nothing but this code,
Cairo, numpy and the DejaVu fonts: the same inputs give the same bytes.
"""

import os
import sys

import numpy as np

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import artlib as A  # noqa: E402
import background  # noqa: E402
import controls as C  # noqa: E402
import layout as L  # noqa: E402


def strip(frames):
    """Stack frames top to bottom, as the editor reads them."""
    return np.concatenate(frames, axis=0)


def check_edges(name, frames, limit):
    """A control frame must fade out before its rectangle ends, or it looks cut off."""
    for i, f in enumerate(frames):
        a = f[:, :, 3]
        border = max(a[0, :].max(), a[-1, :].max(), a[:, 0].max(), a[:, -1].max())
        if border * 255.0 > limit:
            raise SystemExit(f"{name}: frame {i + 1} reaches its edge (alpha {border * 255.0:.1f})")


def build(scale):
    images = {}
    images["back"] = [background.background(scale)]

    knob = [C.reclevel_frame(L.knob_angle_deg(f, 40), scale) for f in range(1, 41)]
    check_edges("record-level knob", knob, 2.0)
    images["reclevel"] = knob

    eq = [C.eq_frame(a, scale) for a in L.EQ_ANGLES_DEG]
    check_edges("equaliser knob", eq, 2.0)
    images["eq"] = eq

    switch = [C.switch_frame(False, scale), C.switch_frame(True, scale)]
    check_edges("switch", switch, 2.0)
    images["switch"] = switch

    face = C.vu_face(scale)
    images["vu"] = [C.vu_frame(face, (f - 1) / 49.0, scale) for f in range(1, 51)]

    lamp = [C.lamp_frame(False, scale), C.lamp_frame(True, scale)]
    check_edges("lamp", lamp, 2.0)
    images["light"] = lamp
    return images


def main(argv):
    if len(argv) not in (2, 3) or (len(argv) == 3 and argv[2] not in ("1", "2")):
        print("usage: generate.py OUTPUT_DIR [SCALE: 1 or 2]", file=sys.stderr)
        return 2
    out = argv[1]
    scale = int(argv[2]) if len(argv) == 3 else 1
    os.makedirs(out, exist_ok=True)
    for key, frames in build(scale).items():
        name, fw, fh, count = L.IMAGES[key]
        fw, fh = fw * scale, fh * scale
        assert len(frames) == count and all(f.shape[:2] == (fh, fw) for f in frames), key
        path = os.path.join(out, name)
        A.write_png(path, A.to_straight_rgba8(strip(frames)))
        print(f"wrote {path} ({fw} x {fh * count}, {count} frame{'s' if count > 1 else ''})")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
