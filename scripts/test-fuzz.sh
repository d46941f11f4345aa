#!/usr/bin/env bash
# The fuzzing lane: every libFuzzer target for a short time (VELTRAX_FUZZ_SECONDS,
# default 30), two at a time, from the checked-in seeds into a corpus that is
# thrown away afterwards. Reuses build/asan from scripts/test-sanitizers.sh.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
started=$SECONDS
echo "== fuzz lane"
corpus=$(mktemp -d)
trap 'rm -rf "$corpus"' EXIT
bash scripts/fuzz.sh --time "${VELTRAX_FUZZ_SECONDS:-30}" --parallel 2 --corpus "$corpus" "$@"
echo "fuzz lane: $((SECONDS - started)) s"
