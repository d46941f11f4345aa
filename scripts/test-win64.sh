#!/usr/bin/env bash
# The win64 lane: cross-builds Veltrax.dll and the test suite with mingw-w64 into
# build/win64 and runs the tests under Wine, in a Wine prefix made for this run
# and removed afterwards. Extra arguments go to ctest (e.g. -R Resource).
# VELTRAX_WIN64_BUILD_ONLY=1 stops after the build (scripts/package.sh).
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
linux_build=$root/build/linux
# The toolchain's flags are read on the first configure only: start afresh
# when it changed.
toolchain_hash=$(sha256sum "$root/cmake/mingw-w64-x86_64.cmake" | cut -c1-16)
if [ "$(cat "$build/veltrax-toolchain.hash" 2>/dev/null)" != "$toolchain_hash" ]; then
  rm -rf "$build/CMakeCache.txt" "$build/CMakeFiles"
fi
cmake -S "$root" -B "$build" \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release \
  -DVELTRAX_WIN64_PREFIX="$prefix" \
  -DVELTRAX_LINUX_BUILD_DIR="$linux_build" \
  -DVELTRAX_BUILD_TOOLS=OFF -DVELTRAX_BUILD_BENCH=OFF >/dev/null
echo "$toolchain_hash" >"$build/veltrax-toolchain.hash"
cmake --build "$build" --parallel "$jobs"
# The Windows render is compared with the Linux lane's: bring that one's
# plug-in and renderer up to date when the Linux lane has been configured.
if [ -f "$linux_build/CMakeCache.txt" ]; then
  cmake --build "$linux_build" --parallel "$jobs" --target Veltrax veltrax-render-raw >/dev/null
fi
build_done=$SECONDS
if [ "${VELTRAX_WIN64_BUILD_ONLY:-0}" = 1 ]; then
  echo "win64 lane: build $((build_done - deps_done)) s (tests not run)"
  exit 0
fi

echo "== win64 lane: tests under Wine"
run_dir=$(mktemp -d "${TMPDIR:-/tmp}/veltrax-win64.XXXXXX")
export WINEPREFIX=$run_dir/wine
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
# Wine draws windows through an X server: the editor's window tests get a
# virtual one of their own; without them Wine stays off any display.
unset DISPLAY WAYLAND_DISPLAY
# shellcheck source=xvfb.sh
source scripts/xvfb.sh
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
  stop_xvfb
  rm -rf "$run_dir"
}
trap cleanup EXIT
if [ -d "$root/editor/win32" ]; then
  start_xvfb
  export DISPLAY=$xvfb_display
fi
wineboot --init >/dev/null 2>&1 || { echo "test-win64: wineboot --init failed" >&2; exit 1; }
# One server for the whole run instead of one per test program.
wineserver -p >/dev/null 2>&1 || true

summary=$build/tests/win64/render-compare.txt
rm -f "$summary"
status=0
ctest --test-dir "$build" --output-on-failure --parallel "$jobs" "$@" 2>&1 | tee "$run_dir/ctest.log" \
  || status=${PIPESTATUS[0]}
tests_done=$SECONDS

[ ! -f "$summary" ] || echo "win64 lane: Windows against Linux audio, $(cat "$summary")"
echo "win64 lane: libraries $((deps_done - started)) s, build $((build_done - deps_done)) s," \
     "tests $((tests_done - build_done)) s"
# The closing count, in the plain form, for this lane's tests.
if counts=$(grep -Eo '[0-9]+ tests failed out of [0-9]+' "$run_dir/ctest.log" | tail -n1) && [ -n "$counts" ]; then
  failed=${counts%% *}
  total=${counts##* }
  skipped=$(grep -Ec '^[[:space:]]+[0-9]+ - .*\(Skipped\)$' "$run_dir/ctest.log" || true)
  echo "win64: $((total - failed - skipped)) passed, $failed failed, $skipped skipped"
fi
exit $status
