#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Screenshots of the tray demo under Xvfb, for looking at the tray by eye:
#   tray.png      the text icon "NE" in a small tray (trayer), lime on black
#   menu.png      its menu after a right click on the icon
#   restart.png   the icon back after the tray was restarted
#   notray.png    without any tray: the menu opened by a right click on the window
# Usage: tests/tray/tray-shots.sh BUILD_DIR OUT_DIR [DISPLAY_NUMBER]
set -euo pipefail
build=$(realpath "$1")
out=$(realpath -m "$2")
display=${3:-97}
mkdir -p "$out"
export DISPLAY=:$display
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; }
trap cleanup EXIT

start_tray() {
  trayer --edge top --align right --widthtype pixel --width 100 --heighttype pixel --height 24 \
    --transparent false --tint 0x404040 >/dev/null 2>&1 &
  tray_pid=$!
  pids+=("$tray_pid")
  sleep 1.5
}
# The tray icon's window inside the tray: its centre on the screen.
icon_centre() {
  xwininfo -root -tree | awk '/"panel"/ { panel = 1; next }
    panel && /22x22/ { split($0, a, "+"); print a[4] + 11, a[5] + 11; exit }'
}

Xvfb ":$display" -screen 0 640x400x24 -nolisten tcp >/dev/null 2>&1 &
pids+=("$!")
sleep 1
start_tray
"$build/tests/tray/skyvane-traydemo" NE &
pids+=("$!")
sleep 2
import -window root "$out/tray.png"
read -r x y < <(icon_centre)
xdotool mousemove "$x" "$y" click 3
sleep 1
import -window root "$out/menu.png"
xdotool key Escape
kill "$tray_pid"
sleep 2.5
start_tray
sleep 2
import -window root "$out/restart.png"
cleanup
pids=()
sleep 1

Xvfb ":$display" -screen 0 640x400x24 -nolisten tcp >/dev/null 2>&1 &
pids+=("$!")
sleep 1
"$build/tests/tray/skyvane-traydemo" NE &
pids+=("$!")
sleep 2
xdotool mousemove 100 80 click 3
sleep 1
import -window root "$out/notray.png"
echo "screenshots in $out"
