#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz harnesses into OUT/<harness>/.

Seeds come from the sample data in data/ (large files cut to their first
lines) and from the text literals of the reader and conversion tests.
Usage: make_corpus.py OUT
"""
import hashlib
import pathlib
import re
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent
DATA = ROOT / "data"
PART_SEPARATOR = b"\x1e"
# Seeds larger than this are cut: the harnesses run with a length limit.
MAX_SEED = 12000

LITERAL_RUN = re.compile(r'(?:"(?:[^"\\\n]|\\.)*"\s*(?://[^\n]*\n\s*)*)+')
LITERAL = re.compile(r'"((?:[^"\\\n]|\\.)*)"')
ESCAPES = {"n": b"\n", "t": b"\t", "r": b"\r", "0": b"\0", "\\": b"\\", '"': b'"', "'": b"'"}


def decode(body):
    out = bytearray()
    i = 0
    while i < len(body):
        c = body[i]
        if c != "\\":
            out += c.encode("latin-1", "replace")
            i += 1
            continue
        nxt = body[i + 1]
        if nxt == "x":
            j = i + 2
            while j < len(body) and body[j] in "0123456789abcdefABCDEF":
                j += 1
            out.append(int(body[i + 2:j], 16) & 0xFF)
            i = j
        else:
            out += ESCAPES.get(nxt, nxt.encode("latin-1", "replace"))
            i += 2
    return bytes(out)


def literals(path):
    """Adjacent string literals of a C++ file joined, as the compiler joins them."""
    text = path.read_text(encoding="latin-1")
    found = []
    for run in LITERAL_RUN.finditer(text):
        value = b"".join(decode(m.group(1)) for m in LITERAL.finditer(run.group(0)))
        if len(value) >= 3 and not value.startswith(b"#include"):
            found.append(value)
    return found


def head(path, lines):
    return b"".join(path.read_bytes().splitlines(keepends=True)[:lines])


def save(folder, seeds):
    folder.mkdir(parents=True, exist_ok=True)
    for seed in seeds:
        seed = seed[:MAX_SEED]
        (folder / hashlib.sha1(seed).hexdigest()).write_bytes(seed)
    return len(list(folder.iterdir()))


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    out = pathlib.Path(sys.argv[1])
    tests = ROOT / "tests"

    point_files = [head(p, 120) for p in sorted(DATA.glob("*.csv"))]
    point_seeds = point_files + literals(tests / "engine" / "test_pointfile.cpp")
    tin_seeds = [head(DATA / "TARVONA_TIN_CONTROL.obj", 400)] + literals(tests / "engine" / "test_tinfile.cpp")

    # Conversion seeds: options byte, then the four files joined by the separator.
    cors96 = DATA / "TARVONA_NAD83_CORS96_CONTROL.csv"
    cors96a = DATA / "TARVONA_NAD83_CORS96a_CONTROL.csv"
    sample = DATA / "sample_points.csv"
    tin_vertices = [l for l in (DATA / "TARVONA_TIN_CONTROL.obj").read_bytes().splitlines(keepends=True)
                    if l.startswith(b"v ")][:40]
    source = head(cors96, 40)
    ids = {l.rsplit(b",", 1)[-1].strip() for l in source.splitlines() if not l.startswith(b"#")}
    target = b"".join(l for l in cors96a.read_bytes().splitlines(keepends=True)
                      if l.rsplit(b",", 1)[-1].strip() in ids)
    small_network = [source, target, b"".join(tin_vertices) +
                     b"f 1 2 3\nf 2 3 4\nf 10 20 30\n", head(sample, 40)]
    tool_test = {}
    for name in ("kCors96", "kCors96a", "kTin", "kInput"):
        m = re.search(name + r"\s*=\s*(" + LITERAL_RUN.pattern + ")", (tests / "tools" / "test_convert.cpp").read_text())
        if m:
            tool_test[name] = b"".join(decode(x.group(1)) for x in LITERAL.finditer(m.group(1)))
    conversion_seeds = []
    for options in (b"\x00", b"\x01", b"\x02", b"\x03"):
        conversion_seeds.append(options + PART_SEPARATOR.join(small_network))
        if len(tool_test) == 4:
            conversion_seeds.append(options + PART_SEPARATOR.join(
                tool_test[n] for n in ("kCors96", "kCors96a", "kTin", "kInput")))
    conversion_seeds.append(b"\x00" + PART_SEPARATOR.join([point_seeds[-1], point_seeds[-1], tin_seeds[-1], point_seeds[-2]]))

    for name, seeds in (("fuzz_pointfile", point_seeds), ("fuzz_tinfile", tin_seeds),
                        ("fuzz_conversion", conversion_seeds)):
        print(f"{name}: {save(out / name, seeds)} seeds")


if __name__ == "__main__":
    main()
