#!/usr/bin/env bash
# Builds both lanes in Release (the Windows one cross-built, without its tests)
# and makes the release files in dist/, named by the version in the top-level
# CMakeLists.txt:
#   Veltrax-VERSION-win64-setup.exe      the Windows installer (NSIS)
#   Veltrax-VERSION-win64.zip            the same Windows files, with INSTALL.txt
#   veltrax_VERSION_amd64.deb            the Debian package, checked with lintian
#   veltrax-VERSION-linux-x86_64.tar.gz  the Linux files, with install.sh
#   SHA256SUMS
# Every plug-in format (VST 2, CLAP, VST3) is packaged; a plug-in file missing
# from the builds stops the run, which names it. The files carry
# SOURCE_DATE_EPOCH (by default the time of the last commit) as their time, so
# two runs give the same bytes.
# Installs nsis, lintian, zip and dpkg-dev when they are missing (as root).
#
#   package.sh [--version X] [--output DIR] [--no-build]
#
#   --version X   stop unless X is the version in CMakeLists.txt
#   --output DIR  write into DIR instead of dist/
#   --no-build    package what the build folders hold, without building
#                 (build/linux and build/win64, or VELTRAX_BUILD_DIR and
#                 VELTRAX_WIN64_BUILD_DIR)
#
# The files are made in a temporary folder and moved into place at the end:
# a run that fails leaves the output folder as it was.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

say() { echo "package: $*"; }
fail() { echo "package: error: $*" >&2; exit 1; }
usage_error() { echo "package: $*" >&2; echo "usage: package.sh [--version X] [--output DIR] [--no-build]" >&2; exit 2; }

expected_version=""
output=$root/dist
build=1
while [ $# -gt 0 ]; do
  case $1 in
    --version) [ $# -ge 2 ] || usage_error "--version needs a value"; expected_version=$2; shift 2 ;;
    --output) [ $# -ge 2 ] || usage_error "--output needs a folder"; output=$2; shift 2 ;;
    --no-build) build=0; shift ;;
    -h|--help) awk 'NR > 1 && !/^#/ { exit } NR > 1 { sub(/^# ?/, ""); print }' "$0"; exit 0 ;;
    *) usage_error "unknown option $1" ;;
  esac
done

# shellcheck source=version.sh
. scripts/version.sh
version=$(project_version)
[ -n "$version" ] || fail "no version in the project() line of CMakeLists.txt"
if [ -n "$expected_version" ] && [ "$expected_version" != "$version" ]; then
  usage_error "--version $expected_version does not match the version in CMakeLists.txt ($version)"
fi

. scripts/apt-packages.sh
install_packages package nsis lintian zip dpkg-dev binutils

linux_build=${VELTRAX_BUILD_DIR:-$root/build/linux}
win_build=${VELTRAX_WIN64_BUILD_DIR:-$root/build/win64}
if [ $build = 1 ]; then
  mkdir -p "$root/build"
  log=$root/build/package-build.log
  say "building the Linux lane (log: ${log#"$root"/})"
  { bash scripts/setup.sh && bash scripts/build.sh; } >"$log" 2>&1 \
    || { tail -n 30 "$log" >&2; fail "the Linux build failed"; }
  say "building the Windows lane"
  VELTRAX_WIN64_BUILD_ONLY=1 bash scripts/test-win64.sh >>"$log" 2>&1 \
    || { tail -n 30 "$log" >&2; fail "the Windows build failed"; }
fi

if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null || stat -c %Y CMakeLists.txt)
fi
export SOURCE_DATE_EPOCH
export TZ=UTC LC_ALL=C
umask 022
stamp=@$SOURCE_DATE_EPOCH
date_day=$(date -u -d "$stamp" +%Y-%m-%d)

mkdir -p "$root/build"
work=$(mktemp -d "$root/build/package.XXXXXX")
trap 'rm -rf "$work"' EXIT
out=$work/out
mkdir -p "$out"

# --- what was built -------------------------------------------------------------

# The six plug-in files: each format for each lane, a VST3 bundle by the
# binary it holds.
vst3_linux=Veltrax.vst3/Contents/x86_64-linux/Veltrax.so
vst3_win=Veltrax.vst3/Contents/x86_64-win/Veltrax.vst3
absent=""
for file in "$linux_build/vst2/Veltrax.so" "$linux_build/clap/Veltrax.clap" "$linux_build/vst3/$vst3_linux" \
            "$win_build/vst2/Veltrax.dll" "$win_build/clap/Veltrax.clap" "$win_build/vst3/$vst3_win"; do
  [ -f "$file" ] || absent="$absent${absent:+, }${file#"$root"/}"
