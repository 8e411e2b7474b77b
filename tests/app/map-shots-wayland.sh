#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A screenshot of the map of the beam on Wayland, for looking at by eye: a headless
# weston, a private session bus with the scripted status-notifier host, the program
# tracking the sweeping rotor simulator (Track chosen through the exported menu).
# Usage: SKYVANE_BUILD_DIR=BUILD_DIR tests/app/map-shots-wayland.sh OUT_DIR
#   writes OUT_DIR/map-wayland.png (the whole output)
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../desktop/session.sh"
out=$(realpath -m "$1")
mkdir -p "$out"

if [ -z "${SKYVANE_IN_BUS:-}" ]; then
  export XDG_RUNTIME_DIR="$work/runtime"
  mkdir -m 700 "$XDG_RUNTIME_DIR"
  export WAYLAND_DISPLAY="skyvane-map-$$"
  weston --backend=headless-backend.so --use-pixman --socket="$WAYLAND_DISPLAY" --idle-time=0 \
    --debug --width=900 --height=760 >"$work/weston.log" 2>&1 &
  session_pids+=("$!")
  wait_for 15 test -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" || fail "weston did not start"
  unset DISPLAY
  SKYVANE_IN_BUS=1 dbus-run-session -- bash "$0" "$out" 2> >(grep -v "fd limit" >&2)
  exit
fi

/usr/bin/python3 "$here/../desktop/sni_host.py" >"$work/host.out" &
session_pids+=("$!")
wait_for 10 grep -q ready "$work/host.out" || fail "the scripted host did not start"
start_rotor --heading 80 --sweep 3
export QT_QPA_PLATFORM=wayland
start_skyvane "COMPORT=$pty" "VISIBLE=NOT" "LOCATOR=JN58td" "MAPVISIBLE=YES" "MAPGEOMETRY=0,0,612,690"
wait_for 20 grep -q "^registered " "$work/host.out" || fail "the item did not register"
read -r _ item_name _ < <(grep "^registered " "$work/host.out")
# Entry 1 of the exported menu is Track.
dbus-send --session --print-reply --dest="$item_name" /MenuBar com.canonical.dbusmenu.Event \
  int32:1 string:clicked variant:int32:0 uint32:0 >/dev/null || fail "Track was not chosen"
sleep 4
(cd "$work" && timeout 10 weston-screenshooter) || fail "no screenshot"
mv "$work"/*.png "$out/map-wayland.png"
echo "screenshot in $out/map-wayland.png"
