"""Small picture toolkit for the program's art: an RGBA canvas, text pixel maps, and writers
for BMP, ICO, CUR and PNG. Standard library only."""

import struct
import zlib

TRANSPARENT = None  # a canvas pixel that is not painted


class Canvas:
    """A width x height grid of (r, g, b) tuples or None (transparent)."""

    def __init__(self, width, height, fill=None):
        self.width = width
        self.height = height
        self.px = [[fill] * width for _ in range(height)]

    def get(self, x, y):
        if 0 <= x < self.width and 0 <= y < self.height:
            return self.px[y][x]
        return None

    def put(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.px[y][x] = colour

    def copy(self):
        c = Canvas(self.width, self.height)
        c.px = [row[:] for row in self.px]
        return c

    def paste(self, other, dx, dy):
        """Draws the painted pixels of other at (dx, dy)."""
        for y in range(other.height):
            for x in range(other.width):
                p = other.px[y][x]
                if p is not None:
                    self.put(dx + x, dy + y, p)

    def rect(self, x0, y0, x1, y1, colour):
        """Fills the rectangle with corners (x0, y0) and (x1, y1), both inclusive."""
        for y in range(max(0, y0), min(self.height, y1 + 1)):
            for x in range(max(0, x0), min(self.width, x1 + 1)):
                self.px[y][x] = colour

    def frame(self, x0, y0, x1, y1, colour):
        self.rect(x0, y0, x1, y0, colour)
        self.rect(x0, y1, x1, y1, colour)
        self.rect(x0, y0, x0, y1, colour)
        self.rect(x1, y0, x1, y1, colour)

    def line(self, x0, y0, x1, y1, colour):
        dx, dy = abs(x1 - x0), -abs(y1 - y0)
        sx = 1 if x0 < x1 else -1
        sy = 1 if y0 < y1 else -1
        err = dx + dy
        while True:
            self.put(x0, y0, colour)
            if x0 == x1 and y0 == y1:
                break
            e2 = 2 * err
            if e2 >= dy:
                err += dy
                x0 += sx
            if e2 <= dx:
                err += dx
                y0 += sy

    def flatten(self, background):
        """A copy with every transparent pixel replaced by background."""
        c = self.copy()
        for row in c.px:
            for i, p in enumerate(row):
                if p is None:
                    row[i] = background
        return c

    def scaled(self, factor):
        """Nearest-neighbour enlargement."""
        c = Canvas(self.width * factor, self.height * factor)
        for y in range(c.height):
            src = self.px[y // factor]
            c.px[y] = [src[x // factor] for x in range(c.width)]
        return c

    def scale2x(self):
        """Doubles the size with the Scale2x rule, which keeps pixel-art edges smooth."""
        c = Canvas(self.width * 2, self.height * 2)
        for y in range(self.height):
            for x in range(self.width):
                e = self.px[y][x]
                b = self.get(x, y - 1) if y > 0 else e
                h = self.get(x, y + 1) if y < self.height - 1 else e
                d = self.get(x - 1, y) if x > 0 else e
                f = self.get(x + 1, y) if x < self.width - 1 else e
                e0 = e1 = e2 = e3 = e
                if b != h and d != f:
                    if d == b:
                        e0 = d
                    if b == f:
                        e1 = f
                    if d == h:
                        e2 = d
                    if h == f:
                        e3 = f
                c.px[2 * y][2 * x] = e0
                c.px[2 * y][2 * x + 1] = e1
                c.px[2 * y + 1][2 * x] = e2
                c.px[2 * y + 1][2 * x + 1] = e3
        return c

    def colours(self):
        seen = set()
        for row in self.px:
            seen.update(row)
        return seen


def hstrip(images):
    """Places images of equal height side by side."""
    height = images[0].height
    for im in images:
        if im.height != height:
            raise ValueError("strip images differ in height")
    strip = Canvas(sum(im.width for im in images), height)
    x = 0
    for im in images:
        strip.paste(im, x, 0)
        x += im.width
    return strip


# --- Text pixel maps --------------------------------------------------------------------------
#
# A map file holds a palette and named sprites:
#
#   palette
#   K 24 24 32          one character, then red green blue; "." is always transparent
#   end
#   sprite NAME
#   rows of characters, all of the same length
#   end
#   compose NAME WxH    an image made of other sprites, each drawn over the previous ones
#   SPRITE X Y          (one line per layer; ">" before the name mirrors it left-right)
#   end
#
# "#" starts a comment line.

class MapError(Exception):
    pass


def parse_maps(paths):
    palette = {".": None}
    sprites = {}
    pending = []
    for path in paths:
        with open(path, encoding="ascii") as f:
            lines = [ln.rstrip("\n").rstrip() for ln in f]
        i = 0
        while i < len(lines):
            line = lines[i]
            where = "%s:%d" % (path, i + 1)
            i += 1
            if not line or line.lstrip().startswith("#"):
                continue
            words = line.split()
            body = []
            while i < len(lines) and lines[i].strip() != "end":
                if lines[i].strip() and not lines[i].lstrip().startswith("#"):
                    body.append((lines[i].strip(), "%s:%d" % (path, i + 1)))
                i += 1
            if i >= len(lines):
                raise MapError("%s: block without end" % where)
            i += 1
            if words[0] == "palette":
                for text, at in body:
                    w = text.split()
                    if len(w) != 4 or len(w[0]) != 1:
                        raise MapError("%s: bad palette line" % at)
                    palette[w[0]] = tuple(int(v) for v in w[1:])
            elif words[0] == "sprite" and len(words) == 2:
                if words[1] in sprites:
                    raise MapError("%s: sprite %s defined twice" % (where, words[1]))
                rows = [t for t, _ in body]
                width = len(rows[0]) if rows else 0
                for t, at in body:
                    if len(t) != width:
                        raise MapError("%s: row length %d, expected %d" % (at, len(t), width))
                sprites[words[1]] = ("rows", rows, where)
            elif words[0] == "compose" and len(words) == 3:
                w, h = (int(v) for v in words[2].split("x"))
                layers = []
                for t, at in body:
                    p = t.split()
                    if len(p) != 3:
                        raise MapError("%s: bad layer" % at)
                    layers.append((p[0], int(p[1]), int(p[2]), at))
                pending.append((words[1], w, h, layers, where))
                sprites[words[1]] = None
            else:
                raise MapError("%s: unknown block %r" % (where, line))
    canvases = {}

    def build(name, at):
        if name in canvases:
            return canvases[name]
        entry = sprites.get(name, "missing")
        if entry == "missing":
            raise MapError("%s: unknown sprite %s" % (at, name))
        if entry is None:
            raise MapError("%s: sprite %s used before its composition is known" % (at, name))
        _, rows, where = entry
        c = Canvas(len(rows[0]), len(rows))
        for y, row in enumerate(rows):
            for x, ch in enumerate(row):
                if ch not in palette:
                    raise MapError("%s: colour %r not in palette" % (where, ch))
                c.px[y][x] = palette[ch]
        canvases[name] = c
        return c

    for name, entry in list(sprites.items()):
        if entry is not None:
            build(name, entry[2])
    for name, w, h, layers, where in pending:
        c = Canvas(w, h)
        for layer, x, y, at in layers:
            mirror = layer.startswith(">")
            src = build(layer.lstrip(">"), at)
            if mirror:
                src = mirrored(src)
            c.paste(src, x, y)
        canvases[name] = c
        sprites[name] = ("done", None, where)
    return palette, canvases


def mirrored(c):
    m = Canvas(c.width, c.height)
    m.px = [row[::-1] for row in c.px]
    return m


# --- File writers -----------------------------------------------------------------------------

MAGENTA = (255, 0, 255)


def bmp_bytes(canvas, mask_colour=MAGENTA):
    """A bottom-up Windows bitmap; transparent pixels take the mask colour. Uses 8 bits per
    pixel with a palette when the picture has at most 256 colours, else 24 bits."""
    flat = canvas.flatten(mask_colour)
    colours = sorted(flat.colours())
    w, h = flat.width, flat.height
    if len(colours) <= 256:
        index = {c: i for i, c in enumerate(colours)}
        stride = (w + 3) & ~3
        pal = b"".join(struct.pack("<BBBB", c[2], c[1], c[0], 0) for c in colours)
        pixels = bytearray()
        for y in range(h - 1, -1, -1):
            row = bytes(index[p] for p in flat.px[y])
            pixels += row + b"\0" * (stride - w)
        bpp, ncol = 8, len(colours)
    else:
        stride = (w * 3 + 3) & ~3
        pal = b""
        pixels = bytearray()
        for y in range(h - 1, -1, -1):
            row = b"".join(struct.pack("<BBB", p[2], p[1], p[0]) for p in flat.px[y])
            pixels += row + b"\0" * (stride - w * 3)
        bpp, ncol = 24, 0
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, bpp, 0, len(pixels), 2835, 2835, ncol, ncol)
    offset = 14 + len(info) + len(pal)
    head = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return head + info + pal + bytes(pixels)


def _and_mask(canvas, opaque):
    """The 1-bit AND mask, bottom-up, rows padded to 32 bits: 1 where the pixel is not drawn."""
    w, h = canvas.width, canvas.height
    stride = ((w + 31) // 32) * 4
    out = bytearray()
    for y in range(h - 1, -1, -1):
        row = bytearray(stride)
        for x in range(w):
            if not opaque(canvas.px[y][x]):
                row[x // 8] |= 0x80 >> (x % 8)
        out += row
    return bytes(out)


def _icon_image(canvas):
    """One 32-bit icon image (BITMAPINFOHEADER, BGRA pixels, AND mask). Alpha is either 0 or
    255, and transparent pixels are black, so that systems that ignore alpha draw it the same."""
    w, h = canvas.width, canvas.height
    info = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    xor = bytearray()
    for y in range(h - 1, -1, -1):
        for p in canvas.px[y]:
            xor += b"\0\0\0\0" if p is None else struct.pack("<BBBB", p[2], p[1], p[0], 255)
    return info + bytes(xor) + _and_mask(canvas, lambda p: p is not None)


def ico_bytes(canvases):
    """An icon file holding one 32-bit image per canvas (typically 16 x 16 and 32 x 32)."""
    images = [_icon_image(c) for c in canvases]
    head = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries = b""
    for c, data in zip(canvases, images):
        entries += struct.pack("<BBBBHHII", c.width % 256, c.height % 256, 0, 0, 1, 32,
                               len(data), offset)
        offset += len(data)
    return head + entries + b"".join(images)


INVERT = (1, 2, 3)  # marker colour in cursor maps: the screen is inverted there


def cur_bytes(canvas, hotspot):
    """A monochrome cursor file: black and white pixels, transparent and inverted ones."""
    w, h = canvas.width, canvas.height
    info = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 1, 0, 0, 0, 0, 2, 2)
    pal = struct.pack("<BBBBBBBB", 0, 0, 0, 0, 255, 255, 255, 0)
    stride = ((w + 31) // 32) * 4
    xor = bytearray()
    for y in range(h - 1, -1, -1):
        row = bytearray(stride)
        for x in range(w):
            p = canvas.px[y][x]
            if p == INVERT or (p is not None and sum(p) > 384):
                row[x // 8] |= 0x80 >> (x % 8)
        xor += row
    andm = _and_mask(canvas, lambda p: p is not None and p != INVERT)
    data = info + pal + bytes(xor) + andm
    head = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", w % 256, h % 256, 2, 0, hotspot[0], hotspot[1],
                        len(data), 6 + 16)
    return head + entry + data


def png_bytes(canvas, background=(255, 255, 255)):
    """An 8-bit RGB PNG of the canvas on the given background."""
    flat = canvas.flatten(background)
    raw = bytearray()
    for row in flat.px:
        raw.append(0)
        for p in row:
            raw += bytes(p if p != INVERT else (255, 128, 0))

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))

    ihdr = struct.pack(">IIBBBBB", flat.width, flat.height, 8, 2, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) +
            chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))
