#!/usr/bin/env python3
"""What the deletion journal costs: a run that deletes 20,000 duplicates,
timed with the journal and with a build that has none (--baseline).

    python3 bench/journal.py --nebu build-bench/src/cli/nebu-cli \
        --baseline /path/to/nebu-cli-without-journal [--runs 5] [--files 20000]

Each run gets a fresh copy of the tree (made before the clock starts) and its
own HOME, XDG_DATA_HOME and XDG_STATE_HOME, so the journal and the trash
start empty every time. Prints the median of each mode and the ratio."""

import argparse
import os
import shutil
import statistics
import subprocess
import tempfile
import time

# A RAM file system when there is one: the disk of a shared machine swings
# by seconds, which would hide the journal's own cost.
SCRATCH = os.environ.get("BENCH_SCRATCH",
                         "/dev/shm" if os.access("/dev/shm", os.W_OK) else None)


def make_tree(root, files):
    for side in ("src", "dst"):
        for i in range(files):
            folder = os.path.join(root, side, "d%03d" % (i % 200))
            os.makedirs(folder, exist_ok=True)
            with open(os.path.join(folder, "f%05d.txt" % i), "wb") as f:
                # Every file differs from the others; dst/ holds a copy of each.
                f.write(b"%08d" % i * (4 + i % 16))


def timed_run(binary, template, extra):
    work = tempfile.mkdtemp(prefix="nebu-journal-bench-", dir=SCRATCH)
    try:
        tree = os.path.join(work, "tree")
        shutil.copytree(template, tree)
        env = dict(os.environ, HOME=os.path.join(work, "home"),
                   XDG_DATA_HOME=os.path.join(work, "data"),
                   XDG_STATE_HOME=os.path.join(work, "state"), TMPDIR=work)
        subprocess.run(["sync"], check=False)
        start = time.monotonic()
        done = subprocess.run([binary, "-r", "--no-size-limit", "-s", os.path.join(tree, "src"),
                               "-t", os.path.join(tree, "dst"), "--delete", "-q"] + extra,
                              env=env, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        elapsed = time.monotonic() - start
        if done.returncode != 0:
            raise SystemExit("%s failed: %s" % (binary, done.stderr.decode(errors="replace")))
        left = sum(len(f) for _, _, f in os.walk(os.path.join(tree, "dst")))
        if left != 0:
            raise SystemExit("%s left %d files" % (binary, left))
        return elapsed
    finally:
        shutil.rmtree(work, ignore_errors=True)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--nebu", required=True)
    parser.add_argument("--baseline", required=True)
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--files", type=int, default=20000)
    args = parser.parse_args()
    template = tempfile.mkdtemp(prefix="nebu-journal-tree-", dir=SCRATCH)
    try:
        make_tree(template, args.files)
        print("| mode | build | runs | median s | min s | max s |")
        print("|---|---|---:|---:|---:|---:|")
        for mode, extra in (("for good", []), ("trash", ["--trash"])):
            builds = (("without journal", args.baseline), ("journal", args.nebu))
            times = {name: [] for name, _ in builds}
            for _, binary in builds:
                timed_run(binary, template, extra)  # warm-up
            # Interleaved, so that a machine busy for a while slows both alike.
            for _ in range(args.runs):
                for name, binary in builds:
                    times[name].append(timed_run(binary, template, extra))
            for name, _ in builds:
                t = times[name]
                print("| %s | %s | %d | %.3f | %.3f | %.3f |" % (
                    mode, name, args.runs, statistics.median(t), min(t), max(t)), flush=True)
            print("| %s | journal ÷ without | | %.3f | | |" % (
                mode, statistics.median(times["journal"]) /
                statistics.median(times["without journal"])), flush=True)
    finally:
        shutil.rmtree(template, ignore_errors=True)


if __name__ == "__main__":
    main()
