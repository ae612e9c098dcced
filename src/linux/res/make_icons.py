#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Draws the program's icons as 16-colour PNGs (32x32 and 16x16 each).

idr_mainframe_*: a printer with a printed page coming out (the frame's and
the About box's icon). idr_vexlantype_*: a printed page (the document icon).
Run from anywhere; writes beside this script. Uses only the standard library.
"""
import os
import struct
import zlib

# The classic 16-colour palette.
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, DKGRAY, LTGRAY, WHITE, BLUE, DKBLUE, RED = 0, 8, 7, 15, 12, 4, 9
CLEAR = 16  # transparent, stored as palette index 13 with tRNS


def canvas(n):
    return [[CLEAR] * n for _ in range(n)]


def rect(img, l, t, r, b, fill, edge=None):
    for y in range(t, b):
        for x in range(l, r):
            on_edge = x in (l, r - 1) or y in (t, b - 1)
            img[y][x] = edge if (edge is not None and on_edge) else fill


def hline(img, l, r, y, c):
    for x in range(l, r):
        img[y][x] = c


def printer(n):
    img = canvas(n)
    s = n / 32.0
    p = lambda v: int(round(v * s))
    # paper in the feeder
    rect(img, p(9), p(2), p(23), p(12), WHITE, BLACK)
    # printer body
    rect(img, p(3), p(11), p(29), p(24), LTGRAY, BLACK)
    hline(img, p(4), p(28), p(14), DKGRAY)
    img[p(17)][p(25)] = RED
    img[p(17)][p(24)] = RED
    # printed page coming out, with lines of text
    rect(img, p(7), p(19), p(25), p(31), WHITE, BLACK)
    for y in (22, 25, 28):
        if p(y) < p(30):
            hline(img, p(9), p(23) if y != 28 else p(17), p(y), BLUE)
    return img


def page(n):
    img = canvas(n)
    s = n / 32.0
    p = lambda v: int(round(v * s))
    rect(img, p(6), p(2), p(26), p(30), WHITE, BLACK)
    # folded corner
    for i in range(p(6)):
        for j in range(p(6) - i):
            img[p(2) + i][p(25) - j] = CLEAR
        img[p(2) + i][p(25) - (p(6) - i)] = BLACK
    hline(img, p(20), p(26), p(8), BLACK)
    for y in (11, 15, 19, 23):
        hline(img, p(9), p(23), p(y), DKBLUE)
    return img


def write_png(path, img):
    n = len(img)
    trans = 13  # palette slot used for transparency
    pal = list(PALETTE)
    pal[trans] = (255, 0, 255)
    raw = b""
    for row in img:
        idx = [trans if c == CLEAR else c for c in row]
        # 4 bits per pixel, two pixels per byte
        packed = bytes((idx[i] << 4) | idx[i + 1] for i in range(0, n, 2))
        raw += b"\x00" + packed

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data
                + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", n, n, 4, 3, 0, 0, 0))
    png += chunk(b"PLTE", b"".join(bytes(c) for c in pal))
    png += chunk(b"tRNS", bytes(255 if i != trans else 0 for i in range(16)))
    png += chunk(b"IDAT", zlib.compress(raw, 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    for name, draw in (("idr_mainframe", printer), ("idr_vexlantype", page)):
        for n in (32, 16):
            write_png(os.path.join(here, "%s_%d.png" % (name, n)), draw(n))


if __name__ == "__main__":
    main()
