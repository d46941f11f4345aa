#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine (as root), builds every lane and runs every test.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

lane_started=$SECONDS
bash scripts/setup.sh
bash scripts/build.sh
echo "== linux lane: tests"
ctest --test-dir build/linux --output-on-failure --parallel "$(nproc)"

echo "linux lane: $((SECONDS - lane_started)) s"
# The sanitizer lanes build once with clang; the fuzz lane reuses that build.
bash scripts/test-sanitizers.sh
bash scripts/test-fuzz.sh

if [ -x scripts/test-win64.sh ]; then
  bash scripts/test-win64.sh
fi
