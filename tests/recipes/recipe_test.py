#!/usr/bin/env python3
"""Runs one recipe of recipes/ on the sample survey and compares it with
veltrane-convert: every point both convert must agree within the tolerances
below, and the points left outside the network must be the same.

Usage: recipe_test.py ROUTE VELTRANE_CONVERT SOURCE_DIR [POINTS]
POINTS is a point file to use instead of data/survey_20k.csv.
Exit status: 0 agreement, 1 a difference or a failed step, 77 the route's
tool is not installed.
"""
import csv
import glob
import math
import os
import shutil
import subprocess
import sys
import tempfile

DEGREES_TOLERANCE = 1e-9
HEIGHT_TOLERANCE = 1e-6  # metres
CONTROL_FILES = ["TARVONA_NAD83_CORS96_CONTROL.csv", "TARVONA_NAD83_CORS96a_CONTROL.csv",
                 "TARVONA_TIN_CONTROL.obj"]
SAMPLE_SURVEY = "survey_20k.csv"
SURVEY = "points.csv"
NETWORK = "network.json"
SKIP = 77
POSTGRES_USER = "nobody"  # the throw-away cluster's owner when the test runs as root


class Skip(Exception):
    pass


def run(args, **kwargs):
    """Runs a command, failing with its output when it fails."""
    result = subprocess.run(args, capture_output=True, text=True, **kwargs)
    if result.returncode != 0:
        raise RuntimeError(f"{args[0]} exited with {result.returncode}:\n{result.stdout}\n{result.stderr}")
    return result


def need_program(name):
    path = shutil.which(name)
    if not path:
        raise Skip(f"{name} is not installed")
    return path


def need_modules(*names):
    for name in names:
        try:
            __import__(name)
        except ImportError:
            raise Skip(f"python module {name} is not installed for {sys.executable}")


def number(text):
    """A coordinate of a tool's output; None for a point it did not convert."""
    if text.strip() == "":
        return None
    value = float(text)
    return value if math.isfinite(value) else None


def xyz_rows(rows, id_key, keys):
    """id -> (lon, lat, h), or None for a point left unconverted."""
    result = {}
    for row in rows:
        values = [number(row[k]) for k in keys]
        result[row[id_key]] = None if None in values else tuple(values)
    return result


def read_csv_points(path, id_key="id", keys=("lon", "lat", "h")):
    with open(path, newline="") as f:
        return xyz_rows(csv.DictReader(f), id_key, keys)


def read_veltrane(path):
    """veltrane-convert's output: a point outside the network is written with
    no target position (all zero) and a zero shift."""
    result = {}
    with open(path, newline="") as f:
        for row in csv.reader(f):
            if row[0] == "POINT_ID":
                continue
            target = tuple(float(v) for v in row[4:7])
            result[row[0]] = None if target == (0.0, 0.0, 0.0) and float(row[7]) == 0.0 else target
    return result


# The routes: each runs its recipe in `work` and returns id -> position or None.

def route_cct(work, recipes, convert):
    need_program("cct")
    run(["bash", f"{recipes}/cct_convert.sh", NETWORK, SURVEY, "out.txt"], cwd=work)
    result = {}
    with open(os.path.join(work, "out.txt")) as f:
        for line in f:
            fields = line.split()
            if line.startswith("# Record") and "TRANSFORMATION ERROR" in line:
                result[fields[-1]] = None
            elif fields and not line.startswith(("#", " ")):
                result[fields[4]] = tuple(float(v) for v in fields[:3])
    return result


def route_ogr2ogr_csv(work, recipes, convert):
    need_program("ogr2ogr")
    run(["bash", f"{recipes}/ogr2ogr_csv.sh", NETWORK, SURVEY, "out.csv"], cwd=work)
    return read_csv_points(os.path.join(work, "out.csv"), keys=("X", "Y", "Z"))


def route_ogr2ogr_gpkg(work, recipes, convert):
    need_program("ogr2ogr")
    run(["ogr2ogr", "-f", "GPKG", "points.gpkg", SURVEY, "-nln", "points", "-a_srs", "EPSG:6782",
         "-oo", "HEADERS=NO", "-oo", "X_POSSIBLE_NAMES=field_1", "-oo", "Y_POSSIBLE_NAMES=field_2",
         "-oo", "Z_POSSIBLE_NAMES=field_3", "-sql", "SELECT field_4 AS id FROM points WHERE field_1 IS NOT NULL"],
        cwd=work)
    run(["bash", f"{recipes}/ogr2ogr_gpkg.sh", NETWORK, "points.gpkg", "points", "out.gpkg"], cwd=work)
    run(["ogr2ogr", "-f", "CSV", "out.csv", "out.gpkg", "-lco", "GEOMETRY=AS_XYZ"], cwd=work)
    return read_csv_points(os.path.join(work, "out.csv"), keys=("X", "Y", "Z"))


