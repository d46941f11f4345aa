"""Measure the built Veltrax plug-in through veltrax-render, the way an audio engineer would.

Every figure here comes from rendering a test signal (a float WAV file) through the
plug-in binary and reading the result back; nothing models the signal path. The
drawing lives in draw.py, so the test can run this module with numpy alone.

    measure.py [--renderer PATH] [--plugin PATH]

measures, prints the figures and exits non-zero when the plug-in does not measure
as documented.
"""

import argparse
import os
import shlex
import subprocess
import sys
import tempfile

import numpy as np

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import wavfile  # noqa: E402

# The equaliser and high-pass coefficients are fixed for this rate (they do not follow
# the host's rate), so every measurement runs at it.
RATE = 44100

RECORD_LEVELS = (25, 50, 100, 150, 200)
TRANSFER_LEVELS = (50, 100, 200)
EQ_POSITIONS = (1, 2, 3, 4, 5)

# Corners of equaliser positions 1 to 4 as the README gives them (Hz).
EQ_CORNERS = {1: 9000.0, 2: 3200.0, 3: 1800.0, 4: 1400.0}
HIGH_PASS_HZ = 35.0

IMPULSE_DB = -80.0      # low enough that the saturator's curve and the headphones stage stay straight
IMPULSE_FRAMES = 32768  # per impulse; the slowest section (the 35 Hz high-pass) dies away long before
FFT_SIZE = 1 << 18      # zero padding: the spectrum on a 0.17 Hz grid

TONE_HZ = 1000.0
TONE_PERIOD_FRAMES = 441         # ten periods of 1 kHz at 44.1 kHz
STEP_FRAMES = 15 * TONE_PERIOD_FRAMES   # 150 ms per level step
STEP_SETTLE_FRAMES = 5 * TONE_PERIOD_FRAMES  # the filters settle after each level change
STEP_LEVELS_DB = np.arange(-40.0, 6.25, 0.5)

HARMONIC_HZ = 100.0
HARMONIC_FRAMES = RATE * 3 // 2  # 1.5 s; the last second (100 whole periods) is analysed


def db(x):
    return 20.0 * np.log10(np.maximum(np.abs(x), 1e-30))


class MeasurementError(Exception):
    pass


def settings(gain=100, eq=1, power="on", headphones="off"):
    """Every parameter the signal path reads, set explicitly on both channels."""
    return [("Gain Left", gain), ("Gain Right", gain), ("Equalizer", eq),
            ("Headphones On/Off", headphones), ("Power On/Off", power)]


class Renderer:
    """Runs veltrax-render on signals written to float WAV files in a scratch folder."""

    def __init__(self, renderer, plugin=None, folder=None):
        self.renderer = renderer
        self.plugin = plugin
        self.folder = folder
        self.count = 0

    def render(self, signal, params, double=True):
        """Render a mono signal on both channels; returns the left channel.

        Both channels get the same input and settings, so they must come back equal.
        """
        self.count += 1
        name = os.path.join(self.folder, f"signal{self.count:02d}")
        stereo = np.column_stack([signal, signal])
        wavfile.write(name + "-in.wav", stereo, RATE, bits=64 if double else 32)
        command = [self.renderer, "-q"]
        if self.plugin:
            command += ["--plugin", self.plugin]
        if double:
            command.append("--double")
        for key, value in params:
            command += ["--set", f"{key}={value}"]
        command += [name + "-in.wav", name + "-out.wav"]
        done = subprocess.run(command, capture_output=True, text=True)
        if done.returncode != 0:
            raise MeasurementError(f"{shlex.join(command)} failed ({done.returncode}): "
                                   f"{done.stderr.strip()}")
        out, rate = wavfile.read(name + "-out.wav")
        os.remove(name + "-in.wav")
        os.remove(name + "-out.wav")
        if rate != RATE or out.shape != stereo.shape:
            raise MeasurementError(f"the renderer returned {out.shape} at {rate} Hz "
                                   f"for {stereo.shape} at {RATE} Hz")
        if not np.array_equal(out[:, 0], out[:, 1]):
            raise MeasurementError(f"left and right differ for the same input and settings {params}")
        return out[:, 0]


