#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Skyvane in waybar's tray under sway, headless (WLR_BACKENDS=headless, the pixman
# renderer), natively on Wayland: the icon appears with its text, the menu waybar
# draws follows Track (check mark, the steering entries enabled), and Track and Quit
# work from that menu; pointer and keys are wayvnc's virtual ones, reached through
# its UNIX socket (vnc_input.py), screenshots are grim's, into $SHOTS. sway refuses to run as
# root: run as root, the test makes an unprivileged user (skyvane-host) and runs
# the session as that user.
host_name=sway
user=skyvane-host
if [ -z "${SKYVANE_AS_HOST_USER:-}" ]; then
  set -euo pipefail
  [ "$(id -u)" -eq 0 ] || { echo "$0: run as root (it runs the session as $user)" >&2; exit 2; }
  id "$user" >/dev/null 2>&1 || useradd --system --create-home --shell /bin/bash "$user"
  runtime=$(mktemp -d /tmp/skyvane-sway-run.XXXXXX)
  own_shots=$(mktemp -d /tmp/skyvane-sway-shots.XXXXXX)
  chown "$user" "$runtime" "$own_shots"
  chmod 700 "$runtime"
  status=0
  runuser -u "$user" -- env -i PATH="$PATH" HOME="$(getent passwd "$user" | cut -d: -f6)" \
    XDG_RUNTIME_DIR="$runtime" SKYVANE_BUILD_DIR="${SKYVANE_BUILD_DIR:?}" SHOTS="$own_shots" \
    SKYVANE_AS_HOST_USER=1 dbus-run-session -- bash "$0" || status=$?
  [ -z "${SHOTS:-}" ] || { mkdir -p "$SHOTS"; cp "$own_shots"/*.png "$SHOTS"/ 2>/dev/null || true; }
  rm -rf "$runtime" "$own_shots"
  exit "$status"
fi

source "$(dirname "$0")/../session.sh"
source "$(dirname "$0")/host-lib.sh"
export WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1
export XDG_SESSION_TYPE=wayland QT_QPA_PLATFORM=wayland
unset DISPLAY
cat >"$work/waybar.json" <<'JSON'
{ "position": "top", "height": 30, "modules-left": [], "modules-center": [],
  "modules-right": ["tray"], "tray": { "icon-size": 22, "spacing": 8 } }
JSON
printf '* { font-family: sans-serif; font-size: 13px; }\nwindow#waybar { background: #303030; }\n' \
  >"$work/waybar.css"
printf 'xwayland disable\noutput HEADLESS-1 resolution 800x600\n' >"$work/sway.conf"
sway -c "$work/sway.conf" >"$work/sway.log" 2>&1 &
session_pids+=("$!")
sway_up() { ls "$XDG_RUNTIME_DIR"/sway-ipc.* && ls "$XDG_RUNTIME_DIR"/wayland-[0-9]; }
wait_for 30 sway_up || { tail "$work/sway.log" >&2; fail "sway did not start"; }
SWAYSOCK=$(ls "$XDG_RUNTIME_DIR"/sway-ipc.* | head -n1)
WAYLAND_DISPLAY=$(basename "$(ls "$XDG_RUNTIME_DIR"/wayland-[0-9] | head -n1)")
export SWAYSOCK WAYLAND_DISPLAY
waybar -c "$work/waybar.json" -s "$work/waybar.css" >"$work/waybar.log" 2>&1 &
session_pids+=("$!")
watcher_up() {
  dbus-send --session --print-reply --dest=org.freedesktop.DBus / \
    org.freedesktop.DBus.ListNames | grep -q org.kde.StatusNotifierWatcher
}
wait_for 30 watcher_up || { tail -30 "$work/waybar.log" >&2; fail "waybar's tray did not start"; }

take_shot_to() { grim "$1"; }
# The compositor has no input devices: wayvnc's virtual ones stand in for them.
wayvnc -u "$work/vnc.sock" >"$work/wayvnc.log" 2>&1 &
session_pids+=("$!")
wait_for 20 test -S "$work/vnc.sock" || { cat "$work/wayvnc.log" >&2; fail "wayvnc did not start"; }
click_at() { /usr/bin/python3 "$here_hosts/vnc_input.py" "$work/vnc.sock" "$1" "$2" "$3"; }
press_key() { /usr/bin/python3 "$here_hosts/vnc_input.py" "$work/vnc.sock" key "$1"; }
# Keys do not reach waybar's menu: its entries are clicked. The menu is found in the
# last screenshot as the first white row in the column 60 pixels left of the icon;
# its entries are 25 pixels apart, the first 15 below its top.
choose_in_host_menu() {
  local column=$((ix - 60)) top
  top=$(convert "$shot" -crop "1x300+$column+0" +repage txt:- |
    awk -F'[(),:]+' '!found && NR > 1 && $4 > 240 && $5 > 240 && $6 > 240 { print $2; found = 1 }')
  [ -n "$top" ] || fail "no menu in $shot"
  click_at "$column" $((top + 15 + 25 * ($1 - 1))) 1
}
quit_box_shown() { swaymsg -t get_tree | grep -q '"name": "Warning!"'; }
focus_quit_box() {
  wait_for 10 quit_box_shown || fail "Quit chosen in waybar's menu opened no box"
  sleep 0.5
  swaymsg -q '[title="^Warning!$"] focus' || fail "the Quit box cannot be focused"
  sleep 0.3
}

start_tracking_setup 800x30+0+0
track_through_host
quit_through_host
changed=$(changed_pixels "$menu_before" "$menu_after" 260x300+$((ix - 200))+$((iy + 12)))
((changed > 100)) || fail "waybar's menu looks the same after Track ($changed pixels changed)"
echo "waybar under sway: icon at $ix,$iy; Track and Quit from its menu (ended $quit_ms ms" \
  "after OK); the menu changed in $changed pixels with Track"
