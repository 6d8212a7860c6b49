#!/usr/bin/env bash
# Renders the program's icon, packaging/icons/virn.svg, into the PNG sizes the
# package installs (packaging/icons/NxN/virn.png). The PNGs are checked in, so
# building the package needs no SVG renderer; run this after editing the SVG.
# Needs rsvg-convert (librsvg2-bin, installed by scripts/setup-debian.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
command -v rsvg-convert >/dev/null || { echo "rsvg-convert is missing (scripts/setup-debian.sh installs it)" >&2; exit 2; }
for size in 16 22 24 32 48 64 128 256; do
  mkdir -p "packaging/icons/${size}x${size}"
  rsvg-convert --width "$size" --height "$size" --format png \
    --output "packaging/icons/${size}x${size}/virn.png" packaging/icons/virn.svg
done
echo "rendered: $(ls packaging/icons/*/virn.png | wc -l) sizes"
