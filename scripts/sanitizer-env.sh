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
