#!/usr/bin/env python3
"""Draws the program's two icon groups as .ico files.

delicon.ico: the file's icon, an archive box under a red cross, in six images
(16, 32 and 48 pixels, each in 16 and 256 colours).
qelicon.ico: the dialogs' icon, the archive box alone, in four images
(32 and 16 pixels in 256 colours, then the same in 16 colours).

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
BLACK, DARK_YELLOW, GREY, RED, YELLOW, WHITE, DARK_GREY = 0, 3, 7, 9, 11, 15, 8


def palette(depth):
    if depth == 4:
        return VGA
    # 256 colours: the VGA colours first, then warm shades for the box.
    extra = [(min(255, 96 + i), min(255, 64 + i * 3 // 4), 16 + i // 4) for i in range(240)]
    return VGA + extra


def box_colour(x, y, n, depth):
    """Colour of the archive box at (x, y) of an n x n image, or None."""
    m = max(1, n // 8)
    if not (m <= x < n - m and 2 * m <= y < n - m):
        return None
    if x in (m, n - m - 1) or y in (2 * m, n - m - 1):
        return BLACK
    if y < 2 * m + max(1, n // 6):  # the lid
        return WHITE if depth == 4 else 16 + 200
    if abs(x - n // 2) <= max(0, n // 16):  # the strap
        return DARK_GREY
    if depth == 4:
        return YELLOW if (x + y) % 2 == 0 or n <= 16 else DARK_YELLOW
    return 16 + (y * 200 // n)


def cross_colour(x, y, n):
    w = max(1, n // 10)
    if abs(x - y) <= w or abs(x + y - (n - 1)) <= w:
        return RED
    return None


def pixels(kind, n, depth):
    rows = []
    for y in range(n):
        row = []
        for x in range(n):
            c = box_colour(x, y, n, depth)
            if kind == "del":
                cc = cross_colour(x, y, n)
                if cc is not None:
                    c = cc
            row.append(c)
        rows.append(row)
    return rows


def encode(rows, depth):
    """One icon image (header, palette, colour bits, mask) from rows of palette
    indices, None meaning transparent, in 4 or 8 bits per pixel."""
    n = len(rows)
    pal = palette(depth)
    colours = 1 << depth
    header = struct.pack("<IiiHHIIiiII", 40, n, 2 * n, 1, depth, 0, 0, 0, 0, 0, 0)
    pal_bytes = b"".join(struct.pack("BBBB", b, g, r, 0) for (r, g, b) in pal[:colours])
    pal_bytes += b"\0" * (4 * colours - len(pal_bytes))
    xor = bytearray()
    and_mask = bytearray()
    for row in reversed(rows):  # bottom-up
        line = bytearray()
        if depth == 8:
            line.extend((c or 0) for c in row)
        else:
            for i in range(0, n, 2):
                a = row[i] or 0
                b = (row[i + 1] or 0) if i + 1 < n else 0
                line.append((a << 4) | b)
        line.extend(b"\0" * (-len(line) % 4))
        xor.extend(line)
        bits = bytearray((n + 7) // 8)
        for x, c in enumerate(row):
            if c is None:
                bits[x // 8] |= 0x80 >> (x % 8)
        bits.extend(b"\0" * (-len(bits) % 4))
        and_mask.extend(bits)
    return header + pal_bytes + bytes(xor) + bytes(and_mask)


def write_ico(path, images):
    """An .ico file of the given (rows, depth) images, in that order."""
    encoded = [(len(rows), depth, encode(rows, depth)) for (rows, depth) in images]
    offset = 6 + 16 * len(encoded)
    out = bytearray(struct.pack("<HHH", 0, 1, len(encoded)))
    for n, depth, data in encoded:
        out += struct.pack("<BBBBHHII", n % 256, n % 256, 16 if depth == 4 else 0, 0, 1, depth,
                           len(data), offset)
        offset += len(data)
    for _, _, data in encoded:
        out += data
    with open(path, "wb") as f:
        f.write(out)


def main():
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    write_ico(os.path.join(folder, "delicon.ico"),
              [(pixels("del", n, depth), depth)
               for (n, depth) in [(16, 4), (16, 8), (32, 4), (32, 8), (48, 4), (48, 8)]])
    write_ico(os.path.join(folder, "qelicon.ico"),
              [(pixels("qel", n, depth), depth) for (n, depth) in [(32, 8), (16, 8), (32, 4), (16, 4)]])


if __name__ == "__main__":
    main()
