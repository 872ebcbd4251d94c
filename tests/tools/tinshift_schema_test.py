#!/usr/bin/env python3
"""Validates the network veltrane-convert exports against PROJ's schema of the
triangulation file format, and checks its descriptive fields: the version,
today's UTC date, the licence only when given, and a description naming the
direction, the TIN source and the files read with their SHA-256.

Usage: tinshift_schema_test.py VELTRANE_CONVERT SOURCE_DIR VERSION
Exit status: 0 valid, 1 not, 77 jsonschema or PROJ's schema is not installed.
"""
import datetime
import hashlib
import json
import os
import shutil
import subprocess
import sys
import tempfile

SCHEMA_PATHS = ["/usr/share/proj/triangulation.schema.json", "/usr/local/share/proj/triangulation.schema.json"]
CONTROL = {"CORS96": "TARVONA_NAD83_CORS96_CONTROL.csv", "CORS96a": "TARVONA_NAD83_CORS96a_CONTROL.csv"}
TIN_FILE = "TARVONA_TIN_CONTROL.obj"
LICENSE = 'CC-BY-4.0, "Tarvona survey" \\ 2026'
SKIP = 77

# Options of each export, and what its description must say.
CASES = [
    (["--export-license", LICENSE], LICENSE,
     "Shifts from NAD83(CORS96) to NAD83(CORS96a), interpolated linearly over a Delaunay triangulation of the "
     "control points; control files {CORS96} and {CORS96a};"),
    (["--mode", "2", "--tin", "file"], None,
     "Shifts from NAD83(CORS96a) to NAD83(CORS96), interpolated linearly over the triangles of the TIN file "
     "{TIN}; control files {CORS96a} and {CORS96};"),
]


def named(folder, name):
    with open(os.path.join(folder, name), "rb") as f:
        return f"{name} (SHA-256 {hashlib.sha256(f.read()).hexdigest()})"


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__.strip().splitlines()[-2])
    convert, source, version = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2]), sys.argv[3]
    try:
        import jsonschema
    except ImportError:
        print(f"skipped: python module jsonschema is not installed for {sys.executable}")
        return SKIP
    schema_path = next((p for p in SCHEMA_PATHS if os.path.exists(p)), None)
    if not schema_path:
        print("skipped: PROJ's triangulation.schema.json is not installed")
        return SKIP
    with open(schema_path) as f:
        schema = json.load(f)

    failures = []
    work = tempfile.mkdtemp(prefix="veltrane-schema-")
    try:
        for name in list(CONTROL.values()) + [TIN_FILE, "sample_points.csv"]:
            shutil.copy(os.path.join(source, "data", name), work)
        files = {key: named(work, name) for key, name in CONTROL.items()}
        files["TIN"] = named(work, TIN_FILE)
        for options, license, description in CASES:
            before = datetime.datetime.now(datetime.timezone.utc).date()
            subprocess.run([convert, *options, "--export-tinshift", "network.json", "sample_points.csv"], cwd=work,
                           check=True, capture_output=True)
            after = datetime.datetime.now(datetime.timezone.utc).date()
            with open(os.path.join(work, "network.json"), encoding="utf-8") as f:
                network = json.load(f)
            label = " ".join(options)
            try:
                jsonschema.validate(network, schema, format_checker=jsonschema.FormatChecker())
            except jsonschema.ValidationError as error:
                failures.append(f"{label}: {error.message}")
            dates = {f"{day.isoformat()}T00:00:00Z" for day in (before, after)}
            expected = {"format_version": "1.0", "version": version, "license": license}
            for key, value in expected.items():
                if network.get(key) != value:
                    failures.append(f"{label}: {key} is {network.get(key)!r}, expected {value!r}")
            if network.get("publication_date") not in dates:
                failures.append(f"{label}: publication_date {network.get('publication_date')!r}, not in {dates}")
            if not network.get("description", "").startswith(description.format(**files)):
                failures.append(f"{label}: description {network.get('description')!r}")
    except (subprocess.CalledProcessError, OSError, ValueError) as error:
        failures.append(str(error))
    finally:
        shutil.rmtree(work, ignore_errors=True)
    for failure in failures:
        print(f"FAIL: {failure}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
