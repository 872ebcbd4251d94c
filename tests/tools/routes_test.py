#!/usr/bin/env python3
"""Every point source reaches every point sink: 2,000 points with non-ASCII
identifiers and a description column, as a text file and as GeoPackage,
GeoJSON and FlatGeobuf layers made by ogr2ogr, converted by
veltrane-convert into text and into each GIS format. Every route must give
the text route's positions, and the identifiers and descriptions byte for
byte; a GIS output is read back through ogr2ogr.

Usage: routes_test.py VELTRANE_CONVERT SOURCE_DIR   (exit 77: no ogr2ogr)
"""
import csv
import io
import os
import shutil
import subprocess
import sys
import tempfile

CONVERT, SOURCE = sys.argv[1], sys.argv[2]
CONTROL_FILES = ["TARVONA_NAD83_CORS96_CONTROL.csv", "TARVONA_NAD83_CORS96a_CONTROL.csv", "TARVONA_TIN_CONTROL.obj"]
COUNT = 2000
# A GeoJSON file keeps 15 significant digits: a nanodegree is far below them.
DEGREES_TOLERANCE = 1e-9
METRES_TOLERANCE = 1e-6
SOURCES = {"csv": None, "gpkg": "GPKG", "geojson": "GeoJSON", "fgb": "FlatGeobuf"}
SINKS = {
    "out.csv": [],
    "out.gpkg": [],
    "out.geojson": [],
    "out.fgb": [],
    "out.shp": [],
    "out.table": ["--output-format", "CSV"],
}


def run(args, folder):
    done = subprocess.run(args, cwd=folder, capture_output=True)
    if done.returncode != 0:
        raise AssertionError(f"{' '.join(args)} exited {done.returncode}: {done.stderr.decode(errors='replace')}")
    return done


