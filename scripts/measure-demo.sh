#!/usr/bin/env bash
# Measures virn-demo on a private virtual X server: time from start to the
# mapped main window, resident memory, and CPU time over 20 s connected and idle
# (with each thread's wake-ups and context switches a second) and over 20 s
# sweeping (Start clicked through xdotool). Given virn, which has no simulated
# instrument, it measures the idle search for one and stops there.
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
demo_args=(--wire-log "$home/wire.log")
case "$demo" in *virn-demo) ;; *) demo_args=() ;; esac
"$demo" "${demo_args[@]}" >/dev/null 2>&1 &
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

# Per thread: "tid nice voluntary involuntary" context switches so far. A
# voluntary switch is the thread going to sleep, so it counts its wake-ups.
thread_switches() {
  local task
  for task in /proc/"$1"/task/*; do
    awk -v tid="${task##*/}" -v nice="$(awk '{print $19}' "$task/stat" 2>/dev/null)" \
      '/^voluntary_ctxt_switches/ { v = $2 } /^nonvoluntary_ctxt_switches/ { n = $2 }
       END { if (v != "") print tid, nice, v, n }' "$task/status" 2>/dev/null || true
  done
}

sleep 2  # discovery connects within its first tick
threads_before=$(thread_switches "$demo_pid")
before=$(cpu_ticks "$demo_pid")
sleep "$seconds"
after=$(cpu_ticks "$demo_pid")
threads_after=$(thread_switches "$demo_pid")
awk -v t=$((after - before)) -v hz="$ticks" -v s="$seconds" \
  'BEGIN { printf "connected, idle: %.2f %% of one core\n", 100 * t / hz / s }'
# The main thread's id is the process's; the acquisition thread runs niced.
awk -v s="$seconds" -v main="$demo_pid" '
  NR == FNR { v[$1] = $3; n[$1] = $4; next }
  ($1 in v) {
    wake = ($3 - v[$1]) / s; all = wake + ($4 - n[$1]) / s
    total += all
    name = $1 == main ? "main thread" : ($2 > 0 ? "niced thread (acquisition)" : "other thread")
    if (all > 0) printf "  %-27s %7s: %7.1f wake-ups/s, %7.1f context switches/s\n", name, $1, wake, all
  }
  END { printf "idle context switches, all threads: %.1f/s\n", total }' \
  <(echo "$threads_before") <(echo "$threads_after")

if [ ${#demo_args[@]} -eq 0 ]; then
  grep -E 'VmRSS|VmHWM' "/proc/$demo_pid/status"
  exit 0
fi

# Start sits on the first tab; its centre in client coordinates.
xdotool mousemove --window "$window" 480 126 click 1
sleep 1
grep -q ' 07 01 00 00 00$' "$home/wire.log" || fail "Start was not pressed: no sweep request in the wire log"
requests() { grep -c ' 07 01 00 00 00$' "$home/wire.log" || true; }
before=$(cpu_ticks "$demo_pid")
requests_before=$(requests)
sleep "$seconds"
after=$(cpu_ticks "$demo_pid")
requests_after=$(requests)
# Each sweep request brings the curve's 421 levels.
awk -v t=$((after - before)) -v hz="$ticks" -v s="$seconds" -v n=$((requests_after - requests_before)) \
  'BEGIN { printf "sweeping: %.2f %% of one core (%.0f points/s)\n", 100 * t / hz / s, 421 * n / s }'
grep -E 'VmRSS|VmHWM' "/proc/$demo_pid/status"
