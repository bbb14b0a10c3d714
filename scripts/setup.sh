#!/usr/bin/env bash
# Installs what the build and the tests need from Debian's packages, skipping
# what is already installed. Safe to run again.
set -euo pipefail
PACKAGES=(cmake ninja-build g++ clang libclang-rt-14-dev libgtest-dev libgmock-dev libbenchmark-dev
          python3 python3-dbf python3-dbfread gdal-bin valgrind libdbd-xbase-perl
          postgresql pgdbf   # the PostgreSQL interop test; pgdbf for the export benchmark
          pkg-config libsdl2-dev libfreetype-dev libfontconfig-dev libgif-dev libpng-dev fonts-wine
          xvfb xdotool x11-apps)
missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}" >/dev/null
fi
