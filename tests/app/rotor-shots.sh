#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Screenshots of the "Rotor…" dialog of the real program under Xvfb, with a window
# manager (openbox) and a tray (trayer), for looking at by eye:
#   rotor-menu.png    the tray menu with Rotor… after Stop rotor
#   rotor-search.png  the dialog searching Hamlib's list for "603"
#   rotor-network.png the network model (2) chosen, host:port typed, range 0..450
# Usage: tests/app/rotor-shots.sh BUILD_DIR OUT_DIR
set -euo pipefail
here=$(dirname "$(realpath "$0")")
# shellcheck source=../support/x11-session.sh
. "$here/../support/x11-session.sh"
x11_shots_session "$1" "$2" 800x700

printf '[SETTINGS]\r\nCOMPORT=/dev/null\r\n' >"$work/Skyvane.INI"
(cd "$work" && exec "$build/app/skyvane") &
x11_pids+=("$!")
x11_wait_tray_icon

x11_click "$x" "$y" 3
sleep 1
import -window root "$out/rotor-menu.png"
# From the top, Up goes round to the last entry: Rotor…
xdotool key Up Return
dialog=$(x11_wait_window "Rotor") || { echo "no Rotor dialog" >&2; exit 1; }
xdotool windowactivate --sync "$dialog" 2>/dev/null || true
xdotool type --window "$dialog" "603"
sleep 1
import -window root "$out/rotor-search.png"
# Search for the network model, choose it with the keyboard, give host:port and 0..450.
xdotool key --window "$dialog" ctrl+a
xdotool type --window "$dialog" "rotctl"
xdotool key --window "$dialog" Tab Down Down
xdotool key --window "$dialog" alt+d
xdotool type --window "$dialog" "127.0.0.1:4533"
xdotool key --window "$dialog" alt+r
sleep 0.3
xdotool key --window "$dialog" Down Down Down
sleep 1
import -window root "$out/rotor-network.png"
# OK; the key's release goes to the focused window, the dialog being gone by then.
xdotool key Return
sleep 1
grep -E "^(ROTORMODEL|ROTORPORT|AZMIN|AZMAX)=" "$work/Skyvane.INI" || echo "nothing saved"
echo "screenshots in $out"
