#!/usr/bin/env python3
"""Converts a large Veltrane point file on a Dask distributed cluster with
Veltrane's Python module, writing the bytes veltrane-convert writes.

Usage: dask_convert.py [--scheduler ADDRESS | --workers N] [--blocksize SIZE]
                       [--mode 1|2] [--tin generate|file] [--force-negative]
                       [--workdir DIR] [--parts] INPUT OUTPUT

Without --scheduler a local cluster of N worker processes (default 2) is
started. INPUT is cut after line feeds into blocks of about SIZE bytes; each
worker loads the network once (the control files of DIR travel to it with
the cluster's worker plugin) and converts a block at a time with the module,
which reads, converts and formats the points as the command does. Each block
becomes a part file; the first holds the header. OUTPUT is the parts joined,
put in place only when complete; with --parts OUTPUT is a new folder that
keeps the part files, part-00000.csv and on, whose concatenation is that
file. Every worker must
import the module `veltrane` (the python3-veltrane package, or PYTHONPATH)
and read INPUT and write beside OUTPUT by the same paths.
"""
import argparse
import os
import shutil
import sys
import tempfile

from dask.utils import parse_bytes
from distributed import Client, LocalCluster, get_worker
from distributed.diagnostics.plugin import WorkerPlugin

PLUGIN = "veltrane-network"
CONTROL_FILES = {1: "TARVONA_NAD83_CORS96_CONTROL.csv", 2: "TARVONA_NAD83_CORS96a_CONTROL.csv"}
TIN_FILE = "TARVONA_TIN_CONTROL.obj"
DEFAULT_BLOCKSIZE = "16MB"
POINTS_PER_WRITE = 100_000  # formatted and written at a time: bounds a worker's memory
COPY_BYTES = 16 << 20


class NetworkPlugin(WorkerPlugin):
    """Loads the network once per worker from the control files' bytes."""

    def __init__(self, files, mode, force_negative):
        self.files = files  # name -> bytes: the source and target controls, maybe the TIN
        self.mode = mode
        self.force_negative = force_negative
        self.network = None

    def setup(self, worker):
        import veltrane
        with tempfile.TemporaryDirectory(prefix="veltrane-network-") as folder:
            paths = {}
            for name, data in self.files.items():
                paths[name] = os.path.join(folder, name)
                with open(paths[name], "wb") as f:
                    f.write(data)
            source, target = CONTROL_FILES[self.mode], CONTROL_FILES[3 - self.mode]
            self.network = veltrane.Network(paths[source], paths[target], paths.get(TIN_FILE), direction=self.mode,
                                            force_negative=self.force_negative)


def convert_block(block, input_path, folder):
    """Converts the bytes [start, end) of the input into part file k; runs on a
    worker. Returns (points, outside, lines rejected)."""
    import veltrane
    k, start, end = block
    network = get_worker().plugins[PLUGIN].network
    with open(input_path, "rb") as f:
        f.seek(start)
        text = f.read(end - start)
    points = veltrane.read_points(text)
    del text
    result = network.convert(points["lon"], points["lat"], points["h"])
    ids = points["ids"]
    with open(os.path.join(folder, f"part-{k:05d}.csv"), "wb") as out:
        if k == 0:
            out.write(veltrane.Network.header())
        for first in range(0, len(ids), POINTS_PER_WRITE):
            last = first + POINTS_PER_WRITE
            piece = {name: values[first:last] for name, values in result.items() if name != "outside"}
            out.write(network.format(ids[first:last], piece))
    return len(ids), int(result["outside"]), points["rejected"]


def blocks(path, size):
    """(k, start, end) of blocks of about `size` bytes, each cut after a line
    feed, so that every block starts where the command starts a line."""
    length = os.path.getsize(path)
    cuts = [0]
    with open(path, "rb") as f:
        for offset in range(size, length, size):
            if offset <= cuts[-1]:
                continue
            f.seek(offset - 1)
            while True:
                chunk = f.read(1 << 16)
                if not chunk:
                    break
                feed = chunk.find(b"\n")
                if feed >= 0:
                    cuts.append(f.tell() - len(chunk) + feed + 1)
                    break
    cuts.append(length)
    cuts = sorted(set(cuts))
    return [(k, a, b) for k, (a, b) in enumerate(zip(cuts, cuts[1:]))] or [(0, 0, 0)]


