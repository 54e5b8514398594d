#!/usr/bin/env python3
"""Times two builds of nebu-cli against each other on the bench trees, the
second also with --progress, interleaved run by run so that a busy machine
slows all three alike: the cost of the progress accounting.

    python3 bench/progress_cost.py BEFORE/nebu-cli AFTER/nebu-cli [TREES] [RUNS]
"""
import os
import resource
import statistics
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(__file__))
import trees  # noqa: E402


def timed(cmd):
    r0 = resource.getrusage(resource.RUSAGE_CHILDREN)
    t0 = time.perf_counter()
    subprocess.run(cmd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=False)
    wall = time.perf_counter() - t0
    r1 = resource.getrusage(resource.RUSAGE_CHILDREN)
    return wall, r1.ru_utime + r1.ru_stime - r0.ru_utime - r0.ru_stime


def main():
    before, after = sys.argv[1], sys.argv[2]
    names = (sys.argv[3] if len(sys.argv) > 3 else "many-small,one-size,mixed").split(",")
    runs = int(sys.argv[4]) if len(sys.argv) > 4 else 11
    data = os.environ.get("BENCH_DATA", os.path.join(os.path.dirname(__file__), "data"))
    variants = [("before", before, ["-q"]), ("after", after, ["-q"]),
                ("after --progress", after, ["-q", "--progress"])]
    for name in names:
        folder = trees.ensure_tree(data, name)
        base = ["-r", "--no-size-limit", "-s", f"{folder}/src", "-t", f"{folder}/dst"]
        seen = {label: [] for label, _, _ in variants}
        for run in range(runs + 1):
            for label, binary, extra in variants:
                result = timed([binary] + base + extra)
                if run > 0:  # the first round only warms the caches
                    seen[label].append(result)
        for label, results in seen.items():
            wall = statistics.median(r[0] for r in results)
            cpu = statistics.median(r[1] for r in results)
            print(f"{name:12s} {label:18s} wall {wall:.3f} s  cpu {cpu:.3f} s")


if __name__ == "__main__":
    main()
