# Sourced by the sanitizer and fuzzing scripts: where the clang builds go,
# how they are configured, and the sanitizers' run-time options.
# shellcheck shell=bash

asan_build=${VELTRAX_ASAN_BUILD_DIR:-$root/build/asan}
tsan_build=${VELTRAX_TSAN_BUILD_DIR:-$root/build/tsan}

# RelWithDebInfo without NDEBUG, so the debug-only checks (PlugLock's lock
# contracts) run too; line tables are enough for the sanitizers' reports.
configure_clang() {
  local build=$1
  shift
  CC=clang CXX=clang++ cmake -S "$root" -B "$build" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -gline-tables-only" \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -gline-tables-only" \
    -DVELTRAX_BUILD_BENCH=OFF "$@" >/dev/null
}

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_stack_use_after_return=1:strict_string_checks=1:check_initialization_order=1:detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1}
# fontconfig's one-time configuration parse, nothing of ours (see the file).
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$root/tests/raster/lsan.supp}

# Runs a command with a virtual X server of its own when Xvfb is installed
# and no display is given (the editor window tests need one), else as it is.
with_display() {
  if [ -n "${DISPLAY:-}" ] || ! command -v Xvfb >/dev/null 2>&1; then
    "$@"
    return
  fi
  local folder status=0
  folder=$(mktemp -d "${TMPDIR:-/tmp}/veltrax-xvfb.XXXXXX")
  Xvfb -displayfd 3 -screen 0 1600x1000x24 -nolisten tcp -noreset 3>"$folder/display" >/dev/null 2>&1 &
  local server=$!
  for _ in $(seq 100); do [ -s "$folder/display" ] && break; sleep 0.1; done
  if [ -s "$folder/display" ]; then
    DISPLAY=":$(cat "$folder/display")" "$@" || status=$?
  else
    echo "with_display: Xvfb did not start" >&2
    status=1
  fi
  kill "$server" 2>/dev/null || true
  wait "$server" 2>/dev/null || true
  rm -rf "$folder"
  return $status
}
