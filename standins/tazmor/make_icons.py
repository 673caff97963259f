#!/usr/bin/env python3
"""Draws the stand-in archiver's two icons as .ico files, each in 32 and 16
pixels with the 16 standard colours.

archive.ico: a closed yellow box (archives).
volume.ico: the same box with a green cross (recovery volumes).

Usage: make_icons.py OUTPUT_FOLDER
"""
import os
import sys

# The image and file encoding is the program's own icon generator's.
sys.dont_write_bytecode = True  # nothing written into the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "app", "res"))
from make_icons import write_ico  # noqa: E402

# Indices into the 16 standard colours.
BLACK, GREEN, YELLOW, WHITE = 0, 2, 11, 15


def colour(kind, x, y, n):
    """Palette index at (x, y) of an n x n image, or None for transparent."""
    m = max(1, n // 8)
    if not (m <= x < n - m and 2 * m <= y < n - m):
        return None
    if kind == "volume":
        mid, w = n // 2, max(1, n // 12)
        if (abs(x - mid) <= w and n // 4 <= y < n - n // 4) or \
           (abs(y - mid) <= w and n // 4 <= x < n - n // 4):
            return GREEN
    if x in (m, n - m - 1) or y in (2 * m, n - m - 1):
        return BLACK
    return WHITE if y < 2 * m + max(1, n // 6) else YELLOW


def main():
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    for kind in ("archive", "volume"):
        write_ico(os.path.join(folder, kind + ".ico"),
                  [([[colour(kind, x, y, n) for x in range(n)] for y in range(n)], 4) for n in (32, 16)])


if __name__ == "__main__":
    main()
