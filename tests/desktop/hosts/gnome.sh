#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Skyvane in GNOME Shell with the AppIndicator extension (gnome-shell --x11 on a
# private X server; a private system bus with a stand-in login manager; the
# extension switched on through gsettings): the icon appears in the top bar, the
# menu the extension draws follows Track (check mark, the steering entries enabled:
# the extension reads the entries' properties once and then only their changes),
# and Track and Quit work from that menu. Screenshots in $SHOTS.
host_name=gnome
source "$(dirname "$0")/../session.sh"
if [ -z "${SKYVANE_IN_BUS:-}" ]; then
  SKYVANE_IN_BUS=1 exec dbus-run-session -- bash "$0"
fi
source "$(dirname "$0")/host-lib.sh"
bus=$DBUS_SESSION_BUS_ADDRESS
start_x
export DBUS_SESSION_BUS_ADDRESS=$bus
# The system bus the shell expects, of this test's own, with a login manager on it.
{ read -r system_bus; read -r system_pid; } < <(dbus-daemon --session --fork --print-address=1 --print-pid=1)
session_pids+=("$system_pid")
export DBUS_SYSTEM_BUS_ADDRESS=$system_bus
/usr/bin/python3 "$here_hosts/fake_login1.py" >"$work/login1.out" &
session_pids+=("$!")
wait_for 10 grep -q ready "$work/login1.out" || fail "the stand-in login manager did not start"
export XDG_CURRENT_DESKTOP=GNOME XDG_SESSION_TYPE=x11
gsettings set org.gnome.shell enabled-extensions "['ubuntu-appindicators@ubuntu.com']"
gnome-shell --x11 --replace >"$work/shell.log" 2>&1 &
session_pids+=("$!")
watcher_up() {
  dbus-send --session --print-reply --dest=org.freedesktop.DBus / \
    org.freedesktop.DBus.ListNames | grep -q org.kde.StatusNotifierWatcher
}
wait_for 60 watcher_up || fail "the AppIndicator extension did not start"
sleep 2
xdotool key Escape  # out of the overview the shell starts in
sleep 1

# The right half of the top bar, where the extension puts the icons (the application
# menu at the left shows the program's own icon).
start_tracking_setup 400x32+400+0
track_through_host
quit_through_host
changed=$(changed_pixels "$menu_before" "$menu_after" 260x300+$((ix - 200))+$((iy + 12)))
((changed > 100)) || fail "the extension's menu looks the same after Track ($changed pixels changed)"
if grep -q "JS ERROR" "$work/shell.log"; then
  grep -A3 "JS ERROR" "$work/shell.log" >&2
  fail "the shell logged a JS error"
fi
echo "GNOME Shell: icon at $ix,$iy; Track and Quit from the extension's menu (ended $quit_ms ms" \
  "after OK); the menu changed in $changed pixels with Track; screenshots in $shots"
