#!/usr/bin/env bash
# The package lane: makes the release files with scripts/package.sh (reusing
# the earlier lanes' builds) in a temporary folder and tries them as a user
# would, leaving the machine as it was:
#   installer  under Wine, in a fresh prefix: /S puts each format in its folder
#              (/D= the VST 2 one), the installed plug-ins run audio through
#              the Windows test hosts, the uninstaller removes exactly what
#              was installed and its key, and keeps a file the user added
#   .deb       fields and files (package.sh stops on a lintian error); unpacked
#              with dpkg-deb -x, the packaged renderer renders the demo
#              through the packaged plug-in
#   tarball    install.sh twice, then --uninstall, with HOME in a temporary
#              folder: HOME is as it was
#   also       a second run gives the same bytes; an unknown option or
#              another version ends with exit 2 and writes nothing
# When a format is not built (a build without CLAP or VST3), the packages
# are made a second time with stand-ins for it, copies of the VST 2
# binaries, so that the paths its files take are tried all the same.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
started=$SECONDS
echo "== package lane"

version=$(sed -n 's/^project(Veltrax VERSION \([0-9][0-9.]*\)[ )].*/\1/p' CMakeLists.txt)
linux_build=${VELTRAX_BUILD_DIR:-$root/build/linux}
win_build=${VELTRAX_WIN64_BUILD_DIR:-$root/build/win64}
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || echo 1767225600)}
run_dir=$(mktemp -d "${TMPDIR:-/tmp}/veltrax-package.XXXXXX")
export WINEPREFIX=$run_dir/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# A silent install opens no window: Wine needs no X server.
unset DISPLAY WAYLAND_DISPLAY XDG_DATA_HOME
cleanup() {
  [ ! -d "$WINEPREFIX" ] || { wineserver -k; wineserver -w; } >/dev/null 2>&1 || true
  rm -rf "$run_dir"
}
trap cleanup EXIT

passed=0 failed=0
check() {  # check NAME COMMAND...
  local name=$1 status
  shift
  # A subshell of its own with errexit, which does not act in an if's condition.
  set +e
  (set -e; "$@") >"$run_dir/check.log" 2>&1
  status=$?
  set -e
  if [ $status -eq 0 ]; then
    passed=$((passed + 1)) && echo "  ok      $name"
  else
    failed=$((failed + 1)) && echo "  FAILED  $name"
    tail -n 20 "$run_dir/check.log" | sed 's/^/          /'
  fi
}
same() {  # same GOT EXPECTED
  [ "$1" = "$2" ] || { echo "expected (<) and got (>):"; diff <(echo "$2") <(echo "$1"); return 1; }
}
has_all() {  # has_all LISTING LINE...
  local line listing=$1
  shift
  for line in "$@"; do grep -qxF -- "$line" <<<"$listing" || { echo "missing: $line"; return 1; }; done
}

setup=Veltrax-$version-win64-setup.exe
zip=Veltrax-$version-win64.zip
deb=veltrax_${version}_amd64.deb
tarball=veltrax-$version-linux-x86_64.tar.gz

# The plug-in files a build's packages hold: Linux ones relative to lib/
# (the package's /usr/lib, the archive's lib/, ~/.NAME once installed),
# Windows ones relative to the zip's folder.
linux_plugins() {
  [ ! -f "$1/vst2/Veltrax.so" ] || echo vst/Veltrax.so
  [ ! -f "$1/clap/Veltrax.clap" ] || echo clap/Veltrax.clap
  [ ! -d "$1/vst3/Veltrax.vst3" ] || echo vst3/Veltrax.vst3/Contents/x86_64-linux/Veltrax.so
}
win_plugins() {
  [ ! -f "$1/vst2/Veltrax.dll" ] || echo VST2/Veltrax.dll
  [ ! -f "$1/clap/Veltrax.clap" ] || echo CLAP/Veltrax.clap
  [ ! -d "$1/vst3/Veltrax.vst3" ] || echo VST3/Veltrax.vst3/Contents/x86_64-win/Veltrax.vst3
}

# --- the release files ----------------------------------------------------------

echo "-- package.sh"
first=$run_dir/first
bash scripts/package.sh --version "$version" --output "$first" \
  || { echo "package lane: package.sh failed" >&2; exit 1; }
check "the five files are written (lintian passed), SHA256SUMS matching" \
  bash -c "cd '$first' && ls '$setup' '$zip' '$deb' '$tarball' && sha256sum -c SHA256SUMS"
