#!/usr/bin/env python3
"""Checks the program's generated pictures, independently of the script that draws them.

    check_art.py files DIR   every picture file parses and has its required size and images
    check_art.py selftest DIR  damaged copies of the files in DIR are each reported
    check_art.py exe TV.EXE  tv.exe carries the picture resources and the state icons lie
                             beside it
Exits 0 when everything holds; prints each failure otherwise."""

import os
import struct
import sys

MAGENTA = (255, 0, 255)

# file -> (width, height, size of one image or None, masked with magenta)
BITMAPS = {
    "catlist.bmp": (48, 16, 16, True),
    "folders.bmp": (32, 16, 16, True),
    "toolbar.bmp": (342, 18, 18, True),
    "viewer.bmp": (342, 18, 18, True),
    "findresult.bmp": (90, 18, 18, True),
    "fileicons.bmp": (80, 16, 16, True),
    "extproc.bmp": (16, 16, 16, True),
    "brush.bmp": (8, 8, None, False),
    "splash.bmp": (402, 174, None, False),
    "logo.bmp": (110, 200, None, False),
    "interchange.bmp": (110, 200, None, False),
    "backup.bmp": (110, 200, None, False),
}
ICONS = ["tv.ico", "archive.ico", "tray.ico", "downloads.ico", "bookmarks.ico",
         "shortcuts.ico", "lock.ico", "setup.ico", "tvi.ico", "browse.ico", "tvft1.ico",
         "tvft2.ico", "tvft3.ico"]
CURSORS = ["hand.cur", "divider.cur"]


class Bad(Exception):
    pass


def need(cond, msg):
    if not cond:
        raise Bad(msg)


