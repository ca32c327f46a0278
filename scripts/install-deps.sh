#!/usr/bin/env bash
# The one list of packages the project needs on Debian 12. Installs only what is missing.
set -euo pipefail

PACKAGES=(
  # build; ccache speeds up clean rebuilds (scripts/build.sh uses it in a new build tree)
  cmake ninja-build g++ pkg-config ccache
  # Qt 6
  qt6-base-dev qt6-charts-dev libqt6opengl6-dev libgl-dev libxkbcommon-dev libvulkan-dev qt6-qpa-plugins
  # exports and keyboard events
  libxlsxwriter-dev libxdo-dev
  # tests, benchmarks, fuzzing
  libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-14-dev
  # reads exported spreadsheets back in the tests
  python3-openpyxl
  # reading back the written PDF and office files in the tests
  poppler-utils unzip
  # headless display for the tests and screenshots; fonts for the grid
  xvfb xauth fonts-dejavu-core
  # monospaced fonts of the same widths as the report's printer and PDF fonts
  fonts-liberation2
  # the BlueZ stand-in and its tests: QtDBus (in qt6-base-dev), a private bus, BlueZ's own
  # clients (bluetoothctl from bluez; the daemon is not needed and need not run), Bleak
  dbus-daemon bluez python3-bleak
  # the Debian package (cpack: dpkg-shlibdeps, file) and the checks of the installed desktop entry,
  # metadata and program window
  dpkg-dev file desktop-file-utils appstream x11-utils
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "Installing: ${missing[*]}"
$SUDO apt-get update -q
# Packages with daemons (bluez's bluetoothd, dbus) must not start them here: nothing needs them
# running, and on a build machine or container without an init system starting them fails.
policy=/usr/sbin/policy-rc.d
if [ ! -e "$policy" ]; then
  printf '#!/bin/sh\nexit 101\n' | $SUDO tee "$policy" > /dev/null
  $SUDO chmod +x "$policy"
  trap '$SUDO rm -f "$policy"' EXIT
fi
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
