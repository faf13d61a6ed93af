#!/usr/bin/env bash
# Installs the Debian packages the project needs (only the missing ones), then configures and
# builds into build/ (or $BUILD_DIR). Quiet when everything is already installed and built.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  cmake ninja-build g++ pkg-config
  libgtest-dev libgmock-dev
  qt6-base-dev
  libfreeimage-dev libarchive-dev zlib1g-dev
  xvfb xauth libx11-dev
  libbenchmark-dev time
  clang-14 libclang-rt-14-dev
  dpkg-dev file man-db lintian desktop-file-utils appstream
)
# The peers the benchmarks compare against: bash scripts/setup.sh --bench
if [ "${1:-}" = "--bench" ]; then
  packages+=(genromfs html2text w3m imagemagick)
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo[@]}" apt-get update -qq
  "${sudo[@]}" apt-get install -y -qq "${missing[@]}" >/dev/null
fi

build_dir=${BUILD_DIR:-build}
if [ ! -f "$build_dir/build.ninja" ]; then
  cmake -S . -B "$build_dir" -G Ninja ${CMAKE_ARGS:-} >/dev/null
fi
cmake --build "$build_dir"
