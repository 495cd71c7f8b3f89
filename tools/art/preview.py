#!/usr/bin/env python3
"""Writes OUTDIR/art-preview.png: every picture of make_art.py on one sheet for review.
Rows: the tree, file and program images, the brush; the main toolbar strip; the archive
toolbar strip; every icon at 16 x 16; the same at 32 x 32; the cursors; the large pictures at
their own size and doubled. Small pictures are enlarged four times."""

import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

import artlib  # noqa: E402
import make_art  # noqa: E402
from artlib import Canvas  # noqa: E402

BACKGROUND = (212, 208, 200)
MARGIN = 8


def main(argv):
    if len(argv) != 2:
        sys.stderr.write("usage: preview.py OUTDIR\n")
        return 2
    pics = make_art.pictures(make_art.load_maps())
    strips = ("toolbar.bmp", "viewer.bmp", "findresult.bmp", "catlist.bmp", "folders.bmp", "fileicons.bmp")

    def cut(pic):
        # strips: a gap between the images so that each can be judged on its own
        size = pic.height
        out = []
        for i in range(pic.width // size):
            one = Canvas(size, size)
            for y in range(size):
                one.px[y] = pic.px[y][i * size:(i + 1) * size]
            out.append(one.scaled(4))
        return out

    groups = [["catlist.bmp", "folders.bmp", "fileicons.bmp", "extproc.bmp", "brush.bmp"],
              ["toolbar.bmp"], ["viewer.bmp"], ["findresult.bmp"]]
    icons = [n for n in make_art.OUTPUTS if pics[n][0] == "ico"]
    cursors = [n for n in make_art.OUTPUTS if pics[n][0] == "cur"]
    large = [n for n in make_art.OUTPUTS
             if pics[n][0] == "bmp" and max(pics[n][1].width, pics[n][1].height) > 64]
    rows = []
    for group in groups:
        row = []
        for name in group:
            pic = pics[name][1]
            row += cut(pic) if name in strips else [pic.scaled(4)]
        rows.append(row)
    rows.append([pics[n][1][0].scaled(4) for n in icons])   # the 16 x 16 images
    rows.append([pics[n][1][1].scaled(4) for n in icons])   # the 32 x 32 images
    rows.append([pics[n][1] for n in cursors] + [pics[n][1].scaled(4) for n in cursors])
    rows.append([pics[n][1] for n in large])
    rows.append([pics[n][1].scaled(2) for n in large])
    # a wide row is wrapped so that the sheet stays readable
    limit = 1700
    wrapped = []
    for row in rows:
        line, width = [], MARGIN
        for pic in row:
            if line and width + pic.width + MARGIN > limit:
                wrapped.append(line)
                line, width = [], MARGIN
            line.append(pic)
            width += pic.width + MARGIN
        wrapped.append(line)
    sheet_w = max(MARGIN + sum(p.width + MARGIN for p in line) for line in wrapped)
    sheet_h = MARGIN + sum(max(p.height for p in line) + MARGIN for line in wrapped)
    sheet = Canvas(sheet_w, sheet_h)
    y = MARGIN
    for line in wrapped:
        x = MARGIN
        for pic in line:
            sheet.paste(pic, x, y)
            x += pic.width + MARGIN
        y += max(p.height for p in line) + MARGIN
    os.makedirs(argv[1], exist_ok=True)
    path = os.path.join(argv[1], "art-preview.png")
    with open(path, "wb") as f:
        f.write(artlib.png_bytes(sheet, BACKGROUND))
    print(path)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
