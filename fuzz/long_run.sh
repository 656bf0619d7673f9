#!/usr/bin/env bash
# Runs every libFuzzer target of fuzz/ for a fixed number of executions
# (default 10^7 each) and says for each how many inputs ran cleanly, with
# its time and peak memory. Fails when a target finds a crash, a leak, a
# time-out or runs out of memory, or stops short of the count.
#
#   fuzz/long_run.sh [executions]         default 10000000; or ZIRPEL_FUZZ_RUNS
#   ZIRPEL_FUZZ_PARALLEL=n                run n targets at once (default 1)
#   (ZIRPEL_FUZZ_TARGETS, ZIRPEL_FUZZ_OUT, CLANG, CLANGXX: see fuzz/common.sh)
#
# On two cores this takes hours; run it in the background with nice.
set -eu

. "$(dirname "$0")/common.sh"
RUNS=${1:-${ZIRPEL_FUZZ_RUNS:-10000000}}
PARALLEL=${ZIRPEL_FUZZ_PARALLEL:-1}
case $RUNS$PARALLEL in
    '' | *[!0-9]*)
        echo "fuzz: executions and ZIRPEL_FUZZ_PARALLEL must be whole numbers" >&2
        exit 2
        ;;
esac
fuzz_tools_present || exit 1
fuzz_build
fuzz_make_mp3_streams

LOGS="$OUT/long"
mkdir -p "$LOGS"

run_one() {
    name=$1
    mkdir -p "$OUT/corpus/$name"
    start=$(date +%s)
    rc=0
    "$OUT/fuzz/$name" -runs="$RUNS" -max_len="$(fuzz_max_len "$name")" -timeout=10 \
        -rss_limit_mb=2048 -detect_leaks=1 -print_final_stats=1 \
        "$OUT/corpus/$name" "$(fuzz_seeds "$name")" >"$LOGS/$name.log" 2>&1 || rc=$?
    secs=$(($(date +%s) - start))
    done_runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$LOGS/$name.log" | tail -n 1)
    rss=$(sed -n 's/^stat::peak_rss_mb: *//p' "$LOGS/$name.log" | tail -n 1)
    if [ "$rc" -eq 0 ] && [ "${done_runs:-0}" -ge "$RUNS" ]; then
        echo "fuzz: $name: $done_runs executions, clean ($secs s, peak RSS ${rss:-?} MB)" |
            tee "$LOGS/$name.result"
    else
        echo "fuzz: $name: FAILED after ${done_runs:-?} executions (exit $rc, $secs s); see $LOGS/$name.log" |
            tee "$LOGS/$name.result"
    fi
}

echo "fuzz: $RUNS executions each, $PARALLEL at a time; logs in $LOGS"
for name in $TARGETS; do rm -f "$LOGS/$name.result"; done
running=0
for name in $TARGETS; do
    if [ "$running" -ge "$PARALLEL" ]; then
        wait -n || true
        running=$((running - 1))
    fi
    run_one "$name" &
    running=$((running + 1))
done
wait

failed=0
for name in $TARGETS; do
    grep -q ', clean (' "$LOGS/$name.result" 2>/dev/null || failed=1
done
if [ "$failed" -eq 0 ]; then
    echo "fuzz: all $COUNT targets ran $RUNS executions each without a finding"
else
    echo "fuzz: at least one target failed"
fi
exit "$failed"
