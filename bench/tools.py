"""How each program is called, and how its answer is read back as pairs.

Every reader returns a set of pairs relative to the tree folder:
("src/...", "dst/...") for plain files, or ("src/x.zip", "entry", "dst/...")
for an archive entry paired with a target file. A peer reports duplicate
sets; NEBU only pairs a source file with a target file, so each set counts as
the cross product of its source members and its target members.

None of the command lines below can delete, link or rewrite anything: the
peers run in their list-only modes, and rmlint writes only its JSON report
(never its shell script) into the run's own output folder.
"""

import json
import os
import re

import trees

SAME_LINE = re.compile(r"^｢(.*)｣と｢(.*)｣が同じです。$")
ENTRY_LABEL = re.compile(r"^『(.*)』の中の『(.*)』$")


class Tool:
    def __init__(self, name, archives=False):
        self.name = name
        self.archives = archives  # looks inside the source archives

    def runs_on(self, tree):
        return True

    def argv(self, src, dst, out, tree):
        raise NotImplementedError

    def read_pairs(self, folder, out):
        raise NotImplementedError


class Nebu(Tool):
    def __init__(self, exe):
        super().__init__("nebu", archives=True)
        self.exe = exe

    def argv(self, src, dst, out, tree):
        extra = trees.ARCHIVE_TREES.get(tree, [])
        return [self.exe, "-r", "--no-size-limit", *extra, "-s", src, "-t", dst]

    def read_pairs(self, folder, out):
        """Pairs of the log, plus the number of lines that repeat a pair."""
        pairs, repeats = set(), 0
        for line in _lines(out.stdout):
            m = SAME_LINE.match(line)
            if not m:
                continue
            pair = _part(folder, m.group(1)) + _part(folder, m.group(2))
            repeats += pair in pairs
            pairs.add(pair)
        return pairs, repeats


class Jdupes(Tool):
    def __init__(self, name="jdupes"):
        super().__init__(name)

    def argv(self, src, dst, out, tree):
        # -q: no progress; sets separated by blank lines on stdout.
        return [self.name, "-r", "-q", src, dst]

    def read_pairs(self, folder, out):
        sets, current = [], []
        for line in _lines(out.stdout):
            if line:
                current.append(line)
            elif current:
                sets.append(current)
                current = []
        if current:
            sets.append(current)
        return _cross(folder, sets), 0


class Fdupes(Jdupes):
    def __init__(self):
        super().__init__("fdupes")


class Rdfind(Tool):
    def __init__(self):
        super().__init__("rdfind")

    def argv(self, src, dst, out, tree):
        return ["rdfind", "-dryrun", "true", "-deleteduplicates", "false",
                "-makehardlinks", "false", "-makesymlinks", "false",
                "-outputname", out.report, src, dst]

    def read_pairs(self, folder, out):
        # Columns: duptype id depth size device inode priority name. A set
        # shares the absolute value of id (the first occurrence has +id).
        sets = {}
        for line in _lines(out.report):
            if not line or line.startswith("#"):
                continue
            fields = line.split(" ", 7)
            sets.setdefault(abs(int(fields[1])), []).append(fields[7])
        return _cross(folder, sets.values()), 0


class Rmlint(Tool):
    def __init__(self):
        super().__init__("rmlint")

    def argv(self, src, dst, out, tree):
        # -T df: duplicate files only (no other lint); -o replaces the default
        # outputs, so no rmlint.sh is written anywhere. Without FIEMAP: its
        # per-file extent lookups wait on the disk even when every byte is
        # cached, which made its wall time swing between 5 and 90 s here.
        return ["rmlint", "-T", "df", "--without-fiemap", "-o", f"json:{out.report}", src, dst]

    def read_pairs(self, folder, out):
        with open(out.report, encoding="utf-8", errors="surrogateescape") as f:
            records = json.load(f)
        sets = {}
        for r in records:
            if r.get("type") == "duplicate_file":
                sets.setdefault((r["size"], r["checksum"]), []).append(r["path"])
        return _cross(folder, sets.values()), 0


class Bsdtar(Tool):
    """Not a duplicate finder: the time it takes to decompress a tree's big
    archives (`bsdtar -xOf`, into nowhere, one after the other) is the
    yardstick for NEBU reading them."""

    def __init__(self):
        super().__init__("bsdtar", archives=True)

    def runs_on(self, tree):
        return tree in trees.YARDSTICK

    def argv(self, src, dst, out, tree):
        folder = os.path.dirname(src)
        archives = [os.path.join(folder, a) for a in trees.YARDSTICK[tree]]
        script = 'for a; do bsdtar -xOf "$a" || exit 1; done >/dev/null'
        return ["sh", "-c", script, "sh", *archives]

    def read_pairs(self, folder, out):
        return None, 0


def make_tools(nebu_exe):
    return {t.name: t for t in (Nebu(nebu_exe), Jdupes(), Fdupes(), Rdfind(), Rmlint(), Bsdtar())}


def _lines(path):
    with open(path, encoding="utf-8", errors="surrogateescape") as f:
        text = f.read()
    lines = text.split("\n")
    # A run killed by its timeout may end in half a line.
    if not text.endswith("\n"):
        lines.pop()
    return [line.rstrip("\r") for line in lines]


def _part(folder, text):
    """A file as (path,), an archive entry as (archive path, entry name)."""
    e = ENTRY_LABEL.match(text)
    return (_rel(folder, e.group(1)), e.group(2)) if e else (_rel(folder, text),)


def _rel(folder, path):
    return os.path.relpath(os.path.normpath(path), folder)


def _cross(folder, sets):
    pairs = set()
    for members in sets:
        rels = [_rel(folder, p) for p in members]
        sources = [r for r in rels if r.startswith("src/")]
        targets = [r for r in rels if r.startswith("dst/")]
        pairs.update((s, t) for s in sources for t in targets)
    return pairs
