"""Where the six images go: the editor's fixed layout, shared by generator and preview."""

import math

PANEL_W, PANEL_H = 700, 160

# file name, frame width, frame height, frame count
IMAGES = {
    "back": ("orvoback.png", 700, 160, 1),
    "reclevel": ("orvoreclevelknob.png", 64, 64, 40),
    "eq": ("orvoeqknob.png", 45, 45, 5),
    "switch": ("orvopowerswitch.png", 40, 40, 2),
    "vu": ("orvoVUmeter.png", 83, 51, 50),
    "light": ("orvolight.png", 32, 32, 2),
}

# Controls in the editor's drawing order: (name, image, x, y).
CONTROLS = [
    ("gain_left", "reclevel", 95, 45),
    ("gain_right", "reclevel", 280, 45),
    ("equalizer", "eq", 195, 55),
    ("power", "switch", 630, 80),
    ("vu_left", "vu", 390, 45),
    ("vu_right", "vu", 485, 45),
    ("lamp", "light", 465, -5),
    ("phones", "switch", 630, 30),
]


def control_centre(name):
    for cname, image, x, y in CONTROLS:
        if cname == name:
            _, fw, fh, _ = IMAGES[image]
            return x + fw / 2.0, y + fh / 2.0
    raise KeyError(name)


def frame_for_value(frames, value):
    """The frame (1-based) the editor shows for a normalised value."""
    f = int(math.trunc((frames - 1) * value + 0.5)) + 1
    return min(max(f, 1), frames)


# Pointer sweep of the record-level knobs: about 270 degrees, 0 = straight up.
KNOB_START_DEG = -135.0
KNOB_SWEEP_DEG = 270.0


def knob_angle_deg(frame, frames=40):
    return KNOB_START_DEG + KNOB_SWEEP_DEG * (frame - 1) / (frames - 1)


# The equaliser is a five-position selector with its stops 60 degrees apart.
EQ_ANGLES_DEG = [-120.0, -60.0, 0.0, 60.0, 120.0]

# VU meter movement: the needle deflects in proportion to the value (a linear
# peak amplitude), and full deflection is +3 VU, so 0 VU sits at 10^(-3/20).
VU_HALF_SWEEP_DEG = 40.0


def vu_deflection_for_db(db):
    return 10.0 ** ((db - 3.0) / 20.0)


def vu_angle_deg(deflection):
    return -VU_HALF_SWEEP_DEG + 2.0 * VU_HALF_SWEEP_DEG * deflection
