#!/usr/bin/env python3
"""Writes the plug-in's images from the pixel text below: the icon "TV" (32x32 and 16x16,
32 bits per pixel) and the 8x8 pattern bitmap "VELTRA_BRUSH".
Usage: make_images.py ICON_OUT BITMAP_OUT"""
import struct
import sys

# 16x16 picture, scaled up for the 32x32 image. '.' transparent, 'B' blue, 'D' dark blue,
# 'W' white, 'Y' yellow.
PICTURE = [
    "................",
    ".DDDDDDDDDDDDDD.",
    ".DBBBBBBBBBBBBD.",
    ".DBWWWWWWBBBBBD.",
    ".DBBBWWBBBBBBBD.",
    ".DBBBWWBBBBBBBD.",
    ".DBBBWWBWBBBWBD.",
    ".DBBBWWBWBBBWBD.",
    ".DBBBWWBBWBWBBD.",
    ".DBBBWWBBWBWBBD.",
    ".DBBBWWBBBWBBBD.",
    ".DBBBBBBBBBBBBD.",
    ".DBYYYYYYYYYYBD.",
    ".DBBBBBBBBBBBBD.",
    ".DDDDDDDDDDDDDD.",
    "................",
]
COLOURS = {  # (blue, green, red, alpha)
    ".": (0, 0, 0, 0),
    "B": (0xC0, 0x60, 0x20, 0xFF),
    "D": (0x60, 0x20, 0x00, 0xFF),
    "W": (0xFF, 0xFF, 0xFF, 0xFF),
    "Y": (0x00, 0xD0, 0xFF, 0xFF),
}
BRUSH = [  # 8x8 pattern: two greys in a fine check
    "LDLDLDLD",
    "DLDLDLDL",
    "LDLDLDLD",
    "DLDLDLDL",
    "LDLDLDLD",
    "DLDLDLDL",
    "LDLDLDLD",
    "DLDLDLDL",
]
BRUSH_COLOURS = {"L": (0xD8, 0xD8, 0xD8), "D": (0xC8, 0xC8, 0xC8)}


def icon_image(size):
    scale = size // len(PICTURE)
    rows = [[COLOURS[PICTURE[y // scale][x // scale]] for x in range(size)] for y in range(size)]
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b"".join(bytes(c for px in rows[y] for c in px) for y in reversed(range(size)))
    mask_row_bytes = ((size + 31) // 32) * 4
    mask = b""
    for y in reversed(range(size)):
        row = bytearray(mask_row_bytes)
        for x in range(size):
            if rows[y][x][3] == 0:
                row[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(row)
    return header + pixels + mask


def write_icon(path):
    images = [(32, icon_image(32)), (16, icon_image(16))]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in images:
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for _, data in images:
        out += data
    with open(path, "wb") as f:
        f.write(out)


def write_bitmap(path):
    width, height = 8, 8
    row_bytes = (width * 3 + 3) // 4 * 4
    pixels = b""
    for y in reversed(range(height)):
        row = b"".join(bytes(BRUSH_COLOURS[c]) for c in BRUSH[y])
        pixels += row + b"\0" * (row_bytes - len(row))
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    with open(path, "wb") as f:
        f.write(header + info + pixels)


if __name__ == "__main__":
    write_icon(sys.argv[1])
    write_bitmap(sys.argv[2])
