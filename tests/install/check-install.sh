#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs a build into a scratch prefix and checks the tree a desktop expects:
# exactly the expected files, icons of the sizes their folders claim, a desktop
# entry whose Exec and Icon resolve inside the tree, and a software-centre file
# that names that entry and this version. The desktop and AppStream validators
# run as well where they are installed.
# Usage: check-install.sh <build dir> <application id> <version>
set -euo pipefail
build="$1" id="$2" version="$3"
prefix="$(mktemp -d "${TMPDIR:-/tmp}/skyvane-install.XXXXXX")"
trap 'rm -rf "$prefix"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

cmake --install "$build" --prefix "$prefix" >/dev/null

sizes=(16 22 24 32 48 64 128 256)
expected=(bin/skyvane bin/skyvane-rotorsim
          share/applications/"$id".desktop share/metainfo/"$id".metainfo.xml
          share/icons/hicolor/scalable/apps/skyvane.svg)
for s in "${sizes[@]}"; do expected+=("share/icons/hicolor/${s}x${s}/apps/skyvane.png"); done

diff <(printf '%s\n' "${expected[@]}" | sort) <(cd "$prefix" && find . -type f -printf '%P\n' | sort) \
  || fail "installed files differ from the expected list (< missing, > unexpected)"

for program in skyvane skyvane-rotorsim; do
  [ -x "$prefix/bin/$program" ] || fail "bin/$program is not executable"
done

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
  if command -v appstreamcli >/dev/null; then
    out="$(appstreamcli validate --no-net --no-color "$metainfo" 2>&1)" || fail "appstreamcli: $out"
  else
    echo "note: appstreamcli not installed, structural checks only"
  fi
fi

((failures == 0)) || exit 1
echo "install tree under a scratch prefix: ${#expected[@]} files, all checks passed"
