#!/usr/bin/env python3
"""Draws the program's pictures (bitmaps, icons, cursors) and writes them into a folder.

    make_art.py OUTDIR        writes every file named in OUTPUTS into OUTDIR
    make_art.py --list        prints the names of the files it writes

The small pictures come from the text pixel maps in maps/; the logo tile and the large
pictures (splash, wizard pictures) are composed here from the maps and a few shapes.
The image order of the strips is listed in resources/resource_ids.h."""

import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

import artlib  # noqa: E402
from artlib import Canvas, hstrip  # noqa: E402

MAP_FILES = ["palette.txt", "small.txt", "toolbar.txt", "cursors.txt", "font.txt"]

# Image order of the main window's toolbar strip (18 x 18 each).
MAIN_TOOLBAR = [
    "tb_new",             # 0  New (drops down the New menu)
    "tb_open",            # 1  Open
    "tb_cut",             # 2  Cut
    "tb_copy",            # 3  Copy
    "tb_paste",           # 4  Paste
    "tb_delete",          # 5  Delete
    "tb_properties",      # 6  Properties
    "tb_search",          # 7  Search
    "tb_erase",           # 8  Erase search expression
    "tb_explorer",        # 9  Windows Explorer
    "tb_browser",         # 10 Browser
    "tb_help",            # 11 Help contents
    "tb_viewer",          # 12 Internal viewer
    "tb_archive_search",  # 13 Search in archives / search results
    "tb_new_category",    # 14 New category
    "tb_new_download",    # 15 New download/file
    "tb_new_bookmark",    # 16 New bookmark
    "tb_import",          # 17 Import (bookmarks, interchange file)
    "tb_export",          # 18 Export (bookmarks, file database, interchange file)
]

# Image order of the archive windows' toolbar strip (bitmap 300, 18 x 18 each).
VIEWER_TOOLBAR = [
    "tb_open",                # 0  Open member
    "tb_add",                 # 1  Add
    "tb_extract",             # 2  Extract
    "tb_delete",              # 3  Delete
    "tb_properties",          # 4  Properties
    "tb_new_archive",         # 5  New archive
    "tb_open_archive",        # 6  Open archive
    "tb_copy_archive",        # 7  Copy archive
    "tb_archive_properties",  # 8  Archive properties
    "tb_install",             # 9  Install
    "tb_close_archive",       # 10 Close archive
    "tb_password",            # 11 Password
    "tb_select_all",          # 12 Select all
    "tb_select_none",         # 13 Select none
    "tb_select_invert",       # 14 Invert selection
    "tb_select_some",         # 15 Select some
    "tb_refresh",             # 16 Refresh
    "tb_preferences",         # 17 Preferences
    "tb_help",                # 18 Help contents
]

# Image order of the find result window's toolbar strip (18 x 18 each).
FIND_RESULT_TOOLBAR = [
    "tb_keep_open",   # 0 Keep open (check button)
    "tb_previous",    # 1 Previous
    "tb_next",        # 2 Next
    "tb_new_search",  # 3 New search
    "tb_help",        # 4 Help
]

# Icons: file name -> the 16 x 16 picture (the 32 x 32 one is drawn from it, or the logo).
ICONS = {
    "tv.ico": "logo",
    "archive.ico": "archive_file",
    "tray.ico": "logo",
    "downloads.ico": "downloads",
    "bookmarks.ico": "globe",
    "shortcuts.ico": "shortcuts",
    "lock.ico": "lock",
    "setup.ico": "setup",
    "tvi.ico": "tvi_file",
    "browse.ico": "folder_open",
    "tvft1.ico": "state_missing",
    "tvft2.ico": "state_new",
    "tvft3.ico": "state_found",
}

CURSORS = {
    "hand.cur": ("cursor_hand", (5, 0)),
    "divider.cur": ("cursor_divider", (16, 16)),
}

BITMAPS = ["catlist.bmp", "folders.bmp", "toolbar.bmp", "viewer.bmp", "findresult.bmp", "fileicons.bmp",
           "extproc.bmp", "brush.bmp", "splash.bmp", "logo.bmp", "interchange.bmp",
           "backup.bmp"]

OUTPUTS = BITMAPS + list(ICONS) + list(CURSORS)


def load_maps():
    _, sprites = artlib.parse_maps([os.path.join(HERE, "maps", f) for f in MAP_FILES])
    return sprites


# --- Shapes -----------------------------------------------------------------------------------

OUTLINE = (28, 28, 36)
NAVY = (22, 56, 150)
WHITE = (255, 255, 255)
ORANGE = (250, 150, 40)
DARK_ORANGE = (186, 96, 16)


def lerp(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))


