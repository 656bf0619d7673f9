#!/usr/bin/env bash
# Whole-process timing of the command line beside the tools it is measured
# against, with a byte check for each:
#   zirpel in.mp3 -o out.wav, 5 and 60 minutes   vs  mpg123 -w out.wav in.mp3   (goal: at most 0.6x
#                                                    on 2 cores; the same PCM)
#   zirpel in.wav -o out.mp3 --bitrate 128        vs  lame with the same settings (goal: at most
#                                                    1.05x; the same bytes)
#   zirpel <20 songs> --ringtone --out-dir r/     vs  a shell loop of lame --mp3input over them
#                                                    (goal: at most 0.6x on all cores; each
#                                                    output the bytes of mpg123 -w then lame)
# The lame settings are the editor's MP3 save (plain stereo, CBR, quality 2,
# copyright bit, no VBR header, no ReplayGain). The hour is twelve copies of
# the 5-minute song without its Xing/LAME frame, the 20 songs are that hour
# cut into 3-minute pieces at frame boundaries. Timing by hyperfine where
# installed (else the runs alternate between the two programs); the medians
# are compared, with the machine's load before and after. It builds nothing:
#   cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release
#   cmake --build build/release --target zirpel
#   bash bench/compare_cli.sh [build dir, default build/release] [runs, default 10; 3 for the hour and the batch]
set -euo pipefail
build=${1:-build/release}
runs=${2:-10}
long_runs=$(( runs < 3 ? runs : 3 ))
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
lame --quiet -t -b 128 --cbr "$work/in.wav" "$work/frames.mp3"
for _ in $(seq 12); do cat "$work/frames.mp3"; done > "$work/hour.mp3"
# The hour in 3-minute songs (6891 frames of 1152 samples at 44100 Hz),
# cut where a frame begins.
mkdir -p "$work/songs"
perl -e '
  my ($in, $dir) = @ARGV;
  open(my $f, "<:raw", $in) or die; local $/; my $d = <$f>;
  my @rates = (0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320);
  my ($pos, $frames, $song, $start) = (0, 0, 0, 0);
  while ($pos + 4 <= length $d) {
    my ($b1, $b2) = unpack("x C C", substr($d, $pos, 3));
    my $len = int(144000 * $rates[$b2 >> 4] / 44100) + (($b2 >> 1) & 1);
    last if $len <= 0;
    $pos += $len;
    if (++$frames == 6891 || $pos >= length $d) {
      open(my $o, ">:raw", sprintf("%s/song%02d.mp3", $dir, ++$song)) or die;
      print $o substr($d, $start, $pos - $start);
      ($start, $frames) = ($pos, 0);
    }
  }' "$work/hour.mp3" "$work/songs"
echo "input: $(stat -c %s "$work/in.wav") bytes WAV, $(stat -c %s "$work/in.mp3") bytes MP3 (5 minutes, 128 kbit/s),"
echo "       $(stat -c %s "$work/hour.mp3") bytes MP3 (60 minutes), $(ls "$work/songs" | wc -l) songs of 3 minutes; $(nproc) cores"
echo "load before: $(uptime)"

# Milliseconds of one run of the given command, its output thrown away.
time_ms() {
  local start end
  start=$(date +%s%N)
  "$@" > /dev/null 2>&1
  end=$(date +%s%N)
  echo $(( (end - start) / 1000000 ))
}

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# compare <label> <goal> <runs> -- <ours...> -- <theirs...>
compare() {
  local label=$1 goal=$2 runs=$3
  shift 4
  local ours=() theirs=()
  while [ "$1" != "--" ]; do ours+=("$1"); shift; done
  shift
  theirs=("$@")
  local ma mb lo_a hi_a lo_b hi_b
  # The fastest and the slowest run of each side show how far one run can
  # stray on a busy machine.
  field() { grep -o "\"$1\": *[0-9.e+-]*" "$work/times.json" | awk -F: '{ printf "%f ", $2 * 1000 } END { print "" }'; }
  if command -v hyperfine >/dev/null; then
    # Without a shell in between; medians in milliseconds from its report.
    hyperfine -N -w 2 -r "$runs" --export-json "$work/times.json" \
      "$(printf '%q ' "${ours[@]}")" "$(printf '%q ' "${theirs[@]}")" > /dev/null
    read -r ma mb < <(field median)
    read -r lo_a lo_b < <(field min)
    read -r hi_a hi_b < <(field max)
  else
    "${ours[@]}" > /dev/null 2>&1; "${theirs[@]}" > /dev/null 2>&1  # warm the caches
    local a=() b=()
    for _ in $(seq "$runs"); do
      a+=("$(time_ms "${ours[@]}")")
      b+=("$(time_ms "${theirs[@]}")")
    done
    ma=$(printf '%s\n' "${a[@]}" | median)
    mb=$(printf '%s\n' "${b[@]}" | median)
    lo_a=$(printf '%s\n' "${a[@]}" | sort -n | head -n 1); hi_a=$(printf '%s\n' "${a[@]}" | sort -n | tail -n 1)
    lo_b=$(printf '%s\n' "${b[@]}" | sort -n | head -n 1); hi_b=$(printf '%s\n' "${b[@]}" | sort -n | tail -n 1)
  fi
  awk -v l="$label" -v a="$ma" -v b="$mb" -v g="$goal" \
      -v la="$lo_a" -v ha="$hi_a" -v lb="$lo_b" -v hb="$hi_b" 'BEGIN {
    r = a / b
    printf "%-32s zirpel %7.0f ms   reference %7.0f ms   ratio %.3f (goal <= %s) %s\n",
           l, a, b, r, g, (r <= g ? "ok" : "MISSED")
    printf "%-32s   runs: zirpel %.0f-%.0f ms, reference %.0f-%.0f ms\n", "", la, ha, lb, hb
  }'
}

