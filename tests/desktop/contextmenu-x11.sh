#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A status-notifier host on an X11 desktop asks for the menu (ContextMenu): the call
# is answered at once, and the menu opens where the host said, with its entries.
source "$(dirname "$0")/session.sh"
here=$(cd "$(dirname "$0")" && pwd)

if [ -z "${SKYVANE_IN_BUS:-}" ]; then
  SKYVANE_IN_BUS=1 dbus-run-session -- bash "$0" 2> >(grep -v "fd limit" >&2)
  exit
fi

bus=$DBUS_SESSION_BUS_ADDRESS
start_x
start_window_manager
export DBUS_SESSION_BUS_ADDRESS=$bus  # the X tray is absent; the watcher is on this bus
/usr/bin/python3 "$here/sni_host.py" >"$work/host.out" &
session_pids+=("$!")
wait_for 10 grep -q ready "$work/host.out" || fail "the scripted host did not start"
start_skyvane "COMPORT=ttyS99"
main_window >/dev/null || fail "no main window"
wait_for 20 grep -q "^registered " "$work/host.out" || fail "the item did not register"
read -r _ item_name item_path < <(grep "^registered " "$work/host.out")

dbus-send --session --print-reply --reply-timeout=5000 --dest="$item_name" "$item_path" \
  org.kde.StatusNotifierItem.ContextMenu int32:200 int32:150 >/dev/null ||
  fail "ContextMenu was not answered"
wait_for 10 menu_open || fail "no menu opened"
for id in $(xwininfo -root -children | awk '/"skyvane": \("skyvane"/ { print $1 }'); do
  [ "$(map_state "$id")" = IsViewable ] || continue
  at=$(xwininfo -id "$id" | awk '/Absolute upper-left X:/ { x = $4 } /Absolute upper-left Y:/ { y = $4 } END { print x "," y }')
done
[ "$at" = "200,150" ] || fail "the menu opened at $at, not where the host asked (200,150)"
xdotool key Escape
wait_for 10 menu_closed || fail "the menu did not close"
kill -0 "$app_pid" || fail "the program ended"
echo "ContextMenu answered; the menu opened at $at"
