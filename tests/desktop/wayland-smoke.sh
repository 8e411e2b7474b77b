#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Skyvane on Wayland: a headless weston, a private session bus with the scripted
# status-notifier watcher and host. The item registers, the window shows its number,
# and the menu a host asks for (ContextMenu) opens.
source "$(dirname "$0")/session.sh"
here=$(cd "$(dirname "$0")" && pwd)

if [ -z "${SKYVANE_IN_BUS:-}" ]; then
  export XDG_RUNTIME_DIR="$work/runtime"
  mkdir -m 700 "$XDG_RUNTIME_DIR"
  export WAYLAND_DISPLAY="skyvane-wayland-$$"
  weston --backend=headless-backend.so --use-pixman --socket="$WAYLAND_DISPLAY" --idle-time=0 \
    --debug --width=640 --height=400 >"$work/weston.log" 2>&1 &
  session_pids+=("$!")
  wait_for 15 test -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" || fail "weston did not start"
  unset DISPLAY
  # The rest on a bus of its own; this shell ends weston and cleans up afterwards.
  SKYVANE_IN_BUS=1 dbus-run-session -- bash "$0" 2> >(grep -v "fd limit" >&2)
  exit
fi

# Inside the private bus.
/usr/bin/python3 "$here/sni_host.py" >"$work/host.out" &
session_pids+=("$!")
wait_for 10 grep -q ready "$work/host.out" || fail "the scripted host did not start"
start_rotor --heading 123
export QT_QPA_PLATFORM=wayland
start_skyvane "COMPORT=$pty"
wait_for 20 grep -q "^registered " "$work/host.out" || fail "the item did not register"
read -r _ item_name item_path < <(grep "^registered " "$work/host.out")

# A screenshot of the whole output; prints the number of pixels of colour $1.
count_in_screenshot() {
  local dir="$work/shot.$2"
  mkdir -p "$dir"
  (cd "$dir" && timeout 10 weston-screenshooter) || fail "no screenshot"
  convert "$dir"/*.png txt:- | grep -c "$1" || true
}
sleep 1
lime=$(count_in_screenshot '#00FF00' 1)
((lime > 1000)) || fail "the window does not show its number ($lime lime pixels)"
white_before=$(count_in_screenshot '#FFFFFF' 2)

dbus-send --session --print-reply --reply-timeout=5000 --dest="$item_name" "$item_path" \
  org.kde.StatusNotifierItem.ContextMenu int32:40 int32:30 >/dev/null ||
  fail "ContextMenu was not answered"
sleep 1.5
white_after=$(count_in_screenshot '#FFFFFF' 3)
((white_after > white_before + 2000)) ||
  fail "no menu opened ($white_before white pixels before, $white_after after)"
kill -0 "$app_pid" || fail "the program ended"
echo "Wayland: item registered as $item_name, $lime lime pixels, menu opened (+$((white_after - white_before)) white pixels)"
