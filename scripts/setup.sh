#!/usr/bin/env bash
# Installs what building and testing ZARNPlay needs on Debian 12 (as root).
set -euo pipefail
packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  zlib1g-dev libpng-dev libcurl4-openssl-dev libzip-dev
  python3 python3-pyftpdlib
  qt6-base-dev libx11-dev libxcb1-dev libxdo-dev fonts-dejavu-core
  xvfb xauth trayer xdotool x11-utils xterm imagemagick
  ccache libespeak-ng-dev espeak-ng qt6-multimedia-dev
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-libav
  pulseaudio pulseaudio-utils sox
  libfluidsynth-dev timgm6mb-soundfont libpoppler-qt6-dev
  libreoffice-impress libreoffice-core fonts-liberation2
  libpocketsphinx-dev libsphinxbase-dev pocketsphinx-en-us
  libavcodec-dev libavformat-dev libavutil-dev libswscale-dev libswresample-dev
  xdg-utils desktop-file-utils libfile-mimeinfo-perl dpkg-dev
  lintian flite1-dev libsndfile1-dev
  libxinerama-dev xserver-xephyr weston xwayland
  libexpat1-dev nlohmann-json3-dev
  dbus python3-dbus python3-gi
  hyperfine
)
missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
