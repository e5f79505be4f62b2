#!/bin/sh
# Times the I/O benchmarks beside djpeg/cjpeg and ImageMagick's convert on the
# same 4000x3000 files. Usage: compare.sh <imaging_io_bench binary> [runs]
set -eu
bench=${1:?usage: $0 <imaging_io_bench> [runs]}
runs=${2:-3}
dir=$(mktemp -d "${TMPDIR:-/tmp}/iobench.XXXXXX")
trap 'rm -rf "$dir"' EXIT INT TERM

TESSARO_BENCH_DIR=$dir "$bench" --benchmark_min_time=1 2>/dev/null | grep -E '^BM_'
jpg=$dir/tessaro_bench_4000x3000.jpg
png=$dir/tessaro_bench_4000x3000.png

# Best of $runs wall-clock milliseconds of a command.
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
report() { echo "$(echo "$*" | sed "s|$dir/||g"): $(best_ms "$@") ms"; }

djpeg -bmp -outfile "$dir/d.bmp" "$jpg"
djpeg -outfile "$dir/big.ppm" "$jpg"
if command -v djpeg >/dev/null; then
    report djpeg -bmp -outfile "$dir/d.bmp" "$jpg"
    report cjpeg -quality 90 -outfile "$dir/c.jpg" "$dir/big.ppm"
fi
report convert "$jpg" null:
report convert "$dir/big.ppm" -quality 90 "$dir/m.jpg"
report convert "$png" null:
report convert "$dir/big.ppm" "$dir/m.png"
