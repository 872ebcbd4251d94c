#!/usr/bin/env bash
# Installs the Debian packages Veltrane needs to build, run and test, skipping
# those that are already present. Safe to run any number of times.
set -euo pipefail

PACKAGES=(
  build-essential cmake pkg-config
  qtbase5-dev libqt5opengl5-dev qt5-image-formats-plugins
  libgl1-mesa-dri libglu1-mesa-dev
  xvfb xauth x11-utils xdotool imagemagick fonts-dejavu-core
  libgtest-dev libbenchmark-dev
  clang libclang-rt-dev
  proj-bin time
  gdal-bin python3-pyproj python3-jsonschema
  postgresql-15 postgresql-15-postgis-3
  python3-dask python3-distributed python3-pandas
  dpkg-dev file desktop-file-utils appstream lintian librsvg2-bin
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: all ${#PACKAGES[@]} required packages are installed"
  exit 0
fi

echo "setup: installing missing packages: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
echo "setup: done"
