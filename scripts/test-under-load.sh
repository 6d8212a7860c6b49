#!/usr/bin/env bash
# Runs the test stages of .ci/run (the plain, ASan and TSan suites) ROUNDS times
# in a row beside CPU hogs, one per core (stress-ng --cpu N), and prints each
# stage's time and result: a suite that only passes on an idle machine fails
# here. Builds what is missing first, without the hogs.
#   scripts/test-under-load.sh [ROUNDS]      (default 1)
# Environment: VIRN_HOGS (number of hogs, default: the number of cores).
set -euo pipefail
cd "$(dirname "$0")/.."
rounds="${1:-1}"
[[ "$rounds" =~ ^[1-9][0-9]*$ ]] || { echo "usage: $0 [ROUNDS]" >&2; exit 2; }
hogs="${VIRN_HOGS:-$(nproc)}"
command -v stress-ng >/dev/null || { echo "stress-ng is missing (scripts/setup-debian.sh installs it)" >&2; exit 2; }

presets=(default asan tsan)
for preset in "${presets[@]}"; do scripts/build.sh "$preset" >/dev/null; done

hog_pid=""
trap '[ -n "$hog_pid" ] && kill "$hog_pid" 2>/dev/null; wait 2>/dev/null || true' EXIT
stress-ng --cpu "$hogs" --quiet &
hog_pid=$!

export QT_QPA_PLATFORM=offscreen
failed=0
for ((round = 1; round <= rounds; round++)); do
  for preset in "${presets[@]}"; do
    log="build/test-under-load-$preset-$round.log"
    [ "$preset" = default ] || log="build-$preset/test-under-load-$round.log"
    start=$(date +%s)
    if ctest --preset "$preset" -j"$(nproc)" >"$log" 2>&1; then result=passed; else result=FAILED failed=1; fi
    summary=$(grep -E "tests passed|tests failed" "$log" | tail -1)
    echo "round $round, $preset: $result in $(($(date +%s) - start)) s ($summary; load $(cut -d' ' -f1-3 /proc/loadavg))"
    [ "$result" = passed ] || awk '/tests FAILED:/ { f = 1; next } f && /^[[:space:]]+[0-9]+ - / { print "   " $0 }' "$log"
  done
done
exit "$failed"
