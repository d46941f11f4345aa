#!/usr/bin/env bash
# Installs what the sanitizer and fuzzing lanes need on Debian 12 (as root):
# clang with its sanitizer and libFuzzer runtimes. Packages already present
# are not installed again.
set -euo pipefail

packages=(clang libclang-rt-dev)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "setup-sanitizers: missing packages: ${missing[*]}" >&2
    echo "setup-sanitizers: run as root, or install them with apt-get" >&2
    exit 1
  fi
  echo "setup-sanitizers: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
