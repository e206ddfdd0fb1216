#!/usr/bin/env python3
"""Writes the About page's four animation icons (601 to 604) into
src/resources/icons as 32x32 true-colour .ico files.

Each icon is a rounded tile of its own colour with a white database drum;
the drum's lit band sits one step lower on each icon, so the column reads
as a sequence while it scrolls. The tile's colour runs unbroken down the
left margin (x 1 to 8): the About page tests sample it there.

The generated files are committed, so the build does not need Python.
Run from anywhere: python3 tools/make-icons.py
"""
import os

from icofile import SIZE, ico_bytes
TILES = {
    601: (0x1F, 0x5F, 0xBF),  # blue
    602: (0x1F, 0x9F, 0x3F),  # green
    603: (0xDF, 0x7F, 0x1F),  # orange
    604: (0x9F, 0x2F, 0xAF),  # purple
}
WHITE = (0xFF, 0xFF, 0xFF)


def darker(colour):
    return tuple(c * 2 // 3 for c in colour)


def in_rounded_tile(x, y, radius=3):
    # Corners outside a quarter circle of the radius are transparent.
    cx = radius if x < radius else SIZE - 1 - radius if x > SIZE - 1 - radius else x
    cy = radius if y < radius else SIZE - 1 - radius if y > SIZE - 1 - radius else y
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius * radius


def in_drum(x, y):
    # An upright cylinder: elliptic top and bottom, straight sides.
    left, right, top, bottom = 10, 21, 8, 24
    cx, rx, ry = (left + right) / 2, (right - left) / 2 + 0.5, 2.5
    if not left <= x <= right:
        return False
    if top + ry <= y <= bottom - ry:
        return True
    dx = (x - cx) / rx
    for centre in (top + ry, bottom - ry):
        if dx * dx + ((y - centre) / ry) ** 2 <= 1.0:
            return True
    return False


def pixel(frame, colour, x, y):
    """(r, g, b, a) of the icon for frame 0..3, y counted from the top."""
    if not in_rounded_tile(x, y):
        return (0, 0, 0, 0)
    if x in (0, SIZE - 1) or y in (0, SIZE - 1) or not in_rounded_tile(x, y, 2):
        return darker(colour) + (0xFF,)
    if in_drum(x, y):
        if y == 12 and 11 <= x <= 20:  # the rim of the lid
            return darker(colour) + (0xFF,)
        band = 14 + 2 * frame  # the lit band moves down one step a frame
        if band <= y < band + 2:
            return colour + (0xFF,)
        return WHITE + (0xFF,)
    return colour + (0xFF,)


def icon_file(frame, colour):
    rows = [[pixel(frame, colour, x, y) for x in range(SIZE)] for y in range(SIZE)]
    return ico_bytes([[p[:3] if p[3] else None for p in row] for row in rows])


def main():
    top = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    out = os.path.join(top, "src", "resources", "icons")
    for frame, (ident, colour) in enumerate(sorted(TILES.items())):
        with open(os.path.join(out, "about%d.ico" % ident), "wb") as f:
            f.write(icon_file(frame, colour))


if __name__ == "__main__":
    main()
