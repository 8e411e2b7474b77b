#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Starts Skyvane against the rotor simulator on a pseudo-terminal, in a scratch
# folder with its own Skyvane.INI. Choose Track in the tray menu (or in the window's
# right-click menu on a desktop without a tray) to see the heading sweep.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${SKYVANE_BUILD:-$root/build}"
sim="$build/tools/rotorsim/skyvane-rotorsim"
app="$build/app/skyvane"
work="${SKYVANE_DEMO_DIR:-$(mktemp -d /tmp/skyvane-demo.XXXXXX)}"

coproc SIM { exec "$sim" --sweep 6 --pad; }
app_pid=""
# Ending the demo (also by a signal) ends both programs.
stop() { kill "$SIM_PID" ${app_pid:+"$app_pid"} 2>/dev/null || true; }
trap stop EXIT
trap 'exit 130' INT TERM
read -r pty <&"${SIM[0]}"
printf '[SETTINGS]\r\nCOMPORT=%s\r\nBAUDRATE=4800\r\n' "$pty" >"$work/Skyvane.INI"
echo "Rotor simulator on $pty; Skyvane runs in $work"
cd "$work"
"$app" "$@" &
app_pid=$!
wait "$app_pid"
