#!/usr/bin/env bash
# Pulls the simulated instrument out of USB and plugs it back N times, at
# moments picked at random among five, each of which every five cycles see once
# in a random order: while the program looks for it (just after a plug), right
# as it answers the version request, during a sweep, during a pause, and in
# generator mode. virn-demo runs on a private Xvfb with a bench FIFO and a wire
# log. After the last plug of every cycle the program must find the instrument
# again: a new version request in the wire log within the limit. It must also
# still answer: a bench command that its main thread carries out, and clicks
# that put frames on the wire (Start, Pause, the mode buttons). At the end a
# sweep must still start and the window close with exit code 0.
#   scripts/replug-demo.sh [--seed S] [--moments LIST] [N]     (default N: 200)
# --moments takes a comma-separated list of discovery, handshake, sweep, pause
# and generator and goes through it in that order instead.
# The time from each plug to the new version request is printed; with
# VIRN_RECONNECT_LIMIT_MS set, a longer one fails the cycle (a program that never
# asks again fails after 30 s in any case).
# Environment: VIRN_BUILD_DIR (default build), VIRN_RECONNECT_LIMIT_MS (unset),
# VIRN_STEP_LIMIT_MS (time allowed for any other reaction, 5000).
set -euo pipefail
cd "$(dirname "$0")/.."

