#!/bin/sh
# Times our conversions and scaled rendering of a 4000x3000 picture beside
# ImageMagick's convert doing the same work on the same pixels.
# Usage: compare_convert.sh <path of imaging_bitmaps_bench>
set -eu
bench=${1:?path of imaging_bitmaps_bench}
work=$(mktemp -d "${TMPDIR:-/tmp}/imgbench.XXXXXX")
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
im_grey=$(( $(best convert "$work/pic.mpc" -grayscale Rec709Luma null:) - base ))
im_pal=$(( $(best convert "$work/pic.mpc" +dither -colors 256 null:) - base ))
im_sample=$(( $(best convert "$work/pic.mpc" -sample '742x520!' null:) - base ))
im_resize=$(( $(best convert "$work/pic.mpc" -filter Triangle -resize '742x520!' null:) - base ))

"$bench" --benchmark_format=csv 2>/dev/null > "$work/ours.csv"
ours() { grep "^\"$1" "$work/ours.csv" | head -1 | cut -d, -f3 | cut -d. -f1; }
o_grey=$(ours BM_RGB24ToGray8)
o_pal=$(ours BM_RGB24ToPalette)
o_near=$(ours "BM_RenderScaled/0")
o_tri=$(ours "BM_RenderScaled/1")

printf '%-36s %10s %10s %8s\n' "work (4000x3000)" "ours ms" "convert ms" "ratio"
row() { printf '%-36s %10s %10s %8s\n' "$1" "$2" "$3" "$(awk "BEGIN{ if ($3>0) printf \"%.2f\", $2/$3; else print \"-\" }")"; }
row "RGB24 -> 8-bit grey" "$o_grey" "$im_grey"
row "RGB24 -> 256-colour palette" "$o_pal" "$im_pal"
row "render into 742x520 (nearest)" "$o_near" "$im_sample"
row "render into 742x520 (triangle)" "$o_tri" "$im_resize"
echo "(convert: best of 3 wall times minus loading the picture, $base ms; ratio = ours / convert)"