bash scripts/package.sh --no-build --output "$run_dir/second" >/dev/null 2>&1 || true
check "a second run gives the same bytes" cmp "$first/SHA256SUMS" "$run_dir/second/SHA256SUMS"
bad_input() {  # exit 2 with a message, and no output folder
  local status=0
  bash scripts/package.sh "$@" --output "$run_dir/bad" || status=$?
  [ $status -eq 2 ] && [ ! -e "$run_dir/bad" ]
}
check "an unknown option: exit 2, nothing written" bad_input --sign
check "another version: exit 2, nothing written" bad_input --version 9.9.9

# Stand-ins: each format not built is a copy of the VST 2 binary under its name.
stand_in=$run_dir/stand-in
make_stand_ins() {  # make_stand_ins FROM TO VST2_BINARY VST3_BUNDLE_BINARY
  local from=$1 to=$2 vst2=$3 bundle=$2/vst3/Veltrax.vst3
  mkdir -p "$to/vst2" "$to/clap" "$to/tools"
  cp "$from/vst2/$vst2" "$to/vst2/"
  cp "$from/clap/Veltrax.clap" "$to/clap/" 2>/dev/null || cp "$from/vst2/$vst2" "$to/clap/Veltrax.clap"
  if [ -d "$from/vst3/Veltrax.vst3" ]; then
    mkdir -p "$to/vst3" && cp -R "$from/vst3/Veltrax.vst3" "$to/vst3/"
  else
    mkdir -p "$bundle/Contents/Resources" "$(dirname "$bundle/$4")"
    cp "$from/vst2/$vst2" "$bundle/$4"
    echo '{ "Name": "Veltrax" }' >"$bundle/Contents/Resources/moduleinfo.json"
  fi
  cp "$from"/tools/veltrax-* "$to/tools/" 2>/dev/null || true
}
all_formats_built() {
  [ -f "$linux_build/clap/Veltrax.clap" ] && [ -d "$linux_build/vst3/Veltrax.vst3" ] \
    && [ -f "$win_build/clap/Veltrax.clap" ] && [ -d "$win_build/vst3/Veltrax.vst3" ]
}
sets=("$first|$linux_build|$win_build")
if ! all_formats_built; then
  make_stand_ins "$linux_build" "$stand_in/linux" Veltrax.so Contents/x86_64-linux/Veltrax.so
  make_stand_ins "$win_build" "$stand_in/win64" Veltrax.dll Contents/x86_64-win/Veltrax.vst3
  VELTRAX_BUILD_DIR=$stand_in/linux VELTRAX_WIN64_BUILD_DIR=$stand_in/win64 \
    bash scripts/package.sh --no-build --output "$stand_in/dist" >"$run_dir/stand-in.log" 2>&1 \
    || { cat "$run_dir/stand-in.log" >&2; echo "package lane: package.sh failed on the stand-ins" >&2; exit 1; }
  sets+=("$stand_in/dist|$stand_in/linux|$stand_in/win64")
fi

# The checks that take DIST LINUX_BUILD WINDOWS_BUILD run on the real
# packages and on any stand-ins' ones.
for_each_set() {  # for_each_set NAME FUNCTION [ARGUMENT...]
  local set dist linux win suffix=""
  for set in "${sets[@]}"; do
    IFS='|' read -r dist linux win <<<"$set"
    check "$1$suffix" "$2" "$dist" "$linux" "$win" "${@:3}"
    suffix=" (stand-ins)"
  done
}

# --- the Debian package ---------------------------------------------------------

