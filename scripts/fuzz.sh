#!/usr/bin/env bash
# Runs the libFuzzer targets of build/asan (see fuzz/) for as long as asked.
#
#   fuzz.sh [--time SECONDS] [--parallel N] [--corpus DIR] [--merge] [NAME...]
#
# NAME is a target without its fuzz_ prefix (state_chunk, dispatcher, clap, editor_events,
# png, render_options, render_text); all of them when none is given. Each runs
# for SECONDS (default 60), N at a time (default 1). The seeds in
# fuzz/corpus/NAME are read, new inputs are kept in DIR/NAME (default
# build/fuzz-corpus), so a later run goes on from there. --merge afterwards
# folds the kept inputs that add coverage into fuzz/corpus/NAME, to be
# checked in. A crash is saved in build/fuzz-artifacts/NAME and fails the run.
# Builds the targets first when needed (the build of scripts/test-sanitizers.sh).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
# shellcheck source=sanitizer-env.sh
source scripts/sanitizer-env.sh

seconds=60
parallel=1
kept=$root/build/fuzz-corpus
merge=0
names=()
while [ $# -gt 0 ]; do
  case $1 in
    --time) seconds=$2; shift 2 ;;
    --parallel) parallel=$2; shift 2 ;;
    --corpus) kept=$2; shift 2 ;;
    --merge) merge=1; shift ;;
    -h|--help) sed -n '2,15p' "$0"; exit 0 ;;
    -*) echo "fuzz.sh: unknown option $1" >&2; exit 2 ;;
    *) names+=("$1"); shift ;;
  esac
done
if [ ${#names[@]} -eq 0 ]; then
  names=(state_chunk dispatcher clap editor_events png render_options render_text)
fi

bash scripts/setup-sanitizers.sh
if [ ! -f "$asan_build/CMakeCache.txt" ]; then
  configure_clang "$asan_build" -DVELTRAX_SANITIZE=address -DVELTRAX_BUILD_FUZZ=ON
fi
targets=()
for name in "${names[@]}"; do targets+=("fuzz_$name"); done
cmake --build "$asan_build" --parallel "$(nproc)" --target "${targets[@]}"

logs=$root/build/fuzz-logs
mkdir -p "$logs"

# One target for the given time; its last status line is the summary.
run_one() {
  local name=$1
  local binary=$asan_build/fuzz/fuzz_$name
  local corpus=$kept/$name
  local artifacts=$root/build/fuzz-artifacts/$name
  mkdir -p "$corpus" "$artifacts"
  local options=(-max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$artifacts/"
                 -rss_limit_mb=3072)
  local status=0
  "$binary" "${options[@]}" "$corpus" "$root/fuzz/corpus/$name" >"$logs/$name.log" 2>&1 || status=$?
  local line
  line=$(grep -E '^#[0-9]+' "$logs/$name.log" | tail -1 || true)
  local runs
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$logs/$name.log")
  printf 'fuzz %-15s %s runs in %s s; %s; kept corpus %s files\n' "$name" "${runs:-?}" "$seconds" \
    "$(echo "$line" | grep -oE 'cov: [0-9]+ ft: [0-9]+ corp: [0-9]+/[0-9]+[a-zA-Z]*' || echo '?')" \
    "$(find "$corpus" -type f | wc -l)"
  if [ $status -ne 0 ]; then
    echo "fuzz $name: FAILED (status $status); log: $logs/$name.log" >&2
    grep -E 'ERROR|fuzz check failed|runtime error|Test unit written' "$logs/$name.log" | head -5 >&2 || true
    return 1
  fi
}

failed=0
pids=()
for name in "${names[@]}"; do
  run_one "$name" &
  pids+=($!)
  if [ ${#pids[@]} -ge "$parallel" ]; then
    wait "${pids[0]}" || failed=1
    pids=("${pids[@]:1}")
  fi
done
for pid in "${pids[@]}"; do wait "$pid" || failed=1; done

if [ $merge -eq 1 ] && [ $failed -eq 0 ]; then
  for name in "${names[@]}"; do
    "$asan_build/fuzz/fuzz_$name" -merge=1 "$root/fuzz/corpus/$name" "$kept/$name" >"$logs/$name.merge.log" 2>&1
    echo "fuzz $name: fuzz/corpus/$name now holds $(find "$root/fuzz/corpus/$name" -type f | wc -l) files"
  done
fi
exit $failed
