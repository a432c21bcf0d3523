#!/usr/bin/env python3
"""Draws the 100x50 logo that xboard shows beside the engine: a moth with
chequered wings and the name. Writes a PNG with nothing but the standard
library, the same bytes on every run.

usage: packaging/make_logo.py [OUT.png]   (default packaging/vexmoth.png)
"""
import math
import os
import struct
import sys
import zlib

WIDTH, HEIGHT = 100, 50
SAMPLES = 4  # per axis, for smooth edges

BACKGROUND = (244, 238, 226)
FRAME = (120, 96, 70)
WING_DARK = (92, 60, 34)
WING_LIGHT = (214, 170, 104)
EYE = (250, 226, 160)
BODY = (50, 36, 24)
TEXT = (40, 34, 30)

# A 5x7 font for the letters of the name.
GLYPHS = {
    "V": ["X...X", "X...X", "X...X", "X...X", "X...X", ".X.X.", "..X.."],
    "e": [".....", ".....", ".XXX.", "X...X", "XXXXX", "X....", ".XXX."],
    "x": [".....", ".....", "X...X", ".X.X.", "..X..", ".X.X.", "X...X"],
    "m": [".....", ".....", "XX.X.", "X.X.X", "X.X.X", "X.X.X", "X.X.X"],
    "o": [".....", ".....", ".XXX.", "X...X", "X...X", "X...X", ".XXX."],
    "t": ["..X..", "..X..", "XXXXX", "..X..", "..X..", "..X..", "...XX"],
    "h": ["X....", "X....", "XXXX.", "X...X", "X...X", "X...X", "X...X"],
}


def in_ellipse(x, y, cx, cy, rx, ry, angle):
    c, s = math.cos(angle), math.sin(angle)
    dx, dy = x - cx, y - cy
    u, v = dx * c + dy * s, -dx * s + dy * c
    return (u / rx) ** 2 + (v / ry) ** 2 <= 1.0


def in_text(x, y, text, left, top, scale):
    """True when (x, y) falls on a lit cell of the text drawn at (left, top)."""
    col = int((x - left) // scale)
    row = int((y - top) // scale)
    if x < left or y < top or row >= 7:
        return False
    index, cell = divmod(col, 6)  # five columns and a blank one per letter
    if index >= len(text) or cell == 5:
        return False
    return GLYPHS[text[index]][row][cell] == "X"


def wing_colour(x, y):
    """Chequered wings: squares of 4.5 pixels turned a little."""
    u = (x * 0.94 + y * 0.34) / 4.5
    v = (-x * 0.34 + y * 0.94) / 4.5
    return WING_DARK if (math.floor(u) + math.floor(v)) % 2 else WING_LIGHT


def colour_at(x, y):
    cx, cy = 25.0, 26.0
    # Frame.
    if x < 1 or y < 1 or x >= WIDTH - 1 or y >= HEIGHT - 1:
        return FRAME
    # Text: "Vex" over "moth" on the right.
    if in_text(x, y, "Vex", 52, 8, 2) or in_text(x, y, "moth", 50, 27, 2):
        return TEXT
    # Body and head.
    if in_ellipse(x, y, cx, cy + 2, 2.6, 12.5, 0) or in_ellipse(x, y, cx, cy - 11.5, 3.0, 3.0, 0):
        return BODY
    # Antennae: two thin arcs.
    for side in (-1, 1):
        t = (cy - 13 - y) / 9.0
        if 0 <= t <= 1:
            ax = cx + side * (2 + 9 * t * t)
            if abs(x - ax) < 0.75:
                return BODY
    # Eye spots on the fore wings, then the wings themselves.
    for side in (-1, 1):
        if in_ellipse(x, y, cx + side * 12.5, cy - 6, 3.2, 3.2, 0):
            return BODY if in_ellipse(x, y, cx + side * 12.5, cy - 6, 1.5, 1.5, 0) else EYE
    for side in (-1, 1):
        fore = in_ellipse(x, y, cx + side * 12, cy - 5, 11.5, 8.5, side * -0.35)
        hind = in_ellipse(x, y, cx + side * 9, cy + 9, 8.5, 7.0, side * 0.5)
        if fore or hind:
            return wing_colour(x, y)
    return BACKGROUND


def render():
    rows = []
    for py in range(HEIGHT):
        row = bytearray([0])  # filter type: none
        for px in range(WIDTH):
            total = [0, 0, 0]
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    c = colour_at(px + (sx + 0.5) / SAMPLES, py + (sy + 0.5) / SAMPLES)
                    for i in range(3):
                        total[i] += c[i]
            row.extend(round(t / SAMPLES ** 2) for t in total)
        rows.append(bytes(row))
    return b"".join(rows)


def png(pixels):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", WIDTH, HEIGHT, 8, 2, 0, 0, 0)  # 8-bit RGB
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(pixels, 9))
            + chunk(b"IEND", b""))


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                                              "vexmoth.png")
    with open(out, "wb") as f:
        f.write(png(render()))


if __name__ == "__main__":
    main()
