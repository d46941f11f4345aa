#!/bin/sh
# Renders the same input at the same settings through the Linux build's
# Veltrax.so and, under Wine, through Veltrax.dll, and compares the outputs.
#   compare-lanes.sh LINUX_RENDERER LINUX_PLUGIN EMULATOR WINDOWS_RENDERER WINDOWS_PLUGIN
# Exits 77 (skipped) when the Linux lane has not been built.
set -eu
linux_render=$1 linux_plugin=$2 emulator=$3 windows_render=$4 windows_plugin=$5
if [ ! -x "$linux_render" ] || [ ! -f "$linux_plugin" ]; then
  echo "no Linux build of the renderer and plug-in ($linux_render, $linux_plugin):" \
       "build the Linux lane first (scripts/build.sh)"
  exit 77
fi
"$linux_render" "$linux_plugin" render-linux.raw
"$emulator" "$windows_render" "$windows_plugin" render-windows.raw \
  --compare render-linux.raw --summary render-compare.txt