echo "-- $deb"
deb_fields() {
  local depends
  depends=$(dpkg-deb --field "$first/$deb" Depends)
  echo "Depends: $depends"
  grep -q '^libc6 (>= .*libsndfile1' <<<"$depends"
  grep -q libxcb <<<"$depends" && return 1
  same "$(dpkg-deb --field "$first/$deb" Package Version Architecture Recommends)" \
    "$(printf 'Package: veltrax\nVersion: %s\nArchitecture: amd64\nRecommends: libxcb1' "$version")"
}
check "fields: name, version, amd64, Depends from dpkg-shlibdeps, libxcb1 only recommended" deb_fields
deb_files() {  # deb_files DIST LINUX_BUILD: the tools, their pages, the documents and the plug-ins, with modes, all root's
  local listing plugin
  listing=$(dpkg-deb --contents "$1/$deb" | awk '{ print $1, $2, $6 }')
  same "$(awk '$2 != "root/root"' <<<"$listing")" ""
  has_all "$listing" "-rwxr-xr-x root/root ./usr/bin/veltrax-render" "-rwxr-xr-x root/root ./usr/bin/veltrax-snapshot" \
    "-rw-r--r-- root/root ./usr/share/man/man1/veltrax-render.1.gz" \
    "-rw-r--r-- root/root ./usr/share/man/man1/veltrax-snapshot.1.gz" \
    "-rw-r--r-- root/root ./usr/share/doc/veltrax/copyright" "-rw-r--r-- root/root ./usr/share/doc/veltrax/changelog.gz"
  for plugin in $(linux_plugins "$2"); do has_all "$listing" "-rw-r--r-- root/root ./usr/lib/$plugin"; done
}
for_each_set "files: the plug-ins in /usr/lib/{vst,clap,vst3}, tools, pages, copyright" deb_files

unpacked=$run_dir/deb
dpkg-deb -x "$first/$deb" "$unpacked"
render_demo() {
  "$unpacked/usr/bin/veltrax-render" --plugin "$unpacked/usr/lib/vst/Veltrax.so" --demo \
    "$run_dir/demo-in.wav" "$run_dir/demo-out.wav"
  [ -s "$run_dir/demo-out.wav" ]
}
check "unpacked: veltrax-render renders the demo through the packaged Veltrax.so" render_demo
default_plugin() { "$unpacked/usr/bin/veltrax-render" --list | grep -xF "Plug-in        $unpacked/usr/lib/vst/Veltrax.so"; }
check "unpacked: without --plugin, veltrax-render finds the packaged plug-in" default_plugin
check "unpacked: veltrax-snapshot draws the panel" \
  "$unpacked/usr/bin/veltrax-snapshot" --demo --blocks 1 "$run_dir/panel.png"
if [ -f "$unpacked/usr/lib/clap/Veltrax.clap" ]; then
  check "unpacked: the packaged Veltrax.clap runs a block" \
    "$linux_build/tests/win64/veltrax-clap-block" "$unpacked/usr/lib/clap/Veltrax.clap"
fi

# --- the Linux archive ----------------------------------------------------------

echo "-- $tarball"
snapshot() {  # every path below a folder, its type, mode and contents
  (cd "$1" && find . -printf '%y %m %p\n' | sort && find . -type f -print0 | sort -z | xargs -0r md5sum)
}
try_install_sh() {  # try_install_sh DIST LINUX_BUILD
  local home=$run_dir/home folder=$run_dir/tar/veltrax-$version before plugin
  rm -rf "$home" "$run_dir/tar"
  mkdir -p "$home/.vst" "$run_dir/tar"
  echo "a plug-in of the user's" >"$home/.vst/Other.so"
  tar -xzf "$1/$tarball" -C "$run_dir/tar"
  before=$(snapshot "$home")
  HOME=$home sh "$folder/install.sh"
  HOME=$home sh "$folder/install.sh" >/dev/null
  for plugin in $(linux_plugins "$2") vst3/Veltrax.vst3/Contents/Resources/moduleinfo.json; do
    [ -f "$folder/lib/$plugin" ] || continue
    cmp "$home/.$plugin" "$folder/lib/$plugin"
  done
  HOME=$home sh "$folder/install.sh" --uninstall
  same "$(snapshot "$home")" "$before"
}
for_each_set "install.sh fills ~/.vst, ~/.clap, ~/.vst3; --uninstall leaves HOME as it was" try_install_sh
archive_matches_package() {
  local listing
  listing=$(tar -tzf "$first/$tarball" | sed "s|^veltrax-$version/||")
  has_all "$listing" install.sh README.md LICENSE.txt
  same "$(grep -vE '(^|/)$|^(install.sh|README.md|LICENSE.txt)$' <<<"$listing" | sort)" \
    "$(dpkg-deb --contents "$first/$deb" | awk '{ print $6 }' | grep -E '^\./usr/(bin|lib|share/man)/.*[^/]$' \
       | sed 's|^\./usr/||' | sort)"
}
check "the archive holds the package's files, and install.sh, README and licence" archive_matches_package

# --- the Windows installer and zip ----------------------------------------------

