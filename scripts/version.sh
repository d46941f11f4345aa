# Sourced by the packaging scripts: the release's version, from the project()
# line of the top-level CMakeLists.txt (nothing when that line has none).
# shellcheck shell=bash
project_version() {
  sed -n 's/^project(Veltrax VERSION \([0-9][0-9.]*\)[ )].*/\1/p' "${root:?}/CMakeLists.txt"
}
