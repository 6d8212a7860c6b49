#!/usr/bin/env bash
# Configures and builds one of the presets (default, asan, tsan).
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-default}"
# Paths below the clone's root are hashed relative to it, and the build folder's own path is
# left out of the debug info's hash, so a clone in another folder reuses the same cache entries.
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=true
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j"$(nproc)"
