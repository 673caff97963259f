#!/usr/bin/env python3
"""Draws the stand-in archiver's two icons as .ico files, each in 32 and 16
pixels with the 16 standard colours.

archive.ico: a closed yellow box (archives).
volume.ico: the same box with a green cross (recovery volumes).

Usage: make_icons.py OUTPUT_FOLDER
"""
import os
import struct
import sys

# The 16 colours of the standard VGA palette, as (r, g, b).
VGA = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
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


def image(kind, n):
    header = struct.pack("<IiiHHIIiiII", 40, n, 2 * n, 1, 4, 0, 0, 0, 0, 0, 0)
    palette = b"".join(struct.pack("BBBB", b, g, r, 0) for (r, g, b) in VGA)
    xor, mask = bytearray(), bytearray()
    for y in reversed(range(n)):  # rows are stored bottom-up
        row = [colour(kind, x, y, n) for x in range(n)]
        line = bytearray(((row[i] or 0) << 4) | (row[i + 1] or 0) for i in range(0, n, 2))
        xor += line + b"\0" * (-len(line) % 4)
        bits = bytearray((n + 7) // 8)
        for x, c in enumerate(row):
            if c is None:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits + b"\0" * (-len(bits) % 4)
    return header + palette + bytes(xor) + bytes(mask)


def write_ico(path, kind):
    images = [(n, image(kind, n)) for n in (32, 16)]
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for n, data in images:
        out += struct.pack("<BBBBHHII", n, n, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    for _, data in images:
        out += data
    with open(path, "wb") as f:
        f.write(out)


def main():
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    write_ico(os.path.join(folder, "archive.ico"), "archive")
    write_ico(os.path.join(folder, "volume.ico"), "volume")


if __name__ == "__main__":
    main()
