#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Every file of the source tree names its licence in an SPDX line among its first
# three lines: GPL-3.0-or-later, except the software-centre description, whose text is
# FSFAP as AppStream asks. Files that cannot carry a comment are exempt: the licence
# text itself, the Debian copyright and changelog, Markdown, images and fuzz seeds.
# Usage: check-licence-headers.sh <source dir>
set -euo pipefail
cd "$1"
grep -q 'GNU GENERAL PUBLIC LICENSE' LICENSE && grep -q 'Version 3, 29 June 2007' LICENSE \
  || { echo "FAIL: LICENSE is not the GPL version 3 text"; exit 1; }

# Tracked and new files in a checkout; every file but the build folders elsewhere.
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  list() { git ls-files --cached --others --exclude-standard; }
else
  list() { find . -path './build*' -prune -o -path ./.git -prune -o -type f -printf '%P\n'; }
fi

checked=0 missing=()
while IFS= read -r file; do
  [ -f "$file" ] || continue  # deleted in the work tree but still tracked
  case "$file" in
    LICENSE | packaging/copyright | packaging/changelog | *.md | *.png | *.xpm | *.svg | fuzz/corpus/*)
      continue ;;
    *.metainfo.xml*) licence=FSFAP ;;
    *) licence=GPL-3.0-or-later ;;
  esac
  checked=$((checked + 1))
  grep -Eq "SPDX-License-Identifier: $licence( |$)" < <(head -n 3 "$file") || missing+=("$file ($licence)")
done < <(list)

if ((${#missing[@]})); then
  echo "FAIL: no SPDX-License-Identifier line at the top of:"
  printf '  %s\n' "${missing[@]}"
  exit 1
fi
echo "licence lines: $checked files checked, all name their licence"
