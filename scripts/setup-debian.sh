#!/usr/bin/env bash
# Installs everything needed to build, test and run the program on Debian 12.
# Safe to run again: apt skips what is already there.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git ccache
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins
  libftdi1-dev libusb-1.0-0-dev libjpeg62-turbo-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-liberation xvfb xauth xdotool poppler-utils
  # Qt's own dialogs in Russian (the program loads them; the package recommends them)
  qt6-translations-l10n
  # the end-to-end tests under a window manager: placement, frames, window icons
  openbox x11-utils
  clang clang-format clang-tidy libclang-rt-14-dev
  umockdev libumockdev-dev
  # virn-scpi's end-to-end tests and example: a real VISA client (for /usr/bin/python3)
  python3-pyvisa python3-pyvisa-py
  # the test stages under load (issue checks run them beside CPU hogs)
  stress-ng
  # the package: CPack's binary scan, its validators, the icon renderer
  file lintian desktop-file-utils appstream librsvg2-bin
  # the screenshots of the guide and the README (scripts/screenshots.sh)
  x11-apps netpbm pngquant
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
