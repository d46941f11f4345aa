#!/usr/bin/env bash
# Installs what the sanitizer and fuzzing lanes need on Debian 12 (as root):
# clang with its sanitizer and libFuzzer runtimes. Packages already present
# are not installed again.
set -euo pipefail

packages=(clang libclang-rt-dev)

. "$(dirname "$0")/apt-packages.sh"
install_packages setup-sanitizers "${packages[@]}"
