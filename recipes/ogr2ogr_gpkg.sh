#!/usr/bin/env bash
# Converts a GeoPackage point layer with GDAL's ogr2ogr and an exported
# tinshift network into a layer of the same name in a new GeoPackage.
#
# Usage: ogr2ogr_gpkg.sh NETWORK.json INPUT.gpkg LAYER OUTPUT.gpkg
#
# A GeoPackage layer always has a geographic CRS (EPSG:6782 for
# NAD83(CORS96) 3D, or GDAL's undefined geographic CRS), and ogr2ogr hands a
# -ct pipeline the coordinates in that CRS's own axis order: latitude first.
# The two axisswap steps give the tinshift step longitude first and put the
# result back. -skipfailures keeps going past the points outside the network
# (without it the first one ends the run with an error) and writes them with
# an empty geometry; it also makes every feature its own transaction, which
# the two SQLite settings keep from writing a journal file for each.
set -euo pipefail
if [ $# -ne 4 ]; then
  echo "usage: $0 NETWORK.json INPUT.gpkg LAYER OUTPUT.gpkg" >&2
  exit 2
fi
network="$(realpath "$1")"
rm -f "$4"
ogr2ogr -f GPKG "$4" "$2" "$3" -skipfailures \
  --config OGR_SQLITE_JOURNAL MEMORY --config OGR_SQLITE_SYNCHRONOUS OFF \
  -ct "+proj=pipeline +step +proj=axisswap +order=2,1 +step +proj=tinshift +file=$network +step +proj=axisswap +order=2,1"
