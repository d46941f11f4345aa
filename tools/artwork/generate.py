#!/usr/bin/python3
"""Draw the six front-panel images of the Veltrax editor.

    generate.py OUTPUT_DIR

writes orvoback.png, orvoreclevelknob.png, orvoeqknob.png, orvopowerswitch.png,
orvoVUmeter.png and orvolight.png into OUTPUT_DIR. The output depends on nothing
but this code, Cairo, numpy and the DejaVu fonts: the same inputs give the same bytes.
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


def build():
    images = {}
    images["back"] = [background.background()]

    knob = [C.reclevel_frame(L.knob_angle_deg(f, 40)) for f in range(1, 41)]
    check_edges("record-level knob", knob, 2.0)
    images["reclevel"] = knob

    eq = [C.eq_frame(a) for a in L.EQ_ANGLES_DEG]
    check_edges("equaliser knob", eq, 2.0)
    images["eq"] = eq

    switch = [C.switch_frame(False), C.switch_frame(True)]
    check_edges("switch", switch, 2.0)
    images["switch"] = switch

    face = C.vu_face()
    images["vu"] = [C.vu_frame(face, (f - 1) / 49.0) for f in range(1, 51)]

    lamp = [C.lamp_frame(False), C.lamp_frame(True)]
    check_edges("lamp", lamp, 2.0)
    images["light"] = lamp
    return images


def main(argv):
    if len(argv) != 2:
        print("usage: generate.py OUTPUT_DIR", file=sys.stderr)
        return 2
    out = argv[1]
    os.makedirs(out, exist_ok=True)
    for key, frames in build().items():
        name, fw, fh, count = L.IMAGES[key]
        assert len(frames) == count and all(f.shape[:2] == (fh, fw) for f in frames), key
        path = os.path.join(out, name)
        A.write_png(path, A.to_straight_rgba8(strip(frames)))
        print(f"wrote {path} ({fw} x {fh * count}, {count} frame{'s' if count > 1 else ''})")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
