#!/usr/bin/env bash
# Measures the built plug-in through veltrax-render (test signals in float WAV
# files, rendered, read back) and draws the README's response plots into docs/.
# Stops with an error, writing nothing, if the plug-in does not measure as the
# README describes. Needs Debian's python3-numpy and python3-matplotlib
# (scripts/setup.sh installs them). Same plug-in, same packages: same bytes.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

# Debian's interpreter, where the packages above live (not a private Python on PATH).
py=/usr/bin/python3
if ! "$py" -c "import numpy, matplotlib" 2>/dev/null; then
  echo "make-plots: $py with numpy and matplotlib is needed: run 'bash scripts/setup.sh' as root" >&2
  exit 1
fi

build=${VELTRAX_BUILD_DIR:-$root/build/linux}
bash scripts/build.sh >/dev/null
"$py" tools/plots/make_plots.py --renderer "$build/tools/veltrax-render" docs
