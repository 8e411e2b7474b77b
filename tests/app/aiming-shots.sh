#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Screenshots of the real program aiming at the station being worked, under Xvfb with a
# window manager (openbox) and a tray (trayer), for looking at by eye:
#   menu.png     the tray menu after a WSJT-X Status named K1ABC in FN42: the DX entry
#                and its long path above "Turn to…", then Presets and Park
#   presets.png  the Presets submenu open: two presets, a line, "Edit presets…"
#   dialog.png   "Turn to…" with a callsign typed: its country, both paths
#   edit.png     "Edit presets…": the list, the fields and the buttons
# The Status datagram is written by this script as WSJT-X writes it (QDataStream) and
# sent to 127.0.0.1 only.
# Usage: tests/app/aiming-shots.sh BUILD_DIR OUT_DIR
set -euo pipefail
here=$(dirname "$(realpath "$0")")
# shellcheck source=../support/x11-session.sh
. "$here/../support/x11-session.sh"
x11_shots_session "$1" "$2" 800x500

coproc SIM { exec "$build/tools/rotorsim/skyvane-rotorsim" --heading 100 --turn-rate 12; }
x11_pids+=("$SIM_PID")
read -r pty <&"${SIM[0]}"
port=$(python3 -c 'import socket; s=socket.socket(socket.AF_INET, socket.SOCK_DGRAM); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
printf '[SETTINGS]\r\nCOMPORT=%s\r\nTRACE=YES\r\nLOCATOR=JO62qm\r\nWSJTX=YES\r\nWSJTXADDRESS=127.0.0.1:%s\r\n[PRESETS]\r\n1=270 West\r\n2=JA1 Japan\r\n' \
  "$pty" "$port" >"$work/Skyvane.INI"
(cd "$work" && exec "$build/app/skyvane") &
x11_pids+=("$!")

x11_wait_tray_icon
x11_track_on "$work/Skyvane.Log" || { cat "$work/Skyvane.Log" >&2; import -window root "$out/failed.png"; exit 1; }

# WSJT-X's Status: magic, schema 2, type 1, then its fields; a null string is 0xffffffff.
python3 - "$port" <<'PY'
import socket, struct, sys
def s(text):
    return struct.pack(">I", 0xFFFFFFFF) if text is None else struct.pack(">I", len(text)) + text.encode()
d = struct.pack(">III", 0xADBCCBDA, 2, 1) + s("WSJT-X") + struct.pack(">Q", 14074000) + s("FT8")
d += s("K1ABC") + s("-12") + s("FT8") + bytes([0, 0, 1]) + struct.pack(">II", 1500, 1200)
d += s("DL1ABC") + s("JO62") + s("FN42") + bytes([0]) + s(None)
socket.socket(socket.AF_INET, socket.SOCK_DGRAM).sendto(d, ("127.0.0.1", int(sys.argv[1])))
PY
sleep 2

x11_click "$x" "$y" 3
sleep 1
import -window root "$out/menu.png"
# From the top, Up goes round to the last entry, Stop rotor; then Park, then Presets.
xdotool key Up Up Up Right
sleep 1
import -window root "$out/presets.png"
xdotool key Escape Escape Escape
sleep 1
x11_click "$x" "$y" 3
sleep 1
xdotool key Up Up Up Up Return
dialog=$(x11_wait_window "Turn to") || { echo "no Turn to dialog" >&2; exit 1; }
xdotool type --window "$dialog" "JA1XYZ"
sleep 1
import -window root "$out/dialog.png"
xdotool key Escape || true
sleep 1
# Presets, then in the submenu Up goes round to its last entry, Edit presets….
x11_click "$x" "$y" 3
sleep 1
xdotool key Up Up Up Right Up Return
x11_wait_window "Presets" >/dev/null || { echo "no Presets dialog" >&2; exit 1; }
sleep 1
import -window root "$out/edit.png"
xdotool key Escape || true
echo "screenshots in $out"
