"""Draw the measurements of measure.py as PNG plots for the README.

One look for all: 7 inches wide at 150 dpi, DejaVu Sans, ordered series (equaliser
positions, record levels) in one sequential colour map, power off in dashed grey.
The files carry no software or date stamp, so the same measurements give the same bytes.
"""

import os

import matplotlib

matplotlib.use("Agg")

import matplotlib.pyplot as plt  # noqa: E402
import numpy as np  # noqa: E402
from matplotlib.ticker import FixedLocator, FuncFormatter, NullLocator  # noqa: E402

import measure as M  # noqa: E402

WIDTH_IN = 7.0
DPI = 150
POWER_OFF = dict(color="0.45", linestyle=(0, (4, 3)), linewidth=1.2, label="power off")
FREQ_TICKS = [10, 20, 50, 100, 200, 500, 1000, 2000, 5000, 10000, 20000]

STYLE = {
    "font.family": "DejaVu Sans",
    "font.size": 9.5,
    "axes.titlesize": 10.5,
    "axes.labelsize": 9.5,
    "legend.fontsize": 8.5,
    "axes.grid": True,
    "grid.color": "0.88",
    "grid.linewidth": 0.7,
    "axes.edgecolor": "0.35",
    "axes.spines.top": False,
    "axes.spines.right": False,
    "lines.linewidth": 1.6,
    "legend.frameon": True,
    "legend.framealpha": 0.92,
    "legend.edgecolor": "0.8",
}


def series_colours(count):
    """Dark to light along one colour map, so order reads at a glance."""
    return [plt.get_cmap("viridis")(v) for v in np.linspace(0.0, 0.85, count)]


def hz_label(f, _=None):
    return f"{f / 1000:g}k" if f >= 1000 else f"{f:g}"


def frequency_axis(ax, low=10.0, high=20000.0, ticks=FREQ_TICKS):
    ax.set_xscale("log")
    ax.set_xlim(low, high)
    ax.xaxis.set_major_locator(FixedLocator([f for f in ticks if low <= f <= high]))
    ax.xaxis.set_major_formatter(FuncFormatter(hz_label))
    if ticks is FREQ_TICKS:
        ax.xaxis.set_minor_locator(NullLocator())
    ax.set_xlabel("Frequency (Hz)")


def plot_response(ax, response, **style):
    keep = (response.freq >= 9.0) & (response.freq <= 21000.0)
    freq = response.freq[keep]
    # The fine FFT grid is far denser than a pixel at high frequencies: thin it out
    # evenly on the log axis so the file stays small.
    picks = np.unique(np.searchsorted(freq, np.geomspace(freq[0], freq[-1], 1200)))
    picks = picks[picks < len(freq)]
    ax.plot(freq[picks], response.level[keep][picks], **style)


def save(fig, folder, name):
    path = os.path.join(folder, name)
    fig.savefig(path, dpi=DPI, metadata={"Software": None})
    plt.close(fig)
    return path


def equaliser(m, folder):
    fig, ax = plt.subplots(figsize=(WIDTH_IN, 3.9), layout="constrained")
    names = {1: "1 (corner 9 kHz)", 2: "2 (3.2 kHz)", 3: "3 (1.8 kHz)", 4: "4 (1.4 kHz)", 5: "5 (resonant)"}
    for p, colour in zip(M.EQ_POSITIONS, series_colours(len(M.EQ_POSITIONS))):
        plot_response(ax, m["eq"][p], color=colour, label=names[p])
    plot_response(ax, m["power_off"], **POWER_OFF)
    frequency_axis(ax)
    ax.set_ylim(-42, 18)
    ax.set_ylabel("Level (dB)")
    ax.set_title("Equaliser positions (record level 100 %, headphones off)")
    ax.legend(title="Equalizer", loc="lower left", ncol=2)
    return save(fig, folder, "response-equalizer.png")


def record_level(m, folder):
    fig, ax = plt.subplots(figsize=(WIDTH_IN, 3.9), layout="constrained")
    for g, colour in zip(M.RECORD_LEVELS, series_colours(len(M.RECORD_LEVELS))):
        plot_response(ax, m["record"][g], color=colour, label=f"{g} %")
    plot_response(ax, m["power_off"], **POWER_OFF)
    frequency_axis(ax)
    ax.set_ylim(-36, 12)
    ax.set_ylabel("Level (dB)")
    ax.set_title("Record levels (equaliser 1, headphones off)")
    ax.axvline(35.0, color="0.6", linewidth=0.8, linestyle=":")
    ax.annotate("35 Hz high-pass", xy=(35.0, 9.0), xytext=(38.0, 9.0), fontsize=8.5, color="0.35", va="center")
    ax.legend(title="Record level", loc="lower center", ncol=3)
    return save(fig, folder, "response-record-level.png")


