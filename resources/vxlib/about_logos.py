#!/usr/bin/env python3
"""Draws the three logo pictures of the library's about box as PNG files beside this script.

    about_vexcraft.png  167 x 56  the maker's word mark          (resource "VXIM" 1)
    about_pixmend.png   158 x 56  the product family's word mark (resource "MKIM" 2)
    about_mark.png       71 x 56  the maker's emblem             (resource "VXI2" 3)

The about box draws them with pure white (255, 255, 255) as the transparent colour, so the
pictures keep their light parts just off white. Needs only the standard library; run it again
after a change and commit the pictures with it.
"""
import math
import os
import struct
import zlib

WHITE = (255, 255, 255)  # transparent in the about box
PAPER = (250, 250, 252)
NAVY = (22, 48, 104)
BLUE = (38, 98, 186)
SKY = (120, 170, 230)
ORANGE = (236, 128, 36)
INK = (30, 30, 36)

# Block letters, 5 x 7, one text row per line ('#' drawn).
GLYPHS = {
    "A": [" ### ", "#   #", "#   #", "#####", "#   #", "#   #", "#   #"],
    "C": [" ####", "#    ", "#    ", "#    ", "#    ", "#    ", " ####"],
    "D": ["#### ", "#   #", "#   #", "#   #", "#   #", "#   #", "#### "],
    "E": ["#####", "#    ", "#    ", "#### ", "#    ", "#    ", "#####"],
    "F": ["#####", "#    ", "#    ", "#### ", "#    ", "#    ", "#    "],
    "I": ["#####", "  #  ", "  #  ", "  #  ", "  #  ", "  #  ", "#####"],
    "M": ["#   #", "## ##", "# # #", "# # #", "#   #", "#   #", "#   #"],
    "N": ["#   #", "##  #", "# # #", "#  ##", "#   #", "#   #", "#   #"],
    "P": ["#### ", "#   #", "#   #", "#### ", "#    ", "#    ", "#    "],
    "R": ["#### ", "#   #", "#   #", "#### ", "# #  ", "#  # ", "#   #"],
    "T": ["#####", "  #  ", "  #  ", "  #  ", "  #  ", "  #  ", "  #  "],
    "V": ["#   #", "#   #", "#   #", "#   #", " # # ", " # # ", "  #  "],
    "X": ["#   #", " # # ", "  #  ", "  #  ", "  #  ", " # # ", "#   #"],
}


class Picture:
    def __init__(self, width, height, background=WHITE):
        self.width, self.height = width, height
        self.pixels = [[background] * width for _ in range(height)]

    def put(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][x] = colour

    def rect(self, x0, y0, x1, y1, colour):
        for y in range(max(0, y0), min(self.height, y1)):
            for x in range(max(0, x0), min(self.width, x1)):
                self.pixels[y][x] = colour

    def rounded(self, x0, y0, x1, y1, radius, colour):
        for y in range(y0, y1):
            for x in range(x0, x1):
                cx = min(max(x, x0 + radius), x1 - 1 - radius)
                cy = min(max(y, y0 + radius), y1 - 1 - radius)
                if (x - cx) ** 2 + (y - cy) ** 2 <= radius * radius:
                    self.put(x, y, colour)

    def gradient(self, x0, y0, x1, y1, top, bottom, mask=None):
        for y in range(y0, y1):
            t = (y - y0) / max(1, y1 - y0 - 1)
            colour = tuple(round(a + (b - a) * t) for a, b in zip(top, bottom))
            for x in range(x0, x1):
                if mask is None or mask(x, y):
                    self.put(x, y, colour)

    def text(self, word, x, y, scale, colour, gap=1):
        for letter in word:
            rows = GLYPHS[letter]
            for r, row in enumerate(rows):
                for c, cell in enumerate(row):
                    if cell == "#":
                        self.rect(x + c * scale, y + r * scale, x + (c + 1) * scale, y + (r + 1) * scale, colour)
            x += (5 + gap) * scale
        return x

    def text_width(self, word, scale, gap=1):
        return len(word) * (5 + gap) * scale - gap * scale

    def triangle(self, points, colour):
        (ax, ay), (bx, by), (cx, cy) = points
        for y in range(self.height):
            for x in range(self.width):
                px, py = x + 0.5, y + 0.5
                d1 = (px - bx) * (ay - by) - (ax - bx) * (py - by)
                d2 = (px - cx) * (by - cy) - (bx - cx) * (py - cy)
                d3 = (px - ax) * (cy - ay) - (cx - ax) * (py - ay)
                negative = d1 < 0 or d2 < 0 or d3 < 0
                positive = d1 > 0 or d2 > 0 or d3 > 0
                if not (negative and positive):
                    self.put(x, y, colour)

    def png(self, path):
        raw = b"".join(b"\x00" + bytes(v for p in row for v in p) for row in self.pixels)
        def chunk(kind, data):
            body = kind + data
            return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)
        header = struct.pack(">IIBBBBB", self.width, self.height, 8, 2, 0, 0, 0)
        data = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")
        with open(path, "wb") as out:
            out.write(data)


