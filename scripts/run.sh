#!/usr/bin/env bash
# Sets up what is missing, builds the editor and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DZIRPEL_BUILD_TESTS=OFF -DZIRPEL_BUILD_BENCH=OFF > /dev/null
cmake --build build/release --target zirpel-editor -j"$(nproc)"
exec build/release/zirpel-editor "$@"
