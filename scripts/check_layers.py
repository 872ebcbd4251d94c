#!/usr/bin/env python3
"""Checks the tree's layers: each folder includes only itself and folders
below it, and no source file of the product is longer than MAX_LINES.

Usage: check_layers.py [ROOT]   (exit 0 when the tree keeps both rules)
"""
import os
import re
import sys

# Bottom up. A folder may include a folder of a lower rank only; folders of
# the same rank stand beside each other and include neither.
LAYERS = [
    ("engine/types", 0),
    ("engine/base", 0),
    ("engine/geometry", 1),
    ("engine/geodesy", 2),
    ("engine/files", 3),
    ("engine/formats", 4),
    ("engine/network", 5),
    ("engine/run", 6),
    ("report", 7),
    ("command", 8),
    ("view", 8),
    ("widgets", 8),
    ("lib", 8),
    ("app", 9),
    ("python", 9),
    ("tools", 9),
]
# Generated from the project's version into the build folder.
GENERATED = {"engine/version.h": 0}
MAX_LINES = 600
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.MULTILINE)


def folder_of(path):
    """The layer a tree path belongs to, or None outside the layers."""
    best = None
    for folder, rank in LAYERS:
        if path == folder or path.startswith(folder + "/"):
            if best is None or len(folder) > len(best[0]):
                best = (folder, rank)
    return best


def main():
    root = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), ".."))
    problems = []
    checked = 0
    for folder, rank in LAYERS:
        for base, _, names in os.walk(os.path.join(root, folder)):
            for name in sorted(names):
                if not name.endswith((".h", ".cpp")):
                    continue
                path = os.path.relpath(os.path.join(base, name), root)
                here = folder_of(path)
                if here[0] != folder:
                    continue  # a deeper layer's file, checked with that layer
                checked += 1
                with open(os.path.join(root, path), encoding="utf-8") as source:
                    text = source.read()
                lines = text.count("\n")
                if lines > MAX_LINES:
                    problems.append(f"{path}: {lines} lines, more than {MAX_LINES}")
                for included in INCLUDE.findall(text):
                    if included in GENERATED:
                        target = ("(generated)", GENERATED[included])
                    else:
                        target = folder_of(included)
                    if target is None or target[0] == folder:
                        continue
                    if target[1] >= rank:
                        problems.append(f"{path}: includes {included} ({target[0]} is not below {folder})")
    for problem in problems:
        print(problem)
    print(f"layers: {checked} files checked, {len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
