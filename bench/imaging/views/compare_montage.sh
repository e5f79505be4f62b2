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
# 1000 photographs of 640x480 to 1594x1200 (noise, so that decoding costs what it does):
# ten of them made, 640 + 106 i by 480 + 80 i, each copied a hundred times.
i=0
while [ $i -lt 10 ]; do
    convert -size $((640 + i * 106))x$((480 + i * 80)) plasma: -quality 85 "$work/seed$i.jpg"
    i=$((i + 1))
done
i=0
while [ $i -lt 1000 ]; do
    cp "$work/seed$((i % 10)).jpg" "$work/pics/$i.jpg"
    i=$((i + 1))
done
# The CPU time (user and system, ms) of the children this shell has waited for so far, into
# children: the second line of the times builtin, which must run in this shell, not a subshell.
children_cpu() {
    times >"$work/times"
    children=$(awk 'NR == 2 { for (i = 1; i <= 2; i++) { split($i, a, "m"); sub("s", "", a[2]); n += a[1] * 60 + a[2] }
                              printf "%d", n * 1000 }' "$work/times")
}
# Best wall time in ms of three runs of a command, into wall, with that run's CPU time in cpu.
best() {
    wall=""
    for _ in 1 2 3; do
        children_cpu; c0=$children
        s=$(date +%s%N); "$@" >/dev/null 2>&1; e=$(date +%s%N)
        children_cpu; c1=$children
        t=$(( (e - s) / 1000000 ))
        if [ -z "$wall" ] || [ "$t" -lt "$wall" ]; then wall=$t; cpu=$((c1 - c0)); fi
    done
}
sheets() {
    for d in x 1 2 3 4 5 6 7 8 9; do
        montage -define jpeg:size=300x300 -geometry 150x150+4+4 "$work"/pics/${d}??.jpg "$work/sheet$d.png" || return 1
    done
}
# Files 0 to 99 become x00 to x99, so that each sheet takes 100 by its first character.
j=0
while [ $j -lt 100 ]; do mv "$work/pics/$j.jpg" "$work/pics/x$(printf %02d $j).jpg"; j=$((j + 1)); done
best sheets
# Ours: the fastest of its three fills, wall and process CPU time (every thread).
ours=$("$bench" --dir="$work/pics" --benchmark_format=csv 2>/dev/null | grep '^"FillUntilStored/' |
    grep -Ev '_(mean|median|stddev|cv)",' | cut -d, -f3,4 |
    sort -t, -k1 -n | head -1)
ratio() { awk "BEGIN{ if ($2>0) printf \"%.2f\", $1/$2; else print \"-\" }"; }
ow=${ours%%.*}; oc=${ours#*,}; oc=${oc%%.*}
printf 'thumbnail grid of 1000 JPEG files, 150x150 cells:\n'
printf '  wall: ours %s ms, montage %s ms, ratio %s\n' "$ow" "$wall" "$(ratio "$ow" "$wall")"
printf '  CPU:  ours %s ms, montage %s ms, ratio %s\n' "$oc" "$cpu" "$(ratio "$oc" "$cpu")"
