#!/usr/bin/env bash
# Installs the Debian packages Veltrane needs, skipping those that are
# already present. Safe to run any number of times.
#   setup.sh            what building and running the program need
#   setup.sh --package  that, and what making the Debian package needs
#   setup.sh --tests    that, and what only the tests need: GoogleTest and
#                       the benchmark library, the packaging checks, the GIS
#                       tools, PostGIS and Dask of the recipes, pybind11 for
#                       the Python module, clang for the fuzzers,
#                       clang-format for the style check, pdftotext for the
#                       text of the PDF pictures, and the locales
set -euo pipefail

# Compiler, Qt with its OpenGL widget, PROJ for the coordinate systems of
# the points, GDAL for points in GIS files, Mesa's software renderer, and
# Xvfb with a font for the window when there is no display.
RUN_PACKAGES=(
  build-essential cmake pkg-config
  qtbase5-dev libqt5opengl5-dev
  libproj-dev libgdal-dev
  libgl1-mesa-dri libglu1-mesa-dev
  xvfb xauth x11-utils fonts-dejavu-core
)

# CPack's Debian generator reads the programs' library needs with these.
PACKAGE_PACKAGES=(dpkg-dev file)

TEST_PACKAGES=(
  libgtest-dev libbenchmark-dev
  clang libclang-rt-dev clang-format
  proj-bin time
  gdal-bin python3-pyproj python3-jsonschema
  postgresql-15 postgresql-15-postgis-3
  python3-dask python3-distributed python3-pandas
  pybind11-dev python3-dev python3-numpy
  desktop-file-utils appstream lintian librsvg2-bin
  poppler-utils
  locales
)

PACKAGES=("${RUN_PACKAGES[@]}")
LOCALES=()
case "${1:-}" in
  "") ;;
  --package) PACKAGES+=("${PACKAGE_PACKAGES[@]}") ;;
  # Locales the tests need beside C: a decimal-comma one shows that numbers
  # in files and diagnostics never follow the user's locale.
  --tests)
    PACKAGES+=("${PACKAGE_PACKAGES[@]}" "${TEST_PACKAGES[@]}")
    LOCALES=(de_DE.UTF-8) ;;
  *) echo "usage: setup.sh [--package | --tests]" >&2; exit 2 ;;
esac

# True when `locale -a` lists the locale (it writes "utf8" for "UTF-8").
has_locale() {
  local wanted
  wanted="$(echo "$1" | tr '[:upper:]' '[:lower:]' | sed 's/utf-8$/utf8/')"
  locale -a 2>/dev/null | tr '[:upper:]' '[:lower:]' | grep -qx "$wanted"
}

# Generates the locales of LOCALES that are missing.
generate_locales() {
  local missing_locales=() l
  for l in "${LOCALES[@]}"; do
    has_locale "$l" || missing_locales+=("$l")
  done
  [ ${#missing_locales[@]} -eq 0 ] && return 0
  echo "setup: generating locales: ${missing_locales[*]}"
  for l in "${missing_locales[@]}"; do
    # /etc/locale.gen lists them as "de_DE.UTF-8 UTF-8", maybe commented out.
    local line="$l ${l#*.}"
    if grep -qE "^# *${line}\$" /etc/locale.gen 2>/dev/null; then
      $SUDO sed -i -E "s/^# *(${line})\$/\1/" /etc/locale.gen
    elif ! grep -qx "$line" /etc/locale.gen 2>/dev/null; then
      echo "$line" | $SUDO tee -a /etc/locale.gen > /dev/null
    fi
  done
  $SUDO locale-gen > /dev/null
}

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: all ${#PACKAGES[@]} required packages are installed"
else
  echo "setup: installing missing packages: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
generate_locales
echo "setup: done"
