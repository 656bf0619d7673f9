#!/usr/bin/env bash
# Compares `zirpel --measure` with ffmpeg's ebur128 filter on generated
# files (sines, noise, music-like material; mono and stereo, several rates):
# the integrated loudness must agree within 0.1 LU.
# Usage: bash bench/compare_loudness.sh [build-dir]   (needs ffmpeg: apt-get install ffmpeg)
set -euo pipefail
build=${1:-build/test}
zirpel="$build/zirpel"
command -v ffmpeg >/dev/null || { echo "ffmpeg is missing (apt-get install ffmpeg)"; exit 77; }
[ -x "$zirpel" ] || { echo "no $zirpel: build first"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

make() {  # name, lavfi source, channels, rate
  ffmpeg -loglevel error -f lavfi -i "$2" -ac "$3" -ar "$4" -c:a pcm_s16le "$work/$1.wav"
}
# ffmpeg's sine source has an amplitude of 1/8 (-18.06 dBFS) and its mono to
# stereo step halves the power (-3.01 dB): the -23 dB and -33 dB below give a
# 1 kHz sine at -44.07 and -54.07 dBFS in each channel.
make sine44  "sine=frequency=1000:duration=20,volume=-23dB:precision=double" 2 48000
make sine54  "sine=frequency=1000:duration=20,volume=-33dB:precision=double" 2 48000
make pink    "anoisesrc=color=pink:duration=15:amplitude=0.3:seed=7" 1 44100
make brown   "anoisesrc=color=brown:duration=12:amplitude=0.5:seed=3" 2 22050
make music   "aevalsrc='0.4*sin(2*PI*220*t)*exp(-3*mod(t,0.5))+0.1*sin(2*PI*660*t)':d=25" 2 44100
make quiet   "aevalsrc='0.01*sin(2*PI*440*t)*lt(mod(t,1),0.6)':d=10" 1 8000

status=0
printf '%-8s %10s %10s %8s\n' file zirpel ffmpeg diff
for f in "$work"/*.wav; do
  name=$(basename "$f" .wav)
  ours=$("$zirpel" "$f" --measure | sed -n 's/.*Lautheit \(-\{0,1\}[0-9]*,[0-9]\) LUFS.*/\1/p' | tr , .)
  # ffmpeg's summary prints "I: -23.0 LUFS" with one decimal.
  theirs=$(ffmpeg -nostats -hide_banner -i "$f" -af ebur128 -f null - 2>&1 | sed -n 's/^ *I: *\(-\{0,1\}[0-9.]*\) LUFS/\1/p' | tail -1)
  diff=$(awk -v a="$ours" -v b="$theirs" 'BEGIN { d = a - b; if (d < 0) d = -d; printf "%.1f", d }')
  printf '%-8s %10s %10s %8s\n' "$name" "$ours" "$theirs" "$diff"
  awk -v d="$diff" 'BEGIN { exit !(d > 0.1) }' && status=1
done
[ $status -eq 0 ] && echo "all within 0.1 LU" || echo "DIFFERENCE above 0.1 LU"
exit $status
