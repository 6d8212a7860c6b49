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

# Set before the trap, which must work (under set -u) whenever the script ends.
demo_pid=""
xvfb=""
home=$(mktemp -d)
cleanup() {
  for pid in ${demo_pid:-} ${xvfb:-}; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  rm -rf "$home"
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP

fail() {
  echo "measure-demo: $*" >&2
  exit 1
}

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$home/display" >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 200); do [ -s "$home/display" ] && break; sleep 0.05; done
[ -s "$home/display" ] || fail "Xvfb did not start within 10 s"
export DISPLAY=":$(cat "$home/display")" XDG_CONFIG_HOME="$home" QT_QPA_PLATFORM=xcb

cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }

start_ns=$(date +%s%N)
"$demo" --wire-log "$home/wire.log" >/dev/null 2>&1 &
demo_pid=$!
# xdotool's own --sync polls twice a second; poll faster, for at most 30 s.
window=""
deadline=$((start_ns + 30000000000))
until [ -n "$window" ]; do
  kill -0 "$demo_pid" 2>/dev/null || fail "$demo ended before its window showed"
  [ "$(date +%s%N)" -lt "$deadline" ] || fail "no window within 30 s"
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
grep -q ' 07 01 00 00 00$' "$home/wire.log" || fail "Start was not pressed: no sweep request in the wire log"
before=$(cpu_ticks "$demo_pid")
sleep "$seconds"
after=$(cpu_ticks "$demo_pid")
awk -v t=$((after - before)) -v hz="$ticks" -v s="$seconds" \
  'BEGIN { printf "sweeping: %.2f %% of one core\n", 100 * t / hz / s }'
grep -E 'VmRSS|VmHWM' "/proc/$demo_pid/status"
