#!/usr/bin/env bash
# Start-up time of the editor beside an empty QMainWindow built against the
# same Qt: each program is started on an X server (an Xvfb of its own) and
# timed until the server maps its window (MapNotify), in alternating pairs.
# Prints both medians and the ratio (goal: at most 1.5). The sound device is
# SDL's silent driver, as on a machine without a sound server. Both run on a
# session bus of their own (dbus-run-session), as on a desktop: without one,
# Qt's accessibility bridge, which the editor's first button wakes, would
# try to start a bus for every start. It builds nothing:
#   cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release && cmake --build build/release
#   bash bench/startup.sh [build dir, default build/release] [pairs, default 15]
set -euo pipefail
if [ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ] && command -v dbus-run-session >/dev/null; then
  exec dbus-run-session -- bash "$0" "$@"
fi
build=$(realpath "${1:-build/release}")
pairs=${2:-15}
editor=$build/zirpel-editor
empty=$build/bench/startup_empty_window
timer=$build/bench/startup_map_timer
for f in "$editor" "$empty" "$timer"; do
  [ -x "$f" ] || { echo "$f is missing: build it first (cmake --build $build)"; exit 1; }
done
command -v Xvfb >/dev/null || { echo "Xvfb is missing (package xvfb)"; exit 1; }

work=$(mktemp -d)
display=:$((100 + RANDOM % 800))
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp > "$work/xvfb.log" 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT
export DISPLAY=$display QT_QPA_PLATFORM=xcb SDL_AUDIODRIVER=dummy XDG_RUNTIME_DIR=$work
chmod 700 "$work"
for _ in $(seq 200); do xdpyinfo > /dev/null 2>&1 && break; sleep 0.1; done
xdpyinfo > /dev/null 2>&1 || { echo "Xvfb did not start:"; cat "$work/xvfb.log"; exit 1; }
cd "$work"  # nothing the programs write lands in the tree

echo "load: $(uptime)"
# One unmeasured start of each fills the caches.
"$timer" "$editor" > /dev/null
"$timer" "$empty" > /dev/null
for i in $(seq "$pairs"); do
  if [ $((i % 2)) -eq 0 ]; then
    "$timer" "$editor" >> ours.txt
    "$timer" "$empty" >> empty.txt
  else
    "$timer" "$empty" >> empty.txt
    "$timer" "$editor" >> ours.txt
  fi
done
median() { sort -n "$1" | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
ours=$(median ours.txt)
theirs=$(median empty.txt)
# The middle half of each program's starts: how far one start strays.
quartiles() { sort -n "$1" | awk '{ v[NR] = $1 } END { printf "%.1f-%.1f", v[int((NR + 3) / 4)], v[int((3 * NR + 1) / 4)] }'; }
echo "load: $(uptime)"
awk -v a="$ours" -v b="$theirs" -v n="$pairs" 'BEGIN {
  r = a / b
  printf "start to mapped window, median of %d: zirpel-editor %.1f ms, empty QMainWindow %.1f ms\n", n, a, b
  printf "ratio %.2f (goal <= 1.5) %s\n", r, (r <= 1.5 ? "ok" : "MISSED")
}'
echo "middle half of the starts: zirpel-editor $(quartiles ours.txt) ms, empty QMainWindow $(quartiles empty.txt) ms"
