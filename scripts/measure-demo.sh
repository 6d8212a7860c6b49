#!/usr/bin/env bash
# Measures virn-demo on a private virtual X server: time from start to the
# mapped main window, resident memory, and CPU time over 20 s connected and idle
# and over 20 s sweeping (Start clicked through xdotool).
#   scripts/measure-demo.sh [path/to/virn-demo]    (default: build/bin/virn-demo)
set -euo pipefail
cd "$(dirname "$0")/.."
demo="${1:-build/bin/virn-demo}"
seconds=20
ticks=$(getconf CLK_TCK)

home=$(mktemp -d)
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$home/display" >/dev/null 2>&1 &
xvfb=$!
trap 'kill $demo_pid $xvfb 2>/dev/null || true; rm -rf "$home"' EXIT
for _ in $(seq 100); do [ -s "$home/display" ] && break; sleep 0.05; done
export DISPLAY=":$(cat "$home/display")" XDG_CONFIG_HOME="$home" QT_QPA_PLATFORM=xcb

cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }

start_ns=$(date +%s%N)
"$demo" --wire-log "$home/wire.log" >/dev/null 2>&1 &
demo_pid=$!
# xdotool's own --sync polls twice a second; poll faster.
window=""
until [ -n "$window" ]; do
  window=$(xdotool search --onlyvisible --name "ВИРН" 2>/dev/null | head -1 || true)
  [ -n "$window" ] || sleep 0.002
done
mapped_ns=$(date +%s%N)
printf 'start-up to mapped window: %d ms\n' $(((mapped_ns - start_ns) / 1000000))

sleep 2  # discovery connects within its first tick
before=$(cpu_ticks "$demo_pid")
sleep "$seconds"
after=$(cpu_ticks "$demo_pid")
awk -v t=$((after - before)) -v hz="$ticks" -v s="$seconds" \
  'BEGIN { printf "connected, idle: %.2f %% of one core\n", 100 * t / hz / s }'

# Start sits on the first tab; its centre in client coordinates.
xdotool mousemove --window "$window" 480 126 click 1
sleep 1
if ! grep -q ' 07 01 00 00 00$' "$home/wire.log"; then
  echo "Start was not pressed: no sweep request in the wire log" >&2
  exit 1
fi
before=$(cpu_ticks "$demo_pid")
sleep "$seconds"
after=$(cpu_ticks "$demo_pid")
awk -v t=$((after - before)) -v hz="$ticks" -v s="$seconds" \
  'BEGIN { printf "sweeping: %.2f %% of one core\n", 100 * t / hz / s }'
grep -E 'VmRSS|VmHWM' "/proc/$demo_pid/status"
