#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Screenshots of the real program tracking the rotor simulator under Xvfb, with a
# window manager (openbox) and a tray (trayer), for looking at by eye:
#   live.png    the heading in lime: window, tray icon and its hint
#   stale.png   the same heading after the rotor went silent: dimmed, hint noted
#   tray-live.png, tray-stale.png   the tray icon alone, eight times enlarged
# Usage: tests/app/readings-shots.sh BUILD_DIR OUT_DIR
set -euo pipefail
here=$(dirname "$(realpath "$0")")
# shellcheck source=../support/x11-session.sh
. "$here/../support/x11-session.sh"
x11_shots_session "$1" "$2" 640x400

# Six answers, then a long silence.
coproc SIM { exec "$build/tools/rotorsim/skyvane-rotorsim" --heading 142 --mute-after 6 --mute-for 600000; }
x11_pids+=("$SIM_PID")
read -r pty <&"${SIM[0]}"
printf '[SETTINGS]\r\nCOMPORT=%s\r\n' "$pty" >"$work/Skyvane.INI"
(cd "$work" && exec "$build/app/skyvane") &
x11_pids+=("$!")

x11_wait_tray_icon
x11_track_on "$work/Skyvane.Log"
shot() {
  xdotool mousemove 10 390
  sleep 0.5
  xdotool mousemove "$((x - 3))" "$y"
  sleep 0.3
  xdotool mousemove "$x" "$y"
  sleep 2  # the hint appears
  import -window root "$out/$1.png"
  convert "$out/$1.png" -crop 22x22+$((x - 11))+$((y - 11)) -filter point -resize 800% \
    "$out/tray-$1.png"
}
sleep 2
shot live
sleep 9  # the silence, three poll periods without an answer, and some
shot stale
echo "screenshots in $out"
