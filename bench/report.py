"""The results as Markdown: the machine, the timings and the answers."""

import datetime
import os
import re
import shutil
import statistics
import subprocess

import trees

EXAMPLES = 5


def render(results, args, elapsed):
    lines = [f"# NEBU benchmark, {datetime.datetime.now(datetime.timezone.utc):%Y-%m-%d %H:%M} UTC",
             "", *machine(args), "",
             f"One warm-up run, then up to {args.runs} timed runs per tool and tree "
             f"(only one when the first took over {args.slow:.0f} s); timeout {args.timeout:.0f} s "
             f"per run; the whole benchmark took {elapsed / 60:.1f} min. Wall times in seconds; "
             "\"NEBU ÷ tool\" is NEBU's median over the tool's median in this same run.", "",
             "## Timings", "",
             "| tree | tool | runs | median | min | max | peak RSS MiB | NEBU ÷ tool |",
             "|---|---|---:|---:|---:|---:|---:|---:|"]
    for tree, (_, outcomes) in results.items():
        nebu = outcomes.get("nebu")
        for name, o in outcomes.items():
            lines.append(_timing_row(tree, name, o, nebu, args.timeout))

    lines += _yardstick(results)

    wrong = False
    lines += ["", "## Answers", "",
              "Pairs found (source × target); ✓ = exactly the pairs the generator made.", ""]
    tool_names = list(dict.fromkeys(n for _, oc in results.values() for n in oc))
    lines.append("| tree | generator | " + " | ".join(tool_names) + " |")
    lines.append("|---|---:|" + "---:|" * len(tool_names))
    notes = []
    for tree, (expected, outcomes) in results.items():
        cells = [tree, str(len(expected))]
        for name in tool_names:
            o = outcomes.get(name)
            cells.append(_answer_cell(o, expected) if o else "n/a")
            if o and o.pairs is not None and not _is_right(o, expected):
                notes += _differences(f"{tree}: {name} against the generator", o.pairs, expected,
                                      partial=o.timed_out)
                wrong |= name == "nebu"
            if name == "nebu" and o and o.repeats:
                notes.append(f"- {tree}: nebu lists {o.repeats} pair(s) more than once")
                wrong = True
        lines.append("| " + " | ".join(cells) + " |")
        nebu_notes, nebu_wrong = _nebu_against_peers(tree, outcomes)
        notes += nebu_notes
        wrong |= nebu_wrong
    lines += ["", "## Differences", ""]
    stopped = [f"{tree} {name}" for tree, (_, oc) in results.items()
               for name, o in oc.items() if o.timed_out]
    if notes:
        lines += notes
    elif stopped:
        lines.append("No pair too many anywhere. Stopped by the timeout, so not checked for "
                     "missing pairs: " + ", ".join(stopped) + ".")
    else:
        lines.append("None: NEBU listed exactly the pairs of every peer and of the generator.")
    return "\n".join(lines) + "\n", wrong


def _yardstick(results):
    """NEBU on each tree's big archives against decompressing each once: at most 3 times as long."""
    lines = []
    for tree, (_, outcomes) in results.items():
        nebu, bsdtar = outcomes.get("nebu"), outcomes.get("bsdtar")
        if not nebu or not bsdtar or not nebu.walls or not bsdtar.walls:
            continue
        ratio = statistics.median(nebu.walls) / statistics.median(bsdtar.walls)
        verdict = "met" if ratio <= 3 else "NOT met"
        several = len(trees.YARDSTICK.get(tree, [])) > 1
        what = "archives, one after the other" if several else "archive"
        lines.append(f"- {tree}: NEBU takes {ratio:.2f} × the time of `bsdtar -xOf` on the same "
                     f"{what} (target: at most 3 ×, {verdict}).")
    return ["", *lines] if lines else []


def _secs(x):
    return f"{x:.2f}" if x < 100 else f"{x:.0f}"


