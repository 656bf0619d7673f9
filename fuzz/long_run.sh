#!/usr/bin/env bash
# Runs every libFuzzer target of fuzz/ for a fixed number of executions
# (default 10^7 each) and says for each how many inputs ran cleanly, with
# its time and peak memory. Fails when a target finds a crash, a leak, a
# time-out or runs out of memory, or stops short of the count.
#
# The pieces twin (fuzz_mp3_pieces_diff) decodes every input twice, on one
# and on several threads, and manages about 80 executions a second: it runs
# to a count of its own (default 2*10^5, about 40 minutes), never more than
# the others' count.
#
#   fuzz/long_run.sh [executions]         default 10000000; or ZIRPEL_FUZZ_RUNS
#   ZIRPEL_FUZZ_PIECES_RUNS=n             the pieces twin's count (default 200000)
#   ZIRPEL_FUZZ_PARALLEL=n                run n targets at once (default 1)
#   (ZIRPEL_FUZZ_TARGETS, ZIRPEL_FUZZ_OUT, CLANG, CLANGXX: see fuzz/common.sh)
#
# On two cores this takes hours; run it in the background with nice.
set -eu

. "$(dirname "$0")/common.sh"
RUNS=${1:-${ZIRPEL_FUZZ_RUNS:-10000000}}
PIECES_RUNS=${ZIRPEL_FUZZ_PIECES_RUNS:-200000}
PARALLEL=${ZIRPEL_FUZZ_PARALLEL:-1}
for number in "$RUNS" "$PIECES_RUNS" "$PARALLEL"; do
    case $number in
        '' | *[!0-9]*)
            echo "fuzz: executions, ZIRPEL_FUZZ_PIECES_RUNS and ZIRPEL_FUZZ_PARALLEL must be whole numbers" >&2
            exit 2
            ;;
    esac
done
[ "$PIECES_RUNS" -le "$RUNS" ] || PIECES_RUNS=$RUNS

# The number of executions a target runs to.
runs_of() {
    case $1 in
        fuzz_mp3_pieces_diff) echo "$PIECES_RUNS" ;;
        *) echo "$RUNS" ;;
    esac
}
fuzz_tools_present || exit 1
fuzz_build
fuzz_make_mp3_streams

LOGS="$OUT/long"
mkdir -p "$LOGS"

run_one() {
    name=$1
    runs=$(runs_of "$name")
    mkdir -p "$OUT/corpus/$name"
    start=$(date +%s)
    rc=0
    "$OUT/fuzz/$name" -runs="$runs" -max_len="$(fuzz_max_len "$name")" -timeout=10 \
        -rss_limit_mb=2048 -detect_leaks=1 -print_final_stats=1 \
        "$OUT/corpus/$name" "$(fuzz_seeds "$name")" >"$LOGS/$name.log" 2>&1 || rc=$?
    secs=$(($(date +%s) - start))
    done_runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$LOGS/$name.log" | tail -n 1)
    rss=$(sed -n 's/^stat::peak_rss_mb: *//p' "$LOGS/$name.log" | tail -n 1)
    if [ "$rc" -eq 0 ] && [ "${done_runs:-0}" -ge "$runs" ]; then
        echo "fuzz: $name: $done_runs of $runs executions, clean ($secs s, peak RSS ${rss:-?} MB)" |
            tee "$LOGS/$name.result"
    else
        echo "fuzz: $name: FAILED after ${done_runs:-?} of $runs executions (exit $rc, $secs s); see $LOGS/$name.log" |
            tee "$LOGS/$name.result"
    fi
}

# "a, b to N; c to M": which count each target runs to.
plan=""
for count in $(for name in $TARGETS; do runs_of "$name"; done | sort -nru); do
    names=""
    for name in $TARGETS; do
        [ "$(runs_of "$name")" = "$count" ] && names="${names:+$names, }$name"
    done
    plan="${plan:+$plan; }$names to $count"
done

echo "fuzz: executions per target: $plan; $PARALLEL at a time; logs in $LOGS"
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
    echo "fuzz: all $COUNT targets ran without a finding: $plan executions"
else
    echo "fuzz: at least one target failed"
fi
exit "$failed"
