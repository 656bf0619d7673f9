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
