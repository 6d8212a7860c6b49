#!/usr/bin/env bash
# Starts virn-demo N times on one private Xvfb with one configuration folder
# kept across the runs, so that every run reads the file the last one wrote and
# writes it again. Each run waits for the handshake in the wire log, clicks
# Start, waits for a sweep request or two and then ends the program in mid-sweep:
# the exit button, and every fifth run SIGTERM (what a logout sends). Every run
# must end within the limit with exit code 0 and leave a rewritten, well-formed
# settings file with the same entries as the first run's, and nothing else in
# its folder.
#   scripts/close-loop-demo.sh [--seed S] [N]     (default N: 500)
# Environment: VIRN_BUILD_DIR (default build), VIRN_CLOSE_LIMIT_MS (time from
# the close to the end of the process, 10000), VIRN_STEP_LIMIT_MS (time allowed
# for start-up steps, 30000).
set -euo pipefail
cd "$(dirname "$0")/.."

usage() {
  echo "usage: $0 [--seed S] [N]   (N runs of virn-demo, default 500)" >&2
  exit 2
}
runs=500
seed=$(((${EPOCHREALTIME/./} / 1000) % 32768))
count_given=""
while [ $# -gt 0 ]; do
  case "$1" in
    --seed)
      [ $# -ge 2 ] && [[ "$2" =~ ^[0-9]+$ ]] || usage
      seed=$((10#$2))
      shift 2
      ;;
    -h | --help) usage ;;
    *)
      [ -z "$count_given" ] && [[ "$1" =~ ^[0-9]+$ ]] && [ $((10#$1)) -gt 0 ] || usage
      runs=$((10#$1))
      count_given=1
      shift
      ;;
  esac
done

build_dir="${VIRN_BUILD_DIR:-build}"
demo="$build_dir/bin/virn-demo"
close_limit_ms="${VIRN_CLOSE_LIMIT_MS:-10000}"
step_limit_ms="${VIRN_STEP_LIMIT_MS:-30000}"

# Client-area centres of the buttons, as TMainForm lays them out. A click that
# misses shows: no sweep request after Start, no end after the exit button.
start_xy=(481 125) # KlSpeedButton1, Start
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
if command -v xmllint >/dev/null; then
  well_formed() { xmllint --noout "$1" 2>/dev/null; }
  entries() { xmllint --xpath 'name(/*)' "$1" 2>/dev/null && echo && xmllint --xpath '/*/*' "$1" 2>/dev/null | sed -n 's/^<\([^ >]*\).*/\1/p'; }
elif command -v python3 >/dev/null; then
  well_formed() { python3 -c 'import sys, xml.etree.ElementTree as E; E.parse(sys.argv[1])' "$1" 2>/dev/null; }
  entries() {
    python3 -c 'import sys, xml.etree.ElementTree as E
r = E.parse(sys.argv[1]).getroot(); print(r.tag); [print(c.tag) for c in r]' "$1" 2>/dev/null
  }
else
  echo "neither xmllint (libxml2-utils) nor python3 is there to read the settings file" >&2
  exit 2
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/virn-close.XXXXXX")
log="$work/wire.log"
err="$work/demo.err"
config="$work/config"
settings_dir="$config/Kelmar/virn-demo"
settings="$settings_dir/virn-demo.mainform.config.xml"

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=0}"
sanitize=$(sed -n 's/^VIRN_SANITIZE:[A-Z]*=//p' "$build_dir/CMakeCache.txt" 2>/dev/null || true)
if [ ! -f "$build_dir/CMakeCache.txt" ] && { nm "$demo" 2>/dev/null || true; } | grep -q __tsan_init; then
  sanitize=thread
fi
if [ "$sanitize" = thread ]; then
  sed -n '/kTsanQtSuppressions/,/;/s/^ *"\(.*\)\\n";\{0,1\}$/\1/p' tests/support/sanitizer_rules.h >"$work/tsan.supp"
  export TSAN_OPTIONS="suppressions=$work/tsan.supp${TSAN_OPTIONS:+ $TSAN_OPTIONS}"
fi

# Lines ending with a frame; 0 while the log does not exist yet.
count() {
  local n
  n=$(grep -c -- "$1\$" "$log" 2>/dev/null) || true
  echo "${n:-0}"
}
at_least() { [ "$(count "$1")" -ge "$2" ]; }
exits_within_ms() {
  local deadline=$(($(now_ms) + $1))
  while alive; do
    [ "$(now_ms)" -lt "$deadline" ] || return 1
    sleep 0.005
  done
}
click() { timeout 10 xdotool mousemove --window "$window" "$1" "$2" click 1 >/dev/null 2>&1; }
pause_ms() { sleep "$(printf '%d.%03d' $(($1 / 1000)) $(($1 % 1000)))"; }

# What shows a failure outlives the run's folder.
kept=""
keep() { # FILE [NAME]
  [ -f "$1" ] || return 0
  [ -n "$kept" ] || kept=$(mktemp -d "${TMPDIR:-/tmp}/virn-close-loop-failed.XXXXXX")
  cp "$1" "$kept/${2:-${1##*/}}"
}

failures=0
failed_run=0
failure_notes=()
fail() {
  failures=$((failures + 1))
  failed_run=1
  failure_notes+=("run $run ($how): $*")
  echo "FAIL run $run ($how): $*" >&2
  keep "$err" "run-$run.err"
  keep "$log" "run-$run.wire.log"
}

start_xvfb $((runs * 60 + 300)) "$work" -screen 0 1024x768x24 || { echo "Xvfb did not start" >&2; exit 1; }
export XDG_CONFIG_HOME="$config" QT_QPA_PLATFORM=xcb

echo "close-loop-demo: $runs runs, seed $seed, $demo"
RANDOM=$seed
close_ms=()
first_entries=""
by_button=0
by_signal=0
failed_in_a_row=0
for ((run = 1; run <= runs; run++)); do
  # Three runs in a row that fail say enough, and keep the whole run bounded.
  if [ "$failed_run" = 1 ]; then
    failed_in_a_row=$((failed_in_a_row + 1))
    if [ "$failed_in_a_row" -ge 3 ]; then
      echo "three runs in a row failed: stopping after run $((run - 1))" >&2
      runs=$((run - 1))
      break
    fi
  else
    failed_in_a_row=0
  fi
  failed_run=0
  how=button
  [ $((run % 5)) -eq 0 ] && how=SIGTERM
  # A log left by the last run would show its frames before this run opens it.
  rm -f "$log"
  touch "$work/marker"
  # The file's time must move past the marker's, even on a coarse clock.
  sleep 0.01
  "$demo" --wire-log "$log" >/dev/null 2>"$err" &
  demo_pid=$!
  if ! until_ms "$step_limit_ms" at_least "$version_query" 1; then
    fail "no handshake (version request) within $step_limit_ms ms"
    stop_pid "$demo_pid"
    demo_pid=""
    continue
  fi
  # Anchored: the bench window's title ("Стенд — ВИРН") holds the main one's.
  window=$(timeout 30 xdotool search --sync --all --pid "$demo_pid" --onlyvisible --name '^ВИРН$' 2>/dev/null |
    head -1 || true)
  if [ -z "$window" ]; then
    fail "xdotool found no main window"
    stop_pid "$demo_pid"
    demo_pid=""
    continue
  fi
  click "${start_xy[@]}" || true
  # One or two sweep requests, then a random moment within the sweep period.
  if ! until_ms "$step_limit_ms" at_least "$sweep_request" $((1 + RANDOM % 2)); then
    fail "Start gave no sweep request"
    stop_pid "$demo_pid"
    demo_pid=""
    continue
  fi
  pause_ms $((RANDOM % 400))
  closed_at=$(now_ms)
  if [ "$how" = button ]; then
    click "${exit_xy[@]}" || true
    by_button=$((by_button + 1))
  else
    kill -TERM "$demo_pid"
    by_signal=$((by_signal + 1))
  fi
  if ! exits_within_ms "$close_limit_ms"; then
    fail "still running $close_limit_ms ms after the close"
    # Where it hangs, when gdb is there: every thread's stack less the frames
    # of the C library's waits.
    if command -v gdb >/dev/null; then
      timeout 60 gdb -p "$demo_pid" -batch -ex 'thread apply all bt' 2>/dev/null |
        grep -E '^(Thread|#)' | grep -vE 'nptl/|sysdeps/|bits/std_mutex.h|c\+\+/[0-9]+/condition_variable' |
        cut -c1-160 | head -80 >&2 || true
    fi
    stop_pid "$demo_pid"
    demo_pid=""
    continue
  fi
  took=$(($(now_ms) - closed_at))
  close_ms+=("$took")
  status=0
  wait "$demo_pid" || status=$?
  demo_pid=""
  [ "$status" -eq 0 ] || fail "exit status $status"
  if [ ! -f "$settings" ]; then
    fail "no settings file"
    continue
  fi
  [ "$settings" -nt "$work/marker" ] || fail "the settings file was not written again"
  if ! well_formed "$settings"; then
    fail "the settings file is not well-formed XML"
    keep "$settings" "run-$run.xml"
    continue
  fi
  names=$(entries "$settings" || true)
  if [ -z "$first_entries" ]; then
    first_entries=$names
  elif [ "$names" != "$first_entries" ]; then
    fail "the settings file's entries differ from the first run's"
  fi
  others=$(find "$settings_dir" -mindepth 1 ! -path "$settings" -printf '%f ' 2>/dev/null || true)
  [ -z "$others" ] || fail "beside the settings file: $others"
  if [ $((run % 50)) -eq 0 ]; then
    echo "  $run runs, $failures failures"
  fi
done

mapfile -t sorted < <(printf '%s\n' "${close_ms[@]}" | sort -n | grep .)
n=${#sorted[@]}
echo "runs: $runs ($by_button closed with the exit button, $by_signal with SIGTERM)"
echo "failures: $failures"
if [ "$n" -gt 0 ]; then
  echo "close to end of process: min ${sorted[0]} ms, median ${sorted[$((n / 2))]} ms, max ${sorted[$((n - 1))]} ms"
fi
if [ "$failures" -gt 0 ]; then
  printf '  %s\n' "${failure_notes[@]}" >&2
  for f in "$kept"/run-*.err; do
    [ -f "$f" ] || continue
    echo "--- ${f##*/}" >&2
    tail -20 "$f" >&2
  done
  echo "wire logs, errors and bad settings files kept in $kept (seed $seed)" >&2
  exit 1
fi
