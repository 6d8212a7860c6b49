#!/usr/bin/env bash
# Fails when a folder of src/ uses something its README's "Depends on:" does
# not allow (scripts/check-deps.py), when a source file differs from
# clang-format's layout, or when clang-tidy (the checks of .clang-tidy) finds
# something in the program's sources. Needs a configured build directory for
# the compile commands.
#   scripts/check-style.sh [BUILD_DIR]     (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
[ -f "$build/compile_commands.json" ] || { echo "check-style: no $build/compile_commands.json; build first" >&2; exit 2; }

scripts/check-deps.py src

mapfile -t sources < <(git ls-files '*.cpp' '*.h')
echo "clang-format: ${#sources[@]} files"
clang-format --dry-run --Werror "${sources[@]}"

# A file clang-tidy passed before, unchanged down to its headers and flags, is
# not checked again (scripts/tidy-cached.py keeps the verdicts in ~/.cache).
echo "clang-tidy: src/"
scripts/tidy-cached.py "$build" "$(nproc)" > "$build/clang-tidy.log" 2>&1 || {
  grep -E "warning:|error:" "$build/clang-tidy.log" | sort -u >&2 || true
  echo "check-style: clang-tidy found the above (full log: $build/clang-tidy.log)" >&2
  exit 1
}
echo "style: clean"
