#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The whole program's cost while it tracks, side by side with the least Qt program
# doing the same job (bench/minimal_tray_poll: a QSystemTrayIcon with a Track entry
# in its menu and a QSerialPort asking once a second while Track is on). Each runs in
# turn on a private X server with a window manager (openbox) and a tray, against the
# rotor simulator on a pseudo-terminal, and is measured for SECONDS (default 60) once tracking runs:
#   CPU        time on a CPU of all its threads (/proc/PID/task/*/schedstat), by
#              thread, and of all threads but the port's event thread
#   wake-ups   context switches of all its threads (/proc/PID/task/*/status,
#              voluntary and preempted together; preempted shown apart), by thread,
#              and of all threads but the port's event thread ("serial events")
#   RSS        resident memory at the end (VmRSS); and before Track was chosen
#   first paint  from the start of the program until its window shows its lime
#              digits on screen (captures by xwd polled as fast as they come; the
#              time one capture takes is printed as well)
#   bare wake-up  the CPU one wake-up costs a thread that does nothing else
#              (bench/bare_wake, BARE_WAKES of them, default 10), measured first;
#              then the CPU a second of a Qt program that only wakes for a timer
#              and a reply (bench/qt_wake_floor, FLOOR_READINGS, default 10)
#   X requests per reading  each program once more, its X connection through xtrace
#              for XTRACE_SECONDS (default 10; 0: not measured): requests, replies
#              (the round trips) and events, divided by the replies of the rotor
# Usage: bench/whole-program.sh [SECONDS]      SKYVANE_BUILD names the build folder;
# ROTORSIM_OPTIONS the simulator's (default "--sweep 30 --pad": a heading that
# changes at every reply; "--pad" alone keeps it still). TRAY_HOST=x11 (default):
# the tray is trayer's X11 tray; TRAY_HOST=dbus: a private session bus with the
# scripted StatusNotifierItem watcher and host of tests/desktop (sni_host.py), no X
# tray; Skyvane's Track is then chosen through its exported menu. SKYVANE_SETTINGS:
# more Skyvane.INI lines, KEY=VALUE separated by blanks, e.g. "SERVER=YES WSJTX=YES
# N1MMROTOR=YES PSTROTOR=YES MAPVISIBLE=YES" for what is idle while nothing arrives.
# YARDSTICK_TRACK=menu (default): Track is chosen from the tray menu of both programs;
# start: the yardstick asks from its start and its menu is never opened (what it
# cost before it had a menu); none: Skyvane alone, e.g. for a Hamlib rotor, which the
# yardstick does not speak: ROTORSIM_OPTIONS="--protocol 603 --sweep 30"
# SKYVANE_SETTINGS="ROTORMODEL=603 ROTORPORT=@PTY@" (@PTY@ in a setting stands for
# the simulator's pseudo-terminal). SMAPS_DIR: a folder where each program's
# /proc/PID/smaps is copied at the end of its measurement (NAME.smaps).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(realpath "${SKYVANE_BUILD:-$root/build}")"
seconds="${1:-60}"
rotor_options="${ROTORSIM_OPTIONS:---sweep 30 --pad}"
xtrace_seconds="${XTRACE_SECONDS:-10}"
tray_host="${TRAY_HOST:-x11}"
yardstick_track="${YARDSTICK_TRACK:-menu}"
case "$yardstick_track" in menu | start | none) ;; *)
  echo "whole-program: YARDSTICK_TRACK is menu, start or none, not $yardstick_track" >&2
  exit 2
  ;;
esac
case "$tray_host" in x11 | dbus) ;; *)
  echo "whole-program: TRAY_HOST is x11 or dbus, not $tray_host" >&2
  exit 2
  ;;
esac
source "$root/tests/support/x11-session.sh"
work="$(mktemp -d "${TMPDIR:-/tmp}/skyvane-whole.XXXXXX")"
sim_pid="" subject_pid="" bus_pid="" host_pid="" proxy_pid="" proxy_socket=""
cleanup() {
  local p
  for p in "$subject_pid" "$proxy_pid" "$sim_pid" "$host_pid" "$bus_pid"; do
    [ -z "$p" ] || kill "$p" 2>/dev/null || true
  done
  [ -z "$proxy_socket" ] || rm -f "$proxy_socket"
  x11_stop
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "whole-program: $*" >&2
  exit 1
}
now_ms() { echo $(($(date +%s%N) / 1000000)); }
wait_for() {
  local tenths="$1" i
  shift
  for ((i = 0; i < tenths; i++)); do
    "$@" && return 0
    sleep 0.1
  done
  return 1
}
load() { cut -d' ' -f1-3 /proc/loadavg; }

