# SPDX-License-Identifier: GPL-3.0-or-later
# Shared by the desktop tests (sourced): a private X server with a window manager and
# a tray, the rotor simulator, and a scratch folder; everything started here is ended
# when the sourcing script exits. Needs SKYVANE_BUILD_DIR (the build folder).
set -euo pipefail
# shellcheck source=../support/x11-session.sh
source "$(dirname "${BASH_SOURCE[0]}")/../support/x11-session.sh"
build="${SKYVANE_BUILD_DIR:?SKYVANE_BUILD_DIR names the build folder}"
work=$(mktemp -d /tmp/skyvane-desktop.XXXXXX)
session_pids=()
end_session() {
  local p
  for p in "${session_pids[@]}"; do kill "$p" 2>/dev/null || true; done
  x11_stop
  wait 2>/dev/null || true
  [ -n "${KEEP_WORK:-}" ] || rm -rf "$work"
}
trap end_session EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

# Waits up to $1 seconds for the command after it to succeed.
wait_for() {
  local seconds=$1; shift
  local tries=$((seconds * 10))
  until "$@" >/dev/null 2>&1; do
    tries=$((tries - 1))
    ((tries > 0)) || return 1
    sleep 0.1
  done
}

# A private X server on a free display (DISPLAY is exported). The program then uses
# the X11 tray: no session bus, so no status-notifier watcher is found.
start_x() {
  unset DBUS_SESSION_BUS_ADDRESS WAYLAND_DISPLAY
  export QT_QPA_PLATFORM=xcb
  x11_start 800x600 || fail "Xvfb did not start"
}

start_window_manager() { x11_start_window_manager || fail "openbox did not start"; }

# The tray; $tray_pid is its process.
start_tray() {
  x11_start_tray || fail "trayer did not take the tray"
  tray_pid=$x11_tray_pid
}

# The rotor simulator on a new pseudo-terminal (its arguments as given); sets $pty.
start_rotor() {
  local fifo="$work/rotor"
  mkfifo "$fifo"
  "$build/tools/rotorsim/skyvane-rotorsim" "$@" >"$fifo" &
  session_pids+=("$!")
  read -r pty <"$fifo"
}

# Starts skyvane in the scratch folder with the given Skyvane.INI lines and the
# command-line arguments in $skyvane_args (none by default); sets $app_pid.
start_skyvane() {
  printf '[SETTINGS]\r\n' >"$work/Skyvane.INI"
  local line
  for line in "$@"; do printf '%s\r\n' "$line" >>"$work/Skyvane.INI"; done
  # Under AddressSanitizer: libxkbcommon-x11 hands strndup a string without its end
  # when Qt connects to an X server, which strict string checks stop at.
  local asan="${ASAN_OPTIONS:-}"
  asan="${asan//strict_string_checks=1/strict_string_checks=0}"
  (cd "$work" && ASAN_OPTIONS="$asan" exec "$build/app/skyvane" ${skyvane_args:-}) \
    >"$work/skyvane.out" 2>&1 &
  app_pid=$!
  session_pids+=("$app_pid")
}

# The window titled exactly $1 (its X id in decimal), once it is there.
window_titled() {
  local tries=100 id
  while ((tries-- > 0)); do
    for id in $(xdotool search --name "^$1\$" 2>/dev/null); do
      xwininfo -id "$id" | sed -n 2p | grep -F "\"$1\"" >/dev/null && { echo "$id"; return 0; }
    done
    sleep 0.1
  done
  return 1
}
# The title the window manager shows: _NET_WM_NAME.
title_of() { xprop -id "$1" _NET_WM_NAME | sed -n 's/^_NET_WM_NAME(UTF8_STRING) = "\(.*\)"$/\1/p'; }

# The main window (its X id in decimal), once it is there: the one titled exactly
# "Skyvane" (xdotool matches names without regard to case, and Qt's helper windows
# are called "skyvane").
main_window() { window_titled Skyvane; }

# True while a pop-up menu of the program is on screen (a mapped top-level window
# of the program's helper name, taller than a tray icon).
menu_open() {
  local id
  for id in $(xwininfo -root -children | awk '/"skyvane": \("skyvane"/ { print $1 }'); do
    [ "$(map_state "$id")" = IsViewable ] &&
      (($(xwininfo -id "$id" | awk '/Height:/ { print $2 }') > 40)) && return 0
  done
  return 1
}
menu_closed() { ! menu_open; }

# Opens the tray icon's menu and chooses the entry at position $1 (1 = first).
choose_from_tray_menu() {
  local x y i
  read -r x y < <(x11_tray_icon_centre)
  [ -n "$x" ] || fail "no icon in the tray"
  x11_click "$x" "$y" 3
  wait_for 10 menu_open || fail "the tray menu did not open"
  for ((i = 0; i < $1; i++)); do xdotool key Down; done
  xdotool key Return
  wait_for 10 menu_closed || fail "the tray menu did not close"
}

# Activates window $1 once it is shown and presses key $2 in it. A box is found by
# its title a moment before the window manager has mapped it, and cannot be
# activated until then.
press_in_window() {
  wait_for 10 map_state_is "$1" IsViewable || fail "window $1 was not shown"
  wait_for 10 timeout 5 xdotool windowactivate --sync "$1" || fail "window $1 could not be activated"
  xdotool key "$2"
}

map_state() { xwininfo -id "$1" | awk '/Map State:/ { print $3 }'; }
# True when window $1 is in map state $2 (IsViewable, IsUnMapped); for wait_for.
map_state_is() { [ "$(map_state "$1")" = "$2" ]; }
in_client_list() { xprop -root _NET_CLIENT_LIST | grep -qiw "$(printf '0x%x' "$1")"; }
# Number of lime pixels in a window's picture.
lime_pixels() {
  import -window "$1" "$work/shot.png"
  convert "$work/shot.png" txt:- | grep -c '#00FF00' || true
}
