"""Deterministic benchmark trees.

Each tree lives in DATA/<name>/ with a source side src/, a target side dst/,
expected.tsv (every source/target pair of equal contents the generator made,
one per line, paths relative to the tree folder) and stamp.json. The stamp is
written last, so a tree whose generation was interrupted has none and is built
again; a tree whose file count or byte count no longer matches its stamp (a
file was deleted or changed by hand) is rebuilt as well.

Random contents are never shorter than 16 bytes, so two files the generator
did not make equal are different with certainty, and expected.tsv is the whole
truth about a tree.
"""

import json
import os
import random
import shutil
import subprocess
import zipfile

GENERATOR_VERSION = 3
SEED = 20240607

# Folder names with blanks and Japanese text (all of it representable in
# CP932, as on the Windows machines the names come from).
FOLDER_WORDS = ["写真", "文書", "backup", "2024", "misc", "音楽 box", "old_copy", "データ"]
FILE_STEMS = ["img", "memo", "data", "コピー", "report", "記録", "song", "scan"]


class TreeWriter:
    """Writes the files of one tree and remembers which contents are equal."""

    def __init__(self, root):
        self.root = root
        self.made_dirs = set()
        # content id -> ([source rel paths], [target rel paths])
        self.groups = {}

    def _path(self, rel):
        path = os.path.join(self.root, rel)
        folder = os.path.dirname(path)
        if folder not in self.made_dirs:
            os.makedirs(folder, exist_ok=True)
            self.made_dirs.add(folder)
        return path

    def write(self, rel, data, content_id):
        with open(self._path(rel), "wb") as f:
            f.write(data)
        self._note(rel, content_id)

    def copy(self, from_rel, rel, content_id):
        shutil.copyfile(os.path.join(self.root, from_rel), self._path(rel))
        self._note(rel, content_id)

    def _note(self, rel, content_id):
        side = 0 if rel.startswith("src/") else 1
        self.groups.setdefault(content_id, ([], []))[side].append(rel)

    def expected_pairs(self):
        pairs = []
        for sources, targets in self.groups.values():
            pairs.extend((s, t) for s in sources for t in targets)
        return sorted(pairs)


def _folder_pool(rng, count, min_depth, max_depth):
    pool = []
    for i in range(count):
        depth = rng.randint(min_depth, max_depth)
        parts = [f"{rng.choice(FOLDER_WORDS)}{rng.randrange(6)}" for _ in range(depth - 1)]
        parts.append(f"{rng.choice(FOLDER_WORDS)}-{i:04d}")
        pool.append("/".join(parts))
    return pool


def _file_name(rng, index):
    return f"{rng.choice(FILE_STEMS)}{index:06d}.{rng.choice(['dat', 'bin', 'txt', 'jpg'])}"


def _mixed_size(rng):
    if rng.random() < 0.5:
        return rng.randint(16, 4095)
    # Log-uniform from 4 KiB to 128 KiB: many small, some larger.
    return int(4096 * 32 ** rng.random())


