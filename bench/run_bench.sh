#!/bin/sh
# The production run from the Burn action, headless, beside a bare script of the
# same tool command lines on the same clips, in one go. Prints each step's time
# (ms), the program's total without the designed waits of the menu-picture and
# structure-file steps (eight pauses of 500 ms each), the bare total and their
# ratio. The program and the bare script take turns, $ROUNDS times each (default 2),
# so that a change in the machine's load falls on both; the figures are sums.
# Usage: run_bench.sh <release build folder with TESSARO_BENCH=ON> [seconds of each clip...]
set -eu
build=${1:?usage: $0 <build folder> [clip seconds...]}
shift
[ $# -gt 0 ] || set -- 3 4 5
bench=$build/bench/ui/production_bench
[ -x "$bench" ] || { echo "no $bench: build the production_bench target" >&2; exit 1; }
for tool in ffmpeg jpeg2yuv mpeg2enc mplex spumux dvdauthor genisoimage; do
    command -v $tool >/dev/null || { echo "$tool is not installed" >&2; exit 1; }
done
dir=$(mktemp -d "${TMPDIR:-/tmp}/tessaro_run_bench.XXXXXX")
trap 'rm -rf "$dir"' EXIT INT TERM
mkdir "$dir/clips"
n=0
for s in "$@"; do
    ffmpeg -nostdin -loglevel error -y -f lavfi -i testsrc=size=320x240:rate=25:duration=$s \
        -f lavfi -i sine=frequency=440:duration=$s -c:v mpeg4 -c:a aac -shortest "$dir/clips/clip$n.mp4"
    n=$((n + 1))
done

rounds=${ROUNDS:-2}
r=0
while [ $r -lt "$rounds" ]; do
    TESSARO_SCREEN=headless TESSARO_BENCH_CLIPS="$dir/clips" TESSARO_BENCH_OUT="$dir" \
        "$bench" --gtest_brief=1 > "$dir/program.txt" 2>&1 || { cat "$dir/program.txt"; exit 1; }
    sh "$dir/bare.sh" > "$dir/bare.txt" || { cat "$dir/bare.txt" "$dir/bare/tools.log"; exit 1; }
    grep -E '^program ' "$dir/program.txt" >> "$dir/times.txt"
    cat "$dir/bare.txt" >> "$dir/times.txt"
    r=$((r + 1))
done

awk -v waits=$((8000 * rounds)) -v rounds=$rounds '
    $1 == "program" && $2 == "cpu" { cpu += $3; next }
    $1 == "program" && $2 == "total" { pt += $3; next }
    $1 == "program" { if (!($2 in p)) order[++n] = $2; p[$2] += $3 }
    $1 == "bare" { b[$2] += $3; bt += $3 }
    END {
        printf "%d rounds, sums in ms\n%-16s %10s %10s\n", rounds, "step", "program", "bare"
        for (i = 1; i <= n; ++i) printf "%-16s %10d %10d\n", order[i], p[order[i]], b[order[i]]
        own = pt - waits
        printf "program total %d ms, designed waits %d ms, without them %d ms\n", pt, waits, own
        printf "processor time of the program itself %d ms\n", cpu
        printf "bare total %d ms\nratio %.3f\n", bt, own / bt
    }' "$dir/times.txt"
