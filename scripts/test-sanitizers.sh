#!/usr/bin/env bash
# The sanitizer lanes, one after the other:
#   asan  the whole test suite under AddressSanitizer and
#         UndefinedBehaviorSanitizer (build/asan; the same build carries the
#         fuzzers, which scripts/test-fuzz.sh then runs without building),
#   tsan  the threaded tests under ThreadSanitizer (build/tsan; only what
#         they need is built).
# Both are clang builds with assertions on. Extra arguments go to both ctest runs.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
jobs=$(nproc)
# shellcheck source=sanitizer-env.sh
source scripts/sanitizer-env.sh

bash scripts/setup-sanitizers.sh

started=$SECONDS
echo "== asan lane: build"
configure_clang "$asan_build" -DVELTRAX_SANITIZE=address -DVELTRAX_BUILD_FUZZ=ON
cmake --build "$asan_build" --parallel "$jobs"
echo "== asan lane: tests"
ctest --test-dir "$asan_build" --output-on-failure --parallel "$jobs" "$@"
echo "asan lane: $((SECONDS - started)) s"

started=$SECONDS
echo "== tsan lane: build"
configure_clang "$tsan_build" -DVELTRAX_SANITIZE=thread -DVELTRAX_BUILD_TOOLS=OFF
cmake --build "$tsan_build" --parallel "$jobs" --target Veltrax vst2_stress_tests
echo "== tsan lane: threaded tests"
ctest --test-dir "$tsan_build" --output-on-failure -L threaded "$@"
echo "tsan lane: $((SECONDS - started)) s"