def read_bmp(data):
    """Returns (width, height, rows of (r, g, b)), top row first."""
    need(len(data) >= 54 and data[:2] == b"BM", "not a bitmap file")
    size, _, _, offset = struct.unpack_from("<IHHI", data, 2)
    need(size == len(data), "file size field %d, file has %d bytes" % (size, len(data)))
    hsize, w, h, planes, bpp, comp = struct.unpack_from("<IiiHHI", data, 14)
    need(hsize == 40 and planes == 1 and comp == 0, "unexpected bitmap header")
    need(w > 0 and h > 0, "width and height must be positive (bottom-up)")
    need(bpp in (8, 24), "bits per pixel %d" % bpp)
    palette = []
    if bpp == 8:
        ncol = struct.unpack_from("<I", data, 46)[0] or 256
        need(14 + 40 + 4 * ncol <= offset, "palette overlaps the pixels")
        for i in range(ncol):
            b, g, r, _ = struct.unpack_from("<BBBB", data, 54 + 4 * i)
            palette.append((r, g, b))
    stride = ((w * bpp // 8) + 3) & ~3
    need(offset + stride * h <= len(data), "pixel data is cut short")
    rows = []
    for y in range(h - 1, -1, -1):
        base = offset + y * stride
        if bpp == 8:
            row = []
            for x in range(w):
                i = data[base + x]
                need(i < len(palette), "pixel index beyond the palette")
                row.append(palette[i])
        else:
            row = [tuple(data[base + 3 * x + k] for k in (2, 1, 0)) for x in range(w)]
        rows.append(row)
    return w, h, rows


def check_bmp(name, data):
    w, h, rows = read_bmp(data)
    ew, eh, cell, masked = BITMAPS[name]
    need((w, h) == (ew, eh), "size %dx%d, expected %dx%d" % (w, h, ew, eh))
    if cell is None:
        colours = {p for row in rows for p in row}
        need(len(colours) > 1, "a picture of one colour")
        return
    images = []
    for i in range(w // cell):
        img = tuple(tuple(row[i * cell:(i + 1) * cell]) for row in rows)
        drawn = sum(1 for row in img for p in row if p != MAGENTA)
        need(drawn >= cell, "image %d is (nearly) empty" % i)
        if masked:
            need(drawn < cell * cell, "image %d has no transparent pixel" % i)
        if img in images:
            raise Bad("image %d repeats image %d" % (i, images.index(img)))
        images.append(img)


def check_dib(data, w, h, bpp, colours):
    """An icon or cursor image: header with doubled height, XOR pixels, AND mask."""
    need(len(data) >= 40, "image header cut short")
    hsize, iw, ih, planes, ibpp = struct.unpack_from("<IiiHH", data, 0)
    need(hsize == 40 and iw == w and ih == 2 * h and planes == 1 and ibpp == bpp,
         "image header %dx%d/%d bpp, expected %dx%d/%d bpp" % (iw, ih // 2, ibpp, w, h, bpp))
    mask_stride = ((w + 31) // 32) * 4
    xor_stride = ((w * bpp + 31) // 32) * 4
    need(len(data) == 40 + 4 * colours + xor_stride * h + mask_stride * h,
         "image size %d does not fit its header" % len(data))
    mask = data[len(data) - mask_stride * h:]
    clear = sum(1 for y in range(h) for x in range(w)
                if mask[y * mask_stride + x // 8] & (0x80 >> (x % 8)))
    need(0 < clear < w * h, "mask is all clear or all opaque")
    if bpp == 32:
        # the alpha channel and the mask agree
        pixels = data[40:40 + xor_stride * h]
        for y in range(h):
            for x in range(w):
                alpha = pixels[y * xor_stride + 4 * x + 3]
                bit = mask[y * mask_stride + x // 8] & (0x80 >> (x % 8))
                need((alpha == 0) == bool(bit), "alpha and mask disagree at %d,%d" % (x, y))


def check_icon_file(name, data, kind):
    need(len(data) >= 6, "header cut short")
    reserved, ftype, count = struct.unpack_from("<HHH", data, 0)
    need(reserved == 0 and ftype == kind, "type %d, expected %d" % (ftype, kind))
    need(len(data) >= 6 + 16 * count, "directory cut short")
    sizes = []
    for i in range(count):
        w, h, ncol, _, f1, f2, size, offset = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
        w, h = w or 256, h or 256
        need(offset + size <= len(data), "image %d lies beyond the end of the file" % i)
        image = data[offset:offset + size]
        if kind == 1:
            need(f2 == 32, "icon image %d is not 32-bit" % i)
            check_dib(image, w, h, 32, 0)
        else:
            need(f1 < w and f2 < h, "hot spot %d,%d outside the cursor" % (f1, f2))
            check_dib(image, w, h, 1, 2)
        sizes.append((w, h))
    if kind == 1:
        need(sorted(sizes) == [(16, 16), (32, 32)], "icon sizes %s" % sizes)
    else:
        need(sizes == [(32, 32)], "cursor sizes %s" % sizes)


def check_files(folder):
    failures = []
    expected = set(BITMAPS) | set(ICONS) | set(CURSORS)
    present = {f for f in os.listdir(folder) if not f.endswith(".tmp")}
    for missing in sorted(expected - present):
        failures.append("%s: missing" % missing)
    for extra in sorted(present - expected):
        failures.append("%s: not expected" % extra)
    for name in sorted(expected & present):
        with open(os.path.join(folder, name), "rb") as f:
            data = f.read()
        try:
            if name in BITMAPS:
                check_bmp(name, data)
            else:
                check_icon_file(name, data, 1 if name in ICONS else 2)
        except (Bad, struct.error, IndexError) as e:
            failures.append("%s: %s" % (name, e))
    return failures


# --- Resources of tv.exe ----------------------------------------------------------------------

RT_CURSOR, RT_BITMAP, RT_ICON, RT_GROUP_CURSOR, RT_GROUP_ICON = 1, 2, 3, 12, 14


def pe_resources(data):
    """{type: set of names (int ids or upper-case texts)} of a PE file."""
    need(data[:2] == b"MZ", "not an executable")
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    need(data[pe:pe + 4] == b"PE\0\0", "no PE header")
    nsect, = struct.unpack_from("<H", data, pe + 6)
    optsize, = struct.unpack_from("<H", data, pe + 20)
    opt = pe + 24
    magic, = struct.unpack_from("<H", data, opt)
    dirs = opt + (96 if magic == 0x10B else 112)
    rsrc_rva, _ = struct.unpack_from("<II", data, dirs + 2 * 8)
    need(rsrc_rva != 0, "no resource directory")
    base = None
    for i in range(nsect):
        s = opt + optsize + 40 * i
        vsize, va, rawsize, rawptr = struct.unpack_from("<IIII", data, s + 8)
        if va <= rsrc_rva < va + max(vsize, rawsize):
            base = rawptr + (rsrc_rva - va)
    need(base is not None, "resource section not found")

    def entries(offset):
        named, ids = struct.unpack_from("<HH", data, base + offset + 12)
        for i in range(named + ids):
            name, target = struct.unpack_from("<II", data, base + offset + 16 + 8 * i)
            if name & 0x80000000:
                p = base + (name & 0x7FFFFFFF)
                n, = struct.unpack_from("<H", data, p)
                name = data[p + 2:p + 2 + 2 * n].decode("utf-16-le").upper()
            yield name, target

    out = {}
    for rtype, sub in entries(0):
        need(sub & 0x80000000, "resource type without a name level")
        out[rtype] = {name for name, _ in entries(sub & 0x7FFFFFFF)}
    return out


def check_exe(path):
    failures = []
    with open(path, "rb") as f:
        data = f.read()
    try:
        res = pe_resources(data)
    except (Bad, struct.error) as e:
        return ["%s: %s" % (path, e)]
    wanted = {
        RT_GROUP_ICON: {1, 2, 3, 5, 6, 8, 17, 28, 33, 40, 41, 42, 43},
        RT_BITMAP: {200, 300, "CATLISTBMP", "FOLDERSBMP", "FILEICONLIST", "EXTPROCBMP",
                    "VELTRA_BRUSH", "SPLASH", "LOGOBMP", "INTERCHANGEFILELOGO",
                    "INTERCHANGEFILEBACKUP"},
        RT_GROUP_CURSOR: {"ACTIVELINKCURSOR", "DIVIDERCURSOR"},
    }
    for rtype, names in wanted.items():
        for name in sorted(names - res.get(rtype, set()), key=str):
            failures.append("tv.exe: resource %s of type %d missing" % (name, rtype))
    groups = res.get(RT_GROUP_ICON, set())
    if any(isinstance(n, str) for n in groups):
        failures.append("tv.exe: a named icon group would take icon position 0")
    if len(res.get(RT_ICON, set())) != 2 * len(groups):
        failures.append("tv.exe: expected two images per icon group")
    folder = os.path.dirname(os.path.abspath(path))
    for i in (1, 2, 3):
        if not os.path.isfile(os.path.join(folder, "tvft%d.ico" % i)):
            failures.append("tvft%d.ico: not beside tv.exe" % i)
    return failures


def set_u32(data, offset, value):
    d = bytearray(data)
    struct.pack_into("<I", d, offset, value)
    return bytes(d)


def set_byte(data, offset, value):
    d = bytearray(data)
    d[offset] = value
    return bytes(d)


def icon_entry(data, i):
    return struct.unpack_from("<II", data, 6 + 16 * i + 8)


# file, what is damaged, damage
DAMAGES = [
    ("toolbar.bmp", "cut short", lambda d: d[:len(d) // 2]),
    ("toolbar.bmp", "one image fewer", lambda d: set_u32(d, 18, 324)),
    ("catlist.bmp", "not a bitmap", lambda d: b"XX" + d[2:]),
    ("folders.bmp", "an empty image", lambda d: d[:54] + bytes(len(d) - 54)),
    ("splash.bmp", "wrong height", lambda d: set_u32(d, 22, 173)),
    ("tv.ico", "only one image", lambda d: d[:4] + b"\1\0" + d[6:]),
    ("tv.ico", "image beyond the end", lambda d: d[:icon_entry(d, 1)[1] + 100]),
    ("tvft1.ico", "alpha without mask",
     lambda d: set_byte(d, icon_entry(d, 0)[1] + 40 + 3, 255 - d[icon_entry(d, 0)[1] + 43])),
    ("hand.cur", "hot spot outside", lambda d: d[:10] + struct.pack("<H", 40) + d[12:]),
]


def selftest(folder):
    failures = []
    originals = {}
    for name in sorted(set(BITMAPS) | set(ICONS) | set(CURSORS)):
        with open(os.path.join(folder, name), "rb") as f:
            originals[name] = f.read()
    for name, what, damage in DAMAGES:
        data = damage(originals[name])
        try:
            if name in BITMAPS:
                check_bmp(name, data)
            else:
                check_icon_file(name, data, 1 if name in ICONS else 2)
            failures.append("%s %s: not noticed" % (name, what))
        except (Bad, struct.error, IndexError):
            pass
    return failures


def main(argv):
    if len(argv) == 3 and argv[1] == "files":
        failures = check_files(argv[2])
    elif len(argv) == 3 and argv[1] == "selftest":
        failures = selftest(argv[2])
    elif len(argv) == 3 and argv[1] == "exe":
        failures = check_exe(argv[2])
    else:
        sys.stderr.write(__doc__)
        return 2
    for f in failures:
        print("FAIL " + f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
