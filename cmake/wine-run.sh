#!/bin/sh
# Runs a Windows program under 64-bit Wine: the emulator of the win64 lane.
# Needs WINEPREFIX; scripts/test-win64.sh creates a throw-away one for each run.
if [ -z "${WINEPREFIX:-}" ]; then
  echo "wine-run: WINEPREFIX is not set; run the Windows tests with scripts/test-win64.sh" >&2
  exit 2
fi
export WINEDEBUG=-all
# Keep Wine from installing its browser and .NET runtimes or opening windows.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
for loader in /usr/lib/wine/wine64 /usr/lib64/wine/wine64 wine64 wine; do
  if command -v "$loader" >/dev/null 2>&1; then
    WINELOADER=$(command -v "$loader")
    export WINELOADER
    exec "$WINELOADER" "$@"
  fi
done
echo "wine-run: no 64-bit Wine found; install the Debian packages wine and wine64" >&2
exit 2