class Response:
    """Complex frequency response from an impulse response, on a fine linear grid."""

    def __init__(self, impulse_response):
        spectrum = np.fft.rfft(impulse_response, FFT_SIZE)
        self.freq = np.fft.rfftfreq(FFT_SIZE, 1.0 / RATE)
        self.h = spectrum
        self.level = db(spectrum)
        self.phase = np.degrees(np.unwrap(np.angle(spectrum)))

    def at(self, hz):
        """Level in dB at the given frequencies."""
        return np.interp(hz, self.freq, self.level)

    def complex_at(self, hz):
        return self.h[int(round(hz * FFT_SIZE / RATE))]

    def crossing(self, curve, value, low, high):
        """First frequency in [low, high] where curve passes value (linear interpolation)."""
        inside = np.nonzero((self.freq >= low) & (self.freq <= high))[0]
        c = curve[inside] - value
        sign_change = np.nonzero(np.signbit(c[:-1]) != np.signbit(c[1:]))[0]
        if len(sign_change) == 0:
            return float("nan")
        i = inside[sign_change[0]]
        f0, f1, v0, v1 = self.freq[i], self.freq[i + 1], curve[i] - value, curve[i + 1] - value
        return float(f0 + (f1 - f0) * v0 / (v0 - v1))


def impulse_response(r, params):
    """The linear part of the response, from a pair of impulses of opposite polarity.

    Even at low level the saturator lifts positive half-waves more than negative ones
    (at 100 % by +20 % and -20 %, an even-order term); half the difference of the two
    responses cancels that term and leaves what a sine's fundamental sees.
    """
    amplitude = 10.0 ** (IMPULSE_DB / 20.0)
    signal = np.zeros(2 * IMPULSE_FRAMES)
    signal[0], signal[IMPULSE_FRAMES] = amplitude, -amplitude
    out = r.render(signal, params)
    return Response((out[:IMPULSE_FRAMES] - out[IMPULSE_FRAMES:]) / (2.0 * amplitude))


def stepped_tone():
    """A 1 kHz sine that steps through STEP_LEVELS_DB (peak dBFS), 150 ms per level."""
    amplitudes = np.repeat(10.0 ** (STEP_LEVELS_DB / 20.0), STEP_FRAMES)
    n = np.arange(len(amplitudes))
    return amplitudes * np.sin(2.0 * np.pi * TONE_HZ * n / RATE)


def tone_levels(output):
    """Per level step: peak level (dBFS) of the 1 kHz fundamental and THD (%) of the settled part.

    The analysed part holds whole periods, so the fundamental and each harmonic fall on
    exact DFT bins.
    """
    window = STEP_FRAMES - STEP_SETTLE_FRAMES
    steps = output.reshape(len(STEP_LEVELS_DB), STEP_FRAMES)[:, STEP_SETTLE_FRAMES:]
    spectrum = np.abs(np.fft.rfft(steps, axis=1)) * 2.0 / window
    per_harmonic = int(round(TONE_HZ * window / RATE))
    lines = spectrum[:, per_harmonic::per_harmonic]
    thd = 100.0 * np.sqrt(np.sum(lines[:, 1:] ** 2, axis=1)) / lines[:, 0]
    return db(lines[:, 0]), thd


def transfer(r, params):
    """(input dBFS, output dBFS of the fundamental, THD %) of the stepped 1 kHz tone."""
    level, thd = tone_levels(r.render(stepped_tone(), params))
    return STEP_LEVELS_DB.copy(), level, thd


def harmonics(r):
    """Amplitudes (dBFS, peak) of the harmonics of a 0 dBFS 100 Hz sine at record level 100 %.

    The analysed second holds exactly 100 periods, so each harmonic falls on its own
    bin and nothing leaks between them: no window is needed.
    """
    n = np.arange(HARMONIC_FRAMES)
    out = r.render(np.sin(2.0 * np.pi * HARMONIC_HZ * n / RATE), settings())
    spectrum = np.fft.rfft(out[-RATE:]) * 2.0 / RATE
    bins = np.arange(1, int(RATE / 2 / HARMONIC_HZ) + 1) * int(HARMONIC_HZ)
    return bins.astype(float), db(spectrum[bins])


