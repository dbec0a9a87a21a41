#!/usr/bin/env python3
"""Draws the application icon (48, 32 and 16 px PNGs) into ui/icons/.

The picture: a blue tile with four white bars (raw ratios of observed to
expected counts, scattered) and an orange line across them at their common
mean, towards which the estimates shrink. Only the standard library is used;
each pixel is the average of 8 x 8 samples, which smooths the edges.
"""
import os
import struct
import zlib

BLUE = (31, 78, 140)
WHITE = (255, 255, 255)
ORANGE = (245, 145, 30)

# Bar heights as fractions of the plot height, and the mean line's height.
BARS = (0.45, 0.95, 0.30, 0.70)
MEAN = 0.60


def inside_tile(x, y):
    """The tile: the unit square with rounded corners (radius 0.18)."""
    r = 0.18
    cx = min(max(x, r), 1 - r)
    cy = min(max(y, r), 1 - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r and 0 <= x <= 1 and 0 <= y <= 1


def colour_at(x, y):
    """The colour at point (x, y) of the unit square, y downwards; None outside."""
    if not inside_tile(x, y):
        return None
    left, right, top, bottom = 0.16, 0.84, 0.14, 0.84
    line = 0.075
    mean_y = bottom - MEAN * (bottom - top)
    if left - 0.04 <= x <= right + 0.04 and abs(y - mean_y) <= line / 2:
        return ORANGE
    slot = (right - left) / len(BARS)
    for i, h in enumerate(BARS):
        x0 = left + i * slot + slot * 0.14
        x1 = left + (i + 1) * slot - slot * 0.14
        if x0 <= x <= x1 and bottom - h * (bottom - top) <= y <= bottom:
            return WHITE
    return BLUE


def render(size, samples=8):
    rows = []
    for py in range(size):
        row = bytearray()
        for px in range(size):
            acc = [0, 0, 0, 0]
            for sy in range(samples):
                for sx in range(samples):
                    x = (px + (sx + 0.5) / samples) / size
                    y = (py + (sy + 0.5) / samples) / size
                    c = colour_at(x, y)
                    if c is not None:
                        acc[0] += c[0]
                        acc[1] += c[1]
                        acc[2] += c[2]
                        acc[3] += 255
            n = samples * samples
            alpha = acc[3] / n
            if alpha == 0:
                row += bytes(4)
            else:
                # Colour channels are averaged over the covered samples only
                # (straight, not premultiplied alpha, as PNG wants).
                covered = acc[3] / 255
                row += bytes([round(acc[0] / covered), round(acc[1] / covered),
                              round(acc[2] / covered), round(alpha)])
        rows.append(bytes(row))
    return rows


def png(size, rows):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    raw = b"".join(b"\x00" + r for r in rows)
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def main():
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "ui", "icons")
    os.makedirs(out, exist_ok=True)
    for size in (16, 32, 48):
        with open(os.path.join(out, "tolven-%d.png" % size), "wb") as f:
            f.write(png(size, render(size)))


if __name__ == "__main__":
    main()
