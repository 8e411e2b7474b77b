#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Every option a program's --help lists is described in its manual page, so a new
# option cannot ship undocumented. The page is rendered with man(1), which also has
# to format it without a warning.
# Usage: check-manual-options.sh <program> <manual page source>
set -euo pipefail
program="$1" page="$2"
command -v man >/dev/null || { echo "FAIL: man is not installed (package man-db)"; exit 1; }

warnings="$(LC_ALL=C.UTF-8 man --warnings -l "$page" 2>&1 >/dev/null)" || true
[ -z "$warnings" ] || { echo "FAIL: $page does not render cleanly:"; echo "$warnings"; exit 1; }
# One long line per paragraph, so no option is broken across lines.
rendered="$(LC_ALL=C.UTF-8 MANWIDTH=10000 man -l "$page" 2>/dev/null | col -b)"

# The options are the dash-words at the start of the help's indented lines.
mapfile -t options < <("$program" --help | grep -E '^ +-' |
  grep -oE '(^|[ ,])--?[A-Za-z][A-Za-z0-9-]*' | tr -d ' ,' | sort -u)
((${#options[@]})) || { echo "FAIL: $program --help lists no option"; exit 1; }

undocumented=()
for option in "${options[@]}"; do
  grep -Eq -- "(^|[^A-Za-z0-9-])$option([^A-Za-z0-9-]|$)" <<<"$rendered" || undocumented+=("$option")
done
if ((${#undocumented[@]})); then
  echo "FAIL: options of $(basename "$program") missing from $(basename "$page"): ${undocumented[*]}"
  exit 1
fi
echo "$(basename "$page"): all ${#options[@]} options of --help described"
