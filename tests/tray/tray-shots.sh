#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Screenshots of the tray demo under Xvfb, for looking at the tray by eye:
#   tray.png      the text icon "NE" in a small tray (trayer), lime on black
#   menu.png      its menu after a right click on the icon
#   restart.png   the icon back after the tray was restarted
#   notray.png    without any tray: the menu opened by a right click on the window
# Usage: tests/tray/tray-shots.sh BUILD_DIR OUT_DIR
set -euo pipefail
build=$(realpath "$1")
out=$(realpath -m "$2")
source "$(dirname "$0")/../support/x11-session.sh"
mkdir -p "$out"
trap x11_stop EXIT
demo() {
  "$build/tests/tray/skyvane-traydemo" NE &
  x11_pids+=("$!")
  sleep 2
}

x11_start 640x400
x11_start_tray
demo
import -window root "$out/tray.png"
read -r x y < <(x11_tray_icon_centre)
x11_click "$x" "$y" 3
sleep 1
import -window root "$out/menu.png"
xdotool key Escape
x11_stop_tray
sleep 2.5
x11_start_tray
sleep 2
import -window root "$out/restart.png"
x11_stop

x11_start 640x400
demo
xdotool mousemove 100 80 click 3
sleep 1
import -window root "$out/notray.png"
echo "screenshots in $out"
