#!/usr/bin/env python3
"""Writes the sample picture resources/sample/sample.bmp (a 400x300 24-bit
BMP: sky gradient, sun, hills), drawn here so it carries no third-party rights."""
import math
import struct
import sys

W, H = 400, 300


def pixel(x, y):
    # y counts from the top.
    sky = (int(90 + 100 * y / H), int(150 + 80 * y / H), 255)
    r, g, b = sky
    if (x - 300) ** 2 + (y - 80) ** 2 < 40 ** 2:
        r, g, b = 255, 220, 60
    hill1 = 200 + 30 * math.sin(x / 45.0)
    hill2 = 235 + 20 * math.sin(x / 23.0 + 1.3)
    if y > hill1:
        r, g, b = 40, int(120 + 40 * math.sin(x / 9.0) * math.sin(y / 7.0)), 50
    if y > hill2:
        r, g, b = 90 + (x * 7 + y * 3) % 30, 70, 40
    return bytes((b, g, r))


def main(path):
    stride = (W * 3 + 3) // 4 * 4
    rows = []
    for y in range(H - 1, -1, -1):  # bottom-up
        row = b"".join(pixel(x, y) for x in range(W))
        rows.append(row + b"\0" * (stride - len(row)))
    bits = b"".join(rows)
    header = struct.pack("<2sIHHI", b"BM", 54 + len(bits), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, W, H, 1, 24, 0, len(bits), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + bits)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "resources/sample/sample.bmp")
