#!/usr/bin/env python3
"""Converts a large Veltrane point file on a Dask distributed cluster with
pyproj and an exported tinshift network, one output file per partition.

Usage: dask_convert.py [--scheduler ADDRESS | --workers N] [--blocksize SIZE]
                       NETWORK.json INPUT OUTPUT_FOLDER

Without --scheduler a local cluster of N worker processes (default 2) is
started. Every worker must be able to read INPUT and write to OUTPUT_FOLDER
by the same path; the network is sent to the workers with the tasks. Each
partition is written to OUTPUT_FOLDER/part-NNN.csv with identifier,
longitude, latitude and height; points outside the network are written with
inf coordinates.
"""
import argparse
import os
import tempfile

import dask.dataframe as dd
import numpy as np
import pandas as pd
from dask import delayed
from distributed import Client, LocalCluster
from pyproj import Transformer

INPUT_COLUMNS = ["lon", "lat", "h", "id"]
DEFAULT_BLOCKSIZE = "16MB"


def convert_partition(points, network_json):
    """Converts one partition; runs on a worker."""
    # PROJ reads the network from a file: each task writes its copy, as a
    # worker on another machine may not see the client's files.
    with tempfile.NamedTemporaryFile("wb", suffix=".json") as network:
        network.write(network_json)
        network.flush()
        transformer = Transformer.from_pipeline(f"+proj=tinshift +file={network.name}")
        lon, lat, h = transformer.transform(points["lon"].to_numpy(np.float64), points["lat"].to_numpy(np.float64),
                                            points["h"].to_numpy(np.float64))
    return pd.DataFrame({"id": points["id"], "lon": lon, "lat": lat, "h": h}, index=points.index)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--scheduler", help="address of a running scheduler, e.g. tcp://head:8786")
    parser.add_argument("--workers", type=int, default=2, help="local worker processes when no scheduler is given")
    parser.add_argument("--blocksize", default=DEFAULT_BLOCKSIZE, help="input bytes per partition")
    parser.add_argument("network")
    parser.add_argument("input")
    parser.add_argument("output")
    args = parser.parse_args()

    if args.scheduler:
        client = Client(args.scheduler)
    else:
        client = Client(LocalCluster(n_workers=args.workers, threads_per_worker=1, processes=True))
    with client:
        with open(args.network, "rb") as f:
            network_json = delayed(f.read(), pure=True)
        points = dd.read_csv(os.path.abspath(args.input), comment="#", header=None, names=INPUT_COLUMNS,
                             dtype={"lon": "float64", "lat": "float64", "h": "float64", "id": "object"},
                             blocksize=args.blocksize)
        meta = pd.DataFrame({"id": pd.Series(dtype="object"), "lon": pd.Series(dtype="float64"),
                             "lat": pd.Series(dtype="float64"), "h": pd.Series(dtype="float64")})
        converted = points.map_partitions(convert_partition, network_json, meta=meta)
        os.makedirs(args.output, exist_ok=True)
        converted.to_csv(os.path.join(os.path.abspath(args.output), "part-*.csv"), index=False,
                         float_format="%.12f", name_function=lambda n: f"{n:03d}")


if __name__ == "__main__":
    main()
