#!/usr/bin/python3
"""Measure the built Veltrax plug-in through veltrax-render and draw the README's plots.

    make_plots.py [--renderer PATH] [--plugin PATH] [OUTPUT_DIR]

Stops with an error, before drawing anything, if the plug-in does not measure as
documented (high-pass, equaliser corners, record-level shelf, bypass).
"""

import argparse
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import draw  # noqa: E402
import measure  # noqa: E402


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--renderer", default=measure.default_renderer())
    parser.add_argument("--plugin", help="plug-in to load (default: the renderer's own)")
    parser.add_argument("output", nargs="?", default="docs")
    args = parser.parse_args()
    try:
        m = measure.measure_all(args.renderer, args.plugin)
    except measure.MeasurementError as error:
        sys.exit(f"make-plots: {error}")
    figures = measure.figures(m)
    print("\n".join(measure.describe(figures)))
    problems = measure.check(figures)
    if problems:
        for p in problems:
            print(f"make-plots: {p}", file=sys.stderr)
        sys.exit("make-plots: the plug-in does not measure as documented; no plots written")
    for path in draw.draw_all(m, figures, args.output):
        print(f"wrote {path}")


if __name__ == "__main__":
    main()
