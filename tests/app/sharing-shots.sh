#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Screenshots of the real program sharing and steering the rotor simulator under Xvfb,
# with a window manager (openbox) and a tray (trayer), for looking at by eye:
#   menu.png    the tray menu while tracking: the six entries, a line, Turn to…, Presets,
#               Park, Stop rotor
#   dialog.png  Turn to… with a target locator and the station's own, both paths shown
#   turning.png the window a few seconds after OK, following the turn
# and Hamlib's rotctl asked for the heading at the end (printed).
# Usage: tests/app/sharing-shots.sh BUILD_DIR OUT_DIR
set -euo pipefail
here=$(dirname "$(realpath "$0")")
# shellcheck source=../support/x11-session.sh
. "$here/../support/x11-session.sh"
x11_shots_session "$1" "$2" 800x500

coproc SIM { exec "$build/tools/rotorsim/skyvane-rotorsim" --heading 100 --turn-rate 12; }
x11_pids+=("$SIM_PID")
read -r pty <&"${SIM[0]}"
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
printf '[SETTINGS]\r\nCOMPORT=%s\r\nSERVER=YES\r\nSERVERPORT=%s\r\n' "$pty" "$port" >"$work/Skyvane.INI"
(cd "$work" && exec "$build/app/skyvane") &
x11_pids+=("$!")

x11_wait_tray_icon
x11_track_on "$work/Skyvane.Log" || { cat "$work/Skyvane.Log" >&2; import -window root "$out/failed.png"; exit 1; }
sleep 2

x11_click "$x" "$y" 3
sleep 1
import -window root "$out/menu.png"
# From the top, Up goes round to the last entry, Rotor…; then Stop rotor, Park, Presets,
# Turn to…
xdotool key Up Up Up Up Up Return
dialog=$(x11_wait_window "Turn to") || { echo "no Turn to dialog" >&2; exit 1; }
xdotool type --window "$dialog" "FN31pr"
xdotool key --window "$dialog" Tab
xdotool type --window "$dialog" "JN58td"
sleep 1
import -window root "$out/dialog.png"
# OK; the key's release goes to the focused window, the dialog being gone by then.
xdotool key Return
sleep 5
import -window root "$out/turning.png"
echo "rotctl p: $(rotctl -m 2 -r "127.0.0.1:$port" p | tr '\n' ' ')"
grep -q "LOCATOR=JN58td" "$work/Skyvane.INI" && echo "LOCATOR kept in Skyvane.INI"
echo "screenshots in $out"
