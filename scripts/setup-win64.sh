#!/usr/bin/env bash
# Prepares the win64 lane on Debian 12 (as root): the mingw-w64 cross toolchain,
# Wine, and the target's libraries built once into build/deps-win64/prefix:
#   zlib        the static archive of libz-mingw-w64-dev,
#   libpng 1.6  Debian's own libpng1.6 source package with its Debian patches
#               (apt-get source through a private deb-src list; the system's
#               apt sources and lists are left as they are),
#   GoogleTest  the sources of the googletest package.
# A second run reuses what the first one built.
#
#   setup-win64.sh          install what is missing, build the libraries
#   setup-win64.sh --check  only report what is missing (exit 1 if anything is)
set -euo pipefail

here=${BASH_SOURCE[0]%/*}
[ "$here" = "${BASH_SOURCE[0]}" ] && here=.
root=$(cd "$here/.." && pwd)
deps=${VELTRAX_WIN64_DEPS:-$root/build/deps-win64}
prefix=$deps/prefix
toolchain=$root/cmake/mingw-w64-x86_64.cmake
triplet=x86_64-w64-mingw32

say() { echo "setup-win64: $*"; }
fail() { echo "setup-win64: error: $*" >&2; exit 1; }

# What the lane needs, as "kind:what:Debian package"; checked by command or by
# file so that a missing piece is named even where dpkg is not at hand.
requirements=(
  "cmd:$triplet-g++-posix:g++-mingw-w64-x86-64"
  "cmd:$triplet-gcc-posix:g++-mingw-w64-x86-64"
  "cmd:$triplet-windres:binutils-mingw-w64-x86-64"
  "cmd:$triplet-objdump:binutils-mingw-w64-x86-64"
  "file:/usr/$triplet/lib/libz.a:libz-mingw-w64-dev"
  "file:/usr/lib/wine/wine64:wine64"
  "cmd:wineboot:wine"
  "cmd:wineserver:wine"
  # Wine only recommends its fonts; GDI text under Wine needs them.
  "file:/usr/share/wine/fonts/tahoma.ttf:fonts-wine"
  "file:/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf:fonts-liberation"
  "cmd:Xvfb:xvfb"
  "cmd:dpkg-source:dpkg-dev"
  "cmd:patch:patch"
  "cmd:xz:xz-utils"
  "file:/usr/src/googletest/CMakeLists.txt:googletest"
  "cmd:cmake:cmake"
  "cmd:make:make"
)

missing_packages() {
  local entry kind what package seen=" "
  for entry in "${requirements[@]}"; do
    IFS=: read -r kind what package <<<"$entry"
    case $kind in
      cmd) command -v "$what" >/dev/null 2>&1 && continue ;;
      file) [ -e "$what" ] && continue ;;
    esac
    case $seen in *" $package "*) continue ;; esac
    seen="$seen$package "
    echo "$package ($what)"
  done
}

report_missing() {
  local line
  while IFS= read -r line; do
    echo "setup-win64: missing Debian package $line" >&2
  done <<<"$1"
}

missing=$(missing_packages)
if [ "${1:-}" = "--check" ]; then
  if [ -n "$missing" ]; then
    report_missing "$missing"
    exit 1
  fi
  say "cross toolchain, Wine and build tools present"
  exit 0
fi

if [ -n "$missing" ]; then
  packages=$(sed 's/ (.*//' <<<"$missing" | tr '\n' ' ')
  if [ "$(id -u)" -ne 0 ]; then
    report_missing "$missing"
    fail "run as root, or install them with: apt-get install $packages"
  fi
  say "installing $packages"
  export DEBIAN_FRONTEND=noninteractive
  # shellcheck disable=SC2086
  if ! { apt-get update -q && apt-get install -y -q --no-install-recommends $packages; }; then
    report_missing "$missing"
    fail "apt-get could not install: $packages"
  fi
  missing=$(missing_packages)
  if [ -n "$missing" ]; then
    report_missing "$missing"
    fail "still missing after apt-get install"
  fi
fi

googletest_version=$(dpkg-query -W -f='${Version}' googletest 2>/dev/null || echo unknown)
toolchain_hash=$(sha256sum "$toolchain" | cut -c1-16)
stamp=$prefix/veltrax-deps.stamp
if [ -f "$stamp" ] && grep -qx "googletest=$googletest_version toolchain=$toolchain_hash" "$stamp" \
   && [ -f "$prefix/lib/libpng16.a" ] && [ -f "$prefix/lib/libgtest.a" ]; then
  say "reusing $(sed -n 1p "$prefix/veltrax-libpng.version") and GoogleTest $googletest_version in ${prefix#"$root"/}"
  exit 0
fi

jobs=$(nproc)
rm -rf "$prefix"
mkdir -p "$deps/apt/lists/partial" "$deps/apt/cache/archives/partial" "$deps/src" "$prefix"

# --- libpng from Debian's source package --------------------------------------

# deb-src lines for the suites of this release that the machine's own apt
# sources name (one-line .list files and deb822 .sources files alike).
codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
[ -n "$codename" ] || fail "cannot tell the Debian release from /etc/os-release"
# One-line entries go to a sources.list, deb822 stanzas to a *.sources file
# (apt reads those only under that suffix).
srclist=$deps/apt/sources.list
srcparts=$deps/apt/sources.list.d
rm -rf "$srcparts" && mkdir -p "$srcparts"
for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
  [ -f "$f" ] || continue
  awk -v c="$codename" '
    $1 == "deb" {
      i = 2
      if ($i ~ /^\[/) { while ($i !~ /\]$/) i++; i++ }   # skip [options]
      if ($(i + 1) ~ "^" c "($|-)") { $1 = "deb-src"; print }
    }' "$f"
done >"$srclist"
for f in /etc/apt/sources.list.d/*.sources; do
  [ -f "$f" ] || continue
  awk -v c="$codename" '
    function flush() {
      if (types ~ /(^| )deb( |$)/ && enabled != "no" && uris != "") {
        n = split(suites, s, " "); keep = ""
        for (k = 1; k <= n; k++) if (s[k] ~ "^" c "($|-)") keep = keep " " s[k]
        if (keep != "") {
          printf "Types: deb-src\nURIs: %s\nSuites:%s\nComponents: %s\n", uris, keep, comps
          if (signed != "") printf "Signed-By: %s\n", signed
          printf "\n"
        }
      }
      types = uris = suites = comps = signed = enabled = ""
    }
    /^[ \t]*#/ { next }
    /^[ \t]*$/ { flush(); next }
    { key = tolower($1); sub(/^[^:]*:[ \t]*/, "") }
    key == "types:" { types = $0 } key == "uris:" { uris = $0 } key == "suites:" { suites = $0 }
    key == "components:" { comps = $0 } key == "signed-by:" { signed = $0 } key == "enabled:" { enabled = $0 }
    END { flush() }' "$f"
