#!/usr/bin/env bash
# Takes the user guide's and the README's screenshots from virn-demo on a
# private Xvfb, with fresh settings each run, and writes them as 8-bit palette
# PNGs into help/images/ (the guide) and docs/ (the README). Run it again to
# retake them all; the pictures are replaced only when every one was taken.
#
# The walk, as a user would do it, clicking with xdotool and changing the
# bench through --bench: the options dialog; generator mode and the frequency
# calibration, typing what the bench's counter reads; the level calibration
# through a 50 Ω cable and a -40 dB attenuator; the flatness calibration and
# the cable flat with it; a curve kept of the cable; the
# band-pass filter with the plot's context menu open, then with the marker at
# -3 dB and the Q line on; the print preview; the analyser with the bench's
# carrier; "Масштаб" set to 200 % and the exit button; then, at the next start
# at 200 %, the band-pass with the marker and generator mode again.
#   scripts/screenshots.sh
# Environment: VIRN_BUILD_DIR (default build), VIRN_STEP_LIMIT_MS (time allowed
# for any reaction of the program, default 10000).
set -euo pipefail
cd "$(dirname "$0")/.."

[ $# -eq 0 ] || { echo "usage: $0   (no arguments; VIRN_BUILD_DIR picks the build tree)" >&2; exit 2; }

build_dir="${VIRN_BUILD_DIR:-build}"
demo="$build_dir/bin/virn-demo"
step_limit_ms="${VIRN_STEP_LIMIT_MS:-10000}"

# Client-area centres, as TMainForm and the dialogs lay them out.
print_xy=(16 14)           # mnuPrint
option_xy=(127 14)         # mnuOption
freq_cal_xy=(152 14)       # mnuCorrFreq
level_cal_xy=(178 14)      # mnuCaOut
sweep_mode_xy=(212 14)     # mnuSwipMode
gen_mode_xy=(238 14)       # mnuGenMode
analyser_mode_xy=(264 14)  # mnuAnaliserMode
exit_xy=(335 14)           # ToolButton1
start_xy=(481 125)         # KlSpeedButton1
plot_xy=(300 200)          # where the plot's context menu is opened
pointer_xy=(254 160)       # where the pointer rests, for the status bar's level and frequency
wizard_next_xy=(266 112)   # KlButton1 of both wizards, "Далее"
wizard_close_xy=(345 112)  # KlButton3, "Отмена" / "Готово"
option_cancel_xy=(153 131) # KlButton2 of the options dialog, "Отмена"

version_query=' 09 00 00 00 00'
sweep_request=' 07 01 00 00 00'

work=""
xvfb_pid=""
demo_pid=""
bench_fd_open=0
main=""
bench_window=""
# Device pixels per pixel of the program's own layout: the clicks' coordinates
# are those of the layout at 100 %.
scale=1

source scripts/lib/xvfb.sh
cleanup() {
  local rc=$?
  trap - EXIT INT TERM HUP
  if [ "$bench_fd_open" = 1 ]; then exec 7>&-; fi
  stop_pid "$demo_pid"
  stop_pid "$xvfb_pid"
  [ -n "$work" ] && rm -rf "$work"
  exit "$rc"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
trap 'exit 129' HUP

# What the screen showed, the wire log and the program's output outlive a
# failed run.
fail() {
  echo "screenshots: $*" >&2
  if [ -n "$work" ] && [ -d "$work" ]; then
    local kept
    kept=$(mktemp -d "${TMPDIR:-/tmp}/virn-screenshots-failed.XXXXXX")
    if [ -n "${DISPLAY:-}" ]; then
      timeout 10 xwd -root -silent 2>/dev/null | xwdtopnm 2>/dev/null | pnmtopng >"$kept/screen.png" 2>/dev/null || true
    fi
    cp "$work"/wire.log "$work"/demo.out "$work"/demo.err "$kept/" 2>/dev/null || true
    tail -20 "$work/demo.err" >&2 2>/dev/null || true
    echo "the screen, the wire log and the program's output kept in $kept" >&2
  fi
  exit 1
}

if [ ! -x "$demo" ]; then
  case "${build_dir%/}" in
    build | "$PWD/build") scripts/build.sh default ;;
    *) echo "$demo is missing: build it first" >&2 && exit 2 ;;
  esac
