# Sourced by the setup scripts: install_packages NAME PACKAGE... installs
# with apt-get the Debian packages that are not installed yet (as root), and
# names them when it cannot. NAME prefixes the messages.

install_packages() {
  local name=$1
  shift
  local missing=() p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -gt 0 ] || return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "$name: missing packages: ${missing[*]}" >&2
    echo "$name: run as root, or install them with apt-get" >&2
    exit 1
  fi
  echo "$name: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${missing[@]}"
}