done
[ -z "$absent" ] || fail "no $absent: build it first"
for tool in veltrax-render veltrax-snapshot; do
  [ -x "$linux_build/tools/$tool" ] || fail "no $linux_build/tools/$tool: build the Linux lane first"
done
say "version $version, files dated $(date -u -d "$stamp" '+%Y-%m-%d %H:%M:%S') UTC"

# --- the Linux files ----------------------------------------------------------

# One tree in the layout of an installation prefix: bin/, lib/vst, lib/clap,
# lib/vst3, share/man/man1. The package puts it under /usr, the archive under
# veltrax-VERSION/.
tree=$work/linux-tree
mkdir -p "$tree/bin" "$tree/share/man/man1"
strip_elf() { strip --strip-unneeded --remove-section=.comment --remove-section=.note "$@"; }
for tool in veltrax-render veltrax-snapshot; do
  install -m 755 "$linux_build/tools/$tool" "$tree/bin/$tool"
  strip --remove-section=.comment --remove-section=.note "$tree/bin/$tool"
done
install -D -m 644 "$linux_build/vst2/Veltrax.so" "$tree/lib/vst/Veltrax.so"
install -D -m 644 "$linux_build/clap/Veltrax.clap" "$tree/lib/clap/Veltrax.clap"
mkdir -p "$tree/lib/vst3"
cp -R "$linux_build/vst3/Veltrax.vst3" "$tree/lib/vst3/"
find "$tree/lib/vst3" -type f -exec chmod 644 {} +
strip_elf "$tree/lib/vst/Veltrax.so" "$tree/lib/clap/Veltrax.clap" "$tree/lib/vst3/$vst3_linux"
for page in veltrax-render veltrax-snapshot; do
  awk -v version="$version" -v date="$date_day" -f packaging/man/manpage.awk \
    "packaging/man/$page.txt" >"$work/$page.1"
  gzip -9n <"$work/$page.1" >"$tree/share/man/man1/$page.1.gz"
done

# Modes and times fixed, so the archives hold the same bytes on every run.
normalise() {
  find "$1" -type d -exec chmod 755 {} +
  find "$1" -type f ! -perm -u+x -exec chmod 644 {} +
  find "$1" -type f -perm -u+x -exec chmod 755 {} +
  find "$1" -exec touch -h -d "$stamp" {} +
}

# --- the Debian package ---------------------------------------------------------

deb=$work/deb
mkdir -p "$deb/usr" "$deb/DEBIAN" "$deb/usr/share/doc/veltrax"
cp -R "$tree/." "$deb/usr/"
doc=$deb/usr/share/doc/veltrax
gzip -9n <README.md >"$doc/README.md.gz"
sed -e "s/@VERSION@/$version/" -e "s/@DATE@/$(date -u -R -d "$stamp")/" \
  packaging/debian/changelog | gzip -9n >"$doc/changelog.gz"
changelog_version=$(gzip -dc "$doc/changelog.gz" | sed -n '1s/^veltrax (\([^)]*\)).*/\1/p')
[ "$changelog_version" = "$version" ] \
  || fail "packaging/debian/changelog begins with version $changelog_version, not $version: add an entry"
{
  cat packaging/debian/copyright
  # The licence itself, as the copyright file must hold it.
  echo
  sed -e 's/^/    /' -e 's/^ *$//' LICENSE.txt
} >"$doc/copyright"

# dpkg-shlibdeps reads the package's name from a debian/control of its own.
shlibs=$work/shlibs
mkdir -p "$shlibs/debian"
printf 'Source: veltrax\n\nPackage: veltrax\nArchitecture: amd64\n' >"$shlibs/debian/control"
elf_files=()
while IFS= read -r file; do elf_files+=("$file"); done < <(
  cd "$deb" && find usr/bin usr/lib -type f \( -path 'usr/bin/*' -o -name '*.so' -o -name '*.clap' \) | sort)
depends=$(cd "$shlibs" && dpkg-shlibdeps -O --warnings=7 "${elf_files[@]/#/$deb/}" 2>"$work/shlibdeps.log" \
          | sed -n 's/^shlibs:Depends=//p') \
  || { cat "$work/shlibdeps.log" >&2; fail "dpkg-shlibdeps failed"; }
[ -n "$depends" ] || { cat "$work/shlibdeps.log" >&2; fail "dpkg-shlibdeps found no dependencies"; }
normalise "$deb/usr"
# Installed-Size as dpkg-gencontrol counts it: KiB per file, one per folder.
installed_size=$(cd "$deb" && find usr \( -type f -printf '%s\n' \) -o \( -type d -printf '1024\n' \) \
                 | awk '{ kib += int(($1 + 1023) / 1024) } END { print kib }')
