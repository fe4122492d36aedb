#!/usr/bin/env bash
# Installs every Debian 12 package the build and the tests need. Runs apt-get
# only when something is missing; uses sudo when not root.
set -euo pipefail
packages=(
  cmake ninja-build g++ clang ccache pkg-config
  libjpeg62-turbo-dev libpng-dev zlib1g-dev
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libgtest-dev libbenchmark-dev libclang-rt-14-dev
  libcurl4-openssl-dev libcli11-dev nlohmann-json3-dev help2man
  imagemagick python3-pil gifsicle pngcheck libjpeg-turbo-progs libtiff-tools ghostscript
  libwmf-bin librsvg2-bin libreoffice-draw-nogui
  xvfb xauth
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update
$sudo apt-get install -y --no-install-recommends "${missing[@]}"