def bypass_is_identity(r):
    """Power off must hand back the input bit for bit in both precisions, whatever else is set."""
    rng = np.random.default_rng(7)
    signal = np.concatenate([rng.uniform(-2.0, 2.0, 4096), [1.0, -1.0, 0.0, 1e-30, -0.0]])
    params = settings(gain=150, eq=5, power="off", headphones="on")
    return {
        "double": np.array_equal(r.render(signal, params, double=True), signal),
        "single": np.array_equal(r.render(signal.astype(np.float32), params, double=False),
                                 signal.astype(np.float32)),
    }


def measure_all(renderer, plugin=None):
    """Render every test signal; returns a dict of raw measurements."""
    with tempfile.TemporaryDirectory(prefix="veltrax-plots-") as folder:
        r = Renderer(renderer, plugin, folder)
        m = {
            "eq": {p: impulse_response(r, settings(eq=p)) for p in EQ_POSITIONS},
            "record": {g: impulse_response(r, settings(gain=g)) for g in RECORD_LEVELS if g != 100},
            "headphones": impulse_response(r, settings(headphones="on")),
            "power_off": impulse_response(r, settings(power="off")),
            "transfer": {g: transfer(r, settings(gain=g)) for g in TRANSFER_LEVELS},
            "transfer_headphones": transfer(r, settings(headphones="on")),
            "transfer_power_off": transfer(r, settings(power="off")),
            "harmonics": harmonics(r),
            "bypass": bypass_is_identity(r),
        }
        m["record"][100] = m["eq"][1]
        m["renders"] = r.count
    return m


def figures(m):
    """The numbers the design and the README give, as measured."""
    f = {}
    flat = m["record"][200]  # the low shelf is nearly flat at 200 %: the high-pass alone shows
    ref = flat.at(1000.0)
    f["hp_minus3"] = flat.crossing(flat.level, ref - 3.0, 5.0, 200.0)
    f["hp_corner"] = flat.crossing(flat.phase, 90.0, 5.0, 200.0)

    f["eq_minus3"], f["eq_corner"] = {}, {}
    for p in EQ_CORNERS:
        resp = m["eq"][p]
        low = resp.at(200.0)
        f["eq_minus3"][p] = resp.crossing(resp.level, low - 3.0, 300.0, 20000.0)
        f["eq_corner"][p] = resp.crossing(resp.phase, -90.0, 300.0, 20000.0)
    five = m["eq"][5]
    top = (five.freq > 2000.0) & (five.freq < 20000.0)
    peak = np.argmax(np.where(top, five.level, -np.inf))
    f["eq5_peak_hz"] = float(five.freq[peak])
    f["eq5_peak_db"] = float(five.level[peak])
    f["eq5_1k_db"] = float(five.at(1000.0))

    # The shelf's own gain: the ratio against record level 200 % (shelf nearly flat)
    # at 2 Hz cancels the common high-pass, each normalised to its 1 kHz level.
    f["level_1k"], f["low_lift"], f["low_lift_hz"], f["shelf_vs_200"] = {}, {}, {}, {}
    for g in RECORD_LEVELS:
        resp = m["record"][g]
        at1k = resp.at(1000.0)
        low = (resp.freq > 10.0) & (resp.freq < 500.0)
        i = np.argmax(np.where(low, resp.level, -np.inf))
        f["level_1k"][g] = float(at1k)
        f["low_lift"][g] = float(resp.level[i] - at1k)
        f["low_lift_hz"][g] = float(resp.freq[i])
        f["shelf_vs_200"][g] = float((resp.at(2.0) - at1k) - (flat.at(2.0) - ref))

    on, off = m["headphones"].complex_at(1000.0), m["eq"][1].complex_at(1000.0)
    f["headphones_gain_db"] = float(db(on / off))
    f["headphones_inverted"] = bool((on / off).real < 0)

    f["small_signal"], f["at_0dbfs"], f["ceiling"], f["thd_quiet"] = {}, {}, {}, {}
    for g, (x, y, thd) in m["transfer"].items():
        f["small_signal"][g] = float(y[0] - x[0])
        f["thd_quiet"][g] = float(thd[x == -20.0][0])
        f["at_0dbfs"][g] = float(y[x == 0.0][0])
        f["ceiling"][g] = float(y.max())

    freq, level = m["harmonics"]
    amps = 10.0 ** (level / 20.0)
    f["thd_percent"] = float(100.0 * np.sqrt(np.sum(amps[1:] ** 2)) / amps[0])
    f["h1_db"] = float(level[0])
    f["h2_dbc"], f["h3_dbc"] = float(level[1] - level[0]), float(level[2] - level[0])
    f["bypass"] = m["bypass"]
    f["power_off_flat_db"] = float(np.max(np.abs(m["power_off"].level)))
    return f