fi
for tool in Xvfb xdotool timeout xwd xwdtopnm pamcut pamcomp pnmmargin pnmtopng pngquant; do
  command -v "$tool" >/dev/null || { echo "$tool is missing (scripts/setup-debian.sh installs it)" >&2; exit 2; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/virn-screenshots.XXXXXX")
log="$work/wire.log"
out="$work/demo.out"
err="$work/demo.err"
fifo="$work/bench.fifo"
shots="$work/shots"
mkdir -p "$shots/help/images" "$shots/docs"
mkfifo "$fifo"

pause_ms() { sleep "$(printf '%d.%03d' $(($1 / 1000)) $(($1 % 1000)))"; }
count() {
  local n
  n=$(grep -c -- "$1\$" "$log" 2>/dev/null) || true
  echo "${n:-0}"
}
answers() {
  local n
  n=$(grep -c '^counter: ' "$out" 2>/dev/null) || true
  echo "${n:-0}"
}
more_than() { [ "$(count "$1")" -gt "$2" ]; }
more_answers_than() { [ "$(answers)" -gt "$1" ]; }

bench() { printf '%s\n' "$@" >&7; }
# The counter's reading once the program's main thread has carried out every
# earlier bench command: "45000450" or "no signal".
counter() {
  local before
  before=$(answers)
  bench counter
  until_ms "$step_limit_ms" more_answers_than "$before" || fail "no answer to the bench's counter command"
  grep '^counter: ' "$out" | tail -1 | sed 's/^counter: //; s/ Hz$//'
}
# Waits until the instrument has been asked for N more sweeps.
sweeps() { # N WHAT
  local before
  before=$(count "$sweep_request")
  until_ms "$step_limit_ms" more_than "$sweep_request" $((before + $1 - 1)) || fail "no sweeps ($2)"
}
click() { # WINDOW X Y [BUTTON]
  timeout 10 xdotool mousemove --window "$1" $(($2 * scale)) $(($3 * scale)) click "${4:-1}" >/dev/null 2>&1 ||
    fail "xdotool could not click"
}
key() { timeout 10 xdotool key "$@" >/dev/null 2>&1 || fail "xdotool could not press $*"; }
visible_windows() { timeout 5 xdotool search --all --pid "$demo_pid" --onlyvisible --class '.' 2>/dev/null || true; }
# The first visible window of the program whose title matches; waits for it.
window_named() { # REGEX WHAT
  local id="" deadline=$(($(now_ms) + step_limit_ms))
  while [ -z "$id" ]; do
    alive || fail "virn-demo is gone, waiting for $2"
    [ "$(now_ms)" -lt "$deadline" ] || fail "no window for $2"
    id=$(timeout 5 xdotool search --all --pid "$demo_pid" --onlyvisible --name "$1" 2>/dev/null | head -1 || true)
    [ -n "$id" ] || sleep 0.05
  done
  echo "$id"
}
gone() { # WINDOW WHAT
  local deadline=$(($(now_ms) + step_limit_ms))
  while visible_windows | grep -qx "$1"; do
    alive || fail "virn-demo is gone, waiting for $2 to close"
    [ "$(now_ms)" -lt "$deadline" ] || fail "$2 did not close"
    sleep 0.05
  done
}
geometry() { # WINDOW -> "X Y WIDTH HEIGHT"
  local shell field
  shell=$(timeout 5 xdotool getwindowgeometry --shell "$1" 2>/dev/null) || fail "no geometry for window $1"
  for field in X Y WIDTH HEIGHT; do sed -n "s/^$field=//p" <<<"$shell"; done | tr '\n' ' '
}

# An 8-bit palette PNG from a PNM on standard input, without dithering: the
# grid, the curve and the text keep their edges.
to_png() { # OUT
  pnmtopng >"$work/full.png" 2>/dev/null || fail "no picture for $1"
  pngquant --force --nofs --strip --speed 1 --output "$1" 256 -- "$work/full.png" || fail "pngquant failed on $1"
}
shot_window() { # WINDOW OUT
  timeout 10 xwd -id "$1" -silent >"$work/shot.xwd" || fail "xwd could not take $2"
  xwdtopnm <"$work/shot.xwd" 2>/dev/null | to_png "$2"
}
# Part of the screen, with the windows given drawn over it from their own
# pictures: a picture of the root leaves a dialog black when Qt gave its
# window another depth than the screen's.
shot_area() { # LEFT TOP WIDTH HEIGHT OUT [WINDOW...]
  local left=$1 top=$2 width=$3 height=$4 target=$5 window x y
  shift 5
  timeout 10 xwd -root -silent >"$work/shot.xwd" || fail "xwd could not take $target"
  xwdtopnm <"$work/shot.xwd" >"$work/area.pnm" 2>/dev/null || fail "no picture of the screen for $target"
  for window in "$@"; do
    timeout 10 xwd -id "$window" -silent >"$work/window.xwd" || fail "xwd could not take a window for $target"
    # In a grey line of its own, as no window manager draws a frame here.
    xwdtopnm <"$work/window.xwd" 2>/dev/null | pnmmargin -color '#606060' 1 >"$work/window.pnm" 2>/dev/null ||
      fail "no picture of a window for $target"
    read -r x y _ _ <<<"$(geometry "$window")"
    pamcomp -xoff=$((x - 1)) -yoff=$((y - 1)) "$work/window.pnm" "$work/area.pnm" >"$work/composed.pnm" 2>/dev/null ||
      fail "pamcomp could not draw a window into $target"
    mv "$work/composed.pnm" "$work/area.pnm"
  done
  pamcut -left "$left" -top "$top" -width "$width" -height "$height" "$work/area.pnm" 2>/dev/null | to_png "$target"
}
# The pop-up menu the program shows: its one visible window besides the main
# window and the bench. Empty when none shows within LIMIT ms.
menu_window() { # LIMIT
  local id="" deadline=$(($(now_ms) + $1))
  while [ -z "$id" ] && [ "$(now_ms)" -lt "$deadline" ]; do
    id=$(visible_windows | grep -vx -e "$main" -e "$bench_window" | tail -1 || true)
    [ -n "$id" ] || sleep 0.05
  done
  echo "$id"
}
# Opens the plot's context menu into $menu. Right after a menu closed a click
# may go unanswered, so it is repeated a few times.
open_plot_menu() {
  local attempt
  menu=""
  for attempt in 1 2 3 4 5; do
    pause_ms $((attempt * 100))
    click "$main" "${plot_xy[@]}" 3
    menu=$(menu_window 2000)
    [ -n "$menu" ] && return 0
  done
  fail "the plot's context menu did not show"
}
# Picks an item of the plot's context menu with the keyboard (disabled items
# are skipped): KEYS... as xdotool names them.
plot_menu() {
  open_plot_menu
  key "$@"
  key Return
  gone "$menu" "the plot's context menu"
}

# White behind the windows, for the pictures that show more than one.
# Room for both windows at 200 % too.
start_xvfb 300 "$work" -screen 0 2560x1600x24 -wr || fail "Xvfb did not start"
export XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=xcb
# The same look wherever the script runs: Qt's own style, the fonts of the
# set-up script, numbers with a decimal point.
export QT_STYLE_OVERRIDE=Fusion QT_SCALE_FACTOR=1 LC_ALL=C.UTF-8

started=$(now_ms)
# Starts virn-demo and waits for its windows and the instrument's handshake.
start_demo() {
  "$demo" --wire-log "$log" --bench "$fifo" >"$out" 2>"$err" &
  demo_pid=$!
  if [ "$bench_fd_open" = 0 ]; then
    # Read and write, so that the open never waits for a reader.
    exec 7<>"$fifo"
    bench_fd_open=1
  fi
  until_ms 30000 more_than "$version_query" 0 || fail "virn-demo never asked the instrument for its version"
  main=$(window_named '^ВИРН$' "the main window")
  bench_window=$(window_named '^Стенд' "the bench window")
}
# Clicks the exit button and waits for the program to end well.
exit_demo() {
  local deadline status=0
  click "$main" "${exit_xy[@]}"
  deadline=$(($(now_ms) + 20000))
  while alive && [ "$(now_ms)" -lt "$deadline" ]; do sleep 0.05; done
  alive && fail "virn-demo did not end within 20 s of the exit button"
  wait "$demo_pid" || status=$?
  demo_pid=""
  [ "$status" -eq 0 ] || fail "virn-demo exited with status $status"
}
start_demo
# The main window at the top left, the bench just right of it.
read -r bench_x _ bench_w bench_h <<<"$(geometry "$bench_window")"
both_w=$((bench_x + bench_w))
both_h=$bench_h
[ "$(counter)" = "no signal" ] || fail "the counter reads a signal before anything was set up"

# The options dialog, left with "Отмена".
click "$main" "${option_xy[@]}"
dialog=$(window_named '^Настройки' "the options dialog")
shot_window "$dialog" "$shots/help/images/options.png"
click "$dialog" "${option_cancel_xy[@]}"
gone "$dialog" "the options dialog"

# Generator mode and the frequency calibration: the bench's counter reads what
# the instrument puts out for the wizard's nominal 45 MHz, and that is typed in.
click "$main" "${gen_mode_xy[@]}"
click "$main" "${freq_cal_xy[@]}"
wizard=$(window_named '^Калибровка частоты' "the frequency calibration")
shot_window "$wizard" "$shots/help/images/wizard-frequency-1.png"
click "$wizard" "${wizard_next_xy[@]}"
measured=$(counter)
[[ "$measured" =~ ^[0-9]+$ ]] || fail "the counter reads \"$measured\" while the wizard puts out its frequency"
timeout 10 xdotool type --delay 20 "$measured" || fail "xdotool could not type"
pause_ms 300
shot_window "$wizard" "$shots/help/images/wizard-frequency-2.png"
click "$wizard" "${wizard_next_xy[@]}"
pause_ms 300
click "$wizard" "${wizard_close_xy[@]}"
gone "$wizard" "the frequency calibration"
generated=$(counter)
[ "$generated" = 1000000 ] || fail "after the frequency calibration the 1 MHz generator reads $generated Hz"
# The bench's counter display refreshes on its own timer.
pause_ms 500
shot_window "$main" "$shots/help/images/generator.png"
shot_area 0 0 "$both_w" "$both_h" "$shots/docs/virn-demo-generator.png"

# The level calibration, through a cable and then a -40 dB attenuator.
click "$main" "${sweep_mode_xy[@]}"
bench "dut through"
click "$main" "${start_xy[@]}"
sweeps 2 "after Start"
click "$main" "${level_cal_xy[@]}"
wizard=$(window_named '^Калибровка уровня' "the level calibration")
shot_window "$wizard" "$shots/help/images/wizard-level-1.png"
click "$wizard" "${wizard_next_xy[@]}"
# A wait of 50 ms, then ten readings 50 ms apart; the wizard takes no clicks meanwhile.
pause_ms 1500
bench "dut attenuator 40"
counter >/dev/null
sweeps 2 "through the attenuator"
shot_window "$wizard" "$shots/help/images/wizard-level-2.png"
shot_area 0 0 "$both_w" "$both_h" "$shots/docs/virn-demo-wizard.png" "$wizard"
click "$wizard" "${wizard_next_xy[@]}"
pause_ms 1500
click "$wizard" "${wizard_close_xy[@]}"
gone "$wizard" "the level calibration"

# The flatness calibration through the cable, from the plot's menu ("Калибровка
# АЧХ…" above "Масштаб"; "Коррекция АЧХ" between them is disabled until there is
# a correction); then the cable flat on the plot with the mark, and the
# correction switched off again, so that the pictures below are as measured.
bench "dut through"
counter >/dev/null
plot_menu Up Up
wizard=$(window_named '^Калибровка АЧХ' "the flatness calibration")
click "$wizard" "${wizard_next_xy[@]}"
sweeps 4 "of the flatness calibration"
shot_window "$wizard" "$shots/help/images/wizard-flatness.png"
# Ten sweeps of about half a second in all.
pause_ms 6000
click "$wizard" "${wizard_close_xy[@]}"
gone "$wizard" "the flatness calibration"
click "$main" "${start_xy[@]}"
sweeps 3 "through the cable, corrected"
pause_ms 200
shot_window "$main" "$shots/help/images/sweep-flat.png"
plot_menu Up Up # "Коррекция АЧХ", off

# A curve kept of the cable, the 0 dB line to compare with; then the band-pass
# filter under it, the plot's context menu open with "Убрать кривые" usable.
bench "dut through"
counter >/dev/null
sweeps 3 "through the cable"
plot_menu Down Down # "Запомнить кривую"
bench "dut bandpass"
counter >/dev/null
sweeps 3 "with the filter"
open_plot_menu
pause_ms 300
read -r menu_x menu_y menu_w menu_h <<<"$(geometry "$menu")"
right=$((menu_x + menu_w + 4))
bottom=$((menu_y + menu_h + 4))
shot_area 0 0 $((right > 634 ? right : 634)) $((bottom > 325 ? bottom : 325)) \
  "$shots/help/images/plot-menu.png" "$menu"
key Escape
gone "$menu" "the plot's context menu"

# The marker 3 dB below the maximum and the Q line, both from the context
# menu, the kept curve taken away, the pointer resting on the plot.
plot_menu Down Down Down Down # "Визир на −3 дБ", past "Убрать кривые"
plot_menu Up Up Up Up         # "Показывать добротность", above the flatness items and "Масштаб"
plot_menu Down Down Down      # "Убрать кривые"
timeout 10 xdotool mousemove --window "$main" "${pointer_xy[@]}" >/dev/null 2>&1 || fail "xdotool could not move the pointer"
sweeps 3 "with the marker"
pause_ms 200
shot_window "$main" "$shots/help/images/sweep-marker.png"
shot_area 0 0 "$both_w" "$both_h" "$shots/docs/virn-demo-sweep.png"

# The print preview, a little smaller than it opens, left with Escape.
click "$main" "${print_xy[@]}"
preview=$(window_named '^Печать' "the print preview")
timeout 5 xdotool windowsize "$preview" 720 480 >/dev/null 2>&1 || fail "xdotool could not size the preview"
pause_ms 800
shot_window "$preview" "$shots/help/images/print-preview.png"
cp "$shots/help/images/print-preview.png" "$shots/docs/virn-demo-print-preview.png"
key Escape
gone "$preview" "the print preview"

# The analyser with the bench's carrier at the input.
bench "dut carrier"
click "$main" "${analyser_mode_xy[@]}"
click "$main" "${start_xy[@]}"
sweeps 3 "in analyser mode"
pause_ms 200
shot_window "$main" "$shots/help/images/analyser.png"
shot_window "$bench_window" "$shots/help/images/bench.png"
shot_area 0 0 "$both_w" "$both_h" "$shots/docs/virn-demo-bench.png"

# "Масштаб", the last item, then "200 %", the fourth of its items; the program
# says the scale applies at the next start.
plot_menu Up Right Down Down Down
message=$(menu_window "$step_limit_ms")
[ -n "$message" ] || fail "no message after choosing a scale"
key Return
gone "$message" "the message about the scale"
exit_demo

# The next start, at 200 %: the settings of the first run, so the marker stands
# where it was and the analyser is the mode to leave.
log="$work/wire-200.log"
out="$work/demo-200.out"
start_demo
read -r _ _ main_w main_h <<<"$(geometry "$main")"
[ "$main_w" -gt 1000 ] || fail "the main window is $main_w pixels wide at 200 %"
echo "screenshots: at 200 % the main window is at $(geometry "$main"), the bench window at $(geometry "$bench_window")"
# The pictures are of the main window alone: a bench over it would be in them.
read -r bench_x bench_y _ _ <<<"$(geometry "$bench_window")"
if [ "$bench_x" -lt "$main_w" ] && [ "$bench_y" -lt "$main_h" ]; then
  timeout 5 xdotool windowmove "$bench_window" "$main_w" 0 >/dev/null 2>&1 || fail "xdotool could not move the bench"
fi
scale=2
bench "dut bandpass"
click "$main" "${sweep_mode_xy[@]}"
click "$main" "${start_xy[@]}"
sweeps 3 "at 200 %"
plot_menu Up Up Up Up # "Показывать добротность"
timeout 10 xdotool mousemove --window "$main" $((pointer_xy[0] * 2)) $((pointer_xy[1] * 2)) >/dev/null 2>&1 ||
  fail "xdotool could not move the pointer"
sweeps 3 "with the marker at 200 %"
pause_ms 200
shot_window "$main" "$shots/help/images/sweep-marker-200.png"
cp "$shots/help/images/sweep-marker-200.png" "$shots/docs/virn-demo-sweep-200.png"
click "$main" "${gen_mode_xy[@]}"
pause_ms 500
shot_window "$main" "$shots/help/images/generator-200.png"
cp "$shots/help/images/generator-200.png" "$shots/docs/virn-demo-generator-200.png"
exit_demo

mkdir -p help/images docs
cp "$shots/help/images/"*.png help/images/
cp "$shots/docs/"*.png docs/
echo "screenshots: $(find "$shots" -name '*.png' | wc -l) pictures in $((($(now_ms) - started) / 1000)) s"
(cd "$shots" && find . -name '*.png' | sort | while read -r f; do printf '  %-36s %6d bytes\n' "${f#./}" "$(stat -c %s "$f")"; done)