# The PCM after the 44-byte header of each WAV file.
same_pcm() { cmp -s <(tail -c +45 "$1") <(tail -c +45 "$2"); }
check() { if "$@"; then echo "identical"; else echo "DIFFERENT"; fi; }

"$zirpel" "$work/in.wav" -o "$work/zirpel.mp3" --bitrate 128
lame --quiet -m s -b 128 --cbr -q 2 -c -t --noreplaygain "$work/in.wav" "$work/lame.mp3"
echo "MP3 of zirpel and lame, 5 minutes: $(check cmp -s "$work/zirpel.mp3" "$work/lame.mp3") bytes"
for f in in hour; do
  "$zirpel" "$work/$f.mp3" -o "$work/zirpel-$f.wav"
  mpg123 -q -w "$work/mpg123-$f.wav" "$work/$f.mp3"
  echo "PCM of zirpel and mpg123 -w, $f.mp3: $(check same_pcm "$work/zirpel-$f.wav" "$work/mpg123-$f.wav")"
done
rm -f "$work"/zirpel-*.wav "$work"/mpg123-*.wav
# The ringtone of each song: zirpel against mpg123 -w followed by lame with
# the editor's settings (lame --mp3input decodes with a decoder of its own).
"$zirpel" "$work"/songs/*.mp3 --ringtone --out-dir "$work/rings"
mkdir -p "$work/check"
same=0
for f in "$work"/songs/*.mp3; do
  mpg123 -q -w "$work/check/pcm.wav" "$f"
  lame --quiet -m s -b 8 --resample 11.025 --cbr -q 2 -c -t --noreplaygain "$work/check/pcm.wav" "$work/check/ring.mp3"
  cmp -s "$work/check/ring.mp3" "$work/rings/$(basename "$f")" && same=$((same + 1))
done
echo "ringtones of zirpel and of mpg123 -w + lame: $same of $(ls "$work/songs" | wc -l) identical"
rm -rf "$work/check" "$work/rings"

compare "MP3 -> WAV, 5 min (mpg123 -w)" 0.6 "$runs" -- \
  "$zirpel" "$work/in.mp3" -o "$work/out.wav" -- \
  mpg123 -q -w "$work/ref.wav" "$work/in.mp3"
compare "MP3 -> WAV, 60 min (mpg123 -w)" 0.6 "$long_runs" -- \
  "$zirpel" "$work/hour.mp3" -o "$work/out.wav" -- \
  mpg123 -q -w "$work/ref.wav" "$work/hour.mp3"
rm -f "$work/out.wav" "$work/ref.wav"
compare "WAV -> MP3 128 kBit/s (lame)" 1.05 "$runs" -- \
  "$zirpel" "$work/in.wav" -o "$work/out.mp3" --bitrate 128 -- \
  lame --quiet -m s -b 128 --cbr -q 2 -c -t --noreplaygain "$work/in.wav" "$work/ref.mp3"
mkdir -p "$work/r" "$work/l"
compare "20 songs -> ringtones (lame loop)" 0.6 "$long_runs" -- \
  "$zirpel" "$work"/songs/*.mp3 --ringtone --out-dir "$work/r" -- \
  bash -c 'for f in "$1"/*.mp3; do lame --quiet --mp3input -m s -b 8 --resample 11.025 --cbr -q 2 -c -t --noreplaygain "$f" "$2/${f##*/}"; done' \
  loop "$work/songs" "$work/l"
echo "load after: $(uptime)"
