#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Where Skyvane's tray icon is in a screenshot: the centre of the rightmost group of
lime pixels (the icon's text) inside a region. Prints "x y" in screen coordinates,
nothing when there is no lime there.
Usage: find_icon.py SHOT.png WIDTHxHEIGHT+X+Y"""
import re
import subprocess
import sys


def main():
    shot, region = sys.argv[1], sys.argv[2]
    left, top = (int(v) for v in re.match(r"\d+x\d+\+(\d+)\+(\d+)", region).groups())
    text = subprocess.run(["convert", shot, "-crop", region, "+repage", "txt:-"],
                          capture_output=True, text=True, check=True).stdout
    lime = []
    for line in text.splitlines():
        found = re.match(r"(\d+),(\d+): \((\d+),(\d+),(\d+)", line)
        if found:
            x, y, r, g, b = (int(v) for v in found.groups())
            if g > 150 and r < 100 and b < 100:
                lime.append((x, y))
    if not lime:
        return 0
    right = max(x for x, _ in lime)
    group = [(x, y) for x, y in lime if x > right - 24]
    print(left + sum(x for x, _ in group) // len(group),
          top + sum(y for _, y in group) // len(group))
    return 0


if __name__ == "__main__":
    sys.exit(main())
