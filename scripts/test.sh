#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine (as root), builds every lane and runs every test.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

lane_started=$SECONDS
bash scripts/setup.sh
bash scripts/build.sh

# The editor window tests move the pointer and read pixels back: they get a
# virtual X server of their own (24-bit, no window manager), also on a
# desktop, so that nobody's real pointer is taken over.
run_dir=$(mktemp -d "${TMPDIR:-/tmp}/veltrax-test.XXXXXX")
xvfb_pid=""
stop_xvfb() {
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
    xvfb_pid=""
  fi
}
trap 'stop_xvfb; rm -rf "$run_dir"' EXIT
Xvfb -displayfd 3 -screen 0 1600x1000x24 -nolisten tcp -noreset 3>"$run_dir/display" >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$run_dir/display" ] && break; sleep 0.1; done
[ -s "$run_dir/display" ] || { echo "test: Xvfb did not start" >&2; exit 1; }

echo "== linux lane: tests"
DISPLAY=":$(cat "$run_dir/display")" ctest --test-dir build/linux --output-on-failure --parallel "$(nproc)"
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
