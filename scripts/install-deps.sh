#!/usr/bin/env bash
# Installs, with apt-get, only the Debian packages that are missing. Idempotent.
set -euo pipefail

PACKAGES=(
  # build and test
  build-essential cmake ninja-build pkg-config ccache googletest libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  # libraries the platform layer wraps
  libx11-dev libxext-dev libfreetype-dev libfontconfig-dev libpixman-1-dev libcairo2-dev libpng-dev libjpeg-dev
  zlib1g-dev liblcms2-dev libcurl4-gnutls-dev libavformat-dev libavcodec-dev libswscale-dev libavutil-dev
  libburn-dev libmediainfo-dev libraw-dev libopenjp2-7-dev libgif-dev
  fonts-liberation fonts-dejavu-core fonts-droid-fallback fonts-symbola
  # outside tools the program runs, and the readers that check its output
  ffmpeg mjpegtools dvdauthor lsdvd genisoimage udftools lhasa giflib-tools
  # screens for gui tests
  xvfb xauth xdotool xclip x11-utils imagemagick libjpeg-turbo-progs libtiff-tools netpbm libopenjp2-tools libraw-bin python3-tifffile python3-numpy ghostscript poppler-utils
  # image text export and URL-loading tests
  fp-compiler python3 pstoedit
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null 2>&1; then SUDO="sudo"; else
    echo "install-deps: need root or sudo to install: ${missing[*]}" >&2; exit 1
  fi
fi
echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
