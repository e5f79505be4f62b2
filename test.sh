#!/usr/bin/env bash
# Builds with AddressSanitizer and UndefinedBehaviorSanitizer and runs every test.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
jobs=$(nproc)
cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTESSARO_SANITIZE=ON -DTESSARO_TESTS=ON \
  -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" -DCMAKE_C_FLAGS_DEBUG="-O1 -g" >/dev/null
cmake --build build/test -- -j"$jobs" > build/test-build.log 2>&1 || { tail -n 80 build/test-build.log; exit 1; }
cd build/test
ctest --output-on-failure -j"$jobs" "$@"
