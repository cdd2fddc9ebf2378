#!/usr/bin/env python3
"""Writes the screen saver's application icon, corvane_kestor.ico, drawn here from shapes.

  make_icon.py OUTPUT.ico [--png SIZE OUTPUT.png]

The icon is a blue sports car in side view on a white disc, at 16, 32 and 48 pixels, each as a
32-bit image with alpha plus the 1-bit mask that older systems draw with. The shapes are sampled
4 x 4 times per pixel, so edges are smooth; the same input always gives the same bytes. --png also
writes one size as an RGBA PNG, to look at it.
"""
import math
import struct
import sys
import zlib

SIZES = (16, 32, 48)
SUB = 4  # samples per pixel and axis

BLUE = (0x10, 0x3C, 0xC8)
GLASS = (0xB8, 0xD8, 0xF0)
TYRE = (0x20, 0x20, 0x24)
RIM = (0xC8, 0xC8, 0xD0)
DISC = (0xFF, 0xFF, 0xFF)
RING = (0x10, 0x3C, 0xC8)

# The car in unit coordinates (x to the right, y downwards, the icon is 0..1 both ways).
BODY = [(0.06, 0.63), (0.07, 0.56), (0.20, 0.51), (0.40, 0.48), (0.54, 0.39), (0.68, 0.38),
        (0.83, 0.47), (0.94, 0.50), (0.95, 0.58), (0.93, 0.63)]
WINDOW = [(0.47, 0.48), (0.56, 0.415), (0.67, 0.41), (0.77, 0.48)]
WHEELS = [(0.25, 0.63), (0.76, 0.63)]
TYRE_R, RIM_R = 0.095, 0.045


def inside(poly, x, y):
    """Even-odd rule for a closed polygon."""
    hit = False
    j = len(poly) - 1
    for i in range(len(poly)):
        xi, yi = poly[i]
        xj, yj = poly[j]
        if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
            hit = not hit
        j = i
    return hit


def sample(x, y):
    """Colour and coverage (0 or 1) of one sample point: the topmost shape wins."""
    for cx, cy in WHEELS:
        d = math.hypot(x - cx, y - cy)
        if d <= RIM_R:
            return RIM, 1
        if d <= TYRE_R:
            return TYRE, 1
    if inside(WINDOW, x, y):
        return GLASS, 1
    if inside(BODY, x, y):
        return BLUE, 1
    d = math.hypot(x - 0.5, y - 0.5)
    if d <= 0.47:
        return (RING if d > 0.43 else DISC), 1
    return (0, 0, 0), 0


def render(size):
    """Rows of (r, g, b, a) top row first."""
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0, 0, 0]
            cover = 0
            for sy in range(SUB):
                for sx in range(SUB):
                    c, a = sample((px + (sx + 0.5) / SUB) / size, (py + (sy + 0.5) / SUB) / size)
                    if a:
                        cover += 1
                        for k in range(3):
                            acc[k] += c[k]
            if cover:
                row.append(tuple(round(v / cover) for v in acc) + (round(255 * cover / (SUB * SUB)),))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


def icon_image(rows):
    """One icon image: BITMAPINFOHEADER (double height), BGRA rows bottom-up, then the AND mask."""
    size = len(rows)
    header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, 32, 0, 0, 0, 0, 0, 0)
    xor = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for (r, g, b, a) in row)
    stride = (size + 31) // 32 * 4
    mask = bytearray()
    for row in reversed(rows):
        line = bytearray(stride)
        for x, (_, _, _, a) in enumerate(row):
            if a < 128:  # transparent where the 1-bit drawing shows the background
                line[x // 8] |= 0x80 >> (x % 8)
        mask += line
    return header + xor + bytes(mask)


def ico(images):
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    data = b""
    for size, img in images:
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(img), offset + len(data))
        data += img
    return out + data


def png(rows):
    size = len(rows)
    raw = b"".join(b"\0" + b"".join(bytes(p) for p in row) for row in rows)

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def main(argv):
    if len(argv) not in (2, 5) or (len(argv) == 5 and argv[2] != "--png"):
        sys.exit(__doc__)
    pictures = {size: render(size) for size in SIZES}
    with open(argv[1], "wb") as f:
        f.write(ico([(size, icon_image(pictures[size])) for size in SIZES]))
    if len(argv) == 5:
        size = int(argv[3])
        with open(argv[4], "wb") as f:
            f.write(png(pictures[size] if size in pictures else render(size)))


if __name__ == "__main__":
    main(sys.argv)
