#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine (as root), builds every lane and runs every test.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/setup.sh
bash scripts/build.sh
echo "== linux lane: tests"
ctest --test-dir build/linux --output-on-failure --parallel "$(nproc)"

if [ -x scripts/test-win64.sh ]; then
  bash scripts/test-win64.sh
fi
