#!/bin/sh
# Times the format benchmarks beside ImageMagick's convert, OpenJPEG's tools and
# LibRaw's dcraw_emu on the same files. Usage: compare_formats.sh <imaging_io_formats_bench> [runs]
set -eu
bench=${1:?usage: $0 <imaging_io_formats_bench> [runs]}
runs=${2:-3}
here=$(cd "$(dirname "$0")" && pwd)
dir=$(mktemp -d "${TMPDIR:-/tmp}/iobench.XXXXXX")
trap 'rm -rf "$dir"' EXIT INT TERM

dng=$dir/bench.dng
/usr/bin/python3 "$here/../../../tests/imaging/io/make_dng.py" cfa "$dng" 4000 3000 >/dev/null 2>&1 || dng=
TESSARO_BENCH_DIR=$dir TESSARO_BENCH_DNG=$dng "$bench" --benchmark_min_time=1 2>/dev/null | grep -E '^BM_'
big=$dir/tessaro_bench_4000x3000
small=$dir/tessaro_bench_2000x1500

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

for ext in tga pcx ppm; do
    report convert "$big.$ext" null:
    report convert "$big.ppm" "$dir/m.$ext"
done
report convert "$small.j2k" null:
report opj_decompress -i "$small.j2k" -o "$dir/o.ppm"
convert "$small.j2k" "$dir/small.ppm"
report convert "$dir/small.ppm" "$dir/m.j2k"
report opj_compress -i "$dir/small.ppm" -o "$dir/o.j2k"
# ImageMagick's usual security policy refuses PS and PDF output: the writers are timed alone
# unless it allows them.
if convert "$small.ppm" "$dir/probe.pdf" >/dev/null 2>&1 || convert "$dir/small.ppm" "$dir/probe.pdf" >/dev/null 2>&1; then
    report convert "$big.ppm" "$dir/m.ps"
    report convert "$big.ppm" "$dir/m.pdf"
fi
if [ -n "$dng" ] && command -v dcraw_emu >/dev/null; then report dcraw_emu -T -o 1 "$dng"; fi