def network_files(workdir, mode, tin):
    names = [CONTROL_FILES[1], CONTROL_FILES[2]] + ([TIN_FILE] if tin == "file" else [])
    files = {}
    for name in names:
        with open(os.path.join(workdir, name), "rb") as f:
            files[name] = f.read()
    return files


def append_file(part, out):
    """Copies the open file `part` to the end of `out`, inside the kernel
    where the file system allows it."""
    start = out.tell()
    try:
        while os.copy_file_range(part.fileno(), out.fileno(), COPY_BYTES) > 0:
            pass
    except OSError:
        part.seek(0)
        out.seek(start)
        out.truncate()
        shutil.copyfileobj(part, out, COPY_BYTES)


def join_parts(folder, parts, output):
    """Writes the parts, in order, to OUTPUT through a temporary file."""
    fd, temporary = tempfile.mkstemp(prefix=".dask-convert-", dir=os.path.dirname(output))
    try:
        with os.fdopen(fd, "wb") as out:
            for k in range(parts):
                with open(os.path.join(folder, f"part-{k:05d}.csv"), "rb") as part:
                    append_file(part, out)
        os.chmod(temporary, 0o644)
        os.replace(temporary, output)
    except BaseException:
        os.unlink(temporary)
        raise


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--scheduler", help="address of a running scheduler, e.g. tcp://head:8786")
    parser.add_argument("--workers", type=int, default=2, help="local worker processes when no scheduler is given")
    parser.add_argument("--blocksize", default=DEFAULT_BLOCKSIZE, help="input bytes per block (default 16MB)")
    parser.add_argument("--mode", type=int, choices=(1, 2), default=1, help="1: CORS96 to CORS96a; 2: the reverse")
    parser.add_argument("--tin", choices=("generate", "file"), default="generate")
    parser.add_argument("--force-negative", action="store_true", help="store every longitude as west")
    parser.add_argument("--workdir", default=".", help="folder of the control files (default .)")
    parser.add_argument("--parts", action="store_true", help="OUTPUT is a new folder of part files")
    parser.add_argument("input")
    parser.add_argument("output")
    args = parser.parse_args()

    input_path = os.path.abspath(args.input)
    output = os.path.abspath(args.output)
    if args.parts:
        os.makedirs(output)  # a folder that exists may hold parts of another run
        folder = output
    else:
        folder = tempfile.mkdtemp(prefix=".dask-convert-parts-", dir=os.path.dirname(output))
    try:
        plugin = NetworkPlugin(network_files(args.workdir, args.mode, args.tin), args.mode, args.force_negative)
        work = blocks(input_path, parse_bytes(args.blocksize))
        if args.scheduler:
            client = Client(args.scheduler)
        else:
            client = Client(LocalCluster(n_workers=args.workers, threads_per_worker=1, processes=True,
                                         dashboard_address=None))
        with client:
            client.register_worker_plugin(plugin, name=PLUGIN)
            done = client.gather(client.map(convert_block, work, input_path=input_path, folder=folder, pure=False))
        points, outside, rejected = (sum(column) for column in zip(*done))
        if points == 0:
            raise ValueError(f"{args.input} holds no point")
        if not args.parts:
            join_parts(folder, len(work), output)
    except BaseException:
        shutil.rmtree(folder, ignore_errors=True)
        raise
    if not args.parts:
        shutil.rmtree(folder)
    print(f"dask_convert: {points - outside} of {points} points converted, {rejected} lines rejected, "
          f"{len(work)} blocks; wrote {output}")


if __name__ == "__main__":
    try:
        main()
    except (OSError, RuntimeError, ValueError) as error:  # veltrane.Error is a RuntimeError
        sys.exit(f"dask_convert: {error}")
