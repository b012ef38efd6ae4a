#!/usr/bin/env python3
"""Writes the sample cursors: small monochrome .cur files and a two-frame .ani."""
import struct
import sys
from pathlib import Path


def cur_bytes(shape, hotspot):
    """A 32x32 monochrome cursor; shape(x, y) tells which pixels are black."""
    w = h = 32
    header = struct.pack('<IiiHHIIiiII', 40, w, h * 2, 1, 1, 0, 0, 0, 0, 2, 0)
    palette = struct.pack('<BBBBBBBB', 0, 0, 0, 0, 255, 255, 255, 0)
    xor_rows, and_rows = [], []
    for y in reversed(range(h)):  # bottom-up rows
        xor_bits = and_bits = 0
        for x in range(w):
            on = shape(x, y)
            xor_bits = (xor_bits << 1) | 0
            and_bits = (and_bits << 1) | (0 if on else 1)
        xor_rows.append(struct.pack('>I', xor_bits))
        and_rows.append(struct.pack('>I', and_bits))
    image = header + palette + b''.join(xor_rows) + b''.join(and_rows)
    entry = struct.pack('<BBBBHHII', w, h, 2, 0, hotspot[0], hotspot[1], len(image), 6 + 16)
    return struct.pack('<HHH', 0, 2, 1) + entry + image


def ani_bytes(frames):
    anih = struct.pack('<IIIIIIIII', 36, len(frames), len(frames), 0, 0, 0, 0, 10, 1)
    chunks = [b'anih' + struct.pack('<I', len(anih)) + anih]
    icons = b''
    for f in frames:
        icons += b'icon' + struct.pack('<I', len(f)) + f + (b'\0' if len(f) & 1 else b'')
    fram = b'fram' + icons
    chunks.append(b'LIST' + struct.pack('<I', len(fram)) + fram)
    body = b'ACON' + b''.join(chunks)
    return b'RIFF' + struct.pack('<I', len(body)) + body


def arrow(x, y):
    return x <= y < 20 and x < 12


def cross(x, y):
    return x in (15, 16) or y in (15, 16)


def hourglass(t):
    def shape(x, y):
        if y < 2 or y > 29:
            return 4 <= x <= 27
        half = abs(15.5 - y)
        return abs(15.5 - x) <= half + t
    return shape


def main(out):
    out = Path(out)
    out.mkdir(parents=True, exist_ok=True)
    (out / 'Pointer.cur').write_bytes(cur_bytes(arrow, (0, 0)))
    (out / 'Cross.cur').write_bytes(cur_bytes(cross, (15, 15)))
    (out / 'Wait.ani').write_bytes(ani_bytes([cur_bytes(hourglass(0), (15, 15)), cur_bytes(hourglass(1), (15, 15))]))


if __name__ == '__main__':
    main(sys.argv[1] if len(sys.argv) > 1 else 'Cursor')