usage() {
  echo "usage: $0 [--seed S] [--moments discovery,handshake,sweep,pause,generator] [N]" \
    "  (N unplug/plug cycles, default 200)" >&2
  exit 2
}
cycles=200
seed=$(((${EPOCHREALTIME/./} / 1000) % 32768))
count_given=""
moments=""
while [ $# -gt 0 ]; do
  case "$1" in
    --moments)
      [ $# -ge 2 ] && [[ "$2" =~ ^(discovery|handshake|sweep|pause|generator)(,(discovery|handshake|sweep|pause|generator))*$ ]] ||
        usage
      moments=$2
      shift 2
      ;;
    --seed)
      [ $# -ge 2 ] && [[ "$2" =~ ^[0-9]+$ ]] || usage
      seed=$((10#$2))
      shift 2
      ;;
    -h | --help) usage ;;
    *)
      [ -z "$count_given" ] && [[ "$1" =~ ^[0-9]+$ ]] && [ $((10#$1)) -gt 0 ] || usage
      cycles=$((10#$1))
      count_given=1
      shift
      ;;
  esac
done

build_dir="${VIRN_BUILD_DIR:-build}"
demo="$build_dir/bin/virn-demo"
reconnect_limit_ms="${VIRN_RECONNECT_LIMIT_MS:-}"
step_limit_ms="${VIRN_STEP_LIMIT_MS:-5000}"

# Client-area centres of the buttons (as TMainForm lays them out; the click's
# effect on the wire is checked every time, so a moved button shows up at once).
start_xy=(481 125)     # KlSpeedButton1, Start
pause_xy=(557 125)     # KlSpeedButton3, Pause
sweep_mode_xy=(212 14) # mnuSwipMode
gen_mode_xy=(238 14)   # mnuGenMode
exit_xy=(335 14)       # ToolButton1, exit

# The frames, as wire-log lines end with them.
version_query=' 09 00 00 00 00'
sweep_request=' 07 01 00 00 00'
stop_frame=' 06 00 00 00 00'
generator_word='^[0-9]* 08 '

work=""
xvfb_pid=""
demo_pid=""
bench_fd_open=0

source scripts/lib/xvfb.sh
cleanup() {
  local rc=$?
  trap - EXIT INT TERM HUP
  [ "$bench_fd_open" = 1 ] && exec 7>&- || true
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

work=$(mktemp -d "${TMPDIR:-/tmp}/virn-replug.XXXXXX")
log="$work/wire.log"
out="$work/demo.out"
err="$work/demo.err"
fifo="$work/bench.fifo"
mkfifo "$fifo"

# Sanitizer builds: leaks at exit belong to the system's libraries, and Qt's
# locks are invisible to ThreadSanitizer; the rules are the test programs' own.
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
count_re() {
  local n
  n=$(grep -c -- "$1" "$log" 2>/dev/null) || true
  echo "${n:-0}"
}
answers() {
  local n
  n=$(grep -c '^counter: ' "$out" 2>/dev/null) || true
  echo "${n:-0}"
}

more_than() { [ "$(count "$1")" -gt "$2" ]; }
more_re_than() { [ "$(count_re "$1")" -gt "$2" ]; }
more_answers_than() { [ "$(answers)" -gt "$1" ]; }

quiet_for_ms() {
  local held
  held=$(count "$sweep_request")
  pause_ms "$1"
  [ "$(count "$sweep_request")" -eq "$held" ]
}

bench() { printf '%s\n' "$@" >&7; }
# A bench command with an answer: once it is there the main thread has carried
# out every earlier command, and it is still taking events.
sync_bench() {
  local before
  before=$(answers)
  bench counter
  until_ms "$step_limit_ms" more_answers_than "$before"
}
click() { timeout 10 xdotool mousemove --window "$window" "$1" "$2" click 1 >/dev/null 2>&1; }
pause_ms() { sleep "$(printf '%d.%03d' $(($1 / 1000)) $(($1 % 1000)))"; }
random_ms() { echo $((RANDOM % ($1 + 1))); }

# What shows a failure outlives the run's folder.
kept=""
keep() { # FILE [NAME]
  [ -f "$1" ] || return 0
  [ -n "$kept" ] || kept=$(mktemp -d "${TMPDIR:-/tmp}/virn-replug-failed.XXXXXX")
  cp "$1" "$kept/${2:-${1##*/}}"
}

failures=0
failure_notes=()
broken=0
fail() {
  failures=$((failures + 1))
  failure_notes+=("cycle $cycle ($kind, wire-log time $(tail -1 "$log" 2>/dev/null | cut -d' ' -f1) ms): $*")
  echo "FAIL cycle $cycle ($kind): $*" >&2
}
# A program that stops answering ends the run: nothing after it would mean anything.
answer_or_break() {
  sync_bench && return 0
  if alive; then fail "no answer to a bench command within $step_limit_ms ms"; else fail "virn-demo is gone"; fi
  broken=1
  return 1
}
# Waits for the program to end by itself; false if it is still there after LIMIT ms.
exits_within_ms() {
  local deadline=$(($(now_ms) + $1))
  while alive; do
    [ "$(now_ms)" -lt "$deadline" ] || return 1
    sleep 0.01
  done
}

start_xvfb $((cycles * 60 + 300)) "$work" -screen 0 1024x768x24 || { echo "Xvfb did not start" >&2; exit 1; }
export XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=xcb

"$demo" --wire-log "$log" --bench "$fifo" >"$out" 2>"$err" &
demo_pid=$!
# Read and write, so that the open never waits for a reader, even when the
# program did not get as far as opening the FIFO.
exec 7<>"$fifo"
bench_fd_open=1

echo "replug-demo: $cycles cycles, seed $seed${moments:+, moments $moments}, $demo"
RANDOM=$seed
cycle=0
kind=start-up
if ! until_ms 30000 more_than "$version_query" 0; then
  echo "virn-demo never asked the instrument for its version" >&2
  tail -20 "$err" >&2
  exit 1
fi
# Anchored: the bench window's title ("Стенд — ВИРН") holds the main one's.
window=$(timeout 30 xdotool search --sync --all --pid "$demo_pid" --onlyvisible --name '^ВИРН$' 2>/dev/null |
  head -1 || true)
[ -n "$window" ] || { echo "xdotool found no main window" >&2; exit 1; }

reconnect_ms=()
kinds=(discovery handshake sweep pause generator)
order=()
[ -n "$moments" ] && IFS=, read -r -a order <<<"$moments"
declare -A kind_count=()

# Clicks Start (a no-op while a sweep runs) and waits for a sweep request.
start_sweep() {
  local before
  before=$(count "$sweep_request")
  click "${start_xy[@]}" || true
  until_ms "$step_limit_ms" more_than "$sweep_request" "$before"
}

# Pulls the instrument and waits until the watchdog (every 5 s) must have seen
# it gone, so that the program is looking for it when the plug comes.
lose_instrument() {
  bench unplug
  answer_or_break || return 1
  pause_ms $((5200 + $(random_ms 500)))
}

# Brings the program to one of the moments and pulls the instrument there.
# False when the program stopped answering.
unplug_at() {
  local before
  case "$1" in
    discovery)
      # Plugged, and pulled again while discovery may be opening it or asking it.
      lose_instrument || return 1
      bench plug
      pause_ms "$(random_ms 150)"
      ;;
    handshake)
      # Pulled the moment the version request reaches it: the reply and the
      # handshake race the unplug.
      lose_instrument || return 1
      before=$(count "$version_query")
      bench plug
      until_ms "$step_limit_ms" more_than "$version_query" "$before" || fail "no version request after a plug"
      ;;
    sweep)
      start_sweep || fail "Start gave no sweep request"
      pause_ms "$(random_ms 2000)"
      ;;
    pause)
      start_sweep || fail "Start gave no sweep request"
      pause_ms "$(random_ms 1000)"
      click "${pause_xy[@]}" || true
      # A request already on its way may still come; after that, none: sweeps
      # come 0.4 s apart, so 0.9 s without one means the pause holds.
      until_ms "$step_limit_ms" quiet_for_ms 900 || fail "sweeps went on after Pause"
      pause_ms "$(random_ms 1000)"
      ;;
    generator)
      before=$(count_re "$generator_word")
      click "${gen_mode_xy[@]}" || true
      until_ms "$step_limit_ms" more_re_than "$generator_word" "$before" || fail "generator mode sent no frequency"
      pause_ms "$(random_ms 1500)"
      ;;
  esac
  bench unplug
  answer_or_break || return 1
  case "$1" in
    discovery | handshake) pause_ms "$(random_ms 300)" ;;
    *) pause_ms "$(random_ms 1500)" ;;
  esac
}

