#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine (as root), builds Veltrax and renders the
# built-in demo through the plug-in: demo-in.wav in, demo-out.wav out.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/setup.sh
bash scripts/build.sh
build/linux/tools/veltrax-render --demo demo-in.wav demo-out.wav "$@"
