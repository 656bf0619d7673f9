#!/usr/bin/env bash
# Whole-process timing of the command line beside the tools it is measured
# against, on a 5-minute 44100 Hz stereo clip:
#   zirpel in.mp3 -o out.wav                 vs  mpg123 -w out.wav in.mp3   (goal: at most 1.1x)
#   zirpel in.wav -o out.mp3 --bitrate 128   vs  lame with the same settings (goal: at most 1.05x)
# The lame settings are the editor's MP3 save (plain stereo, CBR, quality 2,
# copyright bit, no VBR header, no ReplayGain); the script checks that both
# write identical bytes. Timing by hyperfine where installed (else the runs
# alternate between the two programs); the medians are compared. It builds nothing:
#   cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release
#   cmake --build build/release --target zirpel
#   bash bench/compare_cli.sh [build dir, default build/release] [runs, default 10]
set -euo pipefail
build=${1:-build/release}
runs=${2:-10}
zirpel=$build/zirpel
[ -x "$zirpel" ] || { echo "$zirpel is missing: build it first (cmake --build $build --target zirpel)"; exit 1; }
for tool in lame mpg123 perl; do
  command -v "$tool" >/dev/null || { echo "$tool is missing (scripts/setup-deps.sh installs it)"; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export TMPDIR=$work

# Two gliding tones and a little noise: enough detail that the encoder has
# real work, deterministic from run to run.
perl -e '
  my ($rate, $frames) = (44100, 44100 * 300);
  my $data = $frames * 4;
  print pack("A4 V A4 A4 V v v V V v v A4 V", "RIFF", 36 + $data, "WAVE", "fmt ", 16, 1, 2,
             $rate, $rate * 4, 4, 16, "data", $data);
  my ($pa, $pb, $seed) = (0, 0, 1);
  for (my $i = 0; $i < $frames; $i += 4410) {
    my @s;
    for my $j (0 .. 4409) {
      my $t = ($i + $j) / $rate;
      $pa += 6.2831853 * (220 + 110 * sin($t / 7)) / $rate;
      $pb += 6.2831853 * (331 + 200 * sin($t / 11)) / $rate;
      $seed = ($seed * 1103515245 + 12345) % 2147483648;
      my $n = ($seed >> 16) % 2001 - 1000;
      push @s, int(9000 * sin($pa) + 5000 * sin($pb) + $n), int(7000 * sin($pb) + 6000 * sin($pa * 1.5) - $n);
    }
    print pack("s<*", @s);
  }' > "$work/in.wav"
lame --quiet -b 128 --cbr "$work/in.wav" "$work/in.mp3"
echo "input: $(stat -c %s "$work/in.wav") bytes WAV, $(stat -c %s "$work/in.mp3") bytes MP3 (5 minutes, 128 kbit/s)"

# Milliseconds of one run of the given command, its output thrown away.
time_ms() {
  local start end
  start=$(date +%s%N)
  "$@" > /dev/null 2>&1
  end=$(date +%s%N)
  echo $(( (end - start) / 1000000 ))
}

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# compare <label> <goal> -- <ours...> -- <theirs...>
compare() {
  local label=$1 goal=$2
  shift 3
  local ours=() theirs=()
  while [ "$1" != "--" ]; do ours+=("$1"); shift; done
  shift
  theirs=("$@")
  local ma mb
  if command -v hyperfine >/dev/null; then
    # Without a shell in between; medians in milliseconds from its report.
    hyperfine -N -w 2 -r "$runs" --export-json "$work/times.json" \
      "$(printf '%q ' "${ours[@]}")" "$(printf '%q ' "${theirs[@]}")" > /dev/null
    read -r ma mb < <(grep -o '"median": *[0-9.e+-]*' "$work/times.json" |
                      awk -F: '{ printf "%f ", $2 * 1000 } END { print "" }')
  else
    "${ours[@]}" > /dev/null 2>&1; "${theirs[@]}" > /dev/null 2>&1  # warm the caches
    local a=() b=()
    for _ in $(seq "$runs"); do
      a+=("$(time_ms "${ours[@]}")")
      b+=("$(time_ms "${theirs[@]}")")
    done
    ma=$(printf '%s\n' "${a[@]}" | median)
    mb=$(printf '%s\n' "${b[@]}" | median)
  fi
  awk -v l="$label" -v a="$ma" -v b="$mb" -v g="$goal" 'BEGIN {
    r = a / b
    printf "%-32s zirpel %7.0f ms   reference %7.0f ms   ratio %.3f (goal <= %s) %s\n",
           l, a, b, r, g, (r <= g ? "ok" : "MISSED")
  }'
}

"$zirpel" "$work/in.wav" -o "$work/zirpel.mp3" --bitrate 128
lame --quiet -m s -b 128 --cbr -q 2 -c -t --noreplaygain "$work/in.wav" "$work/lame.mp3"
if cmp -s "$work/zirpel.mp3" "$work/lame.mp3"; then
  echo "MP3 output of zirpel and lame: identical bytes"
else
  echo "MP3 output of zirpel and lame: DIFFERENT"
fi

compare "MP3 -> WAV (mpg123 -w)" 1.1 -- \
  "$zirpel" "$work/in.mp3" -o "$work/out.wav" -- \
  mpg123 -q -w "$work/ref.wav" "$work/in.mp3"
compare "WAV -> MP3 128 kBit/s (lame)" 1.05 -- \
  "$zirpel" "$work/in.wav" -o "$work/out.mp3" --bitrate 128 -- \
  lame --quiet -m s -b 128 --cbr -q 2 -c -t --noreplaygain "$work/in.wav" "$work/ref.mp3"
