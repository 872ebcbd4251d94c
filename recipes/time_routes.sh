#!/usr/bin/env bash
# Times veltrane-convert and every recipe on one point file, side by side,
# and prints a Markdown table of wall-clock seconds.
#
# Usage: time_routes.sh VELTRANE_CONVERT CONTROL_FOLDER POINTS.csv
#
# Works in a temporary folder. The PostGIS route runs when psql reaches a
# database with the postgis extension (PGHOST and friends) whose server can
# read the temporary folder. PYTHON names the interpreter that has pyproj,
# dask and distributed (default python3).
set -euo pipefail
if [ $# -ne 3 ]; then
  echo "usage: $0 VELTRANE_CONVERT CONTROL_FOLDER POINTS.csv" >&2
  exit 2
fi
recipes="$(cd "$(dirname "$0")" && pwd)"
convert="$(realpath "$1")"
control="$(realpath "$2")"
points="$(realpath "$3")"
python="${PYTHON:-python3}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
chmod 755 "$work"
cd "$work"
ln -s "$points" points.csv
for f in "$control"/TARVONA_*; do ln -s "$f" .; done

seconds() { /usr/bin/time -f %e -o "$work/time" "$@" > /dev/null 2>&1 && cat "$work/time"; }
row() { printf '| %s | %s |\n' "$1" "$2"; }

echo "| route | seconds |"
echo "| --- | --- |"
row "veltrane-convert (with --export-tinshift)" \
  "$(seconds "$convert" --export-tinshift network.json points.csv)"
row "cct" "$(seconds bash "$recipes/cct_convert.sh" network.json points.csv cct.txt)"
row "ogr2ogr, CSV to CSV" "$(seconds bash "$recipes/ogr2ogr_csv.sh" network.json points.csv ogr.csv)"
ogr2ogr -f GPKG points.gpkg points.csv -nln points -a_srs EPSG:6782 -oo HEADERS=NO \
  -oo X_POSSIBLE_NAMES=field_1 -oo Y_POSSIBLE_NAMES=field_2 -oo Z_POSSIBLE_NAMES=field_3 \
  -sql "SELECT field_4 AS id FROM points WHERE field_1 IS NOT NULL" 2> /dev/null
row "ogr2ogr, GeoPackage to GeoPackage" \
  "$(seconds bash "$recipes/ogr2ogr_gpkg.sh" network.json points.gpkg points out.gpkg)"
row "veltrane-convert, GeoPackage to GeoPackage" \
  "$(seconds "$convert" -o veltrane_out.gpkg points.gpkg)"
row "pyproj" "$(seconds "$python" "$recipes/pyproj_convert.py" network.json points.csv pyproj.csv)"
# The Dask route runs Veltrane's module: the build's (VELTRANE_CONVERT's
# ../python), else the installed one.
module="$(dirname "$(dirname "$convert")")/python"
row "Dask, LocalCluster of 2 workers" \
  "$(PYTHONPATH="$module${PYTHONPATH:+:$PYTHONPATH}" seconds "$python" "$recipes/dask_convert.py" --workers 2 \
    points.csv dask.csv)"
if psql -X -q -t -c "SELECT postgis_version()" > /dev/null 2>&1; then
  row "PostGIS, 2 parallel workers (with loading and writing)" \
    "$(seconds bash "$recipes/postgis_convert.sh" network.json points.csv postgis.csv)"
fi
