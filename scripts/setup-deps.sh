#!/usr/bin/env bash
# Installs the Debian 12 packages the editor, its tests and benchmarks need.
# Safe to run again: it only calls apt-get when something is missing.
set -euo pipefail

PACKAGES=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-base-dev-tools libfontconfig-dev qt6-translations-l10n
  libmpg123-dev libmp3lame-dev libsdl2-dev libebur128-dev
  libsndfile1-dev libvorbis-dev libogg-dev libsamplerate0-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  lame mpg123
  sox flac vorbis-tools opus-tools
  desktop-file-utils dpkg-dev hyperfine lintian appstream
  xvfb xauth x11-utils
  clang libclang-rt-14-dev
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