def _timing_row(tree, name, o, nebu, timeout):
    walls = o.walls or ([o.warmup] if o.warmup is not None and not o.failed else [])
    runs = str(len(o.walls)) if o.walls else "warm-up"
    if o.failed:
        stats = ["failed", "", ""]
        runs = "0"
    elif o.timed_out and not o.walls:
        stats = [f"timeout (> {timeout:.0f})", "", ""]
        runs = "0"
    else:
        stats = [_secs(statistics.median(walls)), _secs(min(walls)), _secs(max(walls))]
        if o.timed_out:
            runs += " + timeout"
    ratio = "—" if name == "nebu" else ""
    if name != "nebu" and nebu is not None and walls and not o.failed and not nebu.failed:
        mine = statistics.median(walls)
        if nebu.walls and not nebu.timed_out:
            ratio = f"{statistics.median(nebu.walls) / mine:.2f}"
        elif nebu.timed_out:
            ratio = f"> {timeout / mine:.0f}"
        elif nebu.warmup is not None:
            ratio = f"{nebu.warmup / mine:.2f}"
    rss = f"{o.rss_kib / 1024:.1f}" if o.rss_kib else ""
    return f"| {tree} | {name} | {runs} | " + " | ".join(stats) + f" | {rss} | {ratio} |"


def _is_right(o, expected):
    if o.timed_out:
        return o.pairs <= expected
    return o.pairs == expected


def _answer_cell(o, expected):
    if o.pairs is None:
        return "failed" if o.failed else "—"
    if o.timed_out:
        wrong = len(o.pairs - expected)
        return f"timeout: {len(o.pairs)} found, {wrong} wrong"
    return f"{len(o.pairs)} {'✓' if o.pairs == expected else '✗'}"


def _nebu_against_peers(tree, outcomes):
    nebu = outcomes.get("nebu")
    if nebu is None or nebu.pairs is None:
        return [], False
    notes, wrong = [], False
    for name, o in outcomes.items():
        if name == "nebu" or o.pairs is None or o.timed_out:
            continue
        if nebu.timed_out:
            extra = nebu.pairs - o.pairs
            if extra:
                notes += _differences(f"{tree}: nebu (stopped by timeout) against {name}",
                                      nebu.pairs, o.pairs, partial=True)
                wrong = True
        elif nebu.pairs != o.pairs:
            notes += _differences(f"{tree}: nebu against {name}", nebu.pairs, o.pairs)
            wrong = True
    return notes, wrong


def _differences(title, found, reference, partial=False):
    extra = sorted(found - reference)
    missing = [] if partial else sorted(reference - found)
    out = [f"- {title}: {len(extra)} pair(s) too many, {len(missing)} missing"]
    out += [f"  - too many: `{' ⇔ '.join(p)}`" for p in extra[:EXAMPLES]]
    out += [f"  - missing: `{' ⇔ '.join(p)}`" for p in missing[:EXAMPLES]]
    return out


def _first_line(argv):
    try:
        done = subprocess.run(argv, capture_output=True, text=True, timeout=10, errors="replace")
    except (OSError, subprocess.TimeoutExpired):
        return "?"
    text = re.sub(r"\x1b\[[0-9;]*m", "", done.stdout + done.stderr).strip()
    return text.splitlines()[0] if text else "?"


def _version(argv):
    m = re.search(r"\d+(\.\d+)+", _first_line(argv))
    return m.group(0) if m else "?"


def machine(args):
    cpu = "?"
    try:
        with open("/proc/cpuinfo") as f:
            cpu = next(line.split(":", 1)[1].strip() for line in f if line.startswith("model name"))
    except (OSError, StopIteration):
        pass
    mem = "?"
    try:
        with open("/proc/meminfo") as f:
            kib = int(next(line.split()[1] for line in f if line.startswith("MemTotal")))
        mem = f"{kib / 2**20:.1f} GiB"
    except (OSError, StopIteration, ValueError):
        pass
    free = shutil.disk_usage(args.data).free / 2**30 if os.path.isdir(args.data) else 0
    try:
        with open("/etc/debian_version") as f:
            debian = "Debian " + f.read().strip()
    except OSError:
        debian = "?"
    repo = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    rev = _first_line(["git", "-C", repo, "describe", "--always", "--dirty"])
    versions = [f"{name} {_version(argv)}" for name, argv in (
        ("jdupes", ["jdupes", "-v"]), ("fdupes", ["fdupes", "-v"]),
        ("rdfind", ["rdfind", "-v"]), ("rmlint", ["rmlint", "--version"]),
        ("bsdtar", ["bsdtar", "--version"]))]
    return [f"- Machine: {os.cpu_count()} CPUs (`nproc` {len(os.sched_getaffinity(0))}), "
            f"{cpu}, {mem} RAM, {free:.0f} GiB free where the trees are, "
            f"{debian}, Linux {os.uname().release}",
            f"- NEBU: `{os.path.relpath(args.nebu, repo)}` at {rev}",
            "- Peers: " + "; ".join(versions)]
