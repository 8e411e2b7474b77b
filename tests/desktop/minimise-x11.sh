#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Minimise to tray under a real X server, window manager (openbox) and tray (trayer):
# started with VISIBLE=NOT the window waits in the tray and a click on the icon shows
# it; minimising unmaps the window and takes it out of the window manager's client
# list; Visible from the tray menu maps it again, painted and showing the current
# heading.
source "$(dirname "$0")/session.sh"
start_x
start_window_manager
start_tray
start_rotor --heading 123
# VISIBLE=NOT: the window starts in the tray; a click on the icon shows it.
start_skyvane "COMPORT=$pty" "VISIBLE=NOT"
x11_wait_tray_icon || fail "no tray icon"
sleep 1
win=$(xdotool search --name '^Skyvane$' | head -n1)
[ -z "$win" ] || [ "$(map_state "$win")" != IsViewable ] || fail "VISIBLE=NOT opened the window"
x11_click "$x" "$y" 1
win=$(main_window) || fail "no main window"
wait_for 10 map_state_is "$win" IsViewable || fail "a click on the tray icon did not open the window"
sleep 1
start_lime=$(lime_pixels "$win")
((start_lime > 200)) || fail "the window does not show its number at start ($start_lime lime pixels)"
cp "$work/shot.png" "$work/start.png"

xdotool windowminimize "$win"
wait_for 5 map_state_is "$win" IsUnMapped || fail "minimised, the window is still $(map_state "$win")"
wait_for 5 sh -c "! xprop -root _NET_CLIENT_LIST | grep -qiw $(printf '0x%x' "$win")" ||
  fail "minimised, the window is still in _NET_CLIENT_LIST"
sleep 1
[ "$(map_state "$win")" = IsUnMapped ] || fail "the window came back by itself ($(map_state "$win"))"

# Track on while the window is hidden: the heading changes from 000 to 123.
choose_from_tray_menu 1
sleep 2.5
choose_from_tray_menu 2  # Visible
wait_for 5 map_state_is "$win" IsViewable || fail "Visible did not map the window"
in_client_list "$win" || fail "shown again, the window is not in _NET_CLIENT_LIST"
# Painted, with the new heading: looked at again until it is (a loaded machine is slow).
painted_anew() {
  lime=$(lime_pixels "$win")
  ((lime > 200)) && ! cmp -s <(convert "$work/start.png" rgb:-) <(convert "$work/shot.png" rgb:-)
}
if ! wait_for 10 painted_anew; then
  ((lime > 200)) || fail "shown again, the window is not painted ($lime lime pixels)"
  fail "shown again, the window still shows the heading of the start"
fi

# The tray restarts: the icon comes back into the new one, and its menu works.
kill "$tray_pid"
wait_for 5 sh -c '[ -z "$(xwininfo -root -tree | grep "\"panel\"")" ]' || fail "trayer did not end"
start_tray
icon_in_tray() { [ -n "$(x11_tray_icon_centre)" ]; }
wait_for 10 icon_in_tray ||
  fail "the icon did not come back into the restarted tray"
choose_from_tray_menu 2  # Visible off: hidden again
wait_for 5 map_state_is "$win" IsUnMapped || fail "the new tray's menu does not work"
echo "minimise to tray: unmapped and out of the client list; Visible: mapped, $lime lime pixels," \
  "heading updated; the icon is back after a tray restart"
