#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Skyvane in the tray hosts people use, each started headless: GNOME Shell with the
# AppIndicator extension and XFCE's panel on a private X server, waybar under a
# headless sway. Each check: the icon appears, the host's menu follows Track, Track
# and Quit work from it. Installs the hosts first (large: scripts/deps/hosts.txt),
# builds, and keeps the screenshots (before and after Track) in the folder given
# (default: /tmp/skyvane-hosts), with each host's log. Run as root (sway runs as a user the check makes).
#   scripts/test-hosts.sh [SHOTS_FOLDER]
set -euo pipefail
cd "$(dirname "$0")/.."
shots=$(realpath -m "${1:-/tmp/skyvane-hosts}")
mkdir -p "$shots"
scripts/install-deps.sh --hosts
scripts/build.sh -DSKYVANE_BUILD_TESTS=ON
export SKYVANE_BUILD_DIR=$PWD/build SHOTS=$shots
failed=0
for host in gnome xfce sway; do
  echo "== $host"
  bash "tests/desktop/hosts/$host.sh" 2>"$shots/$host.log" || {
    failed=1
    tail -20 "$shots/$host.log" >&2
  }
done
echo "screenshots in $shots"
exit "$failed"
