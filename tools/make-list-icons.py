#!/usr/bin/env python3
"""Writes the four icons that the owner-drawn list items of the Connection
and Advanced pages show: Protocol, Cursor, Scroll, GetDBList. The items
show the platform's small-icon size, 16 pixels at 96 DPI and more at higher
DPI, so each file holds the picture at 16, 20, 24 and 32 pixels: drawn at
32, the smaller ones averaged down from it.

The .ico files are committed, so the build does not need Python; run this
again only to change a picture:

    python3 tools/make-list-icons.py src/resources/icons

Each image is 32-bit with an alpha channel and a matching AND mask.
"""
import sys
from pathlib import Path

from icofile import SIZE, ico_bytes, scaled

SIZES = (16, 20, 24)

BLACK = (0x20, 0x20, 0x20)
BLUE = (0x1F, 0x5F, 0xBF)
LIGHT_BLUE = (0x9F, 0xC7, 0xEF)
GREEN = (0x2F, 0x8F, 0x3F)
GREY = (0xA0, 0xA0, 0xA0)
WHITE = (0xFF, 0xFF, 0xFF)
YELLOW = (0xF7, 0xD7, 0x4F)


class Picture:
    def __init__(self):
        # None is a transparent pixel, otherwise an (r, g, b) colour.
        self.pixels = [[None] * SIZE for _ in range(SIZE)]

    def dot(self, x, y, colour):
        if 0 <= x < SIZE and 0 <= y < SIZE:
            self.pixels[y][x] = colour

    def fill(self, left, top, right, bottom, colour):
        """Fills the rectangle, right and bottom edges included."""
        for y in range(top, bottom + 1):
            for x in range(left, right + 1):
                self.dot(x, y, colour)

    def frame(self, left, top, right, bottom, colour):
        for x in range(left, right + 1):
            self.dot(x, top, colour)
            self.dot(x, bottom, colour)
        for y in range(top, bottom + 1):
            self.dot(left, y, colour)
            self.dot(right, y, colour)

    def box(self, left, top, right, bottom, inside, edge=BLACK):
        self.fill(left, top, right, bottom, inside)
        self.frame(left, top, right, bottom, edge)

    def ellipse(self, cx, cy, rx, ry, colour, outline=None):
        for y in range(SIZE):
            for x in range(SIZE):
                d = ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2
                if d <= 1.0:
                    edge = outline and d > ((rx - 1) / rx) ** 2 * 0.9
                    self.dot(x, y, outline if edge else colour)


def protocol():
    """Two computers joined by a network line."""
    p = Picture()
    for left in (1, 19):
        p.box(left, 2, left + 11, 11, LIGHT_BLUE)
        p.fill(left + 4, 12, left + 7, 13, GREY)
        p.fill(left + 2, 14, left + 9, 15, GREY)
    p.fill(6, 16, 7, 21, BLACK)
    p.fill(24, 16, 25, 21, BLACK)
    p.fill(6, 21, 25, 22, BLACK)
    p.box(13, 19, 18, 25, GREEN)
    return p


def cursor():
    """A result table with an arrow at its current row."""
    p = Picture()
    p.box(9, 1, 30, 26, WHITE)
    for y in range(6, 26, 5):
        p.fill(10, y, 29, y, GREY)
    p.fill(10, 2, 29, 5, LIGHT_BLUE)
    p.fill(10, 12, 29, 15, YELLOW)
    # The arrow points at the highlighted row.
    p.fill(1, 13, 4, 14, BLUE)
    for i in range(5):
        p.fill(4 + i, 9 + i, 4 + i, 18 - i, BLUE)
    return p


def scroll():
    """A vertical scroll bar with its arrows and thumb."""
    p = Picture()
    p.box(10, 0, 21, 27, GREY)
    for box_top in (0, 20):
        p.box(10, box_top, 21, box_top + 7, WHITE)
    for i in range(4):
        p.fill(15 - i, 2 + i, 16 + i, 2 + i, BLACK)
        p.fill(15 - i, 25 - i, 16 + i, 25 - i, BLACK)
    p.box(11, 10, 20, 16, BLUE)
    return p


def get_db_list():
    """A database drum beside a list of names."""
    p = Picture()
    p.ellipse(8.5, 22, 6.5, 3, YELLOW, BLACK)
    p.fill(2, 5, 15, 22, YELLOW)
    p.fill(2, 5, 2, 22, BLACK)
    p.fill(15, 5, 15, 22, BLACK)
    p.ellipse(8.5, 5, 6.5, 3, WHITE, BLACK)
    p.box(18, 3, 30, 26, WHITE)
    for y in range(6, 26, 4):
        p.fill(20, y, 28, y + 1, BLUE)
    return p


ICONS = {
    "protocol.ico": protocol,
    "cursor.ico": cursor,
    "scroll.ico": scroll,
    "getdblist.ico": get_db_list,
}


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make-list-icons.py OUTPUT-DIRECTORY")
    out = Path(sys.argv[1])
    out.mkdir(parents=True, exist_ok=True)
    for name, draw in ICONS.items():
        pixels = draw().pixels
        images = [scaled(pixels, size) for size in SIZES] + [pixels]
        (out / name).write_bytes(ico_bytes(*images))


if __name__ == "__main__":
    main()
