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

fuzz_make_mp3_streams

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