# The last plug of a cycle: the program must find the instrument again, and
# answer; back in generator mode it puts its frequency out again.
plug_and_check() {
  local before generator_before plugged_at took
  before=$(count "$version_query")
  generator_before=$(count_re "$generator_word")
  plugged_at=$(now_ms)
  bench plug
  if ! until_ms 30000 more_than "$version_query" "$before"; then
    if alive; then fail "not found again within 30 s"; else fail "virn-demo is gone"; fi
    broken=1
    return 1
  fi
  took=$(($(now_ms) - plugged_at))
  reconnect_ms+=("$took")
  if [ -n "$reconnect_limit_ms" ] && [ "$took" -gt "$reconnect_limit_ms" ]; then
    fail "found again only after $took ms (limit $reconnect_limit_ms)"
  fi
  answer_or_break || return 1
  if [ "$1" = generator ]; then
    until_ms "$step_limit_ms" more_re_than "$generator_word" "$generator_before" ||
      fail "the generator frequency was not sent again after the plug"
    before=$(count "$stop_frame")
    click "${sweep_mode_xy[@]}" || true
    until_ms "$step_limit_ms" more_than "$stop_frame" "$before" || fail "back to sweep mode sent no stop"
  fi
}

while [ "$cycle" -lt "$cycles" ] && [ "$broken" = 0 ]; do
  cycle=$((cycle + 1))
  # Every five cycles see each moment once, in a random order (or the order given).
  if [ ${#order[@]} -gt 0 ]; then
    round=("${order[@]}")
  elif [ $(((cycle - 1) % ${#kinds[@]})) -eq 0 ]; then
    round=("${kinds[@]}")
    for ((i = ${#round[@]} - 1; i > 0; i--)); do
      j=$((RANDOM % (i + 1)))
      t=${round[i]} && round[i]=${round[j]} && round[j]=$t
    done
  fi
  kind=${round[$(((cycle - 1) % ${#round[@]}))]}
  kind_count[$kind]=$((${kind_count[$kind]:-0} + 1))
  unplug_at "$kind" && plug_and_check "$kind" || true
  if [ $((cycle % 50)) -eq 0 ]; then
    echo "  $cycle cycles, $failures failures"
  fi
done

# Still usable after all that: a sweep starts, and the window closes cleanly.
kind=end
if alive; then
  if [ "$broken" = 0 ]; then
    start_sweep || fail "Start gave no sweep request after the last cycle"
  fi
  click "${exit_xy[@]}" || true
  if exits_within_ms 20000; then
    status=0
    wait "$demo_pid" || status=$?
    demo_pid=""
    [ "$status" -eq 0 ] || fail "virn-demo exited with status $status"
  else
    fail "virn-demo did not end within 20 s of the exit button"
  fi
else
  status=0
  wait "$demo_pid" || status=$?
  demo_pid=""
  fail "virn-demo ended on its own with status $status"
fi

mapfile -t sorted < <(printf '%s\n' "${reconnect_ms[@]}" | sort -n | grep .)
n=${#sorted[@]}
echo "cycles: $cycle of $cycles (discovery ${kind_count[discovery]:-0}, handshake ${kind_count[handshake]:-0}," \
  "sweep ${kind_count[sweep]:-0}, pause ${kind_count[pause]:-0}, generator ${kind_count[generator]:-0})"
echo "failures: $failures"
if [ "$n" -gt 0 ]; then
  echo "reconnect after the plug: min ${sorted[0]} ms, median ${sorted[$((n / 2))]} ms, max ${sorted[$((n - 1))]} ms"
fi
if [ "$failures" -gt 0 ]; then
  printf '  %s\n' "${failure_notes[@]}" >&2
  echo "virn-demo's last errors (seed $seed):" >&2
  tail -20 "$err" >&2
  keep "$log"
  keep "$out" bench.out
  keep "$err"
  echo "wire log and output kept in $kept" >&2
  exit 1
fi
