#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Draws the program's icons from the two sources beside this script:
#   skyvane.svg     the scalable picture (desktop, About box), rendered to PNG sizes
#   skyvane-16.xpm  the 16x16, 16-colour picture of the tray icon and the small
#                   application icon, drawn pixel by pixel so it stays sharp
# Needs ImageMagick. Run from anywhere; the PNG files land beside the sources.
set -euo pipefail
cd "$(dirname "$0")"

# Strip dates and other chunks that would make each run's bytes differ.
png_opts=(-strip -define png:exclude-chunks=date,time)

convert skyvane-16.xpm "${png_opts[@]}" skyvane-16.png
# Every size of the desktop's hicolor theme from 16 to 256 pixels; 16 is the XPM above.
for size in 22 24 32 48 64 128 256; do
  convert -background none -density 384 skyvane.svg -resize "${size}x${size}" \
    "${png_opts[@]}" "skyvane-${size}.png"
done