done >"$srcparts/veltrax-src.sources"
if ! grep -q . "$srclist" "$srcparts/veltrax-src.sources"; then
  printf 'deb-src http://deb.debian.org/debian %s main\ndeb-src http://deb.debian.org/debian-security %s-security main\n' \
    "$codename" "$codename" >"$srclist"
fi

apt_private=(
  -o "Dir::Etc::SourceList=$srclist"
  -o "Dir::Etc::SourceParts=$srcparts"
  -o "Dir::State::Lists=$deps/apt/lists"
  -o "Dir::Cache=$deps/apt/cache"
  -o "APT::Sandbox::User=root"
)
say "reading the source index of $codename"
apt-get "${apt_private[@]}" -q update >"$deps/apt/update.log" 2>&1 \
  || { cat "$deps/apt/update.log" >&2; fail "apt-get update of the deb-src list failed (network to the Debian archive?)"; }

say "fetching Debian's libpng1.6 source package"
src=$deps/src
rm -rf "$src" && mkdir -p "$src"
fetched=""
# The newest version first; a mirror may index a version whose files it lacks.
versions=$(apt-cache "${apt_private[@]}" showsrc libpng1.6 2>/dev/null | awk '/^Version:/ {print $2}' | sort -rV | uniq)
[ -n "$versions" ] || fail "no libpng1.6 source package in the deb-src index of $codename"
for v in $versions; do
  if (cd "$src" && apt-get "${apt_private[@]}" -q source "libpng1.6=$v") >"$deps/apt/source.log" 2>&1; then
    fetched=$v
    break
  fi
  rm -rf "${src:?}"/*
done
[ -n "$fetched" ] || { cat "$deps/apt/source.log" >&2; fail "apt-get source libpng1.6 failed for every version: $versions"; }
pngsrc=$(find "$src" -mindepth 1 -maxdepth 1 -type d -name 'libpng1.6-*' | head -n1)
[ -n "$pngsrc" ] || fail "apt-get source unpacked no libpng1.6 folder"

# dpkg-source applies the quilt series while unpacking; make sure it did.
series=$(grep -v '^[[:space:]]*\(#\|$\)' "$pngsrc/debian/patches/series" 2>/dev/null | awk '{print $1}' || true)
applied=$(cat "$pngsrc/.pc/applied-patches" 2>/dev/null || true)
if [ "$series" != "$applied" ]; then
  fail "the Debian patches of libpng1.6 $fetched were not all applied (is dpkg-dev installed?)"
fi
patch_count=$(grep -c . <<<"$series" || true)
say "libpng1.6 $fetched unpacked with its $patch_count Debian patches applied"

cmake -S "$pngsrc" -B "$deps/build-libpng" -G "Unix Makefiles" \
  -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF \
  >"$deps/build-libpng.log" 2>&1 \
  && cmake --build "$deps/build-libpng" --parallel "$jobs" >>"$deps/build-libpng.log" 2>&1 \
  && cmake --install "$deps/build-libpng" >>"$deps/build-libpng.log" 2>&1 \
  || { tail -n 40 "$deps/build-libpng.log" >&2; fail "building libpng for $triplet failed (log: $deps/build-libpng.log)"; }
echo "libpng1.6 $fetched" >"$prefix/veltrax-libpng.version"

# --- GoogleTest from the googletest sources package ----------------------------

say "building GoogleTest $googletest_version for $triplet"
cmake -S /usr/src/googletest -B "$deps/build-googletest" -G "Unix Makefiles" \
  -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF -DBUILD_GMOCK=ON \
  >"$deps/build-googletest.log" 2>&1 \
  && cmake --build "$deps/build-googletest" --parallel "$jobs" >>"$deps/build-googletest.log" 2>&1 \
  && cmake --install "$deps/build-googletest" >>"$deps/build-googletest.log" 2>&1 \
  || { tail -n 40 "$deps/build-googletest.log" >&2; fail "building GoogleTest for $triplet failed (log: $deps/build-googletest.log)"; }

echo "googletest=$googletest_version toolchain=$toolchain_hash" >"$stamp"
say "libraries ready in ${prefix#"$root"/}"
