"""The Python module against veltrane-convert: the same bytes for the same
points, network and options, and the command's messages as exceptions.

Usage: test_module.py BUILD_DIR SOURCE_DIR (the module is BUILD_DIR/python)."""
import os
import subprocess
import sys
import tempfile
import threading
import unittest

BUILD, SOURCE = sys.argv[1], sys.argv[2]
sys.path.insert(0, os.path.join(BUILD, "python"))
import numpy  # noqa: E402
import veltrane  # noqa: E402

CONVERT = os.path.join(BUILD, "command", "veltrane-convert")
DATAGEN = os.path.join(BUILD, "tools", "datagen", "veltrane-datagen")
CONTROL = {1: "TARVONA_NAD83_CORS96_CONTROL.csv", 2: "TARVONA_NAD83_CORS96a_CONTROL.csv"}
TIN = "TARVONA_TIN_CONTROL.obj"


def data(name):
    return os.path.join(SOURCE, "data", name)


def network(direction, tin):
    return veltrane.Network(data(CONTROL[direction]), data(CONTROL[3 - direction]),
                            data(TIN) if tin else None, direction=direction)


def command(*args, cwd=None):
    run = subprocess.run([CONVERT, "--workdir", os.path.join(SOURCE, "data"), "-q", *args],
                         capture_output=True, cwd=cwd, check=False)
    if run.returncode != 0:
        raise AssertionError(run.stderr.decode())
    return run.stdout


def read_points(path):
    """The points of a file in the fixed layout, as the command reads them."""
    lon, lat, h, ids = [], [], [], []
    with open(path, "rb") as lines:
        for line in lines:
            fields = line.replace(b"\t", b",").replace(b" ", b",").rstrip(b"\r\n").split(b",")
            try:
                x, y, z = (float(v) for v in fields[:3])
            except ValueError:
                continue
            lon.append(x), lat.append(y), h.append(z), ids.append(fields[3])
    return numpy.array(lon), numpy.array(lat), numpy.array(h), ids


