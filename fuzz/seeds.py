#!/usr/bin/env python3
"""Writes small seed pictures for the picture fuzzers into <out>/corpus-<family>/: bitmaps of
several depths and run-length forms, GIFs (plain, interlaced, transparent, two frames), JPEGs
(baseline, progressive, grey) and PNGs (palette, grey, 16-bit, interlaced) made by ImageMagick
when it is there, and icons, cursors and an animated cursor written here."""
import os
import shutil
import struct
import subprocess
import sys

out = sys.argv[1]


def magick():
    for name in ("magick", "convert-im6.q16", "convert-im6", "convert"):
        path = shutil.which(name)
        if not path:
            continue
        try:
            v = subprocess.run([path, "-version"], capture_output=True, text=True, timeout=20).stdout
        except (OSError, subprocess.SubprocessError):
            continue
        if "ImageMagick" in v:
            return path
    return None


def bmp(width, height, bpp, pixels, palette=b"", compression=0):
    header = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bpp, compression, len(pixels), 2835, 2835,
                         len(palette) // 4, 0)
    off = 14 + 40 + len(palette)
    return b"BM" + struct.pack("<IHHI", off + len(pixels), 0, 0, off) + header + palette + pixels


def icon_dir(kind, images):
    data = struct.pack("<HHH", 0, kind, len(images))
    offset = 6 + 16 * len(images)
    blobs = b""
    for w, h, extra, blob in images:
        data += struct.pack("<BBBBHHII", w, h, 0, 0, extra[0], extra[1], len(blob), offset + len(blobs))
        blobs += blob
    return data + blobs


def icon_image(size):
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = bytes([0x20, 0x40, 0x80, 0xFF]) * (size * size)
    mask = b"\0" * (((size + 31) // 32) * 4 * size)
    return header + colour + mask


def write(family, name, data):
    with open(os.path.join(out, "corpus-" + family, name), "wb") as f:
        f.write(data)


write("bmp", "24.bmp", bmp(3, 2, 24, bytes(range(24))))
write("bmp", "8.bmp", bmp(4, 2, 8, bytes([0, 1, 1, 0, 1, 0, 0, 1]), b"\0\0\xff\0\xff\0\0\0"))
write("bmp", "rle8.bmp", bmp(6, 2, 8, bytes([3, 1, 0, 3, 0, 1, 0, 0, 0, 2, 1, 1, 2, 0, 0, 1]),
                          b"\0\xff\0\0\0\0\xff\0", compression=1))
write("bmp", "rle4.bmp", bmp(6, 2, 4, bytes([4, 0x12, 0, 0, 0, 3, 0x12, 0x10, 0, 1]),
                          b"\0\xff\0\0\0\0\xff\0\xff\0\0\0", compression=2))
write("bmp", "32.bmp", bmp(2, -2, 32, bytes([1, 2, 3, 0]) * 4))
write("icon", "one.ico", icon_dir(1, [(16, 16, (1, 32), icon_image(16))]))
write("icon", "one.cur", icon_dir(2, [(16, 16, (3, 4), icon_image(16))]))
frame = icon_dir(2, [(16, 16, (3, 4), icon_image(16))])
anih = struct.pack("<9I", 36, 1, 1, 16, 16, 32, 1, 10, 1)
fram = b"fram" + b"icon" + struct.pack("<I", len(frame)) + frame
riff = b"ACON" + b"anih" + struct.pack("<I", len(anih)) + anih + b"LIST" + struct.pack("<I", len(fram)) + fram
write("icon", "one.ani", b"RIFF" + struct.pack("<I", len(riff)) + riff)

im = magick()
if im:
    made = [
        ("gif", "plain.gif", ["-size", "24x16", "gradient:red-blue", "-colors", "16"]),
        ("gif", "interlaced.gif", ["-size", "24x16", "gradient:red-blue", "-colors", "16", "-interlace", "GIF"]),
        ("gif", "transparent.gif", ["-size", "16x16", "xc:none", "-fill", "red", "-draw", "circle 8,8 8,3"]),
        ("gif", "frames.gif", ["-size", "8x8", "xc:red", "-size", "12x6", "xc:blue", "-loop", "0"]),
        ("jpeg", "baseline.jpg", ["-size", "24x16", "gradient:red-blue", "-quality", "60"]),
        ("jpeg", "progressive.jpg", ["-size", "24x16", "gradient:red-blue", "-interlace", "JPEG"]),
        ("jpeg", "grey.jpg", ["-size", "16x16", "gradient:", "-colorspace", "Gray"]),
        ("png", "rgb.png", ["-size", "24x16", "gradient:red-blue"]),
        ("png", "palette.png", ["-size", "24x16", "gradient:red-blue", "-colors", "8", "PNG8:"]),
        ("png", "deep.png", ["-size", "16x8", "gradient:", "-depth", "16", "PNG48:"]),
        ("png", "interlaced.png", ["-size", "16x16", "gradient:red-blue", "-interlace", "PNG"]),
        ("bmp", "magick.bmp", ["-size", "8x8", "gradient:red-blue", "-colors", "16", "-compress", "RLE", "BMP3:"]),
    ]
    for family, name, args in made:
        target = os.path.join(out, "corpus-" + family, name)
        prefix = ""
        if args[-1].endswith(":"):
            prefix = args.pop()
        subprocess.run([im] + args + [prefix + target], check=False, timeout=60,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
