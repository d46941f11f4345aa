#!/usr/bin/env bash
# The win64 lane: cross-builds Veltrax.dll and the test suite with mingw-w64 into
# build/win64 and runs the tests under Wine, in a Wine prefix made for this run
# and removed afterwards. Extra arguments go to ctest (e.g. -R Resource).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
build=${VELTRAX_WIN64_BUILD_DIR:-$root/build/win64}
prefix=${VELTRAX_WIN64_DEPS:-$root/build/deps-win64}/prefix
jobs=$(nproc)

started=$SECONDS
echo "== win64 lane: toolchain and libraries"
bash scripts/setup-win64.sh
deps_done=$SECONDS

echo "== win64 lane: build"
cmake -S "$root" -B "$build" \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release \
  -DVELTRAX_WIN64_PREFIX="$prefix" \
  -DVELTRAX_LINUX_BUILD_DIR="$root/build/linux" \
  -DVELTRAX_BUILD_TOOLS=OFF -DVELTRAX_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --parallel "$jobs"
build_done=$SECONDS

echo "== win64 lane: tests under Wine"
WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/veltrax-wine.XXXXXX")
export WINEPREFIX
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
# Nothing in the tests opens a window: keep Wine off any X display.
unset DISPLAY WAYLAND_DISPLAY
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
  rm -rf "$WINEPREFIX"
}
trap cleanup EXIT
wineboot --init >/dev/null 2>&1 || { echo "test-win64: wineboot --init failed in $WINEPREFIX" >&2; exit 1; }
# One server for the whole run instead of one per test program.
wineserver -p >/dev/null 2>&1 || true

status=0
ctest --test-dir "$build" --output-on-failure --parallel "$jobs" "$@" || status=$?
tests_done=$SECONDS

echo "win64 lane: libraries $((deps_done - started)) s, build $((build_done - deps_done)) s, tests $((tests_done - build_done)) s"
exit $status
