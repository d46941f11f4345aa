# Sourced by the test scripts: a virtual X server (24-bit, no window manager)
# for the editor's window tests, which move the pointer and read pixels back,
# so that nobody's real pointer is taken over.
# shellcheck shell=bash

xvfb_pid="" xvfb_display=""

# Starts the server; xvfb_display then names it (":N"). Callers that may be
# stopped half-way call stop_xvfb from their EXIT trap.
start_xvfb() {
  local file
  file=$(mktemp "${TMPDIR:-/tmp}/veltrax-xvfb.XXXXXX")
  # -noreset: a client connecting while the server reset after the last one
  # left would be refused.
  Xvfb -displayfd 3 -screen 0 1600x1000x24 -nolisten tcp -noreset 3>"$file" >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do [ -s "$file" ] && break; sleep 0.1; done
  if [ -s "$file" ]; then
    xvfb_display=":$(cat "$file")"
    rm -f "$file"
    return 0
  fi
  rm -f "$file"
  stop_xvfb
  echo "$(basename "$0"): Xvfb did not start" >&2
  return 1
}

stop_xvfb() {
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
  xvfb_pid="" xvfb_display=""
}

# Runs a command on the display given, else on a server of its own when Xvfb
# is installed, else without one.
with_display() {
  if [ -n "${DISPLAY:-}" ] || ! command -v Xvfb >/dev/null 2>&1; then
    "$@"
    return
  fi
  local status=0
  start_xvfb || return 1
  DISPLAY=$xvfb_display "$@" || status=$?
  stop_xvfb
  return $status
}