def route_pyproj(work, recipes, convert):
    need_modules("pyproj", "numpy")
    run([sys.executable, f"{recipes}/pyproj_convert.py", NETWORK, SURVEY, "out.csv"], cwd=work)
    return read_csv_points(os.path.join(work, "out.csv"))


def same_bytes(a, b):
    with open(a, "rb") as f, open(b, "rb") as g:
        return f.read() == g.read()


def mixed_points(survey, path):
    """The survey's first lines with every kind of line the reader meets."""
    with open(survey, "rb") as f:
        lines = f.read().split(b"\n")[:3000]
    ends = [b"\r\n", b"\r", b"\n"]
    text = b"".join(line + ends[k % 3] for k, line in enumerate(lines))
    text += b"not a point\n-120.5,95.0,1.0,HIGH\n-121,43,7.5," + b"L" * 300 + b"\n-118.8,42.7,10"
    with open(path, "wb") as f:
        f.write(text)


def route_dask(work, recipes, convert):
    """The recipe must write the command's bytes: as part files that join
    to them, and as one file, here of a mixed input, the other direction and
    the TIN file, in blocks small enough to cut it at many line feeds."""
    module = os.path.join(os.path.dirname(os.path.dirname(convert)), "python")  # BUILD/python
    sys.path.insert(0, module)
    need_modules("dask", "distributed", "numpy", "veltrane")
    env = dict(os.environ, PYTHONPATH=module)
    # About 300 kB of the 900 kB survey per block: four parts.
    run([sys.executable, f"{recipes}/dask_convert.py", "--workers", "2", "--blocksize", "300kB", "--parts",
         SURVEY, "parts"], cwd=work, timeout=240, env=env)
    parts = sorted(glob.glob(os.path.join(work, "parts", "part-*.csv")))
    if len(parts) < 2:
        raise RuntimeError(f"expected one output per block, found {parts}")
    joined = os.path.join(work, "parts.csv")
    with open(joined, "wb") as out:
        for part in parts:
            with open(part, "rb") as f:
                out.write(f.read())
    if not same_bytes(joined, os.path.join(work, "points_out.csv")):
        raise RuntimeError("the part files joined differ from veltrane-convert's output")

    mixed_points(os.path.join(work, SURVEY), os.path.join(work, "mixed.csv"))
    options = ["--mode", "2", "--tin", "file"]
    run([convert, *options, "-q", "--no-controlshift", "-o", "mixed_cmd.csv", "mixed.csv"], cwd=work)
    run([sys.executable, f"{recipes}/dask_convert.py", "--workers", "2", "--blocksize", "20kB", *options,
         "mixed.csv", "mixed_dask.csv"], cwd=work, timeout=240, env=env)
    if not same_bytes(os.path.join(work, "mixed_dask.csv"), os.path.join(work, "mixed_cmd.csv")):
        raise RuntimeError("on the mixed input the recipe's output differs from veltrane-convert's")
    return read_veltrane(joined)


def postgres_bin():
    found = shutil.which("pg_ctl")
    candidates = [os.path.dirname(os.path.realpath(found))] if found else []
    candidates += sorted(glob.glob("/usr/lib/postgresql/*/bin"), reverse=True)
    for folder in candidates:
        if all(os.access(os.path.join(folder, p), os.X_OK) for p in ("initdb", "pg_ctl", "postgres")):
            return folder
    raise Skip("PostgreSQL's initdb/pg_ctl are not installed")


