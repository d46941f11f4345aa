#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine (as root), builds every lane and runs every test.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

lane_started=$SECONDS
bash scripts/setup.sh
bash scripts/build.sh

# The editor window tests get a virtual X server of their own, also on a
# desktop.
# shellcheck source=xvfb.sh
source scripts/xvfb.sh
trap stop_xvfb EXIT
start_xvfb

echo "== linux lane: tests"
DISPLAY=$xvfb_display ctest --test-dir build/linux --output-on-failure --parallel "$(nproc)"
stop_xvfb

echo "linux lane: $((SECONDS - lane_started)) s"
# The sanitizer lanes build once with clang; the fuzz lane reuses that build.
bash scripts/test-sanitizers.sh
bash scripts/test-fuzz.sh

if [ -x scripts/test-win64.sh ]; then
  bash scripts/test-win64.sh
fi

# The release files, made from the builds above and tried as a user installs them.
bash scripts/test-package.sh
