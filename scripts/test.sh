#!/usr/bin/env bash
# Sets up what is missing, builds everything and runs the whole test suite
# headless: once in a normal build, once under AddressSanitizer and
# UndefinedBehaviorSanitizer, with a short fuzzing run in between.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-deps.sh

export QT_QPA_PLATFORM=offscreen
export SDL_AUDIODRIVER=dummy
jobs=$(nproc)

echo "== Build and test (RelWithDebInfo)"
cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
cmake --build build/test -j"$jobs"
ctest --test-dir build/test --output-on-failure

if [ -x fuzz/build_and_run.sh ] || [ -f fuzz/build_and_run.sh ]; then
  echo "== Fuzzing (bounded)"
  bash fuzz/build_and_run.sh
fi

echo "== Build and test under ASan + UBSan"
cmake -S . -B build/sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZIRPEL_SANITIZE=ON \
      -DZIRPEL_BUILD_BENCH=OFF > /dev/null
cmake --build build/sanitize -j"$jobs"
ASAN_OPTIONS="detect_leaks=1:abort_on_error=1" \
LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0" \
UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
  ctest --test-dir build/sanitize --output-on-failure

