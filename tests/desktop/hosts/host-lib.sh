# SPDX-License-Identifier: GPL-3.0-or-later
# Shared by the checks in real tray hosts (sourced after ../session.sh): the rotor
# simulator and Skyvane, the icon found in the host's panel by its lime text, the
# menu the host draws opened and walked with the keyboard as a user would, and
# screenshots kept in $SHOTS (default: the scratch folder).
here_hosts=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
shots="${SHOTS:-$work}"
mkdir -p "$shots"
host_name="${host_name:?host_name names the host in the screenshots}"

# How the user's hands and eyes reach the screen; a Wayland host replaces these.
take_shot_to() { import -window root "$1"; }  # a screenshot of the whole screen
click_at() { x11_click "$1" "$2" "$3"; }  # x y button
press_key() { xdotool key "$1"; }
# Waits for the Quit box and gives it the keyboard.
focus_quit_box() {
  local box
  box=$(window_titled "Warning!") || fail "Quit chosen in the host's menu opened no box"
  wait_for 10 map_state_is "$box" IsViewable || fail "the Quit box was not shown"
  sleep 0.5
  # A host's menu may still hold the keyboard for a moment after it closed.
  wait_for 15 timeout 3 xdotool windowactivate --sync "$box" || fail "the Quit box cannot be activated"
}

# A screenshot of the whole screen; $1 names it. Sets $shot to its path.
take_shot() {
  shot="$shots/$host_name-$1.png"
  take_shot_to "$shot"
}

# Starts the simulator at heading 140 and Skyvane on it; the tray icon is then waited
# for in region $1 (WxH+X+Y) of the screen; sets $ix $iy to its centre.
start_tracking_setup() {
  start_rotor --heading 140
  start_skyvane "COMPORT=$pty" "BAUDRATE=9600"
  local tries
  for ((tries = 0; tries < 60; tries++)); do
    take_shot start
    read -r ix iy < <(/usr/bin/python3 "$here_hosts/find_icon.py" "$shot" "$1") || true
    [ -n "${ix:-}" ] && return 0
    sleep 0.5
  done
  fail "no lime icon in the panel ($1); see $shot"
}

# Opens the host's menu of the icon (right click), waits for it, takes shot $1.
open_host_menu() {
  click_at "$ix" "$iy" 3
  sleep 1.5
  take_shot "$1"
}

# Chooses the menu entry at position $1 (1 = Track ... 6 = Quit) with the keyboard.
choose_in_host_menu() {
  local i
  for ((i = 0; i < $1; i++)); do press_key Down; sleep 0.1; done
  press_key Return
}

# The pixels that differ between two screenshots inside region $3.
changed_pixels() {
  convert "$1" -crop "$3" +repage "$work/a.png"
  convert "$2" -crop "$3" +repage "$work/b.png"
  compare -metric AE "$work/a.png" "$work/b.png" null: 2>&1 || true
}

log_has() { grep -q "$1" "$work/Skyvane.Log"; }

# Track through the host's menu: the queries start and the icon shows the heading.
track_through_host() {
  open_host_menu menu-before
  menu_before=$shot
  choose_in_host_menu 1
  wait_for 10 log_has "Track on" || fail "Track chosen in the host's menu did not start tracking"
  sleep 2.5
  take_shot tracking
}

# Quit through the host's menu: the box is answered with OK, the program ends.
quit_through_host() {
  open_host_menu menu-after
  menu_after=$shot
  choose_in_host_menu 6
  focus_quit_box
  local pressed
  pressed=$(date +%s%N)
  press_key Return
  wait_for 10 sh -c "! kill -0 $app_pid 2>/dev/null" || fail "Skyvane still runs after Quit"
  quit_ms=$((($(date +%s%N) - pressed) / 1000000))
  log_has "Quit: settings saved in" || fail "Quit did not save the settings"
}
