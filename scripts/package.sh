#!/usr/bin/env bash
# Sets everything up, builds, makes the Debian package and checks it
# (scripts/check-package.sh: lintian, the desktop and AppStream validators, the
# unpacked program started on a private Xvfb). Prints the package's path.
#   scripts/package.sh              the default tree build/ (preset default)
#   scripts/package.sh BUILD_DIR    a tree of its own, without tests and benchmarks
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
scripts/setup-debian.sh
case "${build%/}" in
  build | "$PWD/build") scripts/build.sh default ;;
  *)
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVIRN_BUILD_TESTS=OFF -DVIRN_BUILD_BENCH=OFF \
      >/dev/null
    cmake --build "$build" -j"$(nproc)"
    ;;
esac
scripts/check-package.sh "$build"
find "$build" -maxdepth 1 -name 'virn_*.deb'
