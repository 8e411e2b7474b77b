#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian 12 packages that building, running and testing Skyvane need.
# Only what is missing is installed; run as root or through sudo.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev libgl1-mesa-dev         # Qt 6 Widgets and D-Bus
  libxcb1-dev                          # following the X11 tray's owner
  qt6-wayland                          # running on Wayland desktops
  libgtest-dev googletest libgmock-dev # tests
  fonts-liberation                     # the fonts the layouts ask for by name
  xvfb xauth                           # headless GUI checks
  trayer xdotool imagemagick           # tray screenshots with the tray demo
  openbox x11-utils                    # desktop tests: window manager, xprop/xwininfo
  dbus python3-dbus python3-gi         # desktop tests: private bus, scripted tray host
  weston                               # desktop tests: headless Wayland compositor
  qt6-serialport-dev                   # reference loop of the serial benchmark only
  dpkg-dev                             # the Debian package's dependencies (cpack)
  desktop-file-utils appstream         # validating the installed desktop files
  clang-14 libclang-rt-14-dev          # fuzz targets (libFuzzer, sanitizers)
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
