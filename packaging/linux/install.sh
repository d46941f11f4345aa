#!/bin/sh
# Installs the Veltrax plug-ins of this folder where Linux hosts look for them:
#
#   lib/vst/Veltrax.so          ~/.vst/Veltrax.so
#   lib/clap/Veltrax.clap       ~/.clap/Veltrax.clap
#   lib/vst3/Veltrax.vst3/      ~/.vst3/Veltrax.vst3/
#
#   install.sh               for you alone, into the folders above
#   install.sh --system      for everyone (as root), into /usr/lib/vst,
#                            /usr/lib/clap and /usr/lib/vst3
#   install.sh --uninstall   removes what the installation put there, and the
#                            folders it made (with --system: the system's)
#
# Which files and folders it made is kept in a list of its own
# (~/.local/share/veltrax/installed, or /var/lib/veltrax/installed), so the
# uninstall removes exactly those, and leaves alone any file you added. The
# command-line tools (bin/veltrax-render, bin/veltrax-snapshot) run from this
# folder as they are.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
system=0
uninstall=0
for arg in "$@"; do
  case $arg in
    --system) system=1 ;;
    --uninstall) uninstall=1 ;;
    -h|--help) awk 'NR > 1 && !/^#/ { exit } NR > 1 { sub(/^# ?/, ""); print }' "$0"; exit 0 ;;
    *) echo "install.sh: unknown option $arg (see --help)" >&2; exit 2 ;;
  esac
done

if [ $system = 1 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "install.sh: --system needs root (sudo sh install.sh --system)" >&2
    exit 1
  fi
  vst=/usr/lib/vst clap=/usr/lib/clap vst3=/usr/lib/vst3
  list=/var/lib/veltrax/installed
else
  : "${HOME:?install.sh: HOME is not set}"
  vst=$HOME/.vst clap=$HOME/.clap vst3=$HOME/.vst3
  list=${XDG_DATA_HOME:-$HOME/.local/share}/veltrax/installed
fi

# A list holds "f PATH" for each file put in place and "d PATH" for each folder
# made, a folder before what it holds; removing goes through it backwards, a
# folder only when nothing else is left in it.
remove_listed() {
  awk '{ line[NR] = $0 } END { for (i = NR; i > 0; i--) print line[i] }' "$1" |
  while IFS= read -r entry; do
    path=${entry#? }
    case $entry in
      "f "*) rm -f "$path" && echo "removed $path" ;;
      "d "*) rmdir "$path" 2>/dev/null || true ;;
    esac
  done
}

# The list's own folder is among its entries, so the list goes first.
remove_installed() {
  [ -f "$list" ] || return 0
  copy=$(mktemp "${TMPDIR:-/tmp}/veltrax-installed.XXXXXX")
  cat "$list" >"$copy"
  rm -f "$list"
  remove_listed "$copy"
  rm -f "$copy"
}

if [ $uninstall = 1 ]; then
  if [ ! -f "$list" ]; then
    echo "install.sh: Veltrax is not installed here (no $list)" >&2
    exit 1
  fi
  remove_installed
  echo "Veltrax removed"
  exit 0
fi

if [ $system = 1 ] && command -v dpkg-query >/dev/null 2>&1 \
   && dpkg-query -S /usr/lib/vst/Veltrax.so >/dev/null 2>&1; then
  echo "install.sh: the Debian package veltrax owns /usr/lib/vst/Veltrax.so;" \
       "remove it first (apt remove veltrax) or install for yourself alone" >&2
  exit 1
fi

# An earlier installation goes first, so nothing of it is left unlisted.
remove_installed

# What this run puts in place; taken away again if it stops half-way.
entries=$(mktemp "${TMPDIR:-/tmp}/veltrax-install.XXXXXX")
done=0
trap '[ $done = 1 ] || remove_listed "$entries" >/dev/null; rm -f "$entries" "$entries.bundle"' EXIT

# Makes FOLDER and its missing parents, listing each one made.
make_folder() {
  [ -d "$1" ] && return 0
  make_folder "$(dirname "$1")"
  mkdir "$1"
  echo "d $1" >>"$entries"
}

# install_file SOURCE DESTINATION
install_file() {
  make_folder "$(dirname "$2")"
  cp "$1" "$2.veltrax-new"
  chmod 644 "$2.veltrax-new"
  mv -f "$2.veltrax-new" "$2"
  echo "f $2" >>"$entries"
  echo "installed $2"
}

installed=0
if [ -f "$here/lib/vst/Veltrax.so" ]; then
  install_file "$here/lib/vst/Veltrax.so" "$vst/Veltrax.so"
  installed=1
fi
if [ -f "$here/lib/clap/Veltrax.clap" ]; then
  install_file "$here/lib/clap/Veltrax.clap" "$clap/Veltrax.clap"
  installed=1
fi
if [ -d "$here/lib/vst3/Veltrax.vst3" ]; then
  make_folder "$vst3/Veltrax.vst3"
  (cd "$here/lib/vst3" && find Veltrax.vst3 -type f | LC_ALL=C sort) >"$entries.bundle"
  while IFS= read -r file; do
    install_file "$here/lib/vst3/$file" "$vst3/$file"
  done <"$entries.bundle"
  rm -f "$entries.bundle"
  installed=1
fi
if [ $installed = 0 ]; then
  echo "install.sh: no plug-in found next to this script, in $here/lib" >&2
  exit 1
fi

make_folder "$(dirname "$list")"
cp "$entries" "$list"
chmod 644 "$list"
done=1
again="sh $0 --uninstall"
[ $system = 0 ] || again="sh $0 --system --uninstall"
echo "Veltrax installed; let your host scan for new plug-ins. To remove it: $again"