echo "-- $setup"
wineboot --init >/dev/null 2>&1 || { echo "test-package: wineboot --init failed" >&2; exit 1; }
drive_c=$WINEPREFIX/drive_c
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Veltrax'
uninstaller='C:\Program Files\Quillmarsh\Veltrax\Uninstall.exe'
programs() { (cd "$drive_c" && { find "Program Files" Plug-ins 2>/dev/null || true; } | sort); }
# Where the installer puts a file of the zip's folder (VST2_FOLDER for VST2/).
installed_path() {
  case $2 in
    VST2/*) echo "$1/${2#VST2/}" ;;
    *) echo "Program Files/Common Files/$2" ;;
  esac
}

# try_installer DIST LINUX_BUILD WINDOWS_BUILD VST2_FOLDER [/D=...]: a silent
# install puts every plug-in file of the zip and the documents in place and
# registers; the uninstaller removes them and its key and keeps the user's
# file in the VST 2 folder: the program folders are as before, that file and
# its folders aside.
try_installer() {
  local vst2=$4 before values file kept folder
  before=$(programs)
  wine "$1/$setup" /S ${5:+"$5"}
  wineserver -w
  for file in $(unzip -Z1 "$1/$zip" | sed -n "s|^Veltrax-$version-win64/\(\(VST2\|CLAP\|VST3\)/.*[^/]\)\$|\1|p"); do
    cmp "$drive_c/$(installed_path "$vst2" "$file")" <(unzip -p "$1/$zip" "Veltrax-$version-win64/$file")
  done
  [ -f "$drive_c/Program Files/Quillmarsh/Veltrax/README.txt" ]
  [ -f "$drive_c/Program Files/Quillmarsh/Veltrax/LICENSE.txt" ]
  values=$(wine reg query "$key" /reg:64 | tr -d '\r')
  echo "$values"
  has_all "$(sed -E 's/ +/ /g' <<<"$values")" " Publisher REG_SZ Quillmarsh" " DisplayVersion REG_SZ $version" \
    " UninstallString REG_SZ \"$uninstaller\""
  grep -qE '^ +EstimatedSize +REG_DWORD +0x[0-9a-f]{3,}$' <<<"$values"
  echo "mine" >"$drive_c/$vst2/Mine.dll"
  wine "$uninstaller" /S
  wineserver -w
  wine reg query "$key" /reg:64 >/dev/null 2>&1 && { echo "the uninstaller left its key"; return 1; }
  kept=$vst2/Mine.dll folder=$vst2
  while [ "$folder" != . ]; do kept=$kept$'\n'$folder && folder=$(dirname "$folder"); done
  same "$(programs)" "$(printf '%s\n%s\n' "$before" "$kept" | grep . | sort -u)"
  (cd "$drive_c" && rm -r "$vst2" && rmdir -p --ignore-fail-on-non-empty "$(dirname "$vst2")")
}
for_each_set "/S installs every plug-in in its folder, the uninstaller removes exactly that" \
  try_installer "Program Files/VSTPlugins"
check "/D= puts Veltrax.dll in a folder of the user's choice, made and removed" \
  try_installer "$first" "$linux_build" "$win_build" Plug-ins/VST2 '/D=C:\Plug-ins\VST2'

installed_plugins_run() {
  wine "$first/$setup" /S
  wineserver -w
  wine "$win_build/tests/win64/veltrax-render-raw.exe" 'C:\Program Files\VSTPlugins\Veltrax.dll' \
    "Z:${run_dir//\//\\}\\installed.raw"
  [ -s "$run_dir/installed.raw" ]
  if [ -f "$drive_c/Program Files/Common Files/CLAP/Veltrax.clap" ]; then
    wine "$win_build/tests/win64/veltrax-clap-block.exe" 'C:\Program Files\Common Files\CLAP\Veltrax.clap'
  fi
  wine "$uninstaller" /S
  wineserver -w
}
check "the installed Veltrax.dll renders through the Windows test host$(
  [ ! -f "$win_build/clap/Veltrax.clap" ] || echo ', Veltrax.clap runs a block')" installed_plugins_run

zip_files() {  # zip_files DIST LINUX_BUILD WINDOWS_BUILD
  local file listing
  listing=$(unzip -Z1 "$1/$zip")
  for file in INSTALL.txt README.txt LICENSE.txt $(win_plugins "$3"); do
    has_all "$listing" "Veltrax-$version-win64/$file"
  done
}
for_each_set "the zip: the plug-ins in the bundle layout, INSTALL.txt, README, licence" zip_files

echo "package lane: $((SECONDS - started)) s"
echo "package: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
