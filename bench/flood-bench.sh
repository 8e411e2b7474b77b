#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs skyvane_flood_bench as a user has it, on its own X server with a tray, once
# with a flood of valid replies and once with a flood of junk, and prints both lines.
#   bench/flood-bench.sh [SECONDS]     SKYVANE_BUILD names the build folder (./build)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${SKYVANE_BUILD:-$root/build}"
. "$root/tests/support/x11-session.sh"
trap x11_stop EXIT
x11_start 800x600
x11_start_tray
for flood in valid junk; do
  # No session bus: the icon goes to the X tray.
  env -u DBUS_SESSION_BUS_ADDRESS QT_QPA_PLATFORM=xcb \
    "$build/bench/skyvane_flood_bench" --seconds "${1:-6}" --flood "$flood"
done