def sample_points():
    """The sample's points, spread into COUNT points near them."""
    points = []
    with open(os.path.join(SOURCE, "data", "sample_points.csv"), encoding="utf-8") as sample:
        for line in sample:
            fields = line.replace(",", " ").split()
            if line.startswith("#") or len(fields) != 4 or fields[0] == "longitude":
                continue
            points.append(tuple(float(v) for v in fields[:3]))
    made = []
    for i in range(COUNT):
        x, y, h = points[i % len(points)]
        step = (i // len(points)) * 1e-5
        # A 2-, 3- and 4-byte character in every identifier.
        made.append((f"Zürich-東京-\U0001d11e-{i}", x + step, y - step, h + i * 0.001,
                     f'pin {i}, "found" \U0001f4cd' if i % 3 else f"code {i}"))
    return made


def read_table(path):
    """Rows of a CSV file as dicts, by the header's names."""
    with open(path, encoding="utf-8", newline="") as table:
        return list(csv.DictReader(table))


def positions_of(folder, name):
    """{identifier: (lon, lat, h, s)} and {identifier: description} of an
    output, read back from text or through ogr2ogr; None for a point outside
    the network (zeros in text, no geometry in a GIS layer)."""
    path = os.path.join(folder, name)
    if name.endswith(".csv"):
        rows = read_table(path)
        found = {r["POINT_ID"]: tuple(float(r[k]) for k in ("X_CORS96a", "Y_CORS96a", "h_CORS96a", "s")) for r in rows}
        return ({pid: (p if p[0] != 0.0 else None) for pid, p in found.items()},
                {r["POINT_ID"]: r["desc"] for r in rows})
    if name.endswith(".table"):
        rows = read_table(path)
    else:
        back = os.path.join(folder, "back.csv")
        if os.path.exists(back):
            os.remove(back)
        run(["ogr2ogr", "-f", "CSV", back, path, "-lco", "GEOMETRY=AS_XYZ"], folder)
        rows = read_table(back)
    return ({r["id"]: (tuple(float(r[k]) for k in ("X", "Y", "Z", "s")) if r["X"] else None) for r in rows},
            {r["id"]: r["desc"] for r in rows})


def main():
    if shutil.which("ogr2ogr") is None:
        print("ogr2ogr is not installed")
        return 77
    failures = []
    with tempfile.TemporaryDirectory() as folder:
        for name in CONTROL_FILES:
            shutil.copy(os.path.join(SOURCE, "data", name), folder)
        points = sample_points()
        with open(os.path.join(folder, "points.csv"), "w", encoding="utf-8", newline="\n") as text:
            text.write("id,lon,lat,h,desc\n")
            for pid, x, y, h, desc in points:
                quoted = '"' + desc.replace('"', '""') + '"' if "," in desc or '"' in desc else desc
                text.write(f"{pid},{x!r},{y!r},{h!r},{quoted}\n")
        for extension, driver in SOURCES.items():
            if driver:
                run(["ogr2ogr", "-f", driver, f"points.{extension}", "points.csv", "-nln", "points",
                     "-a_srs", "EPSG:4269", "-oo", "X_POSSIBLE_NAMES=lon", "-oo", "Y_POSSIBLE_NAMES=lat",
                     "-oo", "Z_POSSIBLE_NAMES=h", "-oo", "KEEP_GEOM_COLUMNS=NO"], folder)

        run([CONVERT, "-q", "--no-controlshift", "-o", "reference.csv", "points.csv"], folder)
        reference, descriptions = positions_of(folder, "reference.csv")
        if sorted(reference) != sorted(p[0] for p in points):
            failures.append("the text route lost or changed identifiers")
        if descriptions != {p[0]: p[4] for p in points}:
            failures.append("the text route lost or changed descriptions")

        for extension in SOURCES:
            for sink, options in SINKS.items():
                route = f"points.{extension} -> {sink}"
                for leftover in os.listdir(folder):
                    if leftover.startswith("out."):
                        os.remove(os.path.join(folder, leftover))
                before = set(os.listdir(folder))
                done = subprocess.run([CONVERT, "-q", "--no-controlshift", "-o", sink, *options,
                                       f"points.{extension}"], cwd=folder, capture_output=True)
                strays = [n for n in set(os.listdir(folder)) - before if not n.startswith("out.")]
                if strays:
                    failures.append(f"{route}: left {', '.join(sorted(strays))} beside the output")
                if done.returncode != 0:
                    failures.append(f"{route}: exit {done.returncode}: {done.stderr.decode(errors='replace')}")
                    continue
                if not os.path.isfile(os.path.join(folder, sink)):
                    failures.append(f"{route}: nothing at {sink}")
                    continue
                got, got_descriptions = positions_of(folder, sink)
                if sink.endswith(".fgb"):
                    # FlatGeobuf keeps no feature without a geometry: the
                    # points outside the network are not in it.
                    got.update({pid: None for pid, p in reference.items() if p is None and pid not in got})
                if sorted(got) != sorted(reference):
                    failures.append(f"{route}: identifiers differ from the text route's "
                                    f"({len(got)} against {len(reference)})")
                    continue
                wrong = [pid for pid, desc in got_descriptions.items() if descriptions[pid] != desc]
                if wrong:
                    failures.append(f"{route}: {wrong[0]} has the description {got_descriptions[wrong[0]]!r}, "
                                    f"not {descriptions[wrong[0]]!r}")
                    continue
                for pid, expected in reference.items():
                    if (expected is None) != (got[pid] is None):
                        failures.append(f"{route}: {pid} is {got[pid]}, the text route gives {expected}")
                        break
                    if expected is None:
                        continue
                    tolerances = (DEGREES_TOLERANCE, DEGREES_TOLERANCE, METRES_TOLERANCE, METRES_TOLERANCE)
                    if any(abs(a - b) > t for a, b, t in zip(got[pid], expected, tolerances)):
                        failures.append(f"{route}: {pid} at {got[pid]}, the text route gives {expected}")
                        break
        # GML writes its schema beside the layer: under another name it is
        # named after the output, which the layer refers to.
        before = set(os.listdir(folder))
        run([CONVERT, "-q", "--no-controlshift", "-o", "layer.xml", "--output-format", "GML", "points.csv"], folder)
        made = sorted(set(os.listdir(folder)) - before)
        if made != ["layer.xml", "layer.xsd"]:
            failures.append(f"points.csv -> layer.xml (GML): made {made}")
        # The points FlatGeobuf cannot hold are named, not dropped in silence.
        told = subprocess.run([CONVERT, "--no-controlshift", "-o", "told.fgb", "points.csv"], cwd=folder,
                              capture_output=True).stderr.decode(errors="replace")
        if "FlatGeobuf keeps no feature without one" not in told:
            failures.append(f"points.csv -> told.fgb: the points left out go unmentioned: {told}")
    for failure in failures:
        print(failure)
    print(f"{len(SOURCES) * len(SINKS) - len(failures)} passed, {len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
