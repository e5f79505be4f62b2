#!/usr/bin/env bash
# Builds the program (release with debug info), assembles build/app/ and starts it.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSARO_TESTS=OFF \
  -DTESSARO_APP_DIR="$PWD/build/app" >/dev/null
cmake --build build/release --target tessaro_app -- -j"$(nproc)" | grep -v '^\[' || true
cd build/app
exec ./tessaro "$@"
