#!/usr/bin/env bash
# Installs what the native Linux lane needs on a fresh Debian 12 machine.
# Run as root. Packages already present are not installed again.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  libgtest-dev googletest libbenchmark-dev
  libpng-dev zlib1g-dev libsndfile1-dev
  libfreetype-dev libfontconfig-dev fonts-dejavu-core
  python3 python3-cairo python3-numpy python3-pil fonts-dejavu-extra
  python3-matplotlib
  libxcb1-dev libxcb-xtest0-dev xvfb
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "setup: missing packages: ${missing[*]}" >&2
    echo "setup: run as root, or install them with apt-get" >&2
    exit 1
  fi
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