def emblem(p, x0, y0, size):
    """The maker's emblem: a V cut from a rounded blue square, with an orange corner pixel."""
    p.rounded(x0, y0, x0 + size, y0 + size, size // 6, NAVY)
    p.gradient(x0, y0, x0 + size, y0 + size, BLUE, NAVY, mask=lambda x, y: p.pixels[y][x] == NAVY)
    s = size
    p.triangle([(x0 + s * 0.18, y0 + s * 0.22), (x0 + s * 0.40, y0 + s * 0.22), (x0 + s * 0.50, y0 + s * 0.80)], PAPER)
    p.triangle([(x0 + s * 0.82, y0 + s * 0.22), (x0 + s * 0.60, y0 + s * 0.22), (x0 + s * 0.50, y0 + s * 0.80)], PAPER)
    p.triangle([(x0 + s * 0.40, y0 + s * 0.22), (x0 + s * 0.60, y0 + s * 0.22), (x0 + s * 0.50, y0 + s * 0.80)], SKY)
    cell = max(2, s // 9)
    p.rect(x0 + s - 2 * cell - 2, y0 + 2, x0 + s - cell - 2, y0 + 2 + cell, ORANGE)


def vexcraft():
    p = Picture(167, 56)
    p.rounded(0, 4, 167, 52, 10, NAVY)
    p.gradient(2, 6, 165, 50, BLUE, NAVY, mask=lambda x, y: p.pixels[y][x] == NAVY)
    width = p.text_width("VEXCRAFT", 2)
    x = (167 - width) // 2
    p.text("VEXCRAFT", x + 1, 15, 2, NAVY)  # shadow
    p.text("VEXCRAFT", x, 14, 2, PAPER)
    p.rect(x, 36, x + width, 38, ORANGE)
    return p


def pixmend():
    p = Picture(158, 56)
    # A scanned sheet with a mended corner: a grid of pixels, some of them ink.
    for row in range(6):
        for col in range(6):
            on = (row + col) % 3 != 0 or (row, col) in ((0, 0), (5, 5))
            colour = INK if on else SKY
            p.rect(4 + col * 7, 8 + row * 7, 10 + col * 7, 14 + row * 7, colour)
    p.rect(4 + 5 * 7, 8 + 5 * 7, 10 + 5 * 7, 14 + 5 * 7, ORANGE)
    p.text("PIXMEND", 52, 14, 2, NAVY, gap=1)
    p.rect(52, 34, 52 + p.text_width("PIXMEND", 2), 36, BLUE)
    return p


def mark():
    p = Picture(71, 56)
    emblem(p, 8, 1, 54)
    return p


if __name__ == "__main__":
    here = os.path.dirname(os.path.abspath(__file__))
    for name, picture in (("about_vexcraft.png", vexcraft()), ("about_pixmend.png", pixmend()), ("about_mark.png", mark())):
        picture.png(os.path.join(here, name))
