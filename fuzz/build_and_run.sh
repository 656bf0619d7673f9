#!/bin/sh
# Configures a separate clang build with -DZIRPEL_BUILD_FUZZ=ON, builds every
# libFuzzer target of fuzz/ and runs each on its seed corpus for its share
# of a bounded time. Skips (exit 0) when clang or libFuzzer is not available;
# fails when a target finds a crash.
#
#   fuzz/build_and_run.sh [seconds]       total time, default 60; or ZIRPEL_FUZZ_SECONDS
#   (ZIRPEL_FUZZ_OUT, CLANG, CLANGXX: see fuzz/common.sh)
set -eu

. "$(dirname "$0")/common.sh"
SECS=${1:-${ZIRPEL_FUZZ_SECONDS:-60}}
case $SECS in
    '' | *[!0-9]*)
        echo "fuzz: the time must be whole seconds, not '$SECS'" >&2
        exit 2
        ;;
esac
fuzz_tools_present || exit 0
fuzz_build

# The pieces twin starts from real MP3 streams, made here by lame where it is
# installed (nothing binary is kept in the tree): short tones at low and high
# rates, mono and stereo, without the Xing/LAME frame so that the repeated
# input stays one chain of frames.
PIECES_CORPUS="$OUT/corpus/fuzz_mp3_pieces_diff"
mkdir -p "$PIECES_CORPUS"
if command -v lame >/dev/null 2>&1 && command -v awk >/dev/null 2>&1; then
    awk 'BEGIN { for (i = 0; i < 16000; i++) { v = int(12000 * sin(i * 0.07) + 4000 * sin(i * 0.31));
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

# The time is shared out evenly, at least a second each.
EACH=$((SECS / COUNT))
[ "$EACH" -ge 1 ] || EACH=1
for name in $TARGETS; do
    # New inputs go to each target's work corpus; the seeds in the tree stay as they are.
    mkdir -p "$OUT/corpus/$name"
    echo "fuzz: running $name for $EACH s"
    "$OUT/fuzz/$name" -max_total_time="$EACH" -max_len="$(fuzz_max_len "$name")" -timeout=10 \
        -print_final_stats=1 "$OUT/corpus/$name" "$(fuzz_seeds "$name")"
done
