#!/usr/bin/env bash
# The package lane: makes the release files with scripts/package.sh
# --no-build from the earlier lanes' builds (build/linux, build/win64) in a
# temporary folder and tries them as a user would, leaving the machine as it
# was:
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
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
started=$SECONDS
echo "== package lane"

# shellcheck source=version.sh
. scripts/version.sh
version=$(project_version)
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

# The plug-in files the packages hold: Linux ones relative to lib/ (the
# package's /usr/lib, the archive's lib/, ~/.NAME once installed), Windows
# ones relative to the zip's folder.
linux_plugins=(vst/Veltrax.so clap/Veltrax.clap vst3/Veltrax.vst3/Contents/x86_64-linux/Veltrax.so)
win_plugins=(VST2/Veltrax.dll CLAP/Veltrax.clap VST3/Veltrax.vst3/Contents/x86_64-win/Veltrax.vst3)

# --- the release files ----------------------------------------------------------

echo "-- package.sh"
first=$run_dir/first
bash scripts/package.sh --no-build --version "$version" --output "$first" \
  || { echo "package lane: package.sh failed (it packages the builds of the Linux and win64 lanes:" \
            "scripts/build.sh and scripts/test-win64.sh make them)" >&2; exit 1; }
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
deb_files() {  # the tools, their pages, the documents and the plug-ins, with modes, all root's
  local listing plugin
  listing=$(dpkg-deb --contents "$first/$deb" | awk '{ print $1, $2, $6 }')
  same "$(awk '$2 != "root/root"' <<<"$listing")" ""
  has_all "$listing" "-rwxr-xr-x root/root ./usr/bin/veltrax-render" "-rwxr-xr-x root/root ./usr/bin/veltrax-snapshot" \
    "-rw-r--r-- root/root ./usr/share/man/man1/veltrax-render.1.gz" \
    "-rw-r--r-- root/root ./usr/share/man/man1/veltrax-snapshot.1.gz" \
    "-rw-r--r-- root/root ./usr/share/doc/veltrax/copyright" "-rw-r--r-- root/root ./usr/share/doc/veltrax/changelog.gz"
  for plugin in "${linux_plugins[@]}"; do has_all "$listing" "-rw-r--r-- root/root ./usr/lib/$plugin"; done
}
check "files: the plug-ins in /usr/lib/{vst,clap,vst3}, tools, pages, copyright" deb_files

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
check "unpacked: the packaged Veltrax.clap runs a block" \
  "$linux_build/tests/win64/veltrax-clap-block" "$unpacked/usr/lib/clap/Veltrax.clap"

# --- the Linux archive ----------------------------------------------------------

echo "-- $tarball"
snapshot() {  # every path below a folder, its type, mode and contents
  (cd "$1" && find . -printf '%y %m %p\n' | sort && find . -type f -print0 | sort -z | xargs -0r md5sum)
}
try_install_sh() {
  local home=$run_dir/home folder=$run_dir/tar/veltrax-$version before plugin
  rm -rf "$home" "$run_dir/tar"
  mkdir -p "$home/.vst" "$run_dir/tar"
  echo "a plug-in of the user's" >"$home/.vst/Other.so"
  tar -xzf "$first/$tarball" -C "$run_dir/tar"
  before=$(snapshot "$home")
  HOME=$home sh "$folder/install.sh"
  HOME=$home sh "$folder/install.sh" >/dev/null
  for plugin in "${linux_plugins[@]}" vst3/Veltrax.vst3/Contents/Resources/moduleinfo.json; do
    cmp "$home/.$plugin" "$folder/lib/$plugin"
  done
  HOME=$home sh "$folder/install.sh" --uninstall
  same "$(snapshot "$home")" "$before"
}
check "install.sh fills ~/.vst, ~/.clap, ~/.vst3; --uninstall leaves HOME as it was" try_install_sh
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

# try_installer VST2_FOLDER [/D=...]: a silent install puts every plug-in
# file of the zip and the documents in place and registers; with the default
# folder the installed plug-ins then run through the Windows test hosts
# (Veltrax.dll renders, Veltrax.clap runs a block). The uninstaller removes
# them and its key, the whole VST3 bundle (with a file an earlier version left
# in it), and keeps the user's file in the VST 2 folder: the program folders
# are as before, that file and its folders aside.
try_installer() {
  local vst2=$1 before values file kept folder
  before=$(programs)
  wine "$first/$setup" /S ${2:+"$2"}
  wineserver -w
  for file in $(unzip -Z1 "$first/$zip" | sed -n "s|^Veltrax-$version-win64/\(\(VST2\|CLAP\|VST3\)/.*[^/]\)\$|\1|p"); do
    cmp "$drive_c/$(installed_path "$vst2" "$file")" <(unzip -p "$first/$zip" "Veltrax-$version-win64/$file")
  done
  [ -f "$drive_c/Program Files/Quillmarsh/Veltrax/README.txt" ]
  [ -f "$drive_c/Program Files/Quillmarsh/Veltrax/LICENSE.txt" ]
  values=$(wine reg query "$key" /reg:64 | tr -d '\r')
  echo "$values"
  has_all "$(sed -E 's/ +/ /g' <<<"$values")" " Publisher REG_SZ Quillmarsh" " DisplayVersion REG_SZ $version" \
    " UninstallString REG_SZ \"$uninstaller\""
  grep -qE '^ +EstimatedSize +REG_DWORD +0x[0-9a-f]{3,}$' <<<"$values"
  if [ -z "${2:-}" ]; then
    wine "$win_build/tests/win64/veltrax-render-raw.exe" 'C:\Program Files\VSTPlugins\Veltrax.dll' \
      "Z:${run_dir//\//\\}\\installed.raw"
    [ -s "$run_dir/installed.raw" ]
    wine "$win_build/tests/win64/veltrax-clap-block.exe" 'C:\Program Files\Common Files\CLAP\Veltrax.clap'
  fi
  echo "mine" >"$drive_c/$vst2/Mine.dll"
  echo "old" >"$drive_c/Program Files/Common Files/VST3/Veltrax.vst3/Contents/Resources/old.json"
  wine "$uninstaller" /S
  wineserver -w
  wine reg query "$key" /reg:64 >/dev/null 2>&1 && { echo "the uninstaller left its key"; return 1; }
  kept=$vst2/Mine.dll folder=$vst2
  while [ "$folder" != . ]; do kept=$kept$'\n'$folder && folder=$(dirname "$folder"); done
  same "$(programs)" "$(printf '%s\n%s\n' "$before" "$kept" | grep . | sort -u)"
  (cd "$drive_c" && rm -r "$vst2" && rmdir -p --ignore-fail-on-non-empty "$(dirname "$vst2")")
}
check "/S installs every plug-in in its folder, where Veltrax.dll renders through the Windows test host and Veltrax.clap runs a block; the uninstaller removes exactly that" \
  try_installer "Program Files/VSTPlugins"
check "/D= puts Veltrax.dll in a folder of the user's choice, made and removed" \
  try_installer Plug-ins/VST2 '/D=C:\Plug-ins\VST2'

zip_files() {
  local file listing
  listing=$(unzip -Z1 "$first/$zip")
  for file in INSTALL.txt README.txt LICENSE.txt "${win_plugins[@]}"; do
    has_all "$listing" "Veltrax-$version-win64/$file"
  done
}
check "the zip: the plug-ins in the bundle layout, INSTALL.txt, README, licence" zip_files

echo "package lane: $((SECONDS - started)) s"
echo "package: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
