#!/usr/bin/env bash
# Draws the README's panel picture, docs/panel.png, with the product's own
# editor: veltrax-snapshot after one block of the built-in demo, every
# parameter at its default, at twice the size (the README shows it 700 px
# wide, sharp on high-resolution screens too). Same code: same bytes.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

build=${VELTRAX_BUILD_DIR:-$root/build/linux}
bash scripts/build.sh >/dev/null
mkdir -p docs
"$build/tools/veltrax-snapshot" --demo --blocks 1 --scale 2 docs/panel.png
echo "panel: docs/panel.png"
