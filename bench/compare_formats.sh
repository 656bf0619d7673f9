#!/usr/bin/env bash
# Whole-process timing of zirpel beside the reference tools for the formats
# read through libsndfile and written through libvorbis, on 10 minutes of
# 44100 Hz 16-bit stereo (a tone and pink noise, made by sox):
#   zirpel in.flac -o out.wav                  vs  flac -d         (goal: at most 1.1x)
#   zirpel in.wav -o out.ogg --bitrate 128     vs  oggenc -b 128   (goal: at most 1.1x)
# Medians of hyperfine runs. It builds nothing:
#   cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release
#   cmake --build build/release --target zirpel
#   bash bench/compare_formats.sh [build dir, default build/release] [runs, default 10]
set -euo pipefail
build=${1:-build/release}
runs=${2:-10}
zirpel=$build/zirpel
[ -x "$zirpel" ] || { echo "$zirpel is missing: build it first (cmake --build $build --target zirpel)"; exit 1; }
for tool in sox flac oggenc oggdec hyperfine; do
  command -v "$tool" >/dev/null || { echo "$tool is missing (scripts/setup-deps.sh installs it)"; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export TMPDIR=$work

sox -n -r 44100 -b 16 -c 2 "$work/in.wav" synth 600 sine 220-880 pinknoise gain -3
flac -s -o "$work/in.flac" "$work/in.wav"
echo "input: $(stat -c %s "$work/in.wav") bytes WAV, $(stat -c %s "$work/in.flac") bytes FLAC (10 minutes)"
echo "load: $(uptime)"

# compare <label> <goal> -- <ours...> -- <theirs...>
compare() {
  local label=$1 goal=$2
  shift 3
  local ours=() theirs=()
  while [ "$1" != "--" ]; do ours+=("$1"); shift; done
  shift
  theirs=("$@")
  local ma mb
  hyperfine -N -w 1 -r "$runs" --export-json "$work/times.json" \
    "$(printf '%q ' "${ours[@]}")" "$(printf '%q ' "${theirs[@]}")" > /dev/null
  read -r ma mb < <(grep -o '"median": *[0-9.e+-]*' "$work/times.json" |
                    awk -F: '{ printf "%f ", $2 * 1000 } END { print "" }')
  awk -v l="$label" -v a="$ma" -v b="$mb" -v g="$goal" 'BEGIN {
    r = a / b
    printf "%-32s zirpel %7.0f ms   reference %7.0f ms   ratio %.3f (goal <= %s) %s\n",
           l, a, b, r, g, (r <= g ? "ok" : "MISSED")
  }'
}

# The FLAC opens to the very samples flac decodes.
"$zirpel" "$work/in.flac" -o "$work/zirpel.wav"
flac -s -d -o "$work/flac.wav" "$work/in.flac"
cmp -s "$work/zirpel.wav" "$work/flac.wav" && echo "FLAC decoded by zirpel and flac: identical bytes" ||
  echo "FLAC decoded by zirpel and flac: DIFFERENT"

compare "FLAC -> WAV (flac -d)" 1.1 -- \
  "$zirpel" "$work/in.flac" -o "$work/out.wav" -- \
  flac -s -d -f -o "$work/ref.wav" "$work/in.flac"
compare "WAV -> Ogg 128 kBit/s (oggenc)" 1.1 -- \
  "$zirpel" "$work/in.wav" -o "$work/out.ogg" --bitrate 128 -- \
  oggenc -Q -b 128 -o "$work/ref.ogg" "$work/in.wav"
echo "Ogg sizes: zirpel $(stat -c %s "$work/out.ogg"), oggenc $(stat -c %s "$work/ref.ogg") bytes"
echo "load: $(uptime)"
