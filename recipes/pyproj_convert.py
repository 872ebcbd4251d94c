#!/usr/bin/env python3
"""Converts a Veltrane point file with pyproj and an exported tinshift network.

Usage: pyproj_convert.py NETWORK.json INPUT OUTPUT.csv

Writes identifier, longitude, latitude and height per point; a point outside
the network comes back from PROJ as inf and is written as such.
"""
import csv
import os
import sys

import numpy as np
from pyproj import Transformer

OUTPUT_COLUMNS = ["id", "lon", "lat", "h"]


def read_points(path):
    """The points of a Veltrane point file: '#' lines and short lines skipped."""
    ids, coordinates = [], []
    with open(path, newline="", encoding="latin-1") as f:
        for row in csv.reader(line for line in f if not line.startswith("#")):
            if len(row) < 4:
                continue
            ids.append(row[3])
            coordinates.append([float(value) for value in row[:3]])
    return ids, np.array(coordinates, dtype=float).reshape(-1, 3)


def main(network, input_path, output_path):
    # PROJ looks a bare file name up in its data folders, not in the current
    # folder: the network must be given with an absolute or ./ path.
    transformer = Transformer.from_pipeline(f"+proj=tinshift +file={os.path.abspath(network)}")
    ids, points = read_points(input_path)
    lon, lat, h = transformer.transform(points[:, 0], points[:, 1], points[:, 2])
    with open(output_path, "w", newline="", encoding="latin-1") as f:
        out = csv.writer(f)
        out.writerow(OUTPUT_COLUMNS)
        for row in zip(ids, lon, lat, h):
            out.writerow([row[0]] + [repr(float(value)) for value in row[1:]])


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit(__doc__.strip().splitlines()[2])
    main(*sys.argv[1:])
