"""Times the Python module against veltrane-convert on the same generated
points and network: the command from file to file, the module from arrays in
memory to the output file (building the network, converting, formatting and
writing; reading the text into arrays is left out). Target: the module
within 1.5 x the command's time.

Usage: /usr/bin/python3 bench/python_module.py [BUILD_DIR] [POINTS]"""
import os
import resource
import subprocess
import sys
import tempfile
import time

build = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build")
count = int(sys.argv[2]) if len(sys.argv) > 2 else 1_000_000
source = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(build, "python"))
import numpy  # noqa: E402
import veltrane  # noqa: E402

data = os.path.join(source, "data")
runs = 3
with tempfile.TemporaryDirectory() as work:
    points = os.path.join(work, "points.csv")
    subprocess.run([os.path.join(build, "tools", "datagen", "veltrane-datagen"), "--large", str(count), points],
                   check=True, capture_output=True)
    command_times, command_kb = [], 0
    for _ in range(runs):
        started = time.perf_counter()
        run = subprocess.run(["/usr/bin/time", "-f", "%M", os.path.join(build, "command", "veltrane-convert"),
                              "--workdir", data, "-q", "--no-controlshift", "-o", os.path.join(work, "cmd.csv"),
                              points], check=True, capture_output=True, text=True)
        command_times.append(time.perf_counter() - started)
        command_kb = max(command_kb, int(run.stderr.split()[-1]))

    table = numpy.loadtxt(points, delimiter=",", comments="#", usecols=(0, 1, 2))
    with open(points, "rb") as lines:
        ids = [line.rstrip(b"\n").rsplit(b",", 1)[1] for line in lines if not line.startswith(b"#")]
    lon, lat, h = (numpy.ascontiguousarray(table[:, k]) for k in range(3))
    del table
    module_times = []
    for _ in range(runs):
        started = time.perf_counter()
        net = veltrane.Network(os.path.join(data, "TARVONA_NAD83_CORS96_CONTROL.csv"),
                               os.path.join(data, "TARVONA_NAD83_CORS96a_CONTROL.csv"))
        result = net.convert(lon, lat, h)
        with open(os.path.join(work, "mod.csv"), "wb") as out:
            out.write(veltrane.Network.header())
            out.write(net.format(ids, result))
        module_times.append(time.perf_counter() - started)
        del result
    with open(os.path.join(work, "cmd.csv"), "rb") as a, open(os.path.join(work, "mod.csv"), "rb") as b:
        same = a.read() == b.read()
    command, module = min(command_times), min(module_times)
    module_mb = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss / 1024
    print(f"points: {count}, fastest of {runs} runs, {os.cpu_count()} cores, load average "
          f"{' '.join(open('/proc/loadavg').read().split()[:3])}")
    print(f"veltrane-convert, file to file      {command:7.3f} s  peak {command_kb / 1024:7.1f} MB")
    print(f"module, arrays to file              {module:7.3f} s  peak {module_mb:7.1f} MB (whole Python process)")
    print(f"module/command {module / command:.3f} (target <= 1.5: {'met' if module <= 1.5 * command else 'MISSED'}); "
          f"same bytes: {same}")
    sys.exit(0 if same else 1)
