#!/usr/bin/env python3
"""Times nebu-cli against jdupes, fdupes, rdfind and rmlint and checks its answers.

    python3 bench/bench.py --nebu build-bench/src/cli/nebu-cli

Environment: BENCH_RUNS (timed runs per tool and tree after one warm-up,
default 3), BENCH_TREES and BENCH_TOOLS (comma-separated subsets),
BENCH_TIMEOUT (seconds per run, default 120), BENCH_SLOW (a tool whose
first timed run took longer than this many seconds is not timed again,
default 20), BENCH_DATA (where the trees are kept, default bench/data).

Exit code 1 when any answer differs from the generator's pairs or NEBU's
from a peer's, 2 when the harness cannot run.
"""

import argparse
import os
import shutil
import signal
import subprocess
import sys
import threading
import time

# No __pycache__ next to the sources of a tree others check out.
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import report  # noqa: E402
import trees  # noqa: E402
import tools as tool_defs  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))


class RunFiles:
    """Where one tool's run on one tree writes: stdout, stderr, report, timing."""

    def __init__(self, folder):
        os.makedirs(folder, exist_ok=True)
        self.dir = folder
        self.stdout = os.path.join(folder, "stdout.txt")
        self.stderr = os.path.join(folder, "stderr.txt")
        self.report = os.path.join(folder, "report")
        self.time = os.path.join(folder, "time.txt")

    def clear(self):
        for path in (self.report, self.time):
            if os.path.exists(path):
                os.remove(path)


class Outcome:
    def __init__(self):
        self.walls = []
        self.rss_kib = 0
        self.timed_out = False
        self.failed = None  # text when a run did not end normally
        self.pairs = None
        self.repeats = 0
        self.warmup = None


def run_once(argv, files, timeout):
    """One timed run. Returns (wall seconds or None on timeout, peak RSS KiB, exit code)."""
    files.clear()
    cmd = ["/usr/bin/time", "-f", "%M", "-o", files.time, *argv]
    with open(files.stdout, "wb") as out, open(files.stderr, "wb") as err:
        start = time.perf_counter()
        # A session of its own, so a timeout ends the tool and nothing else.
        proc = subprocess.Popen(cmd, stdout=out, stderr=err, stdin=subprocess.DEVNULL,
                                cwd=files.dir, start_new_session=True)
        # A blocking wait with a timer for the timeout: wait(timeout=...) polls
        # every 50 ms, which rounds a 0.3 s run up by as much as a sixth.
        expired = threading.Event()

        def expire():
            expired.set()
            try:
                os.killpg(proc.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass

        timer = threading.Timer(timeout, expire)
        timer.start()
        rc = proc.wait()
        wall = time.perf_counter() - start
        timer.cancel()
        if expired.is_set():
            return None, 0, None
    rss = 0
    try:
        with open(files.time) as f:
            rss = int(f.read().split()[-1])
    except (OSError, ValueError, IndexError):
        pass
    return wall, rss, rc


def env_list(name, default):
    value = os.environ.get(name, "").strip()
    return [v.strip() for v in value.split(",") if v.strip()] if value else list(default)


def bench_tree(name, folder, tools, settings, log):
    src, dst = os.path.join(folder, "src"), os.path.join(folder, "dst")
    archives = name in trees.ARCHIVE_TREES
    # Peers cannot look inside archives; those trees are checked against the generator only.
    active = [t for t in tools if (t.archives or not archives) and t.runs_on(name)]
    outcomes = {t.name: Outcome() for t in active}
    out_root = os.path.join(settings.results, "out", name)

    def run(tool, label):
        o = outcomes[tool.name]
        files = RunFiles(os.path.join(out_root, tool.name))
        wall, rss, rc = run_once(tool.argv(src, dst, files, name), files, settings.timeout)
        if wall is None:
            o.timed_out = True
            log(f"  {name:14} {tool.name:7} {label:8} timeout after {settings.timeout} s")
        elif rc != 0:
            o.failed = f"exit code {rc}: {_tail(files.stderr)}"
            log(f"  {name:14} {tool.name:7} {label:8} failed, {o.failed}")
        else:
            log(f"  {name:14} {tool.name:7} {label:8} {wall:8.2f} s  {rss / 1024:7.1f} MiB")
        o.rss_kib = max(o.rss_kib, rss)
        return wall, files

    for tool in active:
        wall, files = run(tool, "warm-up")
        o = outcomes[tool.name]
        o.warmup = wall
        if o.failed is None:
            # A run stopped by its timeout still shows whether what it found is right.
            o.pairs, o.repeats = tool.read_pairs(folder, files)
    for r in range(settings.runs):
        # Rotate the order so that no tool always runs right after the same one.
        k = r % len(active)
        for tool in active[k:] + active[:k]:
            o = outcomes[tool.name]
            # The warm-up pays for cold caches, so the first timed run decides.
            if o.timed_out or o.failed or (o.walls and o.walls[0] > settings.slow):
                continue
            wall, _ = run(tool, f"run {r + 1}")
            if wall is not None and o.failed is None:
                o.walls.append(wall)
    return outcomes


def _tail(path, limit=300):
    try:
        with open(path, encoding="utf-8", errors="replace") as f:
            text = f.read().strip()
    except OSError:
        return ""
    return text[-limit:].replace("\n", " | ")


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--nebu", required=True, help="path of nebu-cli")
    ap.add_argument("--data", default=os.environ.get("BENCH_DATA", os.path.join(HERE, "data")))
    ap.add_argument("--results", default=os.path.join(HERE, "results"))
    args = ap.parse_args()
    args.runs = int(os.environ.get("BENCH_RUNS", "3"))
    args.timeout = float(os.environ.get("BENCH_TIMEOUT", "120"))
    args.slow = float(os.environ.get("BENCH_SLOW", "20"))
    args.nebu = os.path.abspath(args.nebu)
    args.data = os.path.abspath(args.data)
    args.results = os.path.abspath(args.results)

    all_tools = tool_defs.make_tools(args.nebu)
    tree_names = env_list("BENCH_TREES", trees.TREES)
    tool_names = env_list("BENCH_TOOLS", all_tools)
    unknown = [n for n in tree_names if n not in trees.TREES]
    unknown += [n for n in tool_names if n not in all_tools]
    if unknown:
        print(f"unknown tree or tool: {', '.join(unknown)}", file=sys.stderr)
        return 2
    missing = [n for n in tool_names if n != "nebu" and not shutil.which(n)
               and any(all_tools[n].runs_on(t) for t in tree_names)]
    if not os.access(args.nebu, os.X_OK) and "nebu" in tool_names:
        missing.append(args.nebu)
    if not os.access("/usr/bin/time", os.X_OK):
        missing.append("/usr/bin/time")
    if missing:
        print(f"missing: {', '.join(missing)} (run bench/install-peers.sh)", file=sys.stderr)
        return 2
    selected = [all_tools[n] for n in all_tools if n in tool_names]

    def log(text):
        print(text, flush=True)

    started = time.monotonic()
    results = {}
    for name in tree_names:
        folder = trees.ensure_tree(args.data, name, log)
        results[name] = (trees.load_expected(folder), bench_tree(name, folder, selected, args, log))

    text, wrong = report.render(results, args, time.monotonic() - started)
    os.makedirs(args.results, exist_ok=True)
    with open(os.path.join(args.results, "latest.md"), "w", encoding="utf-8") as f:
        f.write(text)
    print()
    print(text)
    return 1 if wrong else 0


if __name__ == "__main__":
    sys.exit(main())
