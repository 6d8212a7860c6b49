#!/usr/bin/env bash
# Measures virn-sweep on the simulated instrument: sweeps a second and CPU time
# (user + system, the simulated instrument's threads included, since it runs in
# the same process) a sweep over N sweeps at the 400 ms period with the delay
# on, the window's default. The time includes finding the instrument (about 100 ms)
# and the start-up, which the sweeps a second below leave out by taking the
# difference of two runs.
#   scripts/measure-sweep.sh [N] [path/to/virn-sweep]   (default: 20, build/bin/virn-sweep)
set -euo pipefail
cd "$(dirname "$0")/.."
count="${1:-20}"
sweep="${2:-build/bin/virn-sweep}"
[ -x "$sweep" ] || { echo "measure-sweep: no $sweep (build first)" >&2; exit 1; }
command -v python3 >/dev/null || { echo "measure-sweep: needs python3 (for the CPU times in microseconds)" >&2; exit 1; }
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
export XDG_CONFIG_HOME="$home"

# Prints "wall user system" in seconds for one run of COUNT sweeps: the child's
# resource usage, which /usr/bin/time rounds to 10 ms, in microseconds.
run() {
  python3 - "$sweep" "$1" "$home/out.csv" >"$home/time" <<'PY' || { echo "measure-sweep: virn-sweep failed" >&2; exit 1; }
import resource, subprocess, sys, time
sweep, count, out = sys.argv[1:4]
start = time.monotonic()
code = subprocess.call([sweep, "--simulated", "--count", count, "--period", "1", "--delay", "--output", out])
wall = time.monotonic() - start
usage = resource.getrusage(resource.RUSAGE_CHILDREN)
print(f"{wall:.3f} {usage.ru_utime:.6f} {usage.ru_stime:.6f}")
sys.exit(code)
PY
  rows=$(($(wc -l <"$home/out.csv") - 1))
  [ "$rows" -eq $(($1 * 421)) ] || { echo "measure-sweep: $rows rows for $1 sweeps" >&2; exit 1; }
  cat "$home/time"
}

read -r wall1 user1 sys1 < <(run 1)
read -r wall user sys < <(run "$count")
awk -v n="$count" -v w="$wall" -v u="$user" -v s="$sys" -v w1="$wall1" -v u1="$user1" -v s1="$sys1" 'BEGIN {
  printf "%d sweeps: %.2f s wall, %.4f s user, %.4f s system\n", n, w, u, s
  printf "1 sweep:  %.2f s wall, %.4f s user, %.4f s system\n", w1, u1, s1
  printf "sweeps a second (difference of the two runs): %.2f\n", (n - 1) / (w - w1)
  printf "CPU a sweep (difference of the two runs): %.2f ms\n", 1000 * ((u + s) - (u1 + s1)) / (n - 1)
  printf "CPU a sweep (whole %d-sweep run): %.2f ms\n", n, 1000 * (u + s) / n
}'
