#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# One session of the real program as a user has it, on a private X server with a
# notification area (Xvfb + trayer), driven through the tray menu with the mouse and
# keys: Track on against the rotor simulator, replies arriving and shown, COM Settings
# and OK, About and OK, then Quit and OK while the simulator streams replies. Any step
# that does not happen, an exit status other than 0 or a sanitizer report fails it.
# Usage: tests/session/user-session.sh BUILD_DIR [OUT_DIR]
# OUT_DIR (default BUILD_DIR/session) keeps the screenshots, the log and any report.
# Run it with the sanitizer options of the build (scripts/ci-extra.sh session); the
# reports go to OUT_DIR/sanitizer.* through log_path.
set -euo pipefail
build="$(realpath "$1")"
out="$(realpath -m "${2:-$build/session}")"
here="$(dirname "$(realpath "$0")")"
source "$here/../support/x11-session.sh"
rm -rf "$out"
mkdir -p "$out"
work="$(mktemp -d "${TMPDIR:-/tmp}/skyvane-session.XXXXXX")"
sim_pid="" app_pid=""
cleanup() {
  [ -z "$app_pid" ] || kill -9 "$app_pid" 2>/dev/null || true
  [ -z "$sim_pid" ] || kill "$sim_pid" 2>/dev/null || true
  x11_stop
  rm -rf "$work"
}
trap cleanup EXIT

step() { echo "-- $*"; }
fail() {
  echo "FAIL: $*"
  import -window root "$out/failure.png" 2>/dev/null || true
  [ -f "$work/Skyvane.Log" ] && cp "$work/Skyvane.Log" "$out/"
  if [ -n "$app_pid" ] && ! kill -0 "$app_pid" 2>/dev/null; then
    local status=0
    wait "$app_pid" || status=$?
    app_pid=""
    echo "Skyvane had already ended, with status $status"
  fi
  echo "--- the program's output:"
  head -c 20000 "$out/skyvane.out" 2>/dev/null || true
  exit 1
}
# Runs a command every tenth of a second until it succeeds, for at most $1 seconds.
wait_for() {
  local seconds="$1" i
  shift
  for ((i = 0; i < seconds * 10; i++)); do
    "$@" && return 0
    sleep 0.1
  done
  return 1
}
# A picture of the main window's contents, as a checksum.
window_sum() { import -window "$window" rgb:- 2>/dev/null | md5sum | cut -d' ' -f1; }
window_differs_from() { [ "$(window_sum)" != "$1" ]; }
# Waits until the window shows something other than the picture $1.
wait_window_changes() { wait_for 10 window_differs_from "$1"; }
queries_answered() { [ "$(cat "$count" 2>/dev/null || echo 0)" -gt 0 ]; }
log_has() { grep -q "$1" "$work/Skyvane.Log"; }
app_ended() { ! kill -0 "$app_pid" 2>/dev/null; }
tray_icon_shown() { [ -n "$(x11_tray_icon_centre)" ]; }
# The number of the program's windows on screen (the menu adds one).
visible_windows() { xdotool search --onlyvisible --pid "$app_pid" 2>/dev/null | wc -l; }
# Opens the tray menu with a right click on the icon and activates entry $1 (from 1).
tray_menu() {
  local x y i keys=() shown
  read -r x y < <(x11_tray_icon_centre)
  [ -n "$x" ] || fail "no icon in the tray"
  shown="$(visible_windows)"
  x11_click "$x" "$y" 3
  menu_open() { (($(visible_windows) > shown)); }
  wait_for 10 menu_open || fail "the tray menu did not open"
  for ((i = 0; i < $1; i++)); do keys+=(Down); done
  xdotool key --delay 100 "${keys[@]}" Return
}
# Answers the dialog titled $1 with Return (its default button) and waits until it is gone.
answer_dialog() {
  local id
  id="$(x11_wait_window "^$1\$")" || fail "no window \"$1\" appeared"
  import -window root "$out/$2.png"
  xdotool windowactivate --sync "$id" 2>/dev/null || xdotool windowfocus --sync "$id"
  xdotool key Return
  dialog_closed() { ! xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1; }
  wait_for 10 dialog_closed "$1" || fail "\"$1\" stayed open after Return"
}

step "X server, tray, rotor simulator streaming 50 replies a second"
x11_start 800x600
x11_start_tray
count="$work/queries"
coproc SIM { exec "$build/tools/rotorsim/skyvane-rotorsim" --sweep 30 --pad --stream 50 \
  --count-file "$count"; }
sim_pid=$SIM_PID
read -r -t 20 pty <&"${SIM[0]}" || fail "the simulator did not start"
printf '[SETTINGS]\r\nCOMPORT=%s\r\nBAUDRATE=4800\r\nTRACE=YES\r\n' "$pty" >"$work/Skyvane.INI"

step "Skyvane starts with its window and its tray icon"
# Sanitizer reports go to files, so that none can pass unseen. Without a session bus
# the icon goes to the XEmbed tray on this display, even when the caller's desktop
# has a tray on its bus.
unset DBUS_SESSION_BUS_ADDRESS
(cd "$work" && ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}log_path=$out/sanitizer" \
  UBSAN_OPTIONS="${UBSAN_OPTIONS:+$UBSAN_OPTIONS:}log_path=$out/sanitizer" \
  exec "$build/app/skyvane") >"$out/skyvane.out" 2>&1 &
app_pid=$!
window="$(x11_wait_window '^Skyvane' 60)" || fail "the main window did not appear"
wait_for 20 tray_icon_shown || fail "no icon in the tray"
sleep 1
import -window root "$out/started.png"
before="$(window_sum)"

step "Track on: queries go out and the replies are shown"
tray_menu 1
wait_window_changes "$before" || fail "the window never showed a reply"
first="$(window_sum)"
wait_window_changes "$first" || fail "the window stopped following the replies"
wait_for 10 queries_answered || fail "no query reached the simulator"
import -window root "$out/tracking.png"

step "COM Settings, OK: the settings are saved and tracking goes on"
tray_menu 4
answer_dialog Setup setup
wait_for 10 log_has "selected and configured in" || fail "COM Settings OK saved nothing"
now="$(window_sum)"
wait_window_changes "$now" || fail "replies stopped after COM Settings"

step "About, OK"
tray_menu 5
answer_dialog "About Skyvane" about
now="$(window_sum)"
wait_window_changes "$now" || fail "replies stopped after About"

step "Quit, OK, while replies stream"
tray_menu 6
answer_dialog "Warning!" quit
status=0
wait_for 30 app_ended || fail "Skyvane still runs 30 s after Quit"
wait "$app_pid" || status=$?
app_pid=""
cp "$work/Skyvane.Log" "$out/"
[ "$status" -eq 0 ] || fail "Skyvane ended with status $status (output in $out/skyvane.out)"

reports=("$out"/sanitizer.*)
if [ -e "${reports[0]}" ]; then
  cat "${reports[@]}"
  fail "sanitizer reports: ${reports[*]}"
fi
# A report that went to the program's output instead of a file fails as well.
! grep -Eq 'ERROR: (Address|Leak|Thread)Sanitizer|runtime error:' "$out/skyvane.out" \
  || fail "sanitizer report in the program's output"
echo "session: $(cat "$count") queries answered, every step passed (screenshots in $out)"
