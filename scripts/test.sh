#!/usr/bin/env bash
# Sets everything up, builds and runs the whole test suite.
#   scripts/test.sh          the normal build
#   scripts/test.sh asan     under AddressSanitizer + UndefinedBehaviorSanitizer
#   scripts/test.sh tsan     under ThreadSanitizer
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-default}"
scripts/setup-debian.sh
scripts/build.sh "$preset"
export QT_QPA_PLATFORM=offscreen
ctest --preset "$preset" -j"$(nproc)"
