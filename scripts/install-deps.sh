#!/usr/bin/env bash
# Installs everything Kest2d needs to build, run and test on Debian 12 (run as root).
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
apt-get update
apt-get install -y --no-install-recommends \
  build-essential cmake pkg-config ca-certificates \
  libsdl2-dev libsdl2-image-dev libsdl2-mixer-dev libjpeg62-turbo-dev libgif-dev libtiff-dev \
  libtheora-dev libogg-dev libvorbis-dev libsndfile1-dev \
  libtinyxml-dev liblua5.1-0-dev libtolua++5.1-dev \
  zlib1g-dev libfreetype-dev libfontconfig-dev fonts-wqy-microhei \
  libcurl4-openssl-dev liblzo2-dev \
  libgtest-dev libgmock-dev libbenchmark-dev \
  libx11-dev libxrandr-dev xvfb openbox xdotool x11-xserver-utils \
  python3
