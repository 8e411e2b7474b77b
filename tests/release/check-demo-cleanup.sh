#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The demo leaves nothing behind: ended by a signal or by the program ending, it
# removes the scratch folder it made, and keeps a folder the user gave it.
# Usage: check-demo-cleanup.sh <source dir> <build dir>
set -euo pipefail
demo="$1/scripts/demo.sh"
export SKYVANE_BUILD="$2" QT_QPA_PLATFORM=offscreen
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
out="$(mktemp)"
given="$(mktemp -d)"
trap 'rm -rf "$out" "$given"' EXIT

# Starts the demo; sets demo_pid and folder (where it runs) once it has said so.
start_demo() {
  "$demo" >"$out" 2>&1 &
  demo_pid=$!
  local i
  folder=""
  for ((i = 0; i < 300; i++)); do
    folder="$(sed -n 's/.*Skyvane runs in //p' "$out")"
    [ -n "$folder" ] && [ -f "$folder/Skyvane.Log" ] && return 0
    kill -0 "$demo_pid" 2>/dev/null || break
    sleep 0.1
  done
  cat "$out"
  return 1
}
# The skyvane process the demo started.
app_of_demo() { pgrep -P "$demo_pid" -x skyvane; }

for ending in signal program; do
  for where in scratch given; do
    if [ "$where" = given ]; then export SKYVANE_DEMO_DIR="$given"; else unset SKYVANE_DEMO_DIR; fi
    start_demo || { fail "$where folder, ended by $ending: the demo did not start"; continue; }
    if [ "$ending" = signal ]; then kill -TERM "$demo_pid"; else kill -TERM "$(app_of_demo)"; fi
    wait "$demo_pid" || true
    if [ "$where" = scratch ]; then
      [[ "$folder" == /tmp/skyvane-demo.* ]] || fail "the scratch folder is $folder"
      [ ! -e "$folder" ] || fail "ended by $ending, the demo left $folder behind"
    else
      [ -f "$given/Skyvane.INI" ] || fail "ended by $ending, the demo emptied the folder it was given"
    fi
  done
done
((failures == 0)) || exit 1
echo "demo: scratch folder removed and given folder kept, whether ended by a signal or by the program"
