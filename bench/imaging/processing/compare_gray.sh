#!/bin/sh
# Times the processing component's ConvertToGray of a 4000x3000 picture beside
# ImageMagick's convert -grayscale Rec709Luma on the same pixels.
# Usage: compare_gray.sh <path of transitions_bench>
set -eu
bench=${1:?path of transitions_bench}
work=$(mktemp -d "${TMPDIR:-/tmp}/greybench.XXXXXX")
trap 'rm -rf "$work"' EXIT
"$bench" --write-ppm="$work/pic.ppm"
# MPC is ImageMagick's own memory-mapped form: loading it costs next to nothing.
convert "$work/pic.ppm" "$work/pic.mpc"
best() {  # best wall time in ms of three runs of a command
    b=""
    for i in 1 2 3; do
        s=$(date +%s%N); "$@" >/dev/null 2>&1; e=$(date +%s%N)
        t=$(( (e - s) / 1000000 ))
        if [ -z "$b" ] || [ "$t" -lt "$b" ]; then b=$t; fi
    done
    echo "$b"
}
base=$(best convert "$work/pic.mpc" null:)
im=$(( $(best convert "$work/pic.mpc" -grayscale Rec709Luma null:) - base ))
ours=$("$bench" --benchmark_filter=ConvertToGray --benchmark_format=csv 2>/dev/null | grep '^"ConvertToGray' | head -1 | cut -d, -f3 | cut -d. -f1)
printf 'ConvertToGray 4000x3000: ours %s ms, convert %s ms, ratio %s\n' "$ours" "$im" \
    "$(awk "BEGIN{ if ($im>0) printf \"%.2f\", $ours/$im; else print \"-\" }")"
