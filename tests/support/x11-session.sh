# SPDX-License-Identifier: GPL-3.0-or-later
# Shell helpers for driving programs on a private X server as a user would: a
# headless X server on a display nobody else uses, a notification area, the icons
# in it. Source this file; every process started here is ended by x11_stop.
#   x11_start [WxH]       Xvfb on a free display (-displayfd), DISPLAY exported
#   x11_start_window_manager  openbox; returns once it manages windows
#   x11_start_tray        trayer at the top right; returns once its panel is mapped
#   x11_stop_tray         ends the tray
#   x11_tray_icon_centre  prints "x y", the screen centre of the first tray icon
#   x11_wait_tray_icon    waits for the first tray icon; sets x and y to its centre
#   x11_click X Y BUTTON  clicks at X Y, never within a double click of the last click
#   x11_track_on LOG      chooses Track in the tray icon's menu until LOG says "Track on"
#   x11_wait_window NAME [SECONDS]  prints the id of a visible window titled NAME
#   x11_stop              ends what these helpers started
#   x11_shots_session BUILD OUT WxH  a screenshot script's start: X, openbox, tray, $work

x11_pids=()
x11_tray_pid=""

x11_start() {
  local size="${1:-800x600}" fifo dir number pid try i
  dir="$(mktemp -d)"
  fifo="$dir/display"
  mkfifo "$fifo"
  # A display number another server is still giving up may not answer at first:
  # the new server is asked for an answer and started afresh when none comes.
  for ((try = 0; try < 3; try++)); do
    # -noreset: a server with no clients left resets, and refuses the connections
    # made meanwhile (a window manager started just after a probe like xprop).
    Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp -noreset 3>"$fifo" >/dev/null 2>&1 &
    pid=$!
    number=""
    read -r -t 30 number <"$fifo" || true
    if [ -n "$number" ]; then
      for ((i = 0; i < 100; i++)); do
        if DISPLAY=":$number" xprop -root -len 0 >/dev/null 2>&1; then
          x11_pids+=("$pid")
          export DISPLAY=":$number"
          rm -rf "$dir"
          return 0
        fi
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
      done
    fi
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  rm -rf "$dir"
  echo "Xvfb did not start" >&2
  return 1
}

x11_start_window_manager() {
  openbox --sm-disable >/dev/null 2>&1 &
  x11_pids+=("$!")
  local i
  # Up to 30 s, as for the tray. xprop succeeds whether or not the property is there:
  # its answer is looked at.
  for ((i = 0; i < 300; i++)); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep 'window id' >/dev/null && return 0
    sleep 0.1
  done
  echo "the window manager did not start" >&2
  return 1
}

x11_start_tray() {
  trayer --edge top --align right --widthtype pixel --width 100 --heighttype pixel --height 24 \
    --transparent false --tint 0x404040 >/dev/null 2>&1 &
  x11_tray_pid=$!
  x11_pids+=("$x11_tray_pid")
  local i
  # Up to 30 s: a loaded machine (parallel builds and sanitizer tests) starts it slowly.
  for ((i = 0; i < 300; i++)); do
    # grep reads the whole tree: with pipefail, a grep -q that stops early would fail
    # the pipe whenever the tree is long enough to be written in more than one piece.
    xwininfo -root -tree 2>/dev/null | grep '"panel"' >/dev/null && return 0
    sleep 0.1
  done
  echo "the tray did not appear" >&2
  return 1
}

x11_stop_tray() {
  [ -z "$x11_tray_pid" ] || kill "$x11_tray_pid" 2>/dev/null || true
  x11_tray_pid=""
}

# The icon is the program's own window (it has a class) inside one of the tray's
# sockets, once shown: the empty socket a restarted tray opens first takes no clicks.
x11_tray_icon_centre() {
  local id left top
  while read -r id left top; do
    if xwininfo -id "$id" 2>/dev/null | grep 'Map State: IsViewable' >/dev/null; then
      echo "$((left + 11)) $((top + 11))"
      return 0
    fi
  done < <(xwininfo -root -tree 2>/dev/null | awk '/"panel"/ { panel = 1; next }
    panel && /22x22/ && /": \("/ { split($0, a, "+"); print $1, a[4], a[5] }')
  return 0
}

x11_wait_tray_icon() {
  local i
  for ((i = 0; i < 100; i++)); do
    read -r x y < <(x11_tray_icon_centre) || true
    [ -n "${x:-}" ] && return 0
    sleep 0.2
  done
  echo "no tray icon" >&2
  return 1
}

# Two presses of one button closer than the double-click time (400 ms unless the
# desktop says otherwise) are a double click, and a right double click on a tray icon
# opens no menu: clicks are kept at least 0.6 s apart, as a user's separate clicks are.
x11_last_click=0
x11_click() {
  sleep "$(awk -v last="$x11_last_click" -v now="$EPOCHREALTIME" \
    'BEGIN { wait = last + 0.6 - now; print (wait > 0 ? wait : 0) }')"
  xdotool mousemove "$1" "$2" click "$3"
  x11_last_click=$EPOCHREALTIME
}

# Track is the menu's first entry; a menu opened before the icon settles may miss.
x11_track_on() {
  local log="$1" i
  for ((i = 0; i < 5; i++)); do
    sleep 1
    x11_click "$x" "$y" 3
    sleep 1
    xdotool key Down Return
    sleep 1
    grep -q "Track on" "$log" 2>/dev/null && return 0
  done
  echo "Track could not be switched on" >&2
  return 1
}

x11_wait_window() {
  local name="$1" seconds="${2:-20}" id
  id="$(timeout "$seconds" xdotool search --sync --onlyvisible --name "$name" 2>/dev/null | head -n1)" \
    || true
  [ -n "$id" ] || return 1
  echo "$id"
}

# Last started first, so the X server goes after its clients.
x11_stop() {
  local i
  for ((i = ${#x11_pids[@]} - 1; i >= 0; i--)); do
    kill "${x11_pids[i]}" 2>/dev/null || true
    wait "${x11_pids[i]}" 2>/dev/null || true
  done
  x11_pids=()
  x11_tray_pid=""
}

# x11_shots_session BUILD_DIR OUT_DIR WxH: how a screenshot script begins: `build` and
# `out` (created) set from the arguments, a scratch folder `work` removed at exit, and
# Xvfb with a window manager (openbox) and a tray running until then.
x11_shots_session() {
  build=$(realpath "$1")
  out=$(realpath -m "$2")
  mkdir -p "$out"
  work=$(mktemp -d)
  trap 'x11_stop; rm -rf "$work"' EXIT
  x11_start "$3"
  x11_start_window_manager
  x11_start_tray
}
