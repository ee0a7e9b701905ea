#!/usr/bin/env python3
"""Draws the application icon: a calculator body with a paper tape of figures coming out of it.

Writes example.mavo.Tallyer.svg (the scalable icon) and NN.png for every hicolor size from 16 to
256 pixels (RGBA), next to this script, from the one list of shapes below. Standard library
only; run it again after changing the drawing and check the files in.
"""

import os
import struct
import zlib

APP_ID = "example.mavo.Tallyer"
SIZES = (16, 22, 24, 32, 48, 64, 128, 256)
DESIGN = 256        # the shapes are laid out on a 256 x 256 grid
SUPERSAMPLE = 4     # samples per pixel and axis, for smooth edges

# Painted in order, later shapes over earlier ones: (x, y, width, height, corner radius, colour).
SHAPES = [
    (20, 92, 216, 148, 28, "#1f3f63"),     # body, its shadowed rim
    (24, 92, 208, 140, 24, "#3a6ea5"),     # body
    (68, 12, 120, 124, 6, "#c9c0a3"),      # tape, its edge
    (72, 16, 112, 120, 4, "#fffbea"),      # tape
    (88, 34, 80, 10, 3, "#5a5a5a"),        # figures on the tape
    (104, 56, 64, 10, 3, "#5a5a5a"),
    (96, 78, 72, 10, 3, "#5a5a5a"),
    (88, 100, 80, 4, 2, "#5a5a5a"),        # the rule under the figures
    (104, 112, 64, 12, 3, "#1c1c1c"),      # the total
    (48, 128, 160, 20, 8, "#14304d"),      # the slot the tape comes out of
    (48, 164, 44, 24, 6, "#e8eef5"),       # keys
    (106, 164, 44, 24, 6, "#e8eef5"),
    (164, 164, 44, 24, 6, "#f2b134"),
    (48, 198, 44, 24, 6, "#e8eef5"),
    (106, 198, 44, 24, 6, "#e8eef5"),
    (164, 198, 44, 24, 6, "#f2b134"),
]


def rgb(colour):
    return tuple(int(colour[i:i + 2], 16) for i in (1, 3, 5))


def inside(shape, px, py):
    x, y, w, h, r, _ = shape
    if px < x or px >= x + w or py < y or py >= y + h:
        return False
    # Distance from the nearest corner's centre, for points in a corner square.
    cx = min(max(px, x + r), x + w - r)
    cy = min(max(py, y + r), y + h - r)
    return (px - cx) ** 2 + (py - cy) ** 2 <= r * r


def render(size):
    scale = DESIGN / size
    step = 1.0 / SUPERSAMPLE
    shapes = [(s, rgb(s[5])) for s in SHAPES]
    rows = []
    for j in range(size):
        row = bytearray()
        for i in range(size):
            r = g = b = a = 0
            for sj in range(SUPERSAMPLE):
                py = (j + (sj + 0.5) * step) * scale
                for si in range(SUPERSAMPLE):
                    px = (i + (si + 0.5) * step) * scale
                    for shape, colour in reversed(shapes):
                        if inside(shape, px, py):
                            r += colour[0]
                            g += colour[1]
                            b += colour[2]
                            a += 1
                            break
            if a:
                row += bytes((round(r / a), round(g / a), round(b / a),
                              round(255 * a / SUPERSAMPLE ** 2)))
            else:
                row += bytes(4)
        rows.append(bytes(row))
    return rows


def write_png(path, size, rows):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    raw = b"".join(b"\x00" + row for row in rows)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(raw, 9)))
        f.write(chunk(b"IEND", b""))


def write_svg(path):
    lines = ['<?xml version="1.0" encoding="UTF-8"?>',
             f'<svg xmlns="http://www.w3.org/2000/svg" width="{DESIGN}" height="{DESIGN}" '
             f'viewBox="0 0 {DESIGN} {DESIGN}">']
    for x, y, w, h, r, colour in SHAPES:
        lines.append(f'  <rect x="{x}" y="{y}" width="{w}" height="{h}" rx="{r}" fill="{colour}"/>')
    lines.append('</svg>')
    with open(path, "w", encoding="utf-8") as f:
        f.write("\n".join(lines) + "\n")


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    write_svg(os.path.join(here, APP_ID + ".svg"))
    for size in SIZES:
        write_png(os.path.join(here, f"{size}.png"), size, render(size))


if __name__ == "__main__":
    main()
