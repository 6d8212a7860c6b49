#!/usr/bin/env bash
# The start-up's phases of one or more builds of virn-demo (or virn), and the
# resident memory 5 s after start, each run on a fresh virtual X server with a
# fresh home; the builds take turns, round after round, and the medians are
# printed at the end. Phases come from the program's own marks
# (VIRN_STARTUP_TRACE); the start is taken just before the program is launched.
#   scripts/measure-startup.sh [-r rounds] [program ...]   (default: 3 rounds, build/bin/virn-demo)
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=3
if [ "${1:-}" = "-r" ]; then
  rounds=$2
  shift 2
fi
programs=("$@")
[ ${#programs[@]} -gt 0 ] || programs=(build/bin/virn-demo)
settle=5  # seconds after start at which the memory is read

work=$(mktemp -d)
pid=""
xvfb=""
stop() {
  for p in ${pid:-} ${xvfb:-}; do
    kill "$p" 2>/dev/null || true
    wait "$p" 2>/dev/null || true
  done
  pid=""
  xvfb=""
}
trap 'stop; rm -rf "$work"' EXIT
trap 'exit 130' INT TERM HUP

fail() {
  echo "measure-startup: $*" >&2
  exit 1
}

run_once() {  # program, result file
  local program=$1 out=$2 home
  home=$(mktemp -d -p "$work")
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$home/display" >/dev/null 2>&1 &
  xvfb=$!
  for _ in $(seq 200); do [ -s "$home/display" ] && break; sleep 0.05; done
  [ -s "$home/display" ] || fail "Xvfb did not start within 10 s"
  local wanted=window-mapped
  case "$program" in *virn-demo) wanted=bench-mapped ;; esac
  local start=$EPOCHREALTIME
  DISPLAY=":$(cat "$home/display")" XDG_CONFIG_HOME="$home" HOME="$home" QT_QPA_PLATFORM=xcb \
    VIRN_STARTUP_TRACE="$home/trace" "$program" >/dev/null 2>&1 &
  pid=$!
  local deadline=$((${start%.*} + 30))
  until grep -qs "^$wanted " "$home/trace"; do
    kill -0 "$pid" 2>/dev/null || fail "$program ended before its window showed"
    [ "${EPOCHREALTIME%.*}" -lt "$deadline" ] || fail "no window within 30 s"
    sleep 0.01
  done
  local now=$EPOCHREALTIME
  sleep "$(awk -v s="$start" -v n="$now" -v w="$settle" 'BEGIN { d = w - (n - s); print (d > 0 ? d : 0) }')"
  local rss
  rss=$(awk '/^VmRSS/ { print $2 }' "/proc/$pid/status")
  {
    echo "start ${start/./}"
    cat "$home/trace"
    echo "rss-kB $rss"
  } >"$out"
  stop
  rm -rf "$home"
}

for round in $(seq "$rounds"); do
  for i in "${!programs[@]}"; do
    run_once "${programs[$i]}" "$work/result.$i.$round"
  done
done

for i in "${!programs[@]}"; do
  echo "== ${programs[$i]} ($rounds runs, medians; ms since the launch, and the phase's own share)"
  python3 - "$work"/result."$i".* <<'PY'
import statistics, sys
runs = []
for name in sys.argv[1:]:
    marks = {}
    order = []
    for line in open(name):
        key, value = line.split()
        if key not in marks:
            order.append(key)
        marks.setdefault(key, int(value))
    runs.append((order, marks))
order = [k for k in runs[0][0] if k not in ("start", "rss-kB")]
previous = "start"
for key in order:
    since = [(m[key] - m["start"]) / 1000 for _, m in runs if key in m]
    step = [(m[key] - m[previous]) / 1000 for _, m in runs if key in m and previous in m]
    print(f"  {key:18} {statistics.median(since):8.1f} ms   (+{statistics.median(step):6.1f})")
    previous = key
rss = [m["rss-kB"] / 1024 for _, m in runs]
print(f"  {'resident at 5 s':18} {statistics.median(rss):8.1f} MB   (runs: {', '.join(f'{r:.1f}' for r in rss)})")
PY
done
