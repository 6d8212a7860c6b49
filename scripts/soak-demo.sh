#!/usr/bin/env bash
# Lets virn-demo sweep for a long time on a private Xvfb and watches it from
# /proc every 10 s: resident memory (VmRSS), open file descriptors, threads, and
# the sweep rate (sweep requests in the wire log since the last sample / 10 s).
# At the end it closes the window and prints the first and last figures and a
# table. It fails when
#   - memory grew by more than 2 MB from the sample at 60 s to the last one
#     (runs shorter than 2 min: from the sample at 10 s),
#   - descriptors or threads grew at all (first sample vs last),
#   - the sweep rate of the last minute fell more than 5 % below the first
#     minute's (runs of 2 min and more; shorter ones print the rates of their
#     halves, which other work on the machine moves more than a slow-down would),
#   - the program died, or did not close within 20 s with exit code 0.
#   scripts/soak-demo.sh [MINUTES]          (default 30)
#   scripts/soak-demo.sh --seconds N        (N: at least 40, a multiple of 10)
# Environment: VIRN_BUILD_DIR (default build).
set -euo pipefail
cd "$(dirname "$0")/.."

usage() {
  echo "usage: $0 [MINUTES] | --seconds N   (default 30 minutes; N at least 40, a multiple of 10)" >&2
  exit 2
}
seconds=1800
case $# in
  0) ;;
  1)
    [[ "$1" =~ ^[0-9]+$ ]] && [ $((10#$1)) -gt 0 ] || usage
    seconds=$((10#$1 * 60))
    ;;
  2)
    [ "$1" = --seconds ] && [[ "$2" =~ ^[0-9]+$ ]] || usage
    seconds=$((10#$2))
    [ "$seconds" -ge 40 ] && [ $((seconds % 10)) -eq 0 ] || usage
    ;;
  *) usage ;;
esac

build_dir="${VIRN_BUILD_DIR:-build}"
demo="$build_dir/bin/virn-demo"
interval=10
rss_growth_limit_kb=2048
rate_drop_limit_pct=5

start_xy=(481 125) # KlSpeedButton1, Start: its client-area centre as TMainForm lays it out
exit_xy=(335 14)   # ToolButton1, exit
version_query=' 09 00 00 00 00'
sweep_request=' 07 01 00 00 00'

work=""
xvfb_pid=""
demo_pid=""

source scripts/lib/xvfb.sh
cleanup() {
  local rc=$?
  trap - EXIT INT TERM HUP
  stop_pid "$demo_pid"
  stop_pid "$xvfb_pid"
  [ -n "$work" ] && rm -rf "$work"
  exit "$rc"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
trap 'exit 129' HUP

if [ ! -x "$demo" ]; then
  case "${build_dir%/}" in
    build | "$PWD/build") scripts/build.sh default ;;
    build-asan | "$PWD/build-asan") scripts/build.sh asan ;;
    build-tsan | "$PWD/build-tsan") scripts/build.sh tsan ;;
    *) echo "$demo is missing: build it first" >&2 && exit 2 ;;
  esac
fi
for tool in Xvfb xdotool timeout; do
  command -v "$tool" >/dev/null || { echo "$tool is missing (scripts/setup-debian.sh installs it)" >&2; exit 2; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/virn-soak.XXXXXX")
log="$work/wire.log"
err="$work/demo.err"

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=0}"
sanitize=$(sed -n 's/^VIRN_SANITIZE:[A-Z]*=//p' "$build_dir/CMakeCache.txt" 2>/dev/null || true)
if [ ! -f "$build_dir/CMakeCache.txt" ] && { nm "$demo" 2>/dev/null || true; } | grep -q __tsan_init; then
  sanitize=thread
fi
if [ "$sanitize" = thread ]; then
  sed -n '/kTsanQtSuppressions/,/;/s/^ *"\(.*\)\\n";\{0,1\}$/\1/p' tests/support/sanitizer_rules.h >"$work/tsan.supp"
  export TSAN_OPTIONS="suppressions=$work/tsan.supp${TSAN_OPTIONS:+ $TSAN_OPTIONS}"
fi

count() {
  local n
  n=$(grep -c -- "$1\$" "$log" 2>/dev/null) || true
  echo "${n:-0}"
}
at_least() { [ "$(count "$1")" -ge "$2" ]; }
click() { timeout 10 xdotool mousemove --window "$window" "$1" "$2" click 1 >/dev/null 2>&1; }
# What shows a failure outlives the run's folder.
kept=""
keep() { # FILE [NAME]
  [ -f "$1" ] || return 0
  [ -n "$kept" ] || kept=$(mktemp -d "${TMPDIR:-/tmp}/virn-soak-failed.XXXXXX")
  cp "$1" "$kept/${2:-${1##*/}}"
}
died() {
  local status=0
  wait "$demo_pid" || status=$?
  demo_pid=""
  echo "virn-demo ended on its own ($1) with status $status; its last errors:" >&2
  tail -20 "$err" >&2
  keep "$log"
  keep "$err"
  echo "wire log and errors kept in $kept" >&2
  exit 1
}

start_xvfb $((seconds + 300)) "$work" -screen 0 1024x768x24 || { echo "Xvfb did not start" >&2; exit 1; }
export XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=xcb

echo "soak-demo: $seconds s of sweeping, $demo"
"$demo" --wire-log "$log" >/dev/null 2>"$err" &
demo_pid=$!
until_ms 30000 at_least "$version_query" 1 || { alive || died "before the handshake"; echo "no handshake" >&2; exit 1; }
# Anchored: the bench window's title ("Стенд — ВИРН") holds the main one's.
window=$(timeout 30 xdotool search --sync --all --pid "$demo_pid" --onlyvisible --name '^ВИРН$' 2>/dev/null |
  head -1 || true)
[ -n "$window" ] || { echo "xdotool found no main window" >&2; exit 1; }
click "${start_xy[@]}" || true
until_ms 10000 at_least "$sweep_request" 1 || { alive || died "at Start"; echo "Start gave no sweep request" >&2; exit 1; }

# One sample: seconds since Start, RSS in kB, descriptors, threads, sweeps so far.
times=() rss=() fds=() threads=() sweeps=()
sample() {
  local status="/proc/$demo_pid/status" fd_count
  alive || died "at $1 s"
  fd_count=$(find "/proc/$demo_pid/fd" -mindepth 1 -maxdepth 1 2>/dev/null | wc -l)
  times+=("$1")
  rss+=("$(awk '/^VmRSS:/ {print $2}' "$status")")
  threads+=("$(awk '/^Threads:/ {print $2}' "$status")")
  fds+=("$fd_count")
  sweeps+=("$(count "$sweep_request")")
}
rate() { # sweeps a second between two samples, to 0.01
  awk -v a="${sweeps[$1]}" -v b="${sweeps[$2]}" -v s=$((times[$2] - times[$1])) 'BEGIN { printf "%.2f", (b - a) / s }'
}
row() {
  local i=$1 r="-"
  [ "$i" -gt 0 ] && r=$(rate $((i - 1)) "$i")
  printf '%6d %10d %5d %8d %8s\n' "${times[$i]}" "${rss[$i]}" "${fds[$i]}" "${threads[$i]}" "$r"
}
header() { printf '%6s %10s %5s %8s %8s\n' 's' 'VmRSS kB' 'fds' 'threads' 'sweeps/s'; }

started=$(now_ms)
sample 0
header
row 0
for ((k = 1; k * interval <= seconds; k++)); do
  # Against the start, so that the samples do not drift.
  wait_ms=$((started + k * interval * 1000 - $(now_ms)))
  [ "$wait_ms" -gt 0 ] && sleep "$(printf '%d.%03d' $((wait_ms / 1000)) $((wait_ms % 1000)))"
  sample $((k * interval))
  # A row a minute on a long run, every row on a short one.
  if [ "$seconds" -lt 120 ] || [ $((k * interval % 60)) -eq 0 ]; then row "$k"; fi
done
last=$((${#times[@]} - 1))

# The window still closes, and the program ends cleanly.
click "${exit_xy[@]}" || true
deadline=$(($(now_ms) + 20000))
while alive && [ "$(now_ms)" -lt "$deadline" ]; do sleep 0.05; done
close_status=0
if alive; then
  close_status=timeout
else
  wait "$demo_pid" || close_status=$?
  demo_pid=""
fi

# The baselines: memory after the warm-up, rates over a minute (or half a short run).
if [ "$seconds" -ge 120 ]; then
  rss_base=6       # the sample at 60 s
  window_samples=6 # a minute
else
  rss_base=1
  window_samples=$((last / 2))
fi
first_rate=$(rate 0 "$window_samples")
last_rate=$(rate $((last - window_samples)) "$last")
rss_growth=$((rss[last] - rss[rss_base]))

echo
echo "first: VmRSS ${rss[0]} kB (${rss[rss_base]} kB at ${times[rss_base]} s), ${fds[0]} fds, ${threads[0]} threads," \
  "$first_rate sweeps/s over the first $((times[window_samples])) s"
echo "last:  VmRSS ${rss[last]} kB at ${times[last]} s, ${fds[last]} fds, ${threads[last]} threads," \
  "$last_rate sweeps/s over the last $((times[last] - times[last - window_samples])) s"

failed=0
if [ "$rss_growth" -gt "$rss_growth_limit_kb" ]; then
  echo "FAIL: memory grew by $rss_growth kB after ${times[rss_base]} s (limit $rss_growth_limit_kb kB)" >&2
  failed=1
fi
if [ "${fds[last]}" -gt "${fds[0]}" ]; then
  echo "FAIL: open descriptors grew from ${fds[0]} to ${fds[last]}" >&2
  failed=1
fi
if [ "${threads[last]}" -gt "${threads[0]}" ]; then
  echo "FAIL: threads grew from ${threads[0]} to ${threads[last]}" >&2
  failed=1
fi
if [ "$seconds" -ge 120 ] &&
  awk -v a="$first_rate" -v b="$last_rate" -v p="$rate_drop_limit_pct" 'BEGIN { exit !(b < a * (1 - p / 100)) }'; then
  echo "FAIL: the sweep rate fell from $first_rate to $last_rate a second (limit $rate_drop_limit_pct %)" >&2
  failed=1
fi
if [ "$close_status" = timeout ]; then
  echo "FAIL: virn-demo did not end within 20 s of the exit button" >&2
  failed=1
elif [ "$close_status" -ne 0 ]; then
  echo "FAIL: virn-demo exited with status $close_status; its last errors:" >&2
  tail -20 "$err" >&2
  failed=1
fi
if [ "$failed" = 1 ]; then
  keep "$log"
  keep "$err"
  echo "wire log and errors kept in $kept" >&2
fi
exit "$failed"
