#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Skyvane in XFCE's panel (xfce4-panel with its default panels, whose tray speaks
# StatusNotifierItem) on a private X server with a window manager: the icon appears
# with its text, the menu the panel draws follows Track (check mark, the steering
# entries enabled), and Track and Quit work from that menu. Screenshots in $SHOTS.
host_name=xfce
source "$(dirname "$0")/../session.sh"
if [ -z "${SKYVANE_IN_BUS:-}" ]; then
  SKYVANE_IN_BUS=1 exec dbus-run-session -- bash "$0"
fi
source "$(dirname "$0")/host-lib.sh"
bus=$DBUS_SESSION_BUS_ADDRESS
start_x
start_window_manager
export DBUS_SESSION_BUS_ADDRESS=$bus
xfce4-panel >"$work/panel.log" 2>&1 &
session_pids+=("$!")
watcher_up() {
  dbus-send --session --print-reply --dest=org.freedesktop.DBus / \
    org.freedesktop.DBus.ListNames | grep -q org.kde.StatusNotifierWatcher
}
wait_for 30 watcher_up || fail "xfce4-panel's tray did not start"

start_tracking_setup 800x30+0+0
track_through_host
quit_through_host
# The menu's rows of Track and of the steering entries changed with Track.
changed=$(changed_pixels "$menu_before" "$menu_after" 200x260+$((ix - 100))+$((iy + 10)))
((changed > 100)) || fail "the panel's menu looks the same after Track ($changed pixels changed)"
echo "xfce4-panel: icon at $ix,$iy; Track and Quit from its menu (ended $quit_ms ms after OK);" \
  "the menu changed in $changed pixels with Track; screenshots in $shots"
