#!/usr/bin/env bash
# Installs the Debian 12 packages of the sets named on the command line:
#   runtime  what the program needs to run (the window module included)
#   build    compilers and the libraries' development files
#   test     the test frameworks, sanitizer runtimes, the display server for
#            window tests and the other programs the tests compare against
# No set named: all three. Runs apt-get only when something is missing; uses
# sudo when not root.
set -euo pipefail

runtime=(
  libjpeg62-turbo libpng16-16 zlib1g libcurl4
  libqt6core6 libqt6gui6 libqt6widgets6 libqt6printsupport6 qt6-qpa-plugins libsane1
)
build=(
  cmake ninja-build g++ ccache pkg-config
  libjpeg62-turbo-dev libpng-dev zlib1g-dev libcurl4-openssl-dev libcli11-dev nlohmann-json3-dev help2man
  qt6-base-dev qt6-base-dev-tools libgl-dev libsane-dev
)
test=(
  libgtest-dev libbenchmark-dev clang libclang-rt-14-dev
  imagemagick python3-pil gifsicle pngcheck libjpeg-turbo-progs libtiff-tools ghostscript
  libwmf-bin librsvg2-bin libreoffice-draw-nogui
  xvfb xauth python3-pyatspi at-spi2-core dbus
  sane-utils poppler-utils
)

sets=("$@")
[ ${#sets[@]} -gt 0 ] || sets=(runtime build test)
packages=()
for set in "${sets[@]}"; do
  case "$set" in
    runtime) packages+=("${runtime[@]}") ;;
    build) packages+=("${build[@]}") ;;
    test) packages+=("${test[@]}") ;;
    *)
      echo "install-deps.sh: unknown set '$set' (runtime, build, test)" >&2
      exit 2
      ;;
  esac
done

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
