#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs a build into a scratch prefix and checks the tree a desktop expects:
# exactly the expected files, icons of the sizes their folders claim, a desktop
# entry whose Exec and Icon resolve inside the tree, a software-centre file that
# names that entry, this version and the licence, manual pages that render, and the
# licence and changelog where Debian keeps them. The desktop and AppStream
# validators run as well where they are installed.
# Usage: check-install.sh <build dir> <application id> <version>
set -euo pipefail
build="$1" id="$2" version="$3"
prefix="$(mktemp -d "${TMPDIR:-/tmp}/skyvane-install.XXXXXX")"
trap 'rm -rf "$prefix"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

cmake --install "$build" --prefix "$prefix" >/dev/null

sizes=(16 22 24 32 48 64 128 256)
programs=(skyvane skyvane-rotorsim)
doc=share/doc/skyvane
expected=(share/applications/"$id".desktop share/metainfo/"$id".metainfo.xml
          share/icons/hicolor/scalable/apps/skyvane.svg
          "$doc"/copyright "$doc"/changelog.gz)
for p in "${programs[@]}"; do expected+=(bin/"$p" share/man/man1/"$p".1.gz); done
for s in "${sizes[@]}"; do expected+=("share/icons/hicolor/${s}x${s}/apps/skyvane.png"); done

diff <(printf '%s\n' "${expected[@]}" | sort) <(cd "$prefix" && find . -type f -printf '%P\n' | sort) \
  || fail "installed files differ from the expected list (< missing, > unexpected)"

for program in "${programs[@]}"; do
  [ -x "$prefix/bin/$program" ] || fail "bin/$program is not executable"
  page="$prefix/share/man/man1/$program.1.gz"
  [ -f "$page" ] || continue
  if command -v man >/dev/null; then
    warnings="$(LC_ALL=C.UTF-8 man --warnings -l "$page" 2>&1 >/dev/null)" || true
    [ -z "$warnings" ] || fail "manual page of $program: $warnings"
    rendered="$(LC_ALL=C.UTF-8 man -l "$page" 2>/dev/null | col -b)"
    grep -q "^NAME" <<<"$rendered" && grep -q "^SYNOPSIS" <<<"$rendered" \
      || fail "manual page of $program does not render"
  else
    fail "man is not installed (package man-db): cannot render the manual pages"
  fi
done

# The Debian copyright file in its machine-readable form, naming the project's licence.
copyright="$prefix/$doc/copyright"
if [ -f "$copyright" ]; then
  [ "$(head -n1 "$copyright")" = "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" ] \
    || fail "copyright is not in the machine-readable format"
  grep -q '^Files: \*$' "$copyright" || fail "copyright has no Files: * paragraph"
  grep -q '^License: GPL-3.0-or-later$' "$copyright" || fail "copyright does not name GPL-3.0-or-later"
  grep -q '/usr/share/common-licenses/GPL-3' "$copyright" || fail "copyright does not point to the GPL text"
fi
# The changelog's latest entry is this version.
changelog="$prefix/$doc/changelog.gz"
if [ -f "$changelog" ]; then
  [[ "$(gzip -dc "$changelog")" == "skyvane ($version) "* ]] \
    || fail "changelog's latest entry is not version $version"
fi

# Width and height are the big-endian words at bytes 16..23 of a PNG (IHDR).
for s in "${sizes[@]}"; do
  png="$prefix/share/icons/hicolor/${s}x${s}/apps/skyvane.png"
  [ -f "$png" ] || continue
  read -r magic < <(od -An -tx1 -N8 "$png" | tr -d ' \n'; echo)
  read -r w h < <(od -An -tu1 -j16 -N8 "$png" |
    awk '{print $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8}')
  [ "$magic" = 89504e470d0a1a0a ] || fail "${s}x${s} icon is not a PNG"
  [ "$w" = "$s" ] && [ "$h" = "$s" ] || fail "${s}x${s} icon is ${w}x${h}"
done
svg="$prefix/share/icons/hicolor/scalable/apps/skyvane.svg"
[ -f "$svg" ] && { grep -q '<svg' "$svg" || fail "scalable icon is not an SVG"; }

desktop="$prefix/share/applications/$id.desktop"
if [ -f "$desktop" ]; then
  key() { sed -n "s/^$1=//p" "$desktop" | head -n1; }
  exec_program="$(key Exec | awk '{print $1}')"
  [ -x "$prefix/bin/$exec_program" ] || fail "desktop entry runs '$exec_program', not an installed program"
  [ -f "$prefix/share/icons/hicolor/scalable/apps/$(key Icon).svg" ] \
    || fail "desktop entry's icon '$(key Icon)' is not installed"
  if command -v desktop-file-validate >/dev/null; then
    out="$(desktop-file-validate "$desktop" 2>&1)" || fail "desktop-file-validate: $out"
    grep -q 'error:' <<<"$out" && fail "desktop-file-validate: $out"
  else
    echo "note: desktop-file-validate not installed, structural checks only"
  fi
fi

metainfo="$prefix/share/metainfo/$id.metainfo.xml"
if [ -f "$metainfo" ]; then
  grep -q "<id>$id</id>" "$metainfo" || fail "metainfo id is not $id"
  grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" \
    || fail "metainfo does not launch $id.desktop"
  grep -q "<release version=\"$version\"" "$metainfo" || fail "metainfo lacks release $version"
  grep -q "<project_license>GPL-3.0-or-later</project_license>" "$metainfo" \
    || fail "metainfo does not name the licence GPL-3.0-or-later"
  if command -v appstreamcli >/dev/null; then
    out="$(appstreamcli validate --no-net --no-color "$metainfo" 2>&1)" || fail "appstreamcli: $out"
  else
    echo "note: appstreamcli not installed, structural checks only"
  fi
fi

((failures == 0)) || exit 1
echo "install tree under a scratch prefix: ${#expected[@]} files, all checks passed"
