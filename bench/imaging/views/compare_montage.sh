#!/bin/sh
# Fills a thumbnail grid of 150x150 cells from 1000 JPEG files until every thumbnail
# is stored, beside ImageMagick's montage making a contact sheet of the same files
# at the same cell size: both times (best of three) and their ratio. montage gets the
# files in ten sheets of 100: the stock ImageMagick policy (256 MiB of memory, 1 GiB of
# disk for pixels) runs out of room for 1000 pictures held at once.
# Usage: compare_montage.sh <path of multiview_bench>
set -eu
bench=${1:?path of multiview_bench}
work=$(mktemp -d "${TMPDIR:-/tmp}/montagebench.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir "$work/pics"
# 1000 photographs of 640x480 to 1600x1200 (noise, so that decoding costs what it does).
i=0
while [ $i -lt 1000 ]; do
    w=$((640 + (i * 37) % 961)); h=$((480 + (i * 53) % 721))
    [ $i -lt 10 ] && convert -size ${w}x${h} plasma: -quality 85 "$work/seed$i.jpg"
    cp "$work/seed$((i % 10)).jpg" "$work/pics/$i.jpg"
    i=$((i + 1))
done
best() {  # best wall time in ms of three runs of a command
    b=""
    for k in 1 2 3; do
        s=$(date +%s%N); "$@" >/dev/null 2>&1; e=$(date +%s%N)
        t=$(( (e - s) / 1000000 ))
        if [ -z "$b" ] || [ "$t" -lt "$b" ]; then b=$t; fi
    done
    echo "$b"
}
sheets() {
    for d in x 1 2 3 4 5 6 7 8 9; do
        montage -define jpeg:size=300x300 -geometry 150x150+4+4 "$work"/pics/${d}??.jpg "$work/sheet$d.png" || return 1
    done
}
# Files 0 to 99 become x00 to x99, so that each sheet takes 100 by its first character.
j=0
while [ $j -lt 100 ]; do mv "$work/pics/$j.jpg" "$work/pics/x$(printf %02d $j).jpg"; j=$((j + 1)); done
im=$(best sheets)
ours=$("$bench" --dir="$work/pics" --benchmark_format=csv 2>/dev/null | grep '^"FillUntilStored[^_]*",' | cut -d, -f3 | sort -n | head -1 | cut -d. -f1)
printf 'thumbnail grid of 1000 JPEG files, 150x150 cells: ours %s ms, montage %s ms, ratio %s\n' "$ours" "$im" \
    "$(awk "BEGIN{ if ($im>0) printf \"%.2f\", $ours/$im; else print \"-\" }")"
