#!/usr/bin/env python3
"""Writes the two exhaust textures of the stand-in host's installation.

Each is a small RGBA image: a soft round glow, bright and opaque at the
centre, fading to transparent at the edge. Run from anywhere; writes next
to itself:  python3 make_exhaust_png.py
"""

import math
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def glow(size, core, rim):
    """Rows of RGBA bytes: core colour at the centre blending to rim, alpha falling to 0."""
    rows = []
    c = (size - 1) / 2.0
    for y in range(size):
        row = bytearray([0])  # filter: none
        for x in range(size):
            r = min(1.0, math.hypot(x - c, y - c) / c)
            w = 1.0 - r
            colour = [int(round(core[i] * w + rim[i] * (1.0 - w))) for i in range(3)]
            row += bytes(colour + [int(round(255 * w * w))])
        rows.append(bytes(row))
    return b"".join(rows)


def write_png(name, size, core, rim):
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)  # 8-bit RGBA
    data = zlib.compress(glow(size, core, rim), 9)
    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", data) + chunk(b"IEND", b"")
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(png)


if __name__ == "__main__":
    write_png("exhaust_atrcs.png", 32, (255, 255, 255), (150, 190, 255))  # cold gas puff
    write_png("exhaust.png", 64, (255, 250, 220), (255, 140, 40))  # main engine flame
