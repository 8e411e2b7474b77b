#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian 12 packages Skyvane needs, only those that are missing; run as
# root or through sudo.
#   scripts/install-deps.sh          building and running (scripts/deps/run.txt)
#   scripts/install-deps.sh --test   the tests, fuzzing and screenshots as well
#                                    (scripts/deps/test.txt)
#   scripts/install-deps.sh --hosts  the tests and the real tray hosts as well
#                                    (scripts/deps/hosts.txt)
set -euo pipefail
deps="$(dirname "$0")/deps"
lists=("$deps/run.txt")
case "${1:-}" in
  "") ;;
  --test) lists+=("$deps/test.txt") ;;
  --hosts) lists+=("$deps/test.txt" "$deps/hosts.txt") ;;
  *) echo "usage: $0 [--test|--hosts]" >&2; exit 2 ;;
esac

# The package names: each line's first word, comments and blank lines left out.
mapfile -t packages < <(sed -e 's/#.*//' "${lists[@]}" | awk 'NF { print $1 }')

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
