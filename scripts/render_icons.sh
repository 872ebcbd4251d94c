#!/usr/bin/env bash
# Renders the PNG icons of packaging/icons/ from veltrane.svg. The PNGs are
# kept in the tree so a build needs no SVG renderer; run this after editing
# the SVG (needs rsvg-convert from librsvg2-bin, which setup.sh installs).
set -euo pipefail
icons="$(cd "$(dirname "$0")/../packaging/icons" && pwd)"
for size in 48 128 256; do
  rsvg-convert --width "$size" --height "$size" "$icons/veltrane.svg" --output "$icons/veltrane-$size.png"
  echo "render_icons: $icons/veltrane-$size.png"
done
