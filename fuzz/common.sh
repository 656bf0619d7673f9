# Shared by build_and_run.sh and long_run.sh (sourced, POSIX sh): checks the
# tools, configures and builds the clang fuzz build, and knows each target's
# seeds and input size.
#
#   ZIRPEL_FUZZ_OUT=dir                   build and work folder (default build-fuzz)
#   ZIRPEL_FUZZ_TARGETS="a b"             only these targets (default: every fuzz/*.cpp)
#   CLANG=clang-16 CLANGXX=clang++-16     compilers to use

ROOT=$(cd "$(dirname "$0")/.." && pwd)
OUT=${ZIRPEL_FUZZ_OUT:-$ROOT/build-fuzz}
CC_FUZZ=${CLANG:-clang}
CXX_FUZZ=${CLANGXX:-clang++}

# ZIRPEL_FUZZ_TARGETS="fuzz_toc fuzz_wave_reader" picks some; default all.
TARGETS=""
for src in "$ROOT"/fuzz/*.cpp; do
    name=$(basename "$src" .cpp)
    case " ${ZIRPEL_FUZZ_TARGETS:-$name} " in *" $name "*) TARGETS="$TARGETS $name" ;; esac
done
COUNT=$(echo $TARGETS | wc -w)

# The seed folder of a target (fuzz/seeds/<kind>).
fuzz_seeds() {
    case $1 in
        fuzz_mp3_*) echo "$ROOT/fuzz/seeds/mp3" ;;
        fuzz_wave_*) echo "$ROOT/fuzz/seeds/wav" ;;
        fuzz_toc*) echo "$ROOT/fuzz/seeds/toc" ;;
        fuzz_command_line*) echo "$ROOT/fuzz/seeds/cli" ;;
        *) echo "$ROOT/fuzz/seeds/$1" ;;
    esac
}

# The longest input worth trying: a TOC reply area is 2048 bytes, a command
# line of a few hundred bytes already combines every option.
fuzz_max_len() {
    case $1 in
        fuzz_toc*) echo 2100 ;;
        fuzz_command_line*) echo 1024 ;;
        *) echo 8192 ;;
    esac
}

# Returns 1 (after saying why) when the tools are missing.
fuzz_tools_present() {
    for tool in "$CC_FUZZ" "$CXX_FUZZ" cmake; do
        if ! command -v "$tool" >/dev/null 2>&1; then
            echo "fuzz: $tool not found, fuzzing skipped"
            return 1
        fi
    done
    mkdir -p "$OUT"
    # libFuzzer and the sanitizer runtimes come in a package of their own
    # (libclang-rt-<version>-dev on Debian); without them nothing can be built.
    printf 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }\n' \
        >"$OUT/probe.cpp"
    if ! "$CXX_FUZZ" -fsanitize=fuzzer,address,undefined "$OUT/probe.cpp" -o "$OUT/probe" >/dev/null 2>&1; then
        echo "fuzz: $CXX_FUZZ cannot build libFuzzer targets (libclang-rt missing?), fuzzing skipped"
        return 1
    fi
    return 0
}

fuzz_build() {
    # A build folder set up earlier with another compiler is set up afresh:
    # CMake keeps the compiler of its first run.
    CXX_PATH=$(command -v "$CXX_FUZZ")
    if [ -f "$OUT/CMakeCache.txt" ] &&
        ! grep -q "^CMAKE_CXX_COMPILER:[A-Z]*=$CXX_PATH\$" "$OUT/CMakeCache.txt"; then
        rm -rf "$OUT/CMakeCache.txt" "$OUT/CMakeFiles"
    fi
    GENERATOR=""
    if command -v ninja >/dev/null 2>&1; then GENERATOR="-G Ninja"; fi
    echo "fuzz: configuring $OUT with $CXX_FUZZ"
    # shellcheck disable=SC2086
    CC="$CC_FUZZ" CXX="$CXX_FUZZ" cmake -S "$ROOT" -B "$OUT" $GENERATOR \
        -DCMAKE_C_COMPILER="$CC_FUZZ" -DCMAKE_CXX_COMPILER="$CXX_FUZZ" \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZIRPEL_BUILD_FUZZ=ON \
        -DZIRPEL_BUILD_TESTS=OFF -DZIRPEL_BUILD_BENCH=OFF -DZIRPEL_BUILD_GUI=OFF >/dev/null
    echo "fuzz: building$TARGETS"
    # shellcheck disable=SC2086
    cmake --build "$OUT" -j"$(nproc 2>/dev/null || echo 2)" --target $TARGETS
}

# The pieces twin starts from real MP3 streams, made here by lame where it is
# installed (nothing binary is kept in the tree): short tones at low and high
# rates, mono and stereo, without the Xing/LAME frame so that the repeated
# input stays one chain of frames. They go into its work corpus.
fuzz_make_mp3_streams() {
    PIECES_CORPUS="$OUT/corpus/fuzz_mp3_pieces_diff"
    mkdir -p "$PIECES_CORPUS"
    if command -v lame >/dev/null 2>&1 && command -v awk >/dev/null 2>&1; then
        LC_ALL=C awk 'BEGIN { for (i = 0; i < 16000; i++) { v = int(12000 * sin(i * 0.07) + 4000 * sin(i * 0.31));
                     if (v < 0) v += 65536; printf "%c%c", v % 256, int(v / 256) } }' \
            >"$OUT/tone.raw" 2>/dev/null || true
        for args in "-s 8 -m m -b 8" "-s 16 -m j -b 24" "-s 22.05 -m s -b 32" "-s 32 -m m -b 48" \
            "-s 44.1 -m j -b 128" "-s 48 -m s -b 64 -p"; do
            name=$(echo "$args" | tr -c 'a-z0-9' '_')
            # shellcheck disable=SC2086
            lame --quiet -r --bitwidth 16 --signed --little-endian -t $args "$OUT/tone.raw" \
                "$PIECES_CORPUS/$name.mp3" 2>/dev/null || true
            # Whole frames only (a cut one would break the repeated chain), and
            # no longer than the inputs the run allows.
            if [ -f "$PIECES_CORPUS/$name.mp3" ] && [ "$(wc -c <"$PIECES_CORPUS/$name.mp3")" -gt 8192 ]; then
                rm -f "$PIECES_CORPUS/$name.mp3"
            fi
        done
    fi
}
