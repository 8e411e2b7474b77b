#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The message boxes' title bars under a real X server and window manager read exactly
# "Error!" (a configuration file named with -F that does not exist) and "Warning!"
# (Quit's question), with nothing appended.
source "$(dirname "$0")/session.sh"
start_x
start_window_manager
start_tray
skyvane_args="-F nothere.ini"
start_skyvane "COMPORT=ttyS99"
box=$(window_titled 'Error!') || fail "no box titled exactly Error! ($(xdotool search --name Error 2>/dev/null | head -1))"
[ "$(title_of "$box")" = 'Error!' ] || fail "the error box's title bar reads '$(title_of "$box")'"
press_in_window "$box" Return
main_window >/dev/null || fail "no main window after the box"
choose_from_tray_menu 6  # Quit
box=$(window_titled 'Warning!') || fail "no box titled exactly Warning!"
[ "$(title_of "$box")" = 'Warning!' ] || fail "the question's title bar reads '$(title_of "$box")'"
press_in_window "$box" Escape
sleep 0.5
kill -0 "$app_pid" || fail "Cancel ended the program"
echo "title bars: 'Error!' and 'Warning!'"