def headphones(m, folder):
    fig, (left, right) = plt.subplots(1, 2, figsize=(WIDTH_IN, 3.4), layout="constrained",
                                      gridspec_kw={"width_ratios": [1.25, 1.0]})
    off, on = series_colours(2)
    plot_response(left, m["eq"][1], color=off, label="headphones off")
    plot_response(left, m["headphones"], color=on, label="headphones on")
    plot_response(left, m["power_off"], **POWER_OFF)
    frequency_axis(left, ticks=[10, 100, 1000, 10000])  # a narrow panel: decades only
    left.set_ylim(-30, 18)
    left.set_ylabel("Level (dB)")
    left.set_title("Small signals")
    left.legend(loc="lower center")

    x, y, _ = m["transfer"][100]
    right.plot(x, y, color=off, label="headphones off")
    x, y, _ = m["transfer_headphones"]
    right.plot(x, y, color=on, label="headphones on")
    x, y, _ = m["transfer_power_off"]
    right.plot(x, y, **POWER_OFF)
    level_axes(right, step=10)
    right.set_ylim(-42, 12)
    right.set_title("1 kHz sine, level in and out")
    right.legend(loc="upper left")
    fig.suptitle("Headphones stage (record level 100 %, equaliser 1)", fontsize=10.5)
    return save(fig, folder, "response-headphones.png")


def level_axes(ax, step=5):
    ax.set_xlim(-40, 6)
    ax.set_xticks(range(-40, 7, step))
    ax.set_xlabel("Input level (dBFS, sine peak)")
    ax.set_ylabel("Output level (dBFS, fundamental)")


def saturation(m, folder):
    fig, (top, bottom) = plt.subplots(2, 1, figsize=(WIDTH_IN, 5.8), layout="constrained", sharex=True)
    colours = series_colours(len(M.RECORD_LEVELS))
    by_level = dict(zip(M.RECORD_LEVELS, colours))
    for g in M.TRANSFER_LEVELS:
        x, y, thd = m["transfer"][g]
        top.plot(x, y, color=by_level[g], label=f"{g} %")
        bottom.plot(x, thd, color=by_level[g], label=f"{g} %")
    x, y, _ = m["transfer_power_off"]
    top.plot(x, y, **POWER_OFF)
    level_axes(top)
    top.set_xlabel("")
    top.set_ylim(-48, 10)
    top.set_title("Saturation: 1 kHz sine, level in and out (equaliser 1)")
    top.legend(title="Record level", loc="lower right")
    bottom.set_xlabel("Input level (dBFS, sine peak)")
    bottom.set_ylabel("THD (%)")
    bottom.set_ylim(0, 40)
    bottom.set_title("Harmonic distortion of the same sine")
    bottom.legend(title="Record level", loc="upper left")
    return save(fig, folder, "saturation.png")


def harmonics(m, folder, figures):
    freq, level = m["harmonics"]
    fig, ax = plt.subplots(figsize=(WIDTH_IN, 3.6), layout="constrained")
    floor = -130.0
    colour = series_colours(len(M.RECORD_LEVELS))[2]
    ax.vlines(freq, floor, level, color=colour, linewidth=1.0)
    ax.plot(freq[:10], level[:10], "o", color=colour, markersize=3.5)
    frequency_axis(ax, 50.0, 22050.0)
    ax.set_ylim(floor, 10)
    ax.set_ylabel("Level (dBFS, peak)")
    ax.set_title("Harmonics of a 0 dBFS 100 Hz sine (record level 100 %, equaliser 1)")
    ax.text(0.985, 0.95, f"THD {figures['thd_percent']:.1f} %\n"
            f"2nd {figures['h2_dbc']:.1f} dBc, 3rd {figures['h3_dbc']:.1f} dBc",
            transform=ax.transAxes, ha="right", va="top", fontsize=8.5,
            bbox=dict(boxstyle="round,pad=0.35", facecolor="white", edgecolor="0.8"))
    return save(fig, folder, "harmonics.png")


def draw_all(m, figures, folder):
    """Write every plot into folder; returns the paths."""
    os.makedirs(folder, exist_ok=True)
    with plt.rc_context(STYLE):
        return [equaliser(m, folder), record_level(m, folder), headphones(m, folder),
                saturation(m, folder), harmonics(m, folder, figures)]
