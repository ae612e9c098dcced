#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Packs the shell's 16-colour PNG icons (src/linux/res/*_32.png, *_16.png)
into Windows .ico files beside this script: idr_mainframe.ico and
idr_vexlantype.ico, each with a 32x32 and a 16x16 image stored as 4-bit DIBs
(colour bits, then the transparency mask), as resource icons of 16 colours
are. Reads only the PNGs make_icons.py writes: 4-bit palette, no interlace,
filter 0 on every row, transparency through tRNS. Standard library only;
run it after make_icons.py and commit the .ico files it writes.
"""
import os
import struct
import sys
import zlib


def read_png(path):
    data = open(path, "rb").read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        sys.exit("%s: not a PNG" % path)
    pos, chunks = 8, {}
    while pos + 8 <= len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        chunks.setdefault(kind, b"")
        chunks[kind] += data[pos + 8:pos + 8 + length]
        pos += 12 + length
    w, h, depth, ctype, _, _, interlace = struct.unpack(">IIBBBBB", chunks[b"IHDR"])
    if (depth, ctype, interlace) != (4, 3, 0) or w != h or w % 8:
        sys.exit("%s: not a square 4-bit palette PNG" % path)
    raw = zlib.decompress(chunks[b"IDAT"])
    stride = w // 2
    rows = []
    for y in range(h):
        row = raw[y * (stride + 1):(y + 1) * (stride + 1)]
        if len(row) != stride + 1 or row[0] != 0:
            sys.exit("%s: row %d is filtered or short" % (path, y))
        rows.append(row[1:])
    pal = chunks[b"PLTE"]
    palette = [tuple(pal[i:i + 3]) for i in range(0, 48, 3)]
    alpha = list(chunks.get(b"tRNS", b"")) + [255] * 16
    return w, rows, palette, alpha


def dib_image(path):
    n, rows, palette, alpha = read_png(path)
    header = struct.pack("<IiiHHIIiiII", 40, n, 2 * n, 1, 4, 0, 0, 0, 0, 16, 0)
    colours = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    xor = b""
    mask_stride = ((n + 31) // 32) * 4
    mask = b""
    for row in reversed(rows):  # DIBs run bottom-up
        pixels = [v for byte in row for v in (byte >> 4, byte & 15)]
        # Transparent pixels are black in the colour bits, set in the mask.
        xor += bytes(((0 if alpha[pixels[i]] == 0 else pixels[i]) << 4)
                     | (0 if alpha[pixels[i + 1]] == 0 else pixels[i + 1])
                     for i in range(0, n, 2))
        bits = 0
        for x, v in enumerate(pixels):
            if alpha[v] == 0:
                bits |= 1 << (n - 1 - x)
        mask += bits.to_bytes(n // 8, "big").ljust(mask_stride, b"\0")
    return n, header + colours + xor + mask


def write_ico(path, images):
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    body = b""
    for n, blob in images:
        out += struct.pack("<BBBBHHII", n % 256, n % 256, 16, 0, 1, 4, len(blob), offset)
        offset += len(blob)
        body += blob
    with open(path, "wb") as f:
        f.write(out + body)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    pngs = os.path.join(here, "..", "..", "linux", "res")
    for name in ("idr_mainframe", "idr_vexlantype"):
        images = [dib_image(os.path.join(pngs, "%s_%d.png" % (name, n))) for n in (32, 16)]
        write_ico(os.path.join(here, name + ".ico"), images)


if __name__ == "__main__":
    main()
