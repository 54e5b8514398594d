#!/bin/sh
# Builds two small sample trees for `make run`: a few dozen files, some of
# them duplicates, a hidden file, a ZIP and an LZH archive on each side.
set -eu
out=${1:?usage: make-sample-trees.sh OUTDIR}
rm -rf "$out"
mkdir -p "$out"
# Absolute, since the archives are made from inside the trees.
out=$(cd "$out" && pwd)
src="$out/source"
dst="$out/target"
mkdir -p "$src/写真/2024" "$src/文書" "$src/.隠し" "$dst/コピー/古い" "$dst/misc" "$out/tmp"

i=1
while [ $i -le 12 ]; do
    printf 'sample file %d\n' $i > "$src/文書/メモ$i.txt"
    head -c $((i * 700)) /dev/zero | tr '\0' "$(printf '\\%03o' $((65 + i)))" > "$src/写真/2024/img$i.dat"
    i=$((i + 1))
done
printf 'hidden source\n' > "$src/.隠し/秘密.txt"
printf 'dot file\n' > "$src/.profile"

# Target: copies under other names, near misses, and files of its own.
cp "$src/文書/メモ1.txt" "$dst/コピー/memo-copy.txt"
cp "$src/文書/メモ2.txt" "$dst/コピー/古い/メモ2.txt"
cp "$src/写真/2024/img3.dat" "$dst/コピー/写真3.dat"
cp "$src/写真/2024/img7.dat" "$dst/misc/img7.dat"
cp "$src/写真/2024/img7.dat" "$dst/misc/img7 (2).dat"
printf 'sample file 9\r\n' > "$dst/misc/near-miss.txt"
printf 'hidden source\n' > "$dst/.hidden-copy.txt"
i=1
while [ $i -le 8 ]; do
    printf 'target only %d\n' $i > "$dst/misc/only$i.txt"
    i=$((i + 1))
done

# Archives: entries equal to plain files on the other side.
(cd "$src/文書" && zip -q -X "$out/tmp/docs.zip" メモ4.txt メモ5.txt)
cp "$out/tmp/docs.zip" "$src/docs.zip"
cp "$out/tmp/docs.zip" "$dst/バックアップ.zip"
cp "$src/文書/メモ4.txt" "$dst/misc/memo4-copy.txt"
cp "$src/文書/メモ6.txt" "$out/tmp/memo6.txt"
cp "$src/写真/2024/img8.dat" "$out/tmp/"
if command -v jlha >/dev/null 2>&1; then
    (cd "$out/tmp" && jlha aqo5 "$out/tmp/pack.lzh" memo6.txt img8.dat >/dev/null 2>&1) || true
    [ -f "$out/tmp/pack.lzh" ] && cp "$out/tmp/pack.lzh" "$dst/pack.lzh"
fi
(cd "$src/写真/2024" && zip -q -X "$dst/photos.zip" img9.dat img10.dat)
rm -rf "$out/tmp"
echo "sample trees in $out"