class ModuleAgainstCommand(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.TemporaryDirectory()
        cls.generated = os.path.join(cls.folder.name, "generated.csv")
        subprocess.run([DATAGEN, "--large", "20000", cls.generated], check=True, capture_output=True)

    def test_converted_lines_are_the_commands(self):
        for points in (data("sample_points.csv"), self.generated):
            lon, lat, h, ids = read_points(points)
            for direction in (1, 2):
                for tin in (False, True):
                    with self.subTest(points=os.path.basename(points), direction=direction, tin=tin):
                        net = network(direction, tin)
                        result = net.convert(lon, lat, h)
                        ours = veltrane.Network.header() + net.format(ids, result)
                        expected = command("--mode", str(direction), "--tin", "file" if tin else "generate",
                                           "--no-controlshift", "-o", "-", points)
                        self.assertEqual(ours, expected)
                        self.assertEqual(int(result["outside"]),
                                         int(numpy.count_nonzero(result["state"] != veltrane.CONVERTED)))

    def test_decimals_nearest_and_quality_follow_the_commands_options(self):
        lon, lat, h, ids = read_points(data("sample_points.csv"))
        net = network(1, False)
        result = net.convert(lon, lat, h, nearest=True, quality=True)
        self.assertEqual(veltrane.Network.header() + net.format(ids, result, degrees=9, metres=4),
                         command("--outside", "nearest", "-d", "9", "--metre-decimals", "4", "--no-controlshift",
                                 "-o", "-", data("sample_points.csv")))
        quality = os.path.join(self.folder.name, "quality.csv")
        command("--quality", quality, "--outside", "nearest", "--no-controlshift", "-o", "/dev/null",
                data("sample_points.csv"))
        with open(quality) as lines:
            rows = [line.rstrip("\n").split(",") for line in lines][1:]
        self.assertEqual(len(rows), len(ids))
        for k, row in enumerate(rows):
            for column, name in ((2, "sigma_horizontal"), (3, "sigma_vertical"), (4, "nearest_control")):
                if row[column]:
                    self.assertAlmostEqual(result[name][k], float(row[column]), delta=5e-4, msg=(k, name))
                else:
                    self.assertTrue(numpy.isnan(result[name][k]), (k, name))

    def test_network_check_and_exports_are_the_commands(self):
        net = network(1, True)
        report = os.path.join(self.folder.name, "check.csv")
        summary = subprocess.run([CONVERT, "--workdir", os.path.join(SOURCE, "data"), "--tin", "file",
                                  "--validate-network", "--report", report], capture_output=True, check=True)
        check = net.validate()
        with open(report, "rb") as written:
            self.assertEqual(check["report"], written.read())
        self.assertIn(check["summary"], summary.stderr.decode())
        self.assertEqual(len(check["id"]), net.control_count)
        self.assertEqual(net.control_shifts(),
                         command("--tin", "file", "--controlshift", "/dev/stdout", "-o", "/dev/null",
                                 data("sample_points.csv")))
        exported = os.path.join(self.folder.name, "n.json")
        command("--tin", "file", "--export-tinshift", exported, "--no-controlshift", "-o", "/dev/null",
                data("sample_points.csv"))
        with open(exported) as written:
            self.assertEqual(net.export_tinshift(), written.read())

    def test_threads_convert_with_one_network_at_once(self):
        lon, lat, h, ids = read_points(self.generated)
        net = network(1, False)
        alone = net.format(ids, net.convert(lon, lat, h))
        results = [None] * 4

        def work(k):
            results[k] = net.format(ids, net.convert(lon, lat, h))
        threads = [threading.Thread(target=work, args=(k,)) for k in range(4)]
        for thread in threads:
            thread.start()
        for thread in threads:
            thread.join()
        self.assertEqual(results, [alone] * 4)

    def test_read_points_reads_as_the_command_in_any_cut_at_line_feeds(self):
        # Line ends of three kinds, a comment, lines that give no point or
        # one out of range, a line longer than a read piece, a quoted name.
        text = (b"# header\n-122.65,44.54,250.1,P1\r\n-119.13,42.19,1176.2,P2\r-120.0,44.0,5.0,\"a,b\"\n"
                b"not a point\n\n-120.5,95.0,1.0,HIGH\n-121.0,43.0,7.5," + b"L" * 300 + b"\n"
                b"-118.9,42.78,1070.6,S1\t\n-118.8,42.7,10")
        path = os.path.join(self.folder.name, "mixed.csv")
        with open(path, "wb") as f:
            f.write(text)
        net = network(1, False)
        whole = veltrane.read_points(text)
        self.assertEqual(whole["rejected"], 4)  # the long line's rest is one
        result = net.convert(whole["lon"], whole["lat"], whole["h"])
        self.assertEqual(veltrane.Network.header() + net.format(whole["ids"], result),
                         command("--no-controlshift", "-o", "-", path))
        feeds = [k + 1 for k, c in enumerate(text) if c == ord("\n")]
        for cut in feeds:
            parts = [veltrane.read_points(text[:cut]), veltrane.read_points(text[cut:])]
            self.assertEqual(parts[0]["ids"] + parts[1]["ids"], whole["ids"], cut)
            self.assertEqual(numpy.concatenate([p["lon"] for p in parts]).tolist(), whole["lon"].tolist(), cut)

    def test_errors_carry_the_commands_messages(self):
        missing = os.path.join(self.folder.name, "missing.csv")
        with self.assertRaisesRegex(veltrane.Error, "^cannot read " + missing + ": No such file or directory$"):
            veltrane.Network(missing, data(CONTROL[2]))
        with self.assertRaisesRegex(veltrane.Error, "^no control point of"):
            veltrane.Network(data(CONTROL[1]), data("sample_points.csv"))
        net = network(1, False)
        with self.assertRaises(ValueError):
            net.convert([1.0, 2.0], [1.0], [1.0])
        with self.assertRaises(ValueError):
            net.format([b"a"], net.convert([1.0, 2.0], [1.0, 2.0], [0.0, 0.0]))


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0]])
