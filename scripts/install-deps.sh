#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests and the GUI checks need.
# Does nothing when they are all present. Needs root (or sudo) for apt-get.
set -euo pipefail

packages=(
  build-essential cmake ccache
  qt6-base-dev qt6-image-formats-plugins
  libpng-dev libjpeg62-turbo-dev libtiff-dev libgif-dev zlib1g-dev
  libgtest-dev libbenchmark-dev libopenjp2-7-dev libopenjp2-tools
  clang libclang-rt-14-dev clang-format
  xvfb xauth
  imagemagick netpbm libtiff-tools giflib-tools python3-pil
  pkg-config dpkg-dev lintian file
  python3-dev pybind11-dev python3-pybind11 python3-numpy python3-pytest
  qtbase5-dev libgdk-pixbuf-2.0-dev libgdk-pixbuf2.0-bin
  desktop-file-utils appstream shared-mime-info xdg-utils libglib2.0-bin
  libjpeg-turbo-progs time
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