def route_postgis(work, recipes, convert):
    need_program("psql")
    bin_dir = postgres_bin()
    version = os.path.basename(os.path.dirname(bin_dir))
    if not glob.glob(f"/usr/share/postgresql/{version}/extension/postgis.control"):
        raise Skip(f"PostGIS is not installed for PostgreSQL {version}")

    # The server runs as an unprivileged user and reads the network itself.
    cluster = os.path.join(work, "cluster")
    os.mkdir(cluster)
    as_owner = []
    if os.geteuid() == 0:
        os.chmod(work, 0o755)
        shutil.chown(cluster, user=POSTGRES_USER)
        as_owner = ["runuser", "-u", POSTGRES_USER, "--"]
    data, log = os.path.join(cluster, "data"), os.path.join(cluster, "server.log")
    run(as_owner + [f"{bin_dir}/initdb", "-D", data, "-U", "postgres", "-A", "trust", "--no-sync", "-E", "UTF8"])
    run(as_owner + [f"{bin_dir}/pg_ctl", "-D", data, "-l", log, "-w", "-t", "60", "start",
                    "-o", f"-k {cluster} -c listen_addresses='' -c fsync=off -c max_parallel_workers=4"])
    try:
        env = dict(os.environ, PGHOST=cluster, PGUSER="postgres", PGDATABASE="postgres")
        run(["psql", "-X", "-q", "-c", "CREATE EXTENSION postgis"], env=env)
        plan = run(["bash", f"{recipes}/postgis_convert.sh", NETWORK, SURVEY, "out.csv"], cwd=work, env=env).stdout
        if "Workers Launched: 2" not in plan:
            raise RuntimeError(f"the conversion did not run in two parallel workers:\n{plan}")
        converted = read_csv_points(os.path.join(work, "out.csv"))
    finally:
        subprocess.run(as_owner + [f"{bin_dir}/pg_ctl", "-D", data, "-m", "immediate", "stop"], capture_output=True)
    # The recipe leaves the points outside out of its output.
    with open(os.path.join(work, SURVEY)) as f:
        ids = [line.rstrip("\n").split(",")[3] for line in f if not line.startswith("#")]
    return {i: converted.get(i) for i in ids}


ROUTES = {"cct": route_cct, "ogr2ogr_csv": route_ogr2ogr_csv, "ogr2ogr_gpkg": route_ogr2ogr_gpkg,
          "pyproj": route_pyproj, "dask": route_dask, "postgis": route_postgis}


def compare(expected, actual):
    """Failures as texts, and a summary line."""
    failures = []
    if set(expected) != set(actual):
        failures.append(f"points missing {sorted(set(expected) - set(actual))[:5]}, "
                        f"extra {sorted(set(actual) - set(expected))[:5]}")
    outside = {i for i, p in expected.items() if p is None}
    outside_actual = {i for i, p in actual.items() if p is None}
    if outside != outside_actual:
        failures.append(f"outside only for veltrane-convert: {sorted(outside - outside_actual)[:5]}, "
                        f"only for the recipe: {sorted(outside_actual - outside)[:5]}")
    worst = [0.0, 0.0, 0.0]
    for i, p in expected.items():
        q = actual.get(i)
        if p is None or q is None:
            continue
        for axis in range(3):
            worst[axis] = max(worst[axis], abs(p[axis] - q[axis]))
    if max(worst[:2]) > DEGREES_TOLERANCE or worst[2] > HEIGHT_TOLERANCE:
        failures.append(f"largest difference {worst[0]:.3g} deg lon, {worst[1]:.3g} deg lat, {worst[2]:.3g} m")
    if not outside or len(outside) == len(expected):
        failures.append("the sample must have points both inside and outside the network")
    both = sum(1 for i, p in expected.items() if p is not None and actual.get(i) is not None)
    summary = (f"{both} points converted by both, {len(outside & outside_actual)} outside for both; "
               f"largest difference {worst[0]:.2g} deg lon, {worst[1]:.2g} deg lat, {worst[2]:.2g} m")
    return failures, summary


def main():
    if len(sys.argv) not in (4, 5) or sys.argv[1] not in ROUTES:
        sys.exit(f"usage: {sys.argv[0]} {'|'.join(ROUTES)} VELTRANE_CONVERT SOURCE_DIR [POINTS]")
    route, convert, source = sys.argv[1], os.path.abspath(sys.argv[2]), os.path.abspath(sys.argv[3])
    points = os.path.abspath(sys.argv[4]) if len(sys.argv) == 5 else os.path.join(source, "data", SAMPLE_SURVEY)
    work = tempfile.mkdtemp(prefix=f"veltrane-recipe-{route}-")
    try:
        for name in CONTROL_FILES:
            shutil.copy(os.path.join(source, "data", name), work)
        shutil.copy(points, os.path.join(work, SURVEY))
        run([convert, "--export-tinshift", NETWORK, SURVEY], cwd=work)
        expected = read_veltrane(os.path.join(work, "points_out.csv"))
        actual = ROUTES[route](work, os.path.join(source, "recipes"), convert)
        failures, summary = compare(expected, actual)
    except Skip as reason:
        print(f"skipped: {reason}")
        return SKIP
    except (RuntimeError, subprocess.TimeoutExpired, OSError, ValueError, IndexError, KeyError) as error:
        # So does an output without the layout the route expects.
        print(f"{route}: {error}")
        return 1
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print(f"{route}: {summary}")
    for failure in failures:
        print(f"FAIL: {failure}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
