#!/usr/bin/env bash
# The sanitizer lanes, one after the other:
#   asan  the whole test suite under AddressSanitizer and
#         UndefinedBehaviorSanitizer (build/asan; the same build carries the
#         fuzzers, which scripts/test-fuzz.sh then runs without building),
#   tsan  the tests that run threads against one instance (label threads)
#         under ThreadSanitizer (build/tsan; only the target threaded_tests
#         and what it needs is built).
# Both are clang builds with assertions on. Extra arguments go to both ctest runs.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
jobs=$(nproc)
# shellcheck source=sanitizer-env.sh
source scripts/sanitizer-env.sh
# shellcheck source=xvfb.sh
source scripts/xvfb.sh
trap stop_xvfb EXIT

bash scripts/setup-sanitizers.sh

started=$SECONDS
echo "== asan lane: build"
configure_clang "$asan_build" -DVELTRAX_SANITIZE=address -DVELTRAX_BUILD_FUZZ=ON
cmake --build "$asan_build" --parallel "$jobs"
echo "== asan lane: tests"
with_display ctest --test-dir "$asan_build" --output-on-failure --parallel "$jobs" "$@"
echo "asan lane: $((SECONDS - started)) s"

started=$SECONDS
echo "== tsan lane: build"
configure_clang "$tsan_build" -DVELTRAX_SANITIZE=thread -DVELTRAX_BUILD_TOOLS=OFF
cmake --build "$tsan_build" --parallel "$jobs" --target threaded_tests
echo "== tsan lane: threaded tests"
with_display ctest --test-dir "$tsan_build" --output-on-failure --no-tests=error -L threads "$@"
echo "tsan lane: $((SECONDS - started)) s"
