#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Starts Skyvane against the rotor simulator on a pseudo-terminal, in a scratch
# folder with its own Skyvane.INI. Choose Track in the tray menu (or in the window's
# right-click menu on a desktop without a tray) to see the heading sweep.
# SKYVANE_DEMO_DIR names a folder to run in, which is kept; otherwise a new one under
# /tmp is used and removed when the demo ends. Arguments go to skyvane.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(realpath "${SKYVANE_BUILD:-$root/build}")"
sim="$build/tools/rotorsim/skyvane-rotorsim"
app="$build/app/skyvane"
scratch=""
if [ -n "${SKYVANE_DEMO_DIR:-}" ]; then
  work="$SKYVANE_DEMO_DIR"
else
  work="$(mktemp -d /tmp/skyvane-demo.XXXXXX)"
  scratch="$work"
fi

coproc SIM { exec "$sim" --sweep 6 --pad; }
app_pid=""
# Ending the demo (also by a signal) ends both programs, then removes the scratch
# folder once nothing writes into it any more.
stop() {
  kill "$SIM_PID" ${app_pid:+"$app_pid"} 2>/dev/null || true
  wait 2>/dev/null || true
  [ -z "$scratch" ] || rm -rf "$scratch"
}
trap stop EXIT
trap 'exit 130' INT TERM
read -r pty <&"${SIM[0]}"
printf '[SETTINGS]\r\nCOMPORT=%s\r\nBAUDRATE=4800\r\n' "$pty" >"$work/Skyvane.INI"
echo "Rotor simulator on $pty; Skyvane runs in $work"
cd "$work"
"$app" "$@" &
app_pid=$!
wait "$app_pid"
