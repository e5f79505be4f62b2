#!/bin/sh
# Start-up under Xvfb: the program from its start to its painted main window
# (the first window titled Tessaro; the drawing of later windows ends its paint),
# beside xmessage measured the same way (bench/ui/start_bench.cpp), the two
# taking turns. Prints the medians and their ratio.
# Usage: start_bench.sh <release build folder with TESSARO_BENCH=ON> [rounds (default 10)] [quiet ms (default 300)]
set -eu
build=${1:?usage: $0 <build folder> [rounds] [quiet ms]}
rounds=${2:-10}
quiet=${3:-300}
tool=$build/bench/ui/start_bench
[ -x "$tool" ] || { echo "no $tool: build the start_bench target" >&2; exit 1; }
for p in Xvfb xmessage; do command -v $p >/dev/null || { echo "$p is not installed" >&2; exit 1; }; done
dir=$(mktemp -d "${TMPDIR:-/tmp}/tessaro_start_bench.XXXXXX")
xvfb=
cleanup() { [ -z "$xvfb" ] || kill "$xvfb" 2>/dev/null || true; rm -rf "$dir"; }
trap cleanup EXIT INT TERM
# A copy of the program folder: the program writes its settings beside itself.
cp -r "$build/app" "$dir/app"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$dir/display" 2>/dev/null &
xvfb=$!
i=0
while [ ! -s "$dir/display" ] && [ $i -lt 100 ]; do sleep 0.1; i=$((i + 1)); done
export DISPLAY=:$(cat "$dir/display")
export HOME="$dir" XDG_DATA_HOME="$dir/data" XDG_CONFIG_HOME="$dir/config"
# One start of each first, not counted: the settings are written, the caches warm.
"$tool" 1 "$quiet" Tessaro -- "$dir/app/tessaro" >/dev/null
"$tool" 1 "$quiet" -- xmessage -center "Tessaro start-up" >/dev/null 2>&1
r=0
while [ $r -lt "$rounds" ]; do
    "$tool" 1 "$quiet" Tessaro -- "$dir/app/tessaro" | sed 's/^/program /' >> "$dir/times"
    "$tool" 1 "$quiet" -- xmessage -center "Tessaro start-up" 2>/dev/null | sed 's/^/xmessage /' >> "$dir/times"
    r=$((r + 1))
done
median() { grep "^$1 $2 " "$dir/times" | awk '{print $3}' | sort -n | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }
pm=$(median program map); pp=$(median program painted); ps=$(median program settled)
xm=$(median xmessage map); xp=$(median xmessage painted); xs=$(median xmessage settled)
echo "$rounds rounds each, medians in ms (painted: the first window's last change before ${quiet} ms of stillness"
echo "or another window's map; settled: the last change before ${quiet} ms of stillness)"
echo "program: mapped $pm, painted $pp, settled $ps"
echo "xmessage: mapped $xm, painted $xp, settled $xs"
awk -v a="$pp" -v b="$xp" -v c="$pm" -v d="$xm" -v e="$ps" -v f="$xs" \
    'BEGIN { printf "ratio painted %.2f, mapped %.2f, settled %.2f\n", a / b, c / d, e / f }'
