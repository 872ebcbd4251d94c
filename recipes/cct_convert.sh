#!/usr/bin/env bash
# Converts a Veltrane point file with PROJ's cct and an exported tinshift
# network.
#
# Usage: cct_convert.sh NETWORK.json INPUT OUTPUT
#
# cct reads space-separated columns, so the commas become spaces and the '#'
# lines are dropped. -t 0 fixes the time coordinate: without it cct reads the
# fourth column, the identifier, as the time and the identifier is lost.
# -d 12 writes 12 decimals. The output has longitude, latitude, height, time
# and identifier per point; a point outside the network is written as a
# "# Record N TRANSFORMATION ERROR" line followed by a line " ((null))".
# PROJ looks a bare network file name up in its data folders: the path must
# be absolute or start with ./
set -euo pipefail
if [ $# -ne 3 ]; then
  echo "usage: $0 NETWORK.json INPUT OUTPUT" >&2
  exit 2
fi
network="$(realpath "$1")"
grep -v '^#' "$2" | tr ',' ' ' | cct -t 0 -d 12 +proj=tinshift +file="$network" > "$3"