def build_mixed(w, rng, p):
    """Skewed sizes; target: copies, near copies (last byte differs), new files."""
    n = p["files_per_side"]
    src_dirs = _folder_pool(rng, max(1, n // 50), 1, 4)
    dst_dirs = _folder_pool(rng, max(1, n // 50), 1, 4)
    big = set(rng.sample(range(n), p["big_files"]))
    sources = []  # (rel, size, content id)
    for i in range(n):
        rel = f"src/{rng.choice(src_dirs)}/{_file_name(rng, i)}"
        if sources and rng.random() < p["source_internal_copies"]:
            from_rel, size, cid = rng.choice(sources)
            w.copy(from_rel, rel, cid)
        else:
            size = rng.randint(2 << 20, 8 << 20) if i in big else _mixed_size(rng)
            cid = ("m", i)
            w.write(rel, rng.randbytes(size), cid)
        sources.append((rel, size, cid))
    for i in range(n):
        rel = f"dst/{rng.choice(dst_dirs)}/{_file_name(rng, n + i)}"
        x = rng.random()
        if x < p["copies"]:
            from_rel, _, cid = rng.choice(sources)
            w.copy(from_rel, rel, cid)
        elif x < p["copies"] + p["near_copies"]:
            from_rel, size, _ = rng.choice(sources)
            with open(os.path.join(w.root, from_rel), "rb") as f:
                data = bytearray(f.read())
            data[-1] ^= 0x01
            w.write(rel, bytes(data), ("near", i))
        else:
            size = rng.randint(2 << 20, 8 << 20) if i in big else _mixed_size(rng)
            w.write(rel, rng.randbytes(size), ("t", i))


def build_one_size(w, rng, p):
    """Every file has the same size: the size alone separates nothing."""
    n, size = p["files_per_side"], p["size"]
    src_dirs = _folder_pool(rng, max(1, n // 100), 1, 3)
    dst_dirs = _folder_pool(rng, max(1, n // 100), 1, 3)
    sources = []
    for i in range(n):
        rel = f"src/{rng.choice(src_dirs)}/{_file_name(rng, i)}"
        w.write(rel, rng.randbytes(size), ("s", i))
        sources.append(rel)
    copied = set(rng.sample(range(n), int(n * p["copies"])))
    for i in range(n):
        rel = f"dst/{rng.choice(dst_dirs)}/{_file_name(rng, n + i)}"
        if i in copied:
            j = rng.randrange(n)
            w.copy(sources[j], rel, ("s", j))
        else:
            w.write(rel, rng.randbytes(size), ("t", i))


def build_big_identical(w, rng, p):
    """One large file, copied many times on both sides: every pair is a duplicate."""
    first = "src/original.bin"
    w.write(first, rng.randbytes(p["size"]), "big")
    for i in range(1, p["copies_per_side"]):
        w.copy(first, f"src/copy {i:03d}.bin", "big")
    for i in range(p["copies_per_side"]):
        w.copy(first, f"dst/複製/{i:03d}.bin", "big")


def _deep_dirs(side, fanout, depth):
    dirs = [side]
    for level in range(depth):
        dirs = [f"{d}/L{level}_{k}" for d in dirs for k in range(fanout)]
    return dirs


def build_many_small(w, rng, p):
    """Many tiny files in deep folders: the time goes into walking folders."""
    n = p["files_per_side"]
    src_dirs = _deep_dirs("src", p["fanout"], p["depth"])
    dst_dirs = _deep_dirs("dst", p["fanout"], p["depth"])
    sources = []
    for i in range(n):
        rel = f"{rng.choice(src_dirs)}/s{i:06d}.txt"
        w.write(rel, rng.randbytes(rng.randint(16, 1023)), ("s", i))
        sources.append(rel)
    for i in range(n):
        rel = f"{rng.choice(dst_dirs)}/t{i:06d}.txt"
        if rng.random() < p["copies"]:
            j = rng.randrange(n)
            w.copy(sources[j], rel, ("s", j))
        else:
            w.write(rel, rng.randbytes(rng.randint(16, 1023)), ("t", i))


def _entry_content(rng, compressible):
    if not compressible:
        return rng.randbytes(int(64 * 512 ** rng.random()))
    words = [rng.choice(FILE_STEMS + FOLDER_WORDS) for _ in range(rng.randint(20, 4000))]
    # The random head keeps every entry unique however the words fall.
    return rng.randbytes(16).hex().encode() + " ".join(words).encode()


def build_archives(w, rng, p):
    """ZIP archives on the source side, their extracted entries on the target side.

    A few extracted files differ from their entry in the last byte and a few
    target files come from nowhere; neither may be paired.
    """
    src_dirs = _folder_pool(rng, max(1, p["archives"] // 50), 1, 3)
    when = (2024, 1, 1, 12, 0, 0)
    pairs = []
    for a in range(p["archives"]):
        arc_rel = f"src/{rng.choice(src_dirs)}/archive{a:05d}.zip"
        with zipfile.ZipFile(w._path(arc_rel), "w") as z:
            for e in range(p["entries"]):
                name = f"{rng.choice(FILE_STEMS)}{e}.{'txt' if e < 2 else 'bin'}"
                while name in z.namelist():
                    name = "x" + name
                data = _entry_content(rng, compressible=e < 2)
                info = zipfile.ZipInfo(name, date_time=when)
                info.compress_type = zipfile.ZIP_DEFLATED if e % 2 == 0 else zipfile.ZIP_STORED
                z.writestr(info, data)
                out_rel = f"dst/archive{a:05d}/{name}"
                if rng.random() < p["near_copies"]:
                    data = data[:-1] + bytes([data[-1] ^ 0x01])
                else:
                    pairs.append((arc_rel, name, out_rel))
                w.write(out_rel, data, ("e", a, e))
    for i in range(p["stray_targets"]):
        w.write(f"dst/stray/{_file_name(rng, i)}", _entry_content(rng, False), ("stray", i))
    return sorted(pairs)


# One archive of many small entries, extracted once more on the target side:
# the archive is read a bounded number of times, however many entries it has.
BIG_ARCHIVE = "entries.zip"


def build_big_archive(w, rng, p):
    """A ZIP of many small entries on the source side, each extracted on the target side.

    Every entry has a size group of its own or shares it with few others, the
    case that costs most when an archive is read once per entry.
    """
    arc_rel = f"src/{BIG_ARCHIVE}"
    when = (2024, 1, 1, 12, 0, 0)
    pairs = []
    with zipfile.ZipFile(w._path(arc_rel), "w") as z:
        for e in range(p["entries"]):
            folder = f"{rng.choice(FOLDER_WORDS)}/{e // 1000:02d}"
            name = f"{folder}/{rng.choice(FILE_STEMS)}{e:05d}.{'txt' if e % 3 else 'bin'}"
            size = rng.randint(16, p["max_size"])
            if e % 3:
                data = (rng.randbytes(8).hex() + " " + " ".join(
                    rng.choice(FILE_STEMS) for _ in range(size // 6))).encode()[:size]
            else:
                data = rng.randbytes(size)
            info = zipfile.ZipInfo(name, date_time=when)
            info.compress_type = zipfile.ZIP_DEFLATED if e % 3 else zipfile.ZIP_STORED
            z.writestr(info, data)
            out_rel = f"dst/{name}"
            if rng.random() < p["near_copies"]:
                data = data[:-1] + bytes([data[-1] ^ 0x01])
            else:
                pairs.append((arc_rel, name, out_rel))
            w.write(out_rel, data, ("e", e))
    return sorted(pairs)


def _one_size_entries(rng, p):
    return [(f"{rng.choice(FOLDER_WORDS)}/{e // 1000:02d}/{rng.choice(FILE_STEMS)}{e:05d}.bin",
             rng.randbytes(p["size"])) for e in range(p["entries"])]


def _write_stored_zip(path, entries):
    when = (2024, 1, 1, 12, 0, 0)
    with zipfile.ZipFile(path, "w") as z:
        for name, data in entries:
            info = zipfile.ZipInfo(name, date_time=when)
            info.compress_type = zipfile.ZIP_STORED
            z.writestr(info, data)


def build_one_size_archive(w, rng, p):
    """A ZIP of many stored entries all of one size on one side, a plain copy
    of each on the other: one size group far beyond what NEBU holds in memory."""
    entries = _one_size_entries(rng, p)
    arc_side, plain_side = ("src", "dst") if p["archive_side"] == "src" else ("dst", "src")
    arc_rel = f"{arc_side}/{BIG_ARCHIVE}"
    _write_stored_zip(w._path(arc_rel), entries)
    pairs = []
    for name, data in entries:
        plain_rel = f"{plain_side}/{name}"
        w.write(plain_rel, data, ("e", name))
        pairs.append((arc_rel, name, plain_rel) if arc_side == "src" else (plain_rel, arc_rel, name))
    return sorted(pairs)


def build_whole_archives(w, rng, p):
    """The same entries, all of one size, in an archive on each side: compared
    as whole archives, they are one duplicate."""
    entries = _one_size_entries(rng, p)
    _write_stored_zip(w._path(f"src/{BIG_ARCHIVE}"), entries)
    if p["shuffled"]:
        rng.shuffle(entries)
    _write_stored_zip(w._path("dst/copy.zip"), entries)
    return [(f"src/{BIG_ARCHIVE}", "dst/copy.zip")]


def build_bsdtar_archive(w, rng, p):
    """The entries of source-archive, each as a plain file on the target side,
    and all of them in one archive on the source side that bsdtar (libarchive)
    writes: a gzip-compressed tar, or a solid 7z."""
    entries = _one_size_entries(rng, p)
    arc_rel = f"src/{p['archive']}"
    pairs = []
    for name, data in entries:
        w.write(f"dst/{name}", data, ("e", name))
        pairs.append((arc_rel, name, f"dst/{name}"))
    listing = w._path("names.lst")
    with open(listing, "w", encoding="utf-8") as f:
        f.writelines(name + "\n" for name, _ in entries)
    os.makedirs(os.path.dirname(w._path(arc_rel)), exist_ok=True)
    subprocess.run(["bsdtar", *p["bsdtar"], "-cf", w._path(arc_rel), "-C", w._path("dst"),
                    "-T", listing], check=True, env=dict(os.environ, LC_ALL="C.UTF-8"))
    os.remove(listing)
    return sorted(pairs)


# Trees NEBU reads inside archives, with the options that say on which side
# (--zip: whole archives on both sides).
ARCHIVE_TREES = {
    "archives": ["--src-zip"],
    "big-archive": ["--src-zip"],
    "source-archive": ["--src-zip"],
    "target-archive": ["--dst-zip"],
    "whole-archives": ["--zip"],
    "source-tar-gz": ["--src-archives"],
    "source-7z": ["--src-archives"],
}
# The archives `bsdtar -xOf` decompresses on each tree, one after the
# other, as a yardstick: every archive NEBU has to decompress there.
YARDSTICK = {
    "big-archive": [f"src/{BIG_ARCHIVE}"],
    "source-archive": [f"src/{BIG_ARCHIVE}"],
    "target-archive": [f"dst/{BIG_ARCHIVE}"],
    "whole-archives": [f"src/{BIG_ARCHIVE}", "dst/copy.zip"],
    "source-tar-gz": ["src/entries.tar.gz"],
    "source-7z": ["src/entries.7z"],
}

TREES = {
    "mixed": (build_mixed, {
        "files_per_side": 20000, "big_files": 8, "copies": 0.30, "near_copies": 0.10,
        "source_internal_copies": 0.01}),
    "one-size": (build_one_size, {"files_per_side": 20000, "size": 4096, "copies": 0.01}),
    "big-identical": (build_big_identical, {"size": 8 << 20, "copies_per_side": 100}),
    "many-small": (build_many_small, {
        "files_per_side": 100000, "fanout": 3, "depth": 8, "copies": 0.10}),
    "archives": (build_archives, {
        "archives": 2000, "entries": 5, "near_copies": 0.02, "stray_targets": 500}),
    "big-archive": (build_big_archive, {"entries": 50000, "max_size": 2048, "near_copies": 0.01}),
    "source-archive": (build_one_size_archive, {
        "entries": 50000, "size": 8192, "archive_side": "src"}),
    "target-archive": (build_one_size_archive, {
        "entries": 50000, "size": 8192, "archive_side": "dst"}),
    "whole-archives": (build_whole_archives, {"entries": 50000, "size": 8192, "shuffled": True}),
    "source-tar-gz": (build_bsdtar_archive, {
        "entries": 50000, "size": 8192, "archive": "entries.tar.gz", "bsdtar": ["-z"]}),
    # LZMA2 keeps incompressible chunks stored, as 7-Zip itself does.
    "source-7z": (build_bsdtar_archive, {
        "entries": 50000, "size": 8192, "archive": "entries.7z",
        "bsdtar": ["--format", "7zip", "--options", "7zip:compression=lzma2"]}),
}


def _count(folder):
    files = total = 0
    for side in ("src", "dst"):
        for dirpath, _, names in os.walk(os.path.join(folder, side)):
            for name in names:
                files += 1
                total += os.lstat(os.path.join(dirpath, name)).st_size
    return files, total


def _stamp_for(name):
    return {"generator": GENERATOR_VERSION, "seed": SEED, "tree": name,
            "params": TREES[name][1]}


def ensure_tree(data_dir, name, log=print):
    """Builds DATA/<name> unless a complete, unchanged copy is already there."""
    folder = os.path.join(data_dir, name)
    stamp_path = os.path.join(folder, "stamp.json")
    want = _stamp_for(name)
    try:
        with open(stamp_path, encoding="utf-8") as f:
            have = json.load(f)
        if {k: have.get(k) for k in want} == want:
            if _count(folder) == (have["files"], have["bytes"]):
                return folder
            log(f"{name}: files changed since generation, rebuilding")
    except (OSError, ValueError, KeyError):
        pass
    log(f"{name}: generating into {folder} ...")
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    build, params = TREES[name]
    writer = TreeWriter(folder)
    rng = random.Random(f"{SEED}/{name}")
    pairs = build(writer, rng, params) or writer.expected_pairs()
    with open(os.path.join(folder, "expected.tsv"), "w", encoding="utf-8") as f:
        for pair in pairs:
            f.write("\t".join(pair) + "\n")
    files, total = _count(folder)
    with open(stamp_path, "w", encoding="utf-8") as f:
        json.dump(dict(want, files=files, bytes=total), f, ensure_ascii=False, indent=1)
    # Written-back pages must not compete with the first timed runs.
    os.sync()
    log(f"{name}: {files} files, {total / 2**20:.0f} MiB, {len(pairs)} expected pairs")
    return folder


def load_expected(folder):
    with open(os.path.join(folder, "expected.tsv"), encoding="utf-8") as f:
        return {tuple(line.rstrip("\n").split("\t")) for line in f if line.strip()}