def at_hz(value):
    return "nowhere in the range searched" if np.isnan(value) else f"at {value:.0f} Hz"


def check(f):
    """Problems found, as sentences; empty when the plug-in measures as documented."""
    problems = []

    def expect(ok, text):
        if not ok:
            problems.append(text)

    # A 35 Hz second-order high-pass with Q 0.667 is 3 dB down at about 37 Hz.
    expect(32.0 <= f["hp_minus3"] <= 40.0,
           f"high-pass -3 dB point {at_hz(f['hp_minus3'])}, expected 32 to 40 Hz")
    expect(abs(f["hp_corner"] / HIGH_PASS_HZ - 1.0) <= 0.05,
           f"high-pass corner (phase +90 deg) {at_hz(f['hp_corner'])}, expected 35 Hz +-5 %")
    for p, hz in EQ_CORNERS.items():
        corner = f["eq_corner"][p]
        expect(abs(corner / hz - 1.0) <= 0.05,
               f"equaliser {p}: corner (phase -90 deg) {at_hz(corner)}, expected {hz:.0f} Hz +-5 %")
        expect(corner < f["eq_minus3"][p] < 1.35 * corner,
               f"equaliser {p}: -3 dB point {at_hz(f['eq_minus3'][p])}, "
               "expected between its corner and 35 % above it")
    expect(14000.0 <= f["eq5_peak_hz"] <= 16500.0 and f["eq5_peak_db"] - f["eq5_1k_db"] >= 6.0,
           f"equaliser 5: peak {f['eq5_peak_db'] - f['eq5_1k_db']:+.1f} dB at "
           f"{f['eq5_peak_hz']:.0f} Hz, expected a resonance of 6 dB or more near 15 kHz")
    expect(abs(f["eq5_1k_db"] - 2.3) <= 0.3,
           f"equaliser 5: {f['eq5_1k_db']:+.2f} dB at 1 kHz, expected about +2.3 dB")

    # The record level is the saturator's drive: small signals gain 20 log10(level / 100) dB;
    # the low shelf lifts 6 dB more for every 100 % the level lies below 200 %.
    for g in RECORD_LEVELS:
        gain = 20.0 * np.log10(g / 100.0)
        expect(abs(f["level_1k"][g] - gain) <= 0.2,
               f"record level {g} %: {f['level_1k'][g]:+.2f} dB at 1 kHz, expected {gain:+.2f} dB")
        shelf = 6.0 * (200 - g) / 100.0
        expect(abs(f["shelf_vs_200"][g] - shelf) <= 0.25,
               f"record level {g} %: low shelf {f['shelf_vs_200'][g]:+.2f} dB above the 200 % one, "
               f"expected {shelf:+.2f} dB")
    for g in TRANSFER_LEVELS:
        gain = 20.0 * np.log10(g / 100.0)
        expect(abs(f["small_signal"][g] - gain) <= 0.2,
               f"record level {g} %: a -40 dBFS tone gains {f['small_signal'][g]:+.2f} dB, "
               f"expected {gain:+.2f} dB")
        # The saturator's output stays below 1.01: a squared-off 1 kHz wave has a
        # fundamental of at most 4/pi of that (+2.2 dBFS).
        expect(f["ceiling"][g] <= 2.5,
               f"record level {g} %: the fundamental reaches {f['ceiling'][g]:+.2f} dBFS, "
               f"expected the saturator to hold it below +2.5 dBFS")

    expect(abs(f["headphones_gain_db"] - 9.03) <= 0.2 and f["headphones_inverted"],
           f"headphones stage: small-signal gain {f['headphones_gain_db']:+.2f} dB "
           f"({'inverted' if f['headphones_inverted'] else 'not inverted'}), "
           "expected +9.03 dB with the polarity inverted")
    for precision, same in f["bypass"].items():
        expect(same, f"power off does not pass the input through bit for bit ({precision} precision)")
    expect(f["power_off_flat_db"] == 0.0,
           f"power off: the response deviates {f['power_off_flat_db']:.2g} dB from flat")
    return problems


