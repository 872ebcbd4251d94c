#!/usr/bin/env python3
"""Runs a command and prints its wall-clock time and the peak memory of its
whole process tree (the command and every process it starts, such as a
local cluster's scheduler, nannies and workers), sampled every 0.1 s.

Usage: tree_peak.py COMMAND [ARGUMENT]...

Prints "seconds S  peak PSS P MB  peak RSS R MB": PSS counts a page shared
by several processes once in all, RSS counts it in each. A peak shorter
than the sampling interval may be missed.
"""
import os
import subprocess
import sys
import time

INTERVAL = 0.1  # seconds between samples
KB_PER_MB = 1024


def children():
    """Parent pid -> child pids, of every process visible now."""
    tree = {}
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/stat") as f:
                # The name may hold spaces: the fields after it start past ")".
                parent = int(f.read().rsplit(")", 1)[1].split()[1])
        except (OSError, IndexError, ValueError):
            continue
        tree.setdefault(parent, []).append(int(entry))
    return tree


def tree_memory(root):
    """Sum of Pss and of Rss (kB) over `root` and its descendants."""
    tree = children()
    pending, pss, rss = [root], 0, 0
    while pending:
        pid = pending.pop()
        pending.extend(tree.get(pid, []))
        try:
            with open(f"/proc/{pid}/smaps_rollup") as f:
                for line in f:
                    if line.startswith("Pss:"):
                        pss += int(line.split()[1])
                    elif line.startswith("Rss:"):
                        rss += int(line.split()[1])
        except OSError:
            continue  # ended meanwhile
    return pss, rss


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    started = time.perf_counter()
    process = subprocess.Popen(sys.argv[1:], stdout=subprocess.DEVNULL)
    peak_pss = peak_rss = 0
    while process.poll() is None:
        pss, rss = tree_memory(process.pid)
        peak_pss, peak_rss = max(peak_pss, pss), max(peak_rss, rss)
        time.sleep(INTERVAL)
    seconds = time.perf_counter() - started
    print(f"seconds {seconds:.2f}  peak PSS {peak_pss / KB_PER_MB:.0f} MB  peak RSS {peak_rss / KB_PER_MB:.0f} MB")
    return process.returncode


if __name__ == "__main__":
    sys.exit(main())
