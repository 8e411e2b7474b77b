#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The whole program's cost while it tracks, side by side with the least Qt program
# doing the same job (bench/minimal_tray_poll: a QSystemTrayIcon and a QSerialPort
# asking once a second). Each runs in turn on a private X server with a window
# manager (openbox) and a tray (trayer), against the rotor simulator on a
# pseudo-terminal, and is measured for SECONDS (default 60) once tracking runs:
#   CPU        time on a CPU of all its threads (/proc/PID/task/*/schedstat)
#   wake-ups   context switches of all its threads (/proc/PID/task/*/status,
#              voluntary and preempted together; preempted shown apart)
#   RSS        resident memory at the end (VmRSS)
#   first paint  from the start of the program until its window shows its lime
#              digits on screen (captures by xwd polled as fast as they come; the
#              time one capture takes is printed as well)
# Usage: bench/whole-program.sh [SECONDS]      SKYVANE_BUILD names the build folder;
# ROTORSIM_OPTIONS the simulator's (default "--sweep 30 --pad": a heading that
# changes at every reply; "--pad" alone keeps it still).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(realpath "${SKYVANE_BUILD:-$root/build}")"
seconds="${1:-60}"
rotor_options="${ROTORSIM_OPTIONS:---sweep 30 --pad}"
source "$root/tests/support/x11-session.sh"
work="$(mktemp -d "${TMPDIR:-/tmp}/skyvane-whole.XXXXXX")"
sim_pid="" subject_pid=""
cleanup() {
  [ -z "$subject_pid" ] || kill "$subject_pid" 2>/dev/null || true
  [ -z "$sim_pid" ] || kill "$sim_pid" 2>/dev/null || true
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

# Nanoseconds on a CPU and context switches (all, preempted) of every thread of $1.
cpu_ns() { cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{ ns += $1 } END { print ns + 0 }'; }
switches() {
  cat /proc/"$1"/task/*/status 2>/dev/null | awk '
    /^voluntary_ctxt_switches/ { all += $2 }
    /^nonvoluntary_ctxt_switches/ { all += $2; pre += $2 }
    END { print all + 0, pre + 0 }'
}
# "name switches" for every thread of $1, both kinds of context switch together.
thread_switches() {
  local task
  for task in /proc/"$1"/task/*; do
    awk -v name="$(tr ' ' _ <"$task/comm")" '
      /^(non)?voluntary_ctxt_switches/ { n += $2 } END { print name, n + 0 }' "$task/status"
  done 2>/dev/null
}
# Per thread name, the switches a second between the samples $1 and $2 over $3 ns.
thread_rates() {
  awk -v wall="$3" 'NR == FNR { before[$1] += $2; next } { after[$1] += $2 }
    END { for (t in after) if (after[t] > before[t])
            printf "%s%s %.2f", (n++ ? ", " : ""), t, (after[t] - before[t]) * 1e9 / wall }' \
    "$1" "$2"
}
rss_kib() { awk '/^VmRSS/ { print $2 }' /proc/"$1"/status; }
queries() { cat "$work/queries" 2>/dev/null || echo 0; }
before=0
queries_since_before() { (($(queries) > before)); }
tray_icon_shown() { [ -n "$(x11_tray_icon_centre)" ]; }

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
# at the screen took (step_ms).
paint_ms=0 step_ms=0
start_and_time_first_paint() {
  local start id="" painted
  start="$(now_ms)"
  (cd "$work" && exec "${@:2}") >"$work/subject.out" 2>&1 &
  subject_pid=$!
  while [ -z "$id" ]; do
    id="$(xdotool search --onlyvisible --pid "$subject_pid" --name "^$1\$" 2>/dev/null |
      head -n1)" || true
    kill -0 "$subject_pid" 2>/dev/null || fail "$2 ended: $(cat "$work/subject.out")"
    (($(now_ms) - start < 60000)) || fail "no window of $2 within 60 s"
    sleep 0.01
  done
  read -r painted step_ms < <(wait_for_digits "$id") || true
  [ -n "$painted" ] || fail "the window of $2 never showed its digits"
  paint_ms=$((painted - start))
}

# Opens the tray menu of the subject (right click on the first icon) and takes
# its first entry.
tray_first_entry() {
  local x y
  read -r x y < <(x11_tray_icon_centre)
  [ -n "$x" ] || fail "no icon in the tray"
  xdotool mousemove "$x" "$y" click 3
  sleep 1
  xdotool key Down Return
}

# Measures the running subject for $seconds once queries are answered; prints
# "cpu% wakeups/s preempted/s rss_kib replies".
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

x11_start 800x600
openbox >/dev/null 2>&1 &
x11_pids+=("$!")
x11_start_tray || fail "no tray"
# No session bus: both icons go to the X tray on this display.
unset DBUS_SESSION_BUS_ADDRESS
export QT_QPA_PLATFORM=xcb
# shellcheck disable=SC2086 # the simulator's options, one word each
coproc SIM { exec "$build/tools/rotorsim/skyvane-rotorsim" $rotor_options \
  --count-file "$work/queries"; }
sim_pid=$SIM_PID
read -r -t 20 pty <&"${SIM[0]}" || fail "the simulator did not start"
printf '[SETTINGS]\r\nCOMPORT=%s\r\nBAUDRATE=4800\r\nTRACE=NO\r\nVISIBLE=YES\r\n' "$pty" \
  >"$work/Skyvane.INI"

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//'),"\
  "load $(cut -d' ' -f1-3 /proc/loadavg)"

# The real program: Track is switched on from its tray menu, as a user does.
start_and_time_first_paint Skyvane "$build/app/skyvane"
sky_paint=$paint_ms sky_step=$step_ms
wait_for 200 tray_icon_shown || fail "skyvane has no tray icon"
before="$(queries)"
tray_first_entry
wait_for 100 queries_since_before || fail "skyvane sent no query after Track"
read -r sky_cpu sky_wake sky_pre sky_rss sky_replies sky_wall < <(measure)
sky_threads="$(cat "$work/threads")"
stop_subject

# The yardstick asks from its start.
start_and_time_first_paint "Minimal tray poll" "$build/bench/minimal_tray_poll" "$pty"
min_paint=$paint_ms min_step=$step_ms
before="$(queries)"
wait_for 100 queries_since_before || fail "minimal_tray_poll sent no query"
read -r min_cpu min_wake min_pre min_rss min_replies min_wall < <(measure)
min_threads="$(cat "$work/threads")"
stop_subject

row() {
  printf '%-18s CPU %.4f %% of a core   wake-ups %5.2f /s (%.2f preempted)   RSS %6d KiB' \
    "$1" "$2" "$3" "$4" "$5"
  printf '   first paint %5d ms (poll step %d ms)   %d replies in %.0f s\n' "$6" "$7" "$8" "$9"
}
row skyvane "$sky_cpu" "$sky_wake" "$sky_pre" "$sky_rss" "$sky_paint" "$sky_step" "$sky_replies" "$sky_wall"
row minimal_tray_poll "$min_cpu" "$min_wake" "$min_pre" "$min_rss" "$min_paint" "$min_step" \
  "$min_replies" "$min_wall"
echo "skyvane            wake-ups by thread: $sky_threads"
echo "minimal_tray_poll  wake-ups by thread: $min_threads"
awk -v a="$sky_cpu" -v b="$min_cpu" -v c="$sky_wake" -v d="$min_wake" -v e="$sky_rss" \
  -v f="$min_rss" -v g="$sky_paint" -v h="$min_paint" \
  'BEGIN { printf "ratio              skyvane / minimal: CPU %.2f; wake-ups %.2f; RSS %.2f; first paint %.2f\n",
           (b > 0 ? a / b : 0), (d > 0 ? c / d : 0), e / f, (h > 0 ? g / h : 0) }'
