#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Screenshots of the real program tracking the rotor simulator under Xvfb, with a
# window manager (openbox) and a tray (trayer), for looking at by eye:
#   live.png    the heading in lime: window, tray icon and its hint
#   stale.png   the same heading after the rotor went silent: dimmed, hint noted
#   tray-live.png, tray-stale.png   the tray icon alone, eight times enlarged
# Usage: tests/app/readings-shots.sh BUILD_DIR OUT_DIR
set -euo pipefail
build=$(realpath "$1")
out=$(realpath -m "$2")
mkdir -p "$out"
work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

mkfifo "$work/display"
Xvfb -displayfd 3 -screen 0 640x400x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
pids+=("$!")
read -r display <"$work/display"
export DISPLAY=":$display"
openbox >/dev/null 2>&1 &
pids+=("$!")
trayer --edge top --align right --widthtype pixel --width 100 --heighttype pixel --height 24 \
  --transparent false --tint 0x404040 >/dev/null 2>&1 &
pids+=("$!")

# Six answers, then a long silence.
coproc SIM { exec "$build/tools/rotorsim/skyvane-rotorsim" --heading 142 --mute-after 6 --mute-for 600000; }
pids+=("$SIM_PID")
read -r pty <&"${SIM[0]}"
printf '[SETTINGS]\r\nCOMPORT=%s\r\n' "$pty" >"$work/Skyvane.INI"
(cd "$work" && exec "$build/app/skyvane") &
pids+=("$!")

# The tray icon's window inside the tray: its centre on the screen.
icon_centre() {
  xwininfo -root -tree | awk '/"panel"/ { panel = 1; next }
    panel && /22x22/ { split($0, a, "+"); print a[4] + 11, a[5] + 11; exit }'
}
for _ in $(seq 100); do
  read -r x y < <(icon_centre) || true
  [ -n "${x:-}" ] && break
  sleep 0.2
done
[ -n "${x:-}" ] || { echo "no tray icon" >&2; exit 1; }
# Track, the menu's first entry; the log tells when tracking is on.
for _ in $(seq 5); do
  sleep 1
  read -r x y < <(icon_centre)
  xdotool mousemove "$x" "$y" click 3
  sleep 1
  xdotool key Down Return
  sleep 1
  grep -q "Track on" "$work/Skyvane.Log" && break
done
grep -q "Track on" "$work/Skyvane.Log" || { echo "Track could not be switched on" >&2; exit 1; }
shot() {
  xdotool mousemove 10 390
  sleep 0.5
  xdotool mousemove "$((x - 3))" "$y"
  sleep 0.3
  xdotool mousemove "$x" "$y"
  sleep 2  # the hint appears
  import -window root "$out/$1.png"
  convert "$out/$1.png" -crop 22x22+$((x - 11))+$((y - 11)) -filter point -resize 800% \
    "$out/tray-$1.png"
}
sleep 2
shot live
sleep 9  # the silence, three poll periods without an answer, and some
shot stale
echo "screenshots in $out"
