#!/usr/bin/env bash
# Converts a Veltrane point file with GDAL's ogr2ogr and an exported tinshift
# network, from CSV to CSV.
#
# Usage: ogr2ogr_csv.sh NETWORK.json INPUT.csv OUTPUT.csv
#
# The input has no header: the open options name its columns field_1 to
# field_4 and say which hold the longitude, latitude and height. The '#' line
# has no number in field_1 and is left out by the query. The layer has no CRS,
# so the pipeline gets longitude first. -skipfailures keeps going past the
# points outside the network (without it the first one ends the run with an
# error) and writes them with empty coordinates.
set -euo pipefail
if [ $# -ne 3 ]; then
  echo "usage: $0 NETWORK.json INPUT.csv OUTPUT.csv" >&2
  exit 2
fi
network="$(realpath "$1")"
layer="$(basename "$2" .csv)"
rm -f "$3"
ogr2ogr -f CSV "$3" "$2" -skipfailures \
  -oo HEADERS=NO -oo X_POSSIBLE_NAMES=field_1 -oo Y_POSSIBLE_NAMES=field_2 -oo Z_POSSIBLE_NAMES=field_3 \
  -sql "SELECT field_4 AS id FROM \"$layer\" WHERE field_1 IS NOT NULL" \
  -ct "+proj=tinshift +file=$network" -lco GEOMETRY=AS_XYZ
