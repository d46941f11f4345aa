#!/usr/bin/env bash
# Redraws the six front-panel images into resources/img/, and at twice the
# resolution into resources/img@2x/, and composes the panel previews:
# docs/panel-default.png and build/artwork-preview/panel-busy.png, and the 2x
# panel in build/artwork-preview/2x/. (The
# README shows docs/panel.png, drawn by the plug-in's own editor: rerun
# scripts/make-panel-picture.sh after changing the images.)
# Needs Debian's python3-cairo, python3-numpy, python3-pil and the DejaVu fonts
# (scripts/setup.sh installs them). Same code, same packages: same bytes.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

# Debian's interpreter, where the packages above live (not a private Python on PATH).
py=/usr/bin/python3

"$py" tools/artwork/generate.py resources/img
"$py" tools/artwork/generate.py resources/img@2x 2
preview_dir=build/artwork-preview
"$py" tools/artwork/preview.py resources/img "$preview_dir"
"$py" tools/artwork/preview.py resources/img@2x "$preview_dir/2x"
mkdir -p docs
cp "$preview_dir/panel-default.png" docs/panel-default.png
echo "previews: docs/panel-default.png, $preview_dir/panel-busy.png, $preview_dir/2x/"
