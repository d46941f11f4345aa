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

. "$(dirname "$0")/apt-packages.sh"
install_packages setup "${packages[@]}"
