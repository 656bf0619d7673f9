#!/bin/sh
# Builds the MP3 data start fuzzer with clang's libFuzzer and runs it for a
# bounded time on the seed corpus. Skips (exit 0) when clang or libFuzzer is
# not available.
#
#   fuzz/build_and_run.sh [seconds]       default 60; or ZIRPEL_FUZZ_SECONDS
#   ZIRPEL_FUZZ_OUT=dir                   build and work folder (default build-fuzz)
#   CLANGXX=clang++-16                    compiler to use
set -eu

ROOT=$(cd "$(dirname "$0")/.." && pwd)
OUT=${ZIRPEL_FUZZ_OUT:-$ROOT/build-fuzz}
SECS=${1:-${ZIRPEL_FUZZ_SECONDS:-60}}
CXX=${CLANGXX:-clang++}

if ! command -v "$CXX" >/dev/null 2>&1; then
    echo "fuzz: $CXX not found, fuzzing skipped"
    exit 0
fi
mkdir -p "$OUT"
printf 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }\n' \
    >"$OUT/probe.cpp"
if ! "$CXX" -fsanitize=fuzzer "$OUT/probe.cpp" -o "$OUT/probe" >/dev/null 2>&1; then
    echo "fuzz: $CXX cannot build libFuzzer targets, fuzzing skipped"
    exit 0
fi
if ! pkg-config --exists libmpg123; then
    echo "fuzz: libmpg123 development files not found, fuzzing skipped"
    exit 0
fi

echo "fuzz: building $OUT/fuzz_mp3_start"
# shellcheck disable=SC2046
"$CXX" -std=c++20 -O1 -g -fno-omit-frame-pointer \
    -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
    -I"$ROOT/src" $(pkg-config --cflags libmpg123) \
    "$ROOT/fuzz/fuzz_mp3_start.cpp" "$ROOT"/src/codec/*.cpp \
    $(pkg-config --libs libmpg123) -o "$OUT/fuzz_mp3_start"

# New inputs go to the work corpus; the seeds in the tree stay as they are.
mkdir -p "$OUT/corpus"
echo "fuzz: running for $SECS s"
"$OUT/fuzz_mp3_start" -max_total_time="$SECS" -max_len=8192 -timeout=10 \
    -print_final_stats=1 "$OUT/corpus" "$ROOT/fuzz/seeds"
