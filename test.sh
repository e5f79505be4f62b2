#!/usr/bin/env bash
# Builds with AddressSanitizer and UndefinedBehaviorSanitizer and runs every test,
# then builds the fuzz targets with clang and runs each briefly.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
jobs=$(nproc)
status=0

cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTESSARO_SANITIZE=ON -DTESSARO_TESTS=ON \
  -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" -DCMAKE_C_FLAGS_DEBUG="-O1 -g" >/dev/null
# On a failed build, show each failed step's own output (the log's tail is often
# other steps' warnings), then build once more: a step the machine broke (memory,
# disk) passes the second time, a real error fails again.
show_failed() { grep -n -A 60 '^FAILED:' "$1" | head -n 400 || true; tail -n 20 "$1"; }
if ! cmake --build build/test -- -j"$jobs" > build/test-build.log 2>&1; then
  show_failed build/test-build.log
  echo "test.sh: the build failed; building once more" >&2
  cmake --build build/test -- -j"$jobs" > build/test-build2.log 2>&1 || { show_failed build/test-build2.log; exit 1; }
fi
(cd build/test && ctest --output-on-failure -j"$jobs" "$@") || status=1

# The threaded loading of the thumbnail grid under ThreadSanitizer (one test; its own
# build of the libraries it needs; TESSARO_NO_TSAN skips it). Address-space layout
# randomisation is turned off for it, which ThreadSanitizer needs on newer kernels.
if [ -z "${TESSARO_NO_TSAN:-}" ] && ! setarch "$(uname -m)" -R true 2>/dev/null; then
  echo "test.sh: this machine cannot turn off address-space randomisation; the ThreadSanitizer test is skipped" >&2
elif [ -z "${TESSARO_NO_TSAN:-}" ]; then
  cmake -S . -B build/tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTESSARO_TSAN=ON -DTESSARO_TESTS=ON \
    -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" -DCMAKE_C_FLAGS_DEBUG="-O1 -g" >/dev/null
  cmake --build build/tsan --target multiview_load_test -- -j"$jobs" > build/tsan-build.log 2>&1 || { show_failed build/tsan-build.log; exit 1; }
  TESSARO_SCREEN=headless TSAN_OPTIONS="halt_on_error=1" setarch "$(uname -m)" -R \
    build/tsan/tests/imaging/views/multiview_load_test || status=1
fi

# Fuzz smoke runs (TESSARO_FUZZ_SECONDS each, default 10).
if command -v clang++ >/dev/null 2>&1 && [ -z "${TESSARO_NO_FUZZ:-}" ]; then
  cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DTESSARO_FUZZ=ON -DTESSARO_TESTS=ON -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" -DCMAKE_C_FLAGS_DEBUG="-O1 -g" \
    -DTESSARO_FUZZ_SECONDS="${TESSARO_FUZZ_SECONDS:-10}" >/dev/null
  cmake --build build/fuzz --target tessaro_fuzzers -- -j"$jobs" > build/fuzz-build.log 2>&1 || { show_failed build/fuzz-build.log; exit 1; }
  if [ -n "$(cd build/fuzz && ctest -N -L fuzz | grep -E '^ +Test +#')" ]; then
    (cd build/fuzz && ctest --output-on-failure -j"$jobs" -L fuzz) || status=1
  fi
fi
exit $status