def describe(f):
    """The measured figures as text lines."""
    lines = [
        f"high-pass: -3 dB at {f['hp_minus3']:.1f} Hz, corner (phase +90 deg) {f['hp_corner']:.1f} Hz "
        "(record level 200 %)",
    ]
    for p in EQ_CORNERS:
        lines.append(f"equaliser {p}: corner (phase -90 deg) {f['eq_corner'][p]:.0f} Hz, "
                     f"-3 dB at {f['eq_minus3'][p]:.0f} Hz")
    lines.append(f"equaliser 5: peak {f['eq5_peak_db']:+.2f} dB at {f['eq5_peak_hz']:.0f} Hz, "
                 f"{f['eq5_1k_db']:+.2f} dB at 1 kHz")
    for g in RECORD_LEVELS:
        lift = (f"low end lifted {f['low_lift'][g]:+.2f} dB at {f['low_lift_hz'][g]:.0f} Hz over 1 kHz"
                if f["low_lift"][g] >= 0.05 else "no low-end lift over 1 kHz")
        lines.append(f"record level {g:3d} %: {f['level_1k'][g]:+.2f} dB at 1 kHz, {lift}, "
                     f"shelf {f['shelf_vs_200'][g]:+.2f} dB over the 200 % one")
    for g in TRANSFER_LEVELS:
        lines.append(f"1 kHz tone at record level {g:3d} %: -40 dBFS gains {f['small_signal'][g]:+.2f} dB, "
                     f"0 dBFS gives {f['at_0dbfs'][g]:+.2f} dBFS, highest {f['ceiling'][g]:+.2f} dBFS, "
                     f"THD at -20 dBFS {f['thd_quiet'][g]:.1f} %")
    lines.append(f"headphones stage: {f['headphones_gain_db']:+.2f} dB for small signals, "
                 f"polarity {'inverted' if f['headphones_inverted'] else 'kept'}")
    lines.append(f"0 dBFS 100 Hz at 100 %: fundamental {f['h1_db']:+.2f} dBFS, THD {f['thd_percent']:.2f} %, "
                 f"2nd {f['h2_dbc']:.1f} dBc, 3rd {f['h3_dbc']:.1f} dBc")
    lines.append("power off: bit for bit identical in "
                 + " and ".join(p for p, same in f["bypass"].items() if same) + " precision")
    return lines


def default_renderer():
    root = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    return os.path.join(root, "build", "linux", "tools", "veltrax-render")


def main():
    parser = argparse.ArgumentParser(description="Measure Veltrax through veltrax-render.")
    parser.add_argument("--renderer", default=default_renderer())
    parser.add_argument("--plugin", help="plug-in to load (default: the renderer's own)")
    args = parser.parse_args()
    f = figures(measure_all(args.renderer, args.plugin))
    print("\n".join(describe(f)))
    problems = check(f)
    for p in problems:
        print(f"measure: {p}", file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except MeasurementError as error:
        sys.exit(f"measure: {error}")
