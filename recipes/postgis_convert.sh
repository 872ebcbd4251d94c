#!/usr/bin/env bash
# Converts a Veltrane point file inside PostgreSQL/PostGIS with an exported
# tinshift network: registers the network as two spatial_ref_sys entries,
# loads the points into a table, converts them with ST_Transform in parallel
# workers and writes the converted points to a CSV file (identifier,
# longitude, latitude, height; points outside the network are left out).
#
# Usage: postgis_convert.sh NETWORK.json INPUT OUTPUT.csv
# The database is the one psql reaches (PGHOST, PGPORT, PGDATABASE, PGUSER)
# and needs the postgis extension. NETWORK is opened by the database server,
# so it must be on the server's machine and readable by the server's user.
# SOURCE_NAME and TARGET_NAME name the two CRSs (default: the CORS96 to
# CORS96a direction); SOURCE_SRID and TARGET_SRID choose their entries.
set -euo pipefail
if [ $# -ne 3 ]; then
  echo "usage: $0 NETWORK.json INPUT OUTPUT.csv" >&2
  exit 2
fi
network="$(realpath "$1")"
input="$2"
output="$3"
source_name="${SOURCE_NAME:-NAD83(CORS96)}"
target_name="${TARGET_NAME:-NAD83(CORS96a)}"
source_srid="${SOURCE_SRID:-990001}"
target_srid="${TARGET_SRID:-990002}"

# Both CRSs list longitude before latitude: the tinshift step takes longitude
# first, and PROJ hands it the coordinates in the order the CRS declares.
# The source CRS is bound to the target through the network, so ST_Transform
# from the source SRID to the target SRID runs just that step.
axes='CS[ellipsoidal,3],AXIS["longitude",east,ANGLEUNIT["degree",0.0174532925199433]],'\
'AXIS["latitude",north,ANGLEUNIT["degree",0.0174532925199433]],AXIS["ellipsoidal height",up,LENGTHUNIT["metre",1]]'
ellipsoid='ELLIPSOID["GRS 1980",6378137,298.257222101]'
source_crs="GEOGCRS[\"$source_name\",DATUM[\"$source_name\",$ellipsoid],$axes]"
target_crs="GEOGCRS[\"$target_name\",DATUM[\"$target_name\",$ellipsoid],$axes]"
bound_crs="BOUNDCRS[SOURCECRS[$source_crs],TARGETCRS[$target_crs],\
ABRIDGEDTRANSFORMATION[\"Veltrane network\",METHOD[\"PROJ-based operation method: +proj=tinshift +file=$network\"]]]"

export PGOPTIONS="${PGOPTIONS:-} -c client_min_messages=warning"
sql() { psql -X -q -v ON_ERROR_STOP=1 -v source_srid="$source_srid" -v target_srid="$target_srid" "$@"; }

sql -v bound_crs="$bound_crs" -v target_crs="$target_crs" -v network="$network" <<'SQL'
-- The network as a pair of CRSs; PostGIS builds the transformation from srtext.
DELETE FROM spatial_ref_sys WHERE srid IN (:source_srid, :target_srid);
INSERT INTO spatial_ref_sys (srid, srtext) VALUES
  (:source_srid, :'bound_crs'),
  (:target_srid, :'target_crs');

-- The network's triangles: ST_Transform fails the whole statement at the
-- first point outside them, so the points are filtered against them first.
\set network_json `cat :'network'`
DROP TABLE IF EXISTS veltrane_triangle;
CREATE TABLE veltrane_triangle AS
WITH vertex AS (
  SELECT n - 1 AS i, ST_MakePoint((v ->> 0)::float8, (v ->> 1)::float8) AS p
  FROM jsonb_array_elements(:'network_json'::jsonb -> 'vertices') WITH ORDINALITY AS t(v, n))
SELECT ST_SetSRID(ST_MakePolygon(ST_MakeLine(ARRAY[a.p, b.p, c.p, a.p])), :source_srid) AS geom
FROM jsonb_array_elements(:'network_json'::jsonb -> 'triangles') AS f
JOIN vertex a ON a.i = (f ->> 0)::int
JOIN vertex b ON b.i = (f ->> 1)::int
JOIN vertex c ON c.i = (f ->> 2)::int;
CREATE INDEX ON veltrane_triangle USING gist (geom);

DROP TABLE IF EXISTS veltrane_input, veltrane_point, veltrane_converted;
CREATE UNLOGGED TABLE veltrane_input (lon float8, lat float8, h float8, id text);
SQL

# The points: longitude, latitude, height and identifier; '#' lines skipped.
grep -v '^#' "$input" | sql -c "COPY veltrane_input FROM STDIN WITH (FORMAT csv)"

sql -P footer=off -P tuples_only=on <<'SQL'
CREATE TABLE veltrane_point AS
  SELECT id, ST_SetSRID(ST_MakePoint(lon, lat, h), :source_srid)::geometry(PointZ, :source_srid) AS geom
  FROM veltrane_input;
ANALYZE veltrane_point;

-- The conversion, spread over parallel workers; the plan it prints shows
-- how many were launched.
SET max_parallel_workers_per_gather = 2;
SET parallel_setup_cost = 0;
SET parallel_tuple_cost = 0;
SET min_parallel_table_scan_size = 0;
EXPLAIN (ANALYZE, COSTS OFF, TIMING OFF)
CREATE TABLE veltrane_converted AS
  SELECT p.id, ST_Transform(p.geom, :target_srid) AS geom
  FROM veltrane_point p
  WHERE EXISTS (SELECT 1 FROM veltrane_triangle t WHERE ST_Covers(t.geom, p.geom));
SQL

sql -c "COPY (SELECT id, ST_X(geom) AS lon, ST_Y(geom) AS lat, ST_Z(geom) AS h FROM veltrane_converted)
        TO STDOUT WITH (FORMAT csv, HEADER)" > "$output"