def rounded_inside(x, y, w, h, r, inset):
    """Whether pixel (x, y) lies in the w x h rounded rectangle shrunk by inset pixels."""
    px, py = x + 0.5, y + 0.5
    x0, y0, x1, y1 = inset, inset, w - inset, h - inset
    if not (x0 <= px <= x1 and y0 <= py <= y1):
        return False
    rr = max(0.0, r - inset)
    cx = min(max(px, x0 + rr), x1 - rr)
    cy = min(max(py, y0 + rr), y1 - rr)
    return (px - cx) ** 2 + (py - cy) ** 2 <= rr * rr + 0.25


def logo(size):
    """The program's mark: a blue rounded tile with a white T and an orange plus."""
    c = Canvas(size, size)
    r = max(2.5, size / 6.0)
    edge = 1 if size <= 32 else max(1, size // 32)
    top, bottom = (104, 166, 246), (20, 58, 156)
    for y in range(size):
        for x in range(size):
            if not rounded_inside(x, y, size, size, r, 0):
                continue
            if not rounded_inside(x, y, size, size, r, edge):
                c.put(x, y, OUTLINE)
            elif not rounded_inside(x, y + edge, size, size, r, edge) and y < size // 2:
                c.put(x, y, (176, 210, 255))
            else:
                c.put(x, y, lerp(top, bottom, y / (size - 1)))
    u = size / 16.0

    def block(x0, y0, x1, y1, colour, shift=0.0):
        # a rectangle given on a 16 x 16 grid, both corners inclusive
        ax, ay = int(round(x0 * u + shift)), int(round(y0 * u + shift))
        bx, by = int(round((x1 + 1) * u + shift)) - 1, int(round((y1 + 1) * u + shift)) - 1
        c.rect(ax, ay, bx, by, colour)

    shadow = max(1.0, u)
    for colour, shift in ((NAVY, shadow), (None, 0.0)):
        block(2, 3, 9, 4, colour or WHITE, shift)       # bar of the T
        block(5, 3, 6, 12, colour or WHITE, shift)      # stem of the T
        block(9, 9, 13, 9, colour or ORANGE, shift)     # plus, across
        block(11, 7, 11, 11, colour or ORANGE, shift)   # plus, down
        if colour is None and size >= 32:
            # a darker lower half gives the plus some body
            block(9, 9.5, 13, 9, DARK_ORANGE)
            block(11.5, 7, 11, 11, DARK_ORANGE)
    return c


def text_canvas(sprites, text, colour, scale=1, gap=1):
    """Text in the picture font; scale 1, 2 or 4 (enlarged with Scale2x)."""
    names = {".": "glyph_dot", " ": None}
    glyphs = []
    for ch in text:
        name = names.get(ch, "glyph_" + ch)
        glyphs.append(None if name is None else sprites[name])
    width = sum(3 if g is None else g.width for g in glyphs) + gap * (len(glyphs) - 1)
    c = Canvas(max(1, width), 7)
    x = 0
    for g in glyphs:
        if g is not None:
            for y in range(g.height):
                for gx in range(g.width):
                    if g.px[y][gx] is not None:
                        c.put(x + gx, y, colour)
        x += (3 if g is None else g.width) + gap
    while scale > 1:
        c = c.scale2x()
        scale //= 2
    return c


def enlarged(c, times):
    while times > 1:
        c = c.scale2x()
        times //= 2
    return c


def gradient(w, h, top, bottom):
    c = Canvas(w, h)
    for y in range(h):
        colour = lerp(top, bottom, y / max(1, h - 1))
        c.px[y] = [colour] * w
    return c


def with_shadow(c, colour, dx=1, dy=1):
    """The picture over a copy of its shape in colour, moved by (dx, dy)."""
    out = Canvas(c.width + dx, c.height + dy)
    for y in range(c.height):
        for x in range(c.width):
            if c.px[y][x] is not None:
                out.put(x + dx, y + dy, colour)
    out.paste(c, 0, 0)
    return out


# --- Large pictures ---------------------------------------------------------------------------

def splash(sprites):
    w, h = 402, 174
    c = gradient(w, h, (255, 255, 255), (214, 228, 248))
    c.paste(logo(80), 20, 16)
    title = with_shadow(text_canvas(sprites, "Tolvane Plus", NAVY, 4, 1), (170, 190, 225), 2, 2)
    c.paste(title, 114, 22)
    c.paste(text_canvas(sprites, "Version 2.5", (84, 88, 100), 2), 118, 70)
    # the three kinds of items that the program keeps
    c.rect(0, 110, w - 1, 110, (170, 186, 214))
    kinds = [("downloads", "Downloads"), ("globe", "Bookmarks"), ("shortcuts", "Shortcuts")]
    third = w // 3
    for i, (pic, word) in enumerate(kinds):
        icon = enlarged(sprites[pic], 2)
        label = text_canvas(sprites, word, NAVY, 2)
        cx = third * i + third // 2
        c.paste(icon, cx - icon.width // 2, 118)
        c.paste(label, cx - label.width // 2, 154)
    c.frame(0, 0, w - 1, h - 1, OUTLINE)
    return c


def side_picture(sprites, picture):
    """A 110 x 200 wizard picture: a blue panel with a large picture and the program's name."""
    w, h = 110, 200
    c = gradient(w, h, (70, 136, 232), (18, 50, 140))
    c.paste(picture, (w - picture.width) // 2, 24)
    for i, word in enumerate(("Tolvane", "Plus")):
        t = with_shadow(text_canvas(sprites, word, WHITE, 2), NAVY, 1, 1)
        c.paste(t, (w - t.width) // 2, 132 + i * 22)
    c.frame(0, 0, w - 1, h - 1, OUTLINE)
    return c


def welcome_picture(sprites):
    tile = logo(64)
    kinds = Canvas(106, 104)
    kinds.paste(tile, 21, 0)
    for i, pic in enumerate(("downloads", "globe", "shortcuts")):
        kinds.paste(enlarged(sprites[pic], 2), 1 + i * 36, 70)
    c = side_picture(sprites, Canvas(1, 1))
    c.paste(kinds, 2, 10)
    return c


def brush():
    """An 8 x 8 pattern: a calm grey with a faint diagonal weave."""
    base, light, dark = (212, 208, 200), (222, 219, 212), (202, 198, 190)
    c = Canvas(8, 8, base)
    for i in range(8):
        c.put(i, i, light)
        c.put((i + 4) % 8, i, dark)
    return c


# --- Everything -------------------------------------------------------------------------------

def icon_pair(sprites, name):
    if name == "logo":
        return [logo(16), logo(32)]
    small = sprites[name]
    if (small.width, small.height) != (16, 16):
        pad = Canvas(16, 16)
        pad.paste(small, (16 - small.width) // 2, (16 - small.height) // 2)
        small = pad
    return [small, small.scale2x()]


def pictures(sprites):
    """Every output file's pictures: name -> ("bmp", canvas) / ("ico", [canvases]) /
    ("cur", canvas, hotspot)."""
    out = {}
    out["catlist.bmp"] = ("bmp", hstrip([sprites["downloads"], sprites["globe"],
                                         sprites["shortcuts"]]))
    out["folders.bmp"] = ("bmp", hstrip([sprites["folder"], sprites["folder_open"]]))
    out["toolbar.bmp"] = ("bmp", hstrip([sprites[n] for n in MAIN_TOOLBAR]))
    out["viewer.bmp"] = ("bmp", hstrip([sprites[n] for n in VIEWER_TOOLBAR]))
    out["findresult.bmp"] = ("bmp", hstrip([sprites[n] for n in FIND_RESULT_TOOLBAR]))
    out["fileicons.bmp"] = ("bmp", hstrip([sprites["page16"], sprites["folder"],
                                           sprites["archive16"], sprites["locked16"],
                                           sprites["setup"]]))
    out["extproc.bmp"] = ("bmp", sprites["program"])
    out["brush.bmp"] = ("bmp", brush())
    out["splash.bmp"] = ("bmp", splash(sprites))
    out["logo.bmp"] = ("bmp", welcome_picture(sprites))
    out["interchange.bmp"] = ("bmp", side_picture(sprites, sprites["tvi_file"].scaled(4)))
    backup = Canvas(16, 16)
    backup.paste(sprites["box"], 0, 0)
    backup.paste(sprites["lock_badge"], 9, 7)
    out["backup.bmp"] = ("bmp", side_picture(sprites, backup.scaled(4)))
    for name, pic in ICONS.items():
        out[name] = ("ico", icon_pair(sprites, pic))
    for name, (pic, hotspot) in CURSORS.items():
        out[name] = ("cur", sprites[pic], hotspot)
    assert sorted(out) == sorted(OUTPUTS)
    return out


def encode(entry):
    kind = entry[0]
    if kind == "bmp":
        return artlib.bmp_bytes(entry[1])
    if kind == "ico":
        return artlib.ico_bytes(entry[1])
    return artlib.cur_bytes(entry[1], entry[2])


def write_all(outdir):
    os.makedirs(outdir, exist_ok=True)
    for name, entry in pictures(load_maps()).items():
        data = encode(entry)
        path = os.path.join(outdir, name)
        tmp = path + ".tmp"
        with open(tmp, "wb") as f:
            f.write(data)
        os.replace(tmp, path)


def main(argv):
    if len(argv) == 2 and argv[1] == "--list":
        print("\n".join(OUTPUTS))
        return 0
    if len(argv) != 2 or argv[1].startswith("-"):
        sys.stderr.write("usage: make_art.py OUTDIR | --list\n")
        return 2
    try:
        write_all(argv[1])
    except (artlib.MapError, KeyError, OSError) as e:
        sys.stderr.write("make_art: %s\n" % e)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
