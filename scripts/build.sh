#!/usr/bin/env bash
# Configures and builds the native Linux lane into build/linux.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VELTRAX_BUILD_DIR:-$root/build/linux}
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
cmake --build "$build" --parallel "$(nproc)"
