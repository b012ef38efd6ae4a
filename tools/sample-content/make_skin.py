#!/usr/bin/env python3
"""Draws the sample skin: Frames/frame.ads and its four frame images (24-bit bitmaps) in a folder.

The frame is a nine-piece image per band: a title band with ornamented corners across the top,
thin bands on the other three sides. Usage: make_skin.py <Frames-folder>
"""
import math
import os
import struct
import sys


def bmp(path, width, height, pixel):
    stride = (width * 3 + 3) // 4 * 4
    rows = b""
    for y in range(height - 1, -1, -1):  # bottom-up
        row = b"".join(bytes(reversed(pixel(x, y))) for x in range(width))  # blue, green, red
        rows += row + b"\x00" * (stride - len(row))
    header = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(rows), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(rows), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + rows)


def mix(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))


NIGHT = (16, 22, 48)
DUSK = (44, 62, 120)
EDGE = (150, 170, 220)
GOLD = (222, 184, 92)


def band(t):
    """Colour across a band, t from its outer edge (0) to its inner edge (1)."""
    if t < 0.08:
        return EDGE
    return mix(DUSK, NIGHT, t)


def gem(x, y, cx, cy, r, base):
    d = math.hypot(x - cx, y - cy)
    if d <= r - 1:
        return mix(GOLD, (255, 240, 200), max(0.0, 1 - d / r))
    if d <= r:
        return mix(base, GOLD, r - d)
    return base


def top(x, y):
    w, h = 64, 24
    base = band(y / (h - 1))
    if y == h - 1:
        return NIGHT
    if x < 16:
        return gem(x, y, 11, 12, 5, base)
    if x >= w - 16:
        return gem(x, y, w - 12, 12, 5, base)
    # A faint star row along the middle of the title band.
    if y == 12 and x % 8 == 4:
        return mix(base, (255, 255, 255), 0.5)
    return base


def bottom(x, y):
    w, h = 64, 8
    base = band((h - 1 - y) / (h - 1))
    if x < 16 or x >= w - 16:
        if y == h // 2 and (x in (6, 7, 8) or x in (w - 9, w - 8, w - 7)):
            return GOLD
    return base


def left(x, y):
    w, h = 8, 64
    base = band(x / (w - 1))
    if (y < 8 or y >= h - 8) and x == w // 2:
        return GOLD
    return base


def right(x, y):
    w, h = 8, 64
    base = band((w - 1 - x) / (w - 1))
    if (y < 8 or y >= h - 8) and x == w // 2 - 1:
        return GOLD
    return base


DESCRIPTION = """; Frame of the sample reference window: a title band across the top with ornamented
; corners, thin bands on the other sides. Margins are the fixed pieces of each image.
[TopFrame]
File=top.bmp
MarginLeft=16
MarginRight=16
MarginTop=0
MarginBottom=0
PaintMode=3
Frames=1
FramesH=1

[BottomFrame]
File=bottom.bmp
MarginLeft=16
MarginRight=16
PaintMode=3

[LeftFrame]
File=left.bmp
MarginTop=8
MarginBottom=8
PaintMode=2

[RightFrame]
File=right.bmp
MarginTop=8
MarginBottom=8
PaintMode=2

[Scale]
MinWidth=320
MinHeight=240
"""


def main():
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    bmp(os.path.join(folder, "top.bmp"), 64, 24, top)
    bmp(os.path.join(folder, "bottom.bmp"), 64, 8, bottom)
    bmp(os.path.join(folder, "left.bmp"), 8, 64, left)
    bmp(os.path.join(folder, "right.bmp"), 8, 64, right)
    with open(os.path.join(folder, "frame.ads"), "wb") as f:
        f.write(DESCRIPTION.replace("\n", "\r\n").encode("cp1252"))


if __name__ == "__main__":
    main()
