#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs skyvane_tray_soak as a user has it: on its own X server (Xvfb) with a tray
# (trayer), so that the tray icon is really drawn. Arguments go to the soak program:
#   bench/tray-soak.sh [--seconds N] [--rate R] [--every S]
# SKYVANE_BUILD names the build folder (default ./build).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${SKYVANE_BUILD:-$root/build}"
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; }
trap cleanup EXIT

exec {fd}<> <(:)
Xvfb -displayfd "$fd" -screen 0 640x400x24 -nolisten tcp -noreset >/dev/null 2>&1 &
pids+=("$!")
read -r -u "$fd" display
export DISPLAY=":$display" QT_QPA_PLATFORM=xcb
trayer --edge top --align right --widthtype pixel --width 100 --heighttype pixel --height 24 \
  >/dev/null 2>&1 &
pids+=("$!")
sleep 1
# No session bus: the icon goes to the X tray.
env -u DBUS_SESSION_BUS_ADDRESS "$build/bench/skyvane_tray_soak" "$@"
