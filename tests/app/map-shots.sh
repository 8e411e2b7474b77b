#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Screenshots of the map of the beam, for looking at by eye: the real program under
# Xvfb with openbox, tracking the rotor simulator (the menu opened on the main window); a turn to a locator from
# "Turn to…" draws its short and long path and the turn in progress. Each size is shot
# live and again once the rotor has gone silent (the beam dimmed):
#   map-{300,600,1000}-{live,stale}.png
# Usage: tests/app/map-shots.sh BUILD_DIR OUT_DIR [light|dark|hidpi|country]
#   dark   a dark palette (a style sheet given on the command line)
#   hidpi  QT_SCALE_FACTOR=2 (sizes of 300 and 500 pixels, twice as many on the screen)
#   country  a turn to a callsign, VK3ABC, whose country a small country file gives; live
#          only: map-{300,600,1000}-live.png
set -euo pipefail
build=$(realpath "$1")
out=$(realpath -m "$2")
look=${3:-light}
mkdir -p "$out"
here=$(dirname "$(realpath "$0")")
# shellcheck source=../support/x11-session.sh
. "$here/../support/x11-session.sh"
work=$(mktemp -d)
cleanup() {
  x11_stop
  rm -rf "$work"
}
trap cleanup EXIT

sizes=(300 600 1000)
scale=1
args=()
target=FN31pr
more=
case "$look" in
  dark)
    cat >"$work/dark.qss" <<'QSS'
QWidget { background-color: #202326; color: #e8eaed; }
QLineEdit, QPushButton { background-color: #30343a; border: 1px solid #555; padding: 3px; }
QSS
    args=(-stylesheet "$work/dark.qss")
    ;;
  hidpi)
    export QT_SCALE_FACTOR=2
    scale=2
    sizes=(300 500)
    ;;
  country)
    printf 'Australia:  30:  59:  OC:  -23.70:  -132.33:  -10.0:  VK:\n    AX,VH,VI,VJ,VK,VL,VM,VN,VZ;\n' \
      >"$work/cty.dat"
    target=VK3ABC
    more="CTYFILE=$work/cty.dat\r\n"
    ;;
esac

x11_start 2600x2200
x11_start_window_manager

# Answers for about 40 s, then silence.
coproc SIM { exec "$build/tools/rotorsim/skyvane-rotorsim" --heading 100 --turn-rate 4 --mute-after 40 --mute-for 600000; }
x11_pids+=("$SIM_PID")
read -r pty <&"${SIM[0]}"
printf '[SETTINGS]\r\nCOMPORT=%s\r\nLOCATOR=JN58td\r\nMAPVISIBLE=YES\r\nMAPGEOMETRY=600,40,612,690\r\n%b' \
  "$pty" "$more" >"$work/Skyvane.INI"
(cd "$work" && exec "$build/app/skyvane" "${args[@]}") &
x11_pids+=("$!")

# The main window's own menu: a right click at its centre (x, y).
main=$(x11_wait_window "^Skyvane$" 60)
eval "$(xdotool getwindowgeometry --shell "$main")"
x=$((X + WIDTH / 2))
y=$((Y + HEIGHT / 2))
x11_track_on "$work/Skyvane.Log"
map=$(x11_wait_window "Skyvane map")

# Turn to… (the seventh entry one can stop at), to FN31pr (New England) or VK3ABC.
x11_click "$x" "$y" 3
sleep 1
xdotool key Down Down Down Down Down Down Down Return
dialog=$(x11_wait_window "Turn to")
xdotool windowactivate --sync "$dialog" type "$target"
sleep 0.5
xdotool key Return
sleep 3

shoot() {
  local size
  for size in "${sizes[@]}"; do
    xdotool windowsize "$map" "$(((size + 12) * scale))" "$(((size + 100) * scale))"
    sleep 1.5
    import -window "$map" "$out/map-$size-$1.png"
  done
}
shoot live
[[ $look == country ]] && { echo "screenshots in $out"; exit 0; }
sleep 40  # the silence, three poll periods without an answer, and some
shoot stale
echo "screenshots in $out"