# Nanoseconds on a CPU and context switches (all, preempted) of every thread of $1.
cpu_ns() { cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{ ns += $1 } END { print ns + 0 }'; }
switches() {
  cat /proc/"$1"/task/*/status 2>/dev/null | awk '
    /^voluntary_ctxt_switches/ { all += $2 }
    /^nonvoluntary_ctxt_switches/ { all += $2; pre += $2 }
    END { print all + 0, pre + 0 }'
}
# "name switches preempted nanoseconds-on-a-CPU" for every thread of $1.
thread_switches() {
  local task
  for task in /proc/"$1"/task/*; do
    awk -v name="$(tr ' ' _ <"$task/comm")" -v ns="$(cut -d' ' -f1 "$task/schedstat")" '
      /^voluntary_ctxt_switches/ { n += $2 }
      /^nonvoluntary_ctxt_switches/ { n += $2; p += $2 }
      END { print name, n + 0, p + 0, ns + 0 }' "$task/status"
  done 2>/dev/null
}
# Per thread name, "name all/s (preempted/s)" between the samples $1 and $2 over $3
# ns, on one line; the microseconds on a CPU a second of each thread on a second;
# then, on a third, the switches a second and the CPU (% of a core) of all threads
# but the port's event thread.
thread_rates() {
  awk -v wall="$3" 'NR == FNR { b[$1] += $2; bp[$1] += $3; bc[$1] += $4; next }
    { a[$1] += $2; ap[$1] += $3; ac[$1] += $4 }
    END { for (t in a) if (a[t] > b[t]) {
            r = (a[t] - b[t]) * 1e9 / wall
            printf "%s%s %.2f (%.2f)", (n++ ? ", " : ""), t, r, (ap[t] - bp[t]) * 1e9 / wall
            if (t != "serial_events") rest += r }
          printf "\n"
          for (t in a) if (ac[t] > bc[t]) {
            u = (ac[t] - bc[t]) / wall * 1e6
            printf "%s%s %.1f", (m++ ? ", " : ""), t, u
            if (t != "serial_events") restcpu += u }
          printf "\n%.2f %.4f\n", rest, restcpu / 1e4 }' "$1" "$2"
}
rss_kib() { awk '/^VmRSS/ { print $2 }' /proc/"$1"/status; }
queries() { cat "$work/queries" 2>/dev/null || echo 0; }
before=0
queries_since_before() { (($(queries) > before)); }
registrations() { grep -c '^registered ' "$work/host.out" 2>/dev/null || true; }
registered_before=0
tray_icon_shown() {
  if [ "$tray_host" = dbus ]; then
    (($(registrations) > registered_before))
  else
    [ -n "$(x11_tray_icon_centre)" ]
  fi
}

# Looks at window $1 with xwd until it shows lime pixels (its digits, drawn in
# rgb(0, 255, 0) on black), for at most 60 s; prints the clock in milliseconds when
# it did and the mean time one look took.
wait_for_digits() {
  python3 - "$1" <<'PY'
import struct, subprocess, sys, time
window, looks, first = sys.argv[1], 0, time.time_ns()
while time.time_ns() - first < 60e9:
    looks += 1
    xwd = subprocess.run(["xwd", "-silent", "-id", window], capture_output=True).stdout
    if len(xwd) >= 100:
        header, colours = struct.unpack(">I", xwd[:4])[0], struct.unpack(">I", xwd[76:80])[0]
        if b"\x00\xff\x00" in xwd[header + 12 * colours:]:
            now = time.time_ns()
            print(now // 1000000, (now - first) // 1000000 // looks)
            sys.exit(0)
    time.sleep(0.005)
sys.exit(1)
PY
}

# Starts "${@:2}" in $work (subject_pid), its window titled $1, and notes the
# milliseconds until that window showed digits (paint_ms) and the time one look
# at the screen took (step_ms). With SUBJECT_DISPLAY set the subject uses that
# display (the xtrace proxy) and the first paint is not timed.
paint_ms=0 step_ms=0
start_and_time_first_paint() {
  local start id="" painted
  registered_before="$(registrations)"
  start="$(now_ms)"
  (cd "$work" && DISPLAY="${SUBJECT_DISPLAY:-$DISPLAY}" exec "${@:2}") >"$work/subject.out" 2>&1 &
  subject_pid=$!
  while [ -z "$id" ]; do
    id="$(xdotool search --onlyvisible --pid "$subject_pid" --name "^$1\$" 2>/dev/null |
      head -n1)" || true
    kill -0 "$subject_pid" 2>/dev/null || fail "$2 ended: $(cat "$work/subject.out")"
    (($(now_ms) - start < 60000)) || fail "no window of $2 within 60 s"
    sleep 0.01
  done
  [ -z "${SUBJECT_DISPLAY:-}" ] || return 0
  read -r painted step_ms < <(wait_for_digits "$id") || true
  [ -n "$painted" ] || fail "the window of $2 never showed its digits"
  paint_ms=$((painted - start))
}

# Chooses the subject's first tray menu entry (Skyvane's Track): a right click on the
# first X tray icon, or the entry's "clicked" event through the menu the item
# exported to the D-Bus host.
tray_first_entry() {
  local x y
  if [ "$tray_host" = dbus ]; then
    /usr/bin/python3 - "$(grep '^registered ' "$work/host.out" | tail -n1)" <<'PY' ||
import sys
import dbus
_, name, path = sys.argv[1].split()
bus = dbus.SessionBus()
menu_path = dbus.Interface(bus.get_object(name, path), dbus.PROPERTIES_IFACE).Get(
    "org.kde.StatusNotifierItem", "Menu")
menu = dbus.Interface(bus.get_object(name, menu_path), "com.canonical.dbusmenu")
_, layout = menu.GetLayout(0, -1, [])
menu.Event(layout[2][0][0], "clicked", dbus.Int32(0, variant_level=1), dbus.UInt32(0))
PY
      fail "the first entry of the exported menu could not be chosen"
    return 0
  fi
  read -r x y < <(x11_tray_icon_centre)
  [ -n "$x" ] || fail "no icon in the tray"
  x11_click "$x" "$y" 3
  sleep 1
  xdotool key Down Return
}

# Measures the running subject for $seconds once queries are answered; prints
# "cpu% wakeups/s preempted/s rss_kib replies seconds"; the by-thread line and the
# wake-ups of all threads but the port's event thread go to $work/threads.
measure() {
  local q0 t0 c0 s0 p0 t1 c1 s1 p1 q1
  sleep 2
  q0="$(queries)"
  t0="$(date +%s%N)"
  c0="$(cpu_ns "$subject_pid")"
  read -r s0 p0 < <(switches "$subject_pid")
  thread_switches "$subject_pid" >"$work/threads0"
  sleep "$seconds"
  t1="$(date +%s%N)"
  c1="$(cpu_ns "$subject_pid")"
  read -r s1 p1 < <(switches "$subject_pid")
  thread_switches "$subject_pid" >"$work/threads1"
  q1="$(queries)"
  [ -z "${SMAPS_DIR:-}" ] || cat /proc/"$subject_pid"/smaps >"$SMAPS_DIR/$subject_name.smaps"
  thread_rates "$work/threads0" "$work/threads1" $((t1 - t0)) >"$work/threads"
  awk -v wall=$((t1 - t0)) -v cpu=$((c1 - c0)) -v sw=$((s1 - s0)) -v pre=$((p1 - p0)) \
    -v rss="$(rss_kib "$subject_pid")" -v replies=$((q1 - q0)) \
    'BEGIN { printf "%.4f %.2f %.2f %d %d %.1f\n", 100 * cpu / wall, sw * 1e9 / wall,
             pre * 1e9 / wall, rss, replies, wall / 1e9 }'
}

stop_subject() {
  kill "$subject_pid" 2>/dev/null || true
  wait "$subject_pid" 2>/dev/null || true
  subject_pid=""
}

# Starts an xtrace proxy of this display on a free display number (proxy_display).
start_proxy() {
  local n
  for ((n = 90; n < 200; n++)); do [ -e "/tmp/.X11-unix/X$n" ] || break; done
  proxy_display=":$n" proxy_socket="/tmp/.X11-unix/X$n"
  xtrace -n -k -d "$DISPLAY" -D "$proxy_display" -o "$work/xtrace" >/dev/null 2>&1 &
  proxy_pid=$!
  wait_for 100 test -S "$proxy_socket" || fail "xtrace did not start"
}
stop_proxy() {
  kill "$proxy_pid" 2>/dev/null || true
  wait "$proxy_pid" 2>/dev/null || true
  rm -f "$proxy_socket"
  proxy_pid="" proxy_socket=""
}
# What the X connections of the subject carry while the rotor answers
# $xtrace_seconds times: "requests replies events" per reply of the rotor. A request's
# line carries its sequence number; xtrace's own warnings ("buffer filled") do not.
x_per_reading() {
  local l0 l1 q0 q1
  sleep 2
  l0="$(wc -l <"$work/xtrace")" q0="$(queries)"
  sleep "$xtrace_seconds"
  l1="$(wc -l <"$work/xtrace")" q1="$(queries)"
  sed -n "$((l0 + 1)),${l1}p" "$work/xtrace" | awk -v n=$((q1 - q0)) '
    /^[0-9]+:<:[0-9a-f]+:/ { requests++ } /^[0-9]+:>:.*Reply to/ { replies++ }
    /^[0-9]+:>:.*Event/ { events++ }
    END { if (n < 1) n = 1; printf "%.1f %.1f %.1f\n", requests / n, replies / n, events / n }'
}

# Runs subject $1 (window title $2, command "${@:3}") once as measured and, unless
# XTRACE_SECONDS is 0, once more through xtrace; sets the r_* figures.
run_subject() {
  local track=1
  subject_name=$1
  [ "$1" != skyvane ] && [ "$yardstick_track" = start ] && track=0
  start_and_time_first_paint "$2" "${@:3}"
  r_paint=$paint_ms r_step=$step_ms
  wait_for 200 tray_icon_shown || fail "$1 has no tray icon"
  sleep 1
  r_rss_start="$(rss_kib "$subject_pid")"
  before="$(queries)"
  ((track == 0)) || tray_first_entry
  wait_for 100 queries_since_before || fail "$1 sent no query"
  read -r r_cpu r_wake r_pre r_rss r_replies r_wall < <(measure)
  { read -r r_threads && read -r r_thread_cpu && read -r r_rest r_rest_cpu; } <"$work/threads"
  stop_subject
  r_x="not measured"
  ((xtrace_seconds > 0)) || return 0
  start_proxy
  SUBJECT_DISPLAY="$proxy_display" start_and_time_first_paint "$2" "${@:3}"
  wait_for 200 tray_icon_shown || fail "$1 has no tray icon through xtrace"
  before="$(queries)"
  ((track == 0)) || tray_first_entry
  wait_for 100 queries_since_before || fail "$1 sent no query through xtrace"
  local requests replies events
  read -r requests replies events < <(x_per_reading)
  r_x="$requests requests, $replies round trips, $events events"
  stop_subject
  stop_proxy
}

x11_start 800x600
x11_start_window_manager
export QT_QPA_PLATFORM=xcb
if [ "$tray_host" = dbus ]; then
  # A private session bus with the scripted watcher and host, and no X tray: both
  # programs put their icon on the bus.
  read -r DBUS_SESSION_BUS_ADDRESS bus_pid < <(
    dbus-daemon --session --fork --print-pid=1 --print-address=1 | tr '\n' ' '
    echo
  )
  [ -n "$bus_pid" ] || fail "no session bus"
  export DBUS_SESSION_BUS_ADDRESS
  /usr/bin/python3 "$root/tests/desktop/sni_host.py" >"$work/host.out" 2>&1 &
  host_pid=$!
  wait_for 100 grep -q "^ready" "$work/host.out" || fail "the scripted tray host did not start: $(cat "$work/host.out")"
else
  x11_start_tray || fail "no tray"
  # No session bus: both icons go to the X tray on this display.
  unset DBUS_SESSION_BUS_ADDRESS
fi
# shellcheck disable=SC2086 # the simulator's options, one word each
coproc SIM { exec "$build/tools/rotorsim/skyvane-rotorsim" $rotor_options \
  --count-file "$work/queries"; }
sim_pid=$SIM_PID
read -r -t 20 pty <&"${SIM[0]}" || fail "the simulator did not start"
printf '[SETTINGS]\r\nCOMPORT=%s\r\nBAUDRATE=4800\r\nTRACE=NO\r\nVISIBLE=YES\r\n' "$pty" \
  >"$work/Skyvane.INI"
for setting in ${SKYVANE_SETTINGS:-}; do printf '%s\r\n' "${setting//@PTY@/$pty}" >>"$work/Skyvane.INI"; done

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//'),"\
  "load $(load); tray host: $tray_host; simulator: $rotor_options;"\
  "more settings: ${SKYVANE_SETTINGS:-none}; the yardstick's Track: $yardstick_track"
# What a thread that only wakes costs here: the floor of the port's event thread.
echo "one bare wake-up (bench/bare_wake, ${BARE_WAKES:-10} of them): $("$build/bench/bare_wake" "${BARE_WAKES:-10}") microseconds on a CPU"
# And a Qt program that only wakes for a timer and a reply: the floor of a GUI thread.
echo "a Qt program that only wakes for a timer and a reply (bench/qt_wake_floor, ${FLOOR_READINGS:-10} readings):"\
  "$("$build/bench/qt_wake_floor" "${FLOOR_READINGS:-10}" 2>/dev/null) microseconds on a CPU a second"

# Both programs: Track is switched on from the tray menu, as a user does (with
# YARDSTICK_TRACK=start the yardstick asks from its start and never opens its menu).
run_subject skyvane Skyvane "$build/app/skyvane"
sky=("$r_cpu" "$r_wake" "$r_pre" "$r_rss" "$r_paint" "$r_step" "$r_replies" "$r_wall")
sky_threads=$r_threads sky_rest=$r_rest sky_thread_cpu=$r_thread_cpu sky_rest_cpu=$r_rest_cpu sky_x=$r_x sky_rss_start=$r_rss_start
if [ "$yardstick_track" = none ]; then
  printf '%-18s CPU %.4f %% of a core   wake-ups %5.2f /s (%.2f preempted)   RSS %6d KiB   %d replies in %.0f s\n' \
    skyvane "${sky[0]}" "${sky[1]}" "${sky[2]}" "${sky[3]}" "${sky[6]}" "${sky[7]}"
  echo "skyvane            wake-ups by thread (preempted): $sky_threads"
  echo "skyvane            CPU by thread (microseconds a second): $sky_thread_cpu"
  echo "skyvane            X per reading: $sky_x"
  exit 0
fi
yardstick_options=()
[ "$yardstick_track" = menu ] || yardstick_options=(--track)
run_subject minimal_tray_poll "Minimal tray poll" "$build/bench/minimal_tray_poll" \
  "${yardstick_options[@]}" "$pty"
min=("$r_cpu" "$r_wake" "$r_pre" "$r_rss" "$r_paint" "$r_step" "$r_replies" "$r_wall")
min_threads=$r_threads min_rest=$r_rest min_thread_cpu=$r_thread_cpu min_rest_cpu=$r_rest_cpu min_x=$r_x min_rss_start=$r_rss_start

row() {
  printf '%-18s CPU %.4f %% of a core   wake-ups %5.2f /s (%.2f preempted)   RSS %6d KiB' \
    "$1" "$2" "$3" "$4" "$5"
  printf '   first paint %5d ms (poll step %d ms)   %d replies in %.0f s\n' "$6" "$7" "$8" "$9"
}
row skyvane "${sky[@]}"
row minimal_tray_poll "${min[@]}"
echo "skyvane            wake-ups by thread (preempted): $sky_threads"
echo "minimal_tray_poll  wake-ups by thread (preempted): $min_threads"
echo "skyvane            CPU by thread (microseconds a second): $sky_thread_cpu"
echo "minimal_tray_poll  CPU by thread (microseconds a second): $min_thread_cpu"
echo "skyvane            X per reading: $sky_x"
echo "minimal_tray_poll  X per reading: $min_x"
echo "RSS before Track was chosen: skyvane $sky_rss_start KiB, minimal_tray_poll $min_rss_start KiB"\
  "($(awk -v a="$sky_rss_start" -v b="$min_rss_start" 'BEGIN { printf "%.2f", a / b }'))"
awk -v a="${sky[0]}" -v b="${min[0]}" -v c="${sky[1]}" -v d="${min[1]}" -v e="${sky[3]}" \
  -v f="${min[3]}" -v g="${sky[4]}" -v h="${min[4]}" -v i="$sky_rest" -v j="$min_rest" \
  -v k="$sky_rest_cpu" -v l="$min_rest_cpu" \
  'BEGIN { printf "ratio              skyvane / minimal: CPU %.2f, but the port'"'"'s event thread %.2f; wake-ups %.2f, but the port'"'"'s event thread %.2f / %.2f = %.2f; RSS %.2f; first paint %.2f\n",
           (b > 0 ? a / b : 0), (l > 0 ? k / l : 0), (d > 0 ? c / d : 0), i, j, (j > 0 ? i / j : 0),
           e / f, (h > 0 ? g / h : 0) }'
echo "load at the end: $(load)"