sed -e "s/@VERSION@/$version/" -e "s/@DEPENDS@/$depends/" -e "s/@SIZE@/$installed_size/" \
  packaging/debian/control >"$deb/DEBIAN/control"
(cd "$deb" && find usr -type f | sort | xargs md5sum) >"$deb/DEBIAN/md5sums"
chmod 644 "$deb/DEBIAN/control" "$deb/DEBIAN/md5sums"
normalise "$deb/DEBIAN"
touch -h -d "$stamp" "$deb"
deb_file=veltrax_${version}_amd64.deb
# One compressor thread: the threaded format differs, and so would the bytes
# between machines with one core and more.
dpkg-deb --root-owner-group -Zxz --threads-max=1 --build "$deb" "$out/$deb_file" >/dev/null
say "$deb_file: Depends: $depends"

# lintian's verdict: errors stop the run; the warnings are shown.
if ! lintian --fail-on error "$out/$deb_file" >"$work/lintian.log" 2>&1; then
  cat "$work/lintian.log" >&2
  fail "lintian found errors in $deb_file"
fi
# (It warns when run as root, which it is here; that says nothing of the package.)
sed -i '/running with root privileges/d' "$work/lintian.log"
if [ -s "$work/lintian.log" ]; then
  sed 's/^/package: lintian: /' "$work/lintian.log"
else
  say "lintian: no errors or warnings"
fi

# --- the Linux archive ----------------------------------------------------------

tar_dir=veltrax-$version
mkdir -p "$work/tar/$tar_dir"
cp -R "$tree/." "$work/tar/$tar_dir/"
install -m 755 packaging/linux/install.sh "$work/tar/$tar_dir/install.sh"
install -m 644 README.md LICENSE.txt "$work/tar/$tar_dir/"
normalise "$work/tar/$tar_dir"
tar_file=veltrax-$version-linux-x86_64.tar.gz
(cd "$work/tar" && tar --sort=name --format=gnu --owner=0 --group=0 --numeric-owner \
   --mtime="$stamp" -cf - "$tar_dir") | gzip -9n >"$out/$tar_file"

# --- the Windows files: the zip and the installer -------------------------------

zip_dir=Veltrax-$version-win64
win=$work/win/$zip_dir
mkdir -p "$win"
mingw_strip=x86_64-w64-mingw32-strip
command -v "$mingw_strip" >/dev/null || fail "$mingw_strip is missing: run scripts/setup-win64.sh as root"
install -D -m 644 "$win_build/vst2/Veltrax.dll" "$win/VST2/Veltrax.dll"
install -D -m 644 "$win_build/clap/Veltrax.clap" "$win/CLAP/Veltrax.clap"
mkdir -p "$win/VST3"
cp -R "$win_build/vst3/Veltrax.vst3" "$win/VST3/"
find "$win/VST3" -type f -exec chmod 644 {} +
"$mingw_strip" --strip-unneeded "$win/VST2/Veltrax.dll" "$win/CLAP/Veltrax.clap" "$win/VST3/$vst3_win"
# Text files with Windows line ends, for Notepad and its kin.
crlf() { sed 's/\r*$/\r/'; }
crlf <README.md >"$win/README.txt"
crlf <LICENSE.txt >"$win/LICENSE.txt"
sed "s/@VERSION@/$version/g" packaging/windows/INSTALL.txt | crlf >"$win/INSTALL.txt"
normalise "$win"

zip_file=Veltrax-$version-win64.zip
(cd "$work/win" && find "$zip_dir" -type f | sort | zip -q -X -9 -D "$out/$zip_file" -@)

setup_file=Veltrax-$version-win64-setup.exe
if ! makensis -V2 -NOCD -INPUTCHARSET UTF8 -DVERSION="$version" -DSTAGE="$win" \
       -DOUTFILE="$out/$setup_file" packaging/windows/Veltrax.nsi >"$work/makensis.log" 2>&1; then
  cat "$work/makensis.log" >&2
  fail "makensis failed"
fi

# --- checksums, then everything into place ------------------------------------

(cd "$out" && sha256sum "$setup_file" "$zip_file" "$deb_file" "$tar_file" >SHA256SUMS)
mkdir -p "$output"
for file in "$setup_file" "$zip_file" "$deb_file" "$tar_file" SHA256SUMS; do
  mv -f "$out/$file" "$output/$file"
done
say "wrote into ${output#"$root"/}:"
(cd "$output" && ls -l "$setup_file" "$zip_file" "$deb_file" "$tar_file" SHA256SUMS | awk '{ printf "  %10d  %s\n", $5, $9 }')
