#!/usr/bin/env python3
"""Times nebu-cli's --json against its log lines on a tree of N pairs.

Usage: python3 bench/json_output.py --nebu build/src/cli/nebu-cli [--pairs 50000]

Generates SRC and DST (each file of SRC copied once into DST, all of
distinct contents) under --data, then times, best of --runs, standard
output going to /dev/null:
  log      nebu-cli -r -s SRC -t DST                (log lines on stdout)
  json     nebu-cli -r -s SRC -t DST --json -q      (JSON lines only)
  json+log nebu-cli -r -s SRC -t DST --json         (log lines on stderr)
(best wall time and best CPU time, user + system, which a busy machine
disturbs less) and checks that the JSON has one pair object per pair and a summary.
"""
import argparse
import os
import resource
import subprocess
import time


def make_tree(root, pairs):
    marker = os.path.join(root, f".done-{pairs}")
    if os.path.exists(marker):
        return
    for side in ("src", "dst"):
        for d in range(pairs // 500 + 1):
            os.makedirs(os.path.join(root, side, f"d{d:03}"), exist_ok=True)
    for i in range(pairs):
        data = (f"file {i} " * (8 + i % 50)).encode()
        rel = os.path.join(f"d{i // 500:03}", f"f{i:06}.txt")
        for side in ("src", "dst"):
            with open(os.path.join(root, side, rel), "wb") as f:
                f.write(data)
    open(marker, "w").close()


def timed(argv, stderr=subprocess.DEVNULL):
    """(wall seconds, CPU seconds: user + system) of one run."""
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.perf_counter()
    with open(os.devnull, "wb") as null:
        subprocess.run(argv, stdout=null, stderr=stderr, check=True)
    wall = time.perf_counter() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    return wall, cpu


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--nebu", required=True)
    ap.add_argument("--pairs", type=int, default=50000)
    ap.add_argument("--runs", type=int, default=5)
    ap.add_argument("--data", default="/tmp/nebu-bench-json")
    args = ap.parse_args()
    make_tree(args.data, args.pairs)
    base = [args.nebu, "-r", "-s", os.path.join(args.data, "src"), "-t",
            os.path.join(args.data, "dst")]
    out = subprocess.run(base + ["--json", "-q"], capture_output=True, check=True).stdout
    lines = out.splitlines()
    assert len(lines) == args.pairs + 1, len(lines)
    assert lines[-1].startswith(b'{"type":"summary"'), lines[-1]
    cases = {"log": base, "json": base + ["--json", "-q"], "json+log": base + ["--json"]}
    # Interleaved, so that a busy moment of the machine falls on every case.
    times = {name: [] for name in cases}
    for _ in range(args.runs):
        for name, argv in cases.items():
            times[name].append(timed(argv))
    for name, values in times.items():
        wall = min(v[0] for v in values)
        cpu = min(v[1] for v in values)
        print(f"{name:9} wall {wall:6.2f} s  cpu {cpu:6.2f} s  (best of {args.runs}, "
              f"{args.pairs} pairs)")


if __name__ == "__main__":
    main()
