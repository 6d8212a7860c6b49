#!/usr/bin/env bash
# Sets everything up, builds, and starts virn-demo on the simulated instrument.
# Extra arguments go to virn-demo (see virn-demo --help).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-debian.sh
scripts/build.sh default
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display found: starting virn-demo on a virtual X server (xvfb-run)." >&2
  exec xvfb-run -a build/bin/virn-demo "$@"
fi
exec build/bin/virn-demo "$@"
