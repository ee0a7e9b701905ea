#!/usr/bin/env python3
"""Draws the eight frames of the about panel's logo: a wave that rolls one full period over the
eight frames, so the animation loops without a jump. Writes logo101.png ... logo108.png (56 x 32
pixels, RGBA) next to this script. Standard library only; run it again after changing the drawing.
"""

import math
import os
import struct
import zlib

WIDTH, HEIGHT = 56, 32
FRAMES = 8
SUPERSAMPLE = 4  # samples per pixel and axis, for smooth edges

SKY_TOP = (200, 224, 255)          # pale sky, lighter towards the water
SKY_LOW = (245, 250, 255)
CREST = (64, 160, 255)             # light blue at the top of the water
DEEP = (0, 48, 160)                # dark blue at the bottom
FOAM = (235, 245, 255)
BORDER = (0, 48, 160)


def surface(x, phase):
    """Height of the water (pixels from the top) at x for the given phase (radians)."""
    # Two waves whose periods divide the width, so every frame tiles and the loop is seamless.
    return (14.0
            + 5.0 * math.sin(2 * math.pi * x / WIDTH - phase)
            + 1.5 * math.sin(4 * math.pi * x / WIDTH - 2 * phase + 1.0))


def water_colour(y):
    t = min(max(y / HEIGHT, 0.0), 1.0)
    return tuple(round(c + (d - c) * t) for c, d in zip(CREST, DEEP))


def sky_colour(y):
    t = min(max(y / 16.0, 0.0), 1.0)
    return tuple(round(c + (d - c) * t) for c, d in zip(SKY_TOP, SKY_LOW))


def pixel(px, py, phase):
    """Average of the supersamples of one pixel: water below the surface, a foam line on it."""
    if px in (0, WIDTH - 1) or py in (0, HEIGHT - 1):
        return BORDER + (255,)
    acc = [0.0, 0.0, 0.0, 0.0]
    n = SUPERSAMPLE * SUPERSAMPLE
    for sy in range(SUPERSAMPLE):
        for sx in range(SUPERSAMPLE):
            x = px + (sx + 0.5) / SUPERSAMPLE
            y = py + (sy + 0.5) / SUPERSAMPLE
            top = surface(x, phase)
            if y < top - 0.8:
                rgba = sky_colour(y) + (255,)
            elif y < top + 0.8:
                rgba = FOAM + (255,)
            else:
                rgba = water_colour(y) + (255,)
            # Premultiplied sums, so a transparent sample would not darken an edge.
            a = rgba[3] / 255.0
            acc[0] += rgba[0] * a
            acc[1] += rgba[1] * a
            acc[2] += rgba[2] * a
            acc[3] += a
    if acc[3] == 0:
        return (0, 0, 0, 0)
    return (round(acc[0] / acc[3]), round(acc[1] / acc[3]), round(acc[2] / acc[3]),
            round(255 * acc[3] / n))


def png(width, height, rows):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    raw = b"".join(b"\x00" + bytes(v for p in row for v in p) for row in rows)
    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


def main():
    folder = os.path.dirname(os.path.abspath(__file__))
    for i in range(FRAMES):
        phase = 2 * math.pi * i / FRAMES
        rows = [[pixel(x, y, phase) for x in range(WIDTH)] for y in range(HEIGHT)]
        with open(os.path.join(folder, "logo%d.png" % (101 + i)), "wb") as f:
            f.write(png(WIDTH, HEIGHT, rows))


if __name__ == "__main__":
    main()
