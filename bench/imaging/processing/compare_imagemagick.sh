#!/bin/sh
# Times the processing benchmarks beside ImageMagick's convert doing the same
# work on the same pictures: Lanczos and bilinear (triangle) resizing of a
# 4000x3000 picture to 800x600 and of a 720x576 frame to 150x114, and
# quantizing the 4000x3000 picture to 256 colours.
# Usage: compare_imagemagick.sh <processing_bench binary> [runs]
set -eu
bench=${1:?usage: $0 <processing_bench> [runs]}
runs=${2:-5}
dir=$(mktemp -d "${TMPDIR:-/tmp}/procbench.XXXXXX")
trap 'rm -rf "$dir"' EXIT INT TERM

TESSARO_BENCH_PPM_DIR=$dir "$bench" --benchmark_min_time=0.5 2>/dev/null | grep -E '^(Resample|Quantize)'

# Best of $runs wall-clock milliseconds of a command. convert writes to null:
# and its start-up and file read are timed alone, to be subtracted.
best_ms() {
    best=
    i=0
    while [ $i -lt "$runs" ]; do
        s=$(date +%s%N)
        "$@" >/dev/null 2>&1
        e=$(date +%s%N)
        t=$(( (e - s) / 1000000 ))
        if [ -z "$best" ] || [ "$t" -lt "$best" ]; then best=$t; fi
        i=$((i + 1))
    done
    echo "$best"
}

io_big=$(best_ms convert "$dir/big.ppm" null:)
io_frame=$(best_ms convert "$dir/frame.ppm" null:)
echo "convert start-up and read only: big ${io_big} ms, frame ${io_frame} ms"
report() {
    io=$1
    shift
    t=$(best_ms "$@")
    echo "$(echo "$*" | sed "s|$dir/||g"): $t ms total, $((t - io)) ms beyond start-up and read"
}
report "$io_big" convert "$dir/big.ppm" -filter Lanczos -resize '800x600!' null:
report "$io_big" convert "$dir/big.ppm" -filter Triangle -resize '800x600!' null:
report "$io_frame" convert "$dir/frame.ppm" -filter Lanczos -resize '150x114!' null:
report "$io_frame" convert "$dir/frame.ppm" -filter Triangle -resize '150x114!' null:
report "$io_big" convert "$dir/big.ppm" -colors 256 null:
echo "threads: $(nproc) (convert uses OpenMP: $(convert -version | grep -o 'OpenMP[^ ]*' || echo no))"
