#!/usr/bin/env python3
"""Checks on the saver's captured frames (8-bit RGB PNG files as the saver writes them).

  pngcheck.py size FILE W H              the picture is W x H
  pngcheck.py pixel FILE X Y R G B [T]   the pixel at X, Y is R, G, B (each within T)
  pngcheck.py uniform FILE R G B         every pixel is R, G, B
  pngcheck.py same A B                   identical pixels
  pngcheck.py differ A B FRACTION        at least FRACTION of the pixels differ
  pngcheck.py close A B FRACTION         at most FRACTION of the pixels differ
  pngcheck.py car FILE R G B MIN MAX     the pixels that are not the background R, G, B cover
                                         MIN..MAX of the picture, and their box is centred
  pngcheck.py info FILE [R G B]          prints size, corner colour, and the box of non-background pixels
  pngcheck.py share FILE R G B T MIN MAX the pixels within T of R, G, B (each channel) cover MIN..MAX
  pngcheck.py region FILE R G B T X0 Y0 X1 Y1 [MINH MAXH]
                                         some pixels are within T of R, G, B, all of them inside
                                         X0..X1, Y0..Y1, and their box is MINH..MAXH rows high
  pngcheck.py mean FILE MIN MAX          the mean of all channels is MIN..MAX

Exit code 0 when the check holds, 1 (with a message) when it does not.
"""
import struct
import sys
import zlib


def load(path):
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        sys.exit(f"{path}: not a PNG file")
    at, idat, width, height = 8, b"", 0, 0
    while at < len(data):
        size, kind = struct.unpack(">I4s", data[at:at + 8])
        body = data[at + 8:at + 8 + size]
        if kind == b"IHDR":
            width, height, depth, colour = struct.unpack(">IIBB", body[:10])
            if depth != 8 or colour != 2:
                sys.exit(f"{path}: not 8-bit RGB")
        elif kind == b"IDAT":
            idat += body
        at += 12 + size
    raw = zlib.decompress(idat)
    stride = width * 3
    rows = []
    prev = bytes(stride)
    for y in range(height):
        line = raw[y * (stride + 1):(y + 1) * (stride + 1)]
        prev = unfilter(line[0], bytearray(line[1:]), prev, path, y)
        rows.append(prev)
    return width, height, rows


def unfilter(kind, cur, prev, path, y):
    """Undoes a row's PNG filter (the saver writes none; screenshot tools use all five)."""
    if kind == 0:
        return bytes(cur)
    for i in range(len(cur)):
        a = cur[i - 3] if i >= 3 else 0
        b = prev[i]
        c = prev[i - 3] if i >= 3 else 0
        if kind == 1:
            pred = a
        elif kind == 2:
            pred = b
        elif kind == 3:
            pred = (a + b) // 2
        elif kind == 4:
            p = a + b - c
            pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
            pred = a if pa <= pb and pa <= pc else (b if pb <= pc else c)
        else:
            sys.exit(f"{path}: row {y} has filter type {kind}")
        cur[i] = (cur[i] + pred) & 0xFF
    return bytes(cur)


def pixel(rows, x, y):
    r = rows[y]
    return r[3 * x], r[3 * x + 1], r[3 * x + 2]


def box(width, height, rows, bg):
    x0, y0, x1, y1, count = width, height, -1, -1, 0
    bgb = bytes(bg)
    for y in range(height):
        r = rows[y]
        for x in range(width):
            if r[3 * x:3 * x + 3] != bgb:
                count += 1
                x0, y0, x1, y1 = min(x0, x), min(y0, y), max(x1, x), max(y1, y)
    return x0, y0, x1, y1, count


def near(width, height, rows, want, tol):
    """Pixels within tol of want: count and box."""
    x0, y0, x1, y1, count = width, height, -1, -1, 0
    for y in range(height):
        r = rows[y]
        for x in range(width):
            if all(abs(r[3 * x + i] - want[i]) <= tol for i in range(3)):
                count += 1
                x0, y0, x1, y1 = min(x0, x), min(y0, y), max(x1, x), max(y1, y)
    return x0, y0, x1, y1, count


def main(argv):
    cmd, path = argv[1], argv[2]
    w, h, rows = load(path)
    if cmd == "size":
        if (w, h) != (int(argv[3]), int(argv[4])):
            sys.exit(f"{path}: {w}x{h}, not {argv[3]}x{argv[4]}")
    elif cmd == "pixel":
        x, y, want = int(argv[3]), int(argv[4]), [int(v) for v in argv[5:8]]
        tol = int(argv[8]) if len(argv) > 8 else 0
        got = pixel(rows, x, y)
        if any(abs(g - v) > tol for g, v in zip(got, want)):
            sys.exit(f"{path}: pixel {x},{y} is {got}, not {tuple(want)}")
    elif cmd == "uniform":
        want = bytes(int(v) for v in argv[3:6])
        for y in range(h):
            if rows[y] != want * w:
                x = next(i for i in range(w) if rows[y][3 * i:3 * i + 3] != want)
                sys.exit(f"{path}: pixel {x},{y} is {pixel(rows, x, y)}, not {tuple(want)}")
    elif cmd in ("same", "differ", "close"):
        w2, h2, rows2 = load(argv[3])
        if (w, h) != (w2, h2):
            sys.exit(f"{path} and {argv[3]} differ in size")
        diff = sum(1 for y in range(h) for x in range(w) if rows[y][3 * x:3 * x + 3] != rows2[y][3 * x:3 * x + 3])
        if cmd == "same" and diff:
            sys.exit(f"{path} and {argv[3]}: {diff} pixels differ")
        if cmd == "differ" and diff < float(argv[4]) * w * h:
            sys.exit(f"{path} and {argv[3]}: only {diff} of {w * h} pixels differ")
        if cmd == "close" and diff > float(argv[4]) * w * h:
            sys.exit(f"{path} and {argv[3]}: {diff} of {w * h} pixels differ")
    elif cmd == "car":
        bg = [int(v) for v in argv[3:6]]
        lo, hi = float(argv[6]), float(argv[7])
        x0, y0, x1, y1, count = box(w, h, rows, bg)
        share = count / (w * h)
        if not lo <= share <= hi:
            sys.exit(f"{path}: the car covers {share:.3f} of the picture, not {lo}..{hi}")
        cx, cy = (x0 + x1) / 2 / w, (y0 + y1) / 2 / h
        if abs(cx - 0.5) > 0.1 or abs(cy - 0.5) > 0.15:
            sys.exit(f"{path}: the car's box {x0},{y0}-{x1},{y1} is not centred")
    elif cmd == "share":
        want, tol = [int(v) for v in argv[3:6]], int(argv[6])
        lo, hi = float(argv[7]), float(argv[8])
        share = near(w, h, rows, want, tol)[4] / (w * h)
        if not lo <= share <= hi:
            sys.exit(f"{path}: colour {tuple(want)} covers {share:.4f} of the picture, not {lo}..{hi}")
    elif cmd == "region":
        want, tol = [int(v) for v in argv[3:6]], int(argv[6])
        bx0, by0, bx1, by1 = (int(v) for v in argv[7:11])
        x0, y0, x1, y1, count = near(w, h, rows, want, tol)
        if count == 0:
            sys.exit(f"{path}: no pixel of colour {tuple(want)}")
        if x0 < bx0 or y0 < by0 or x1 > bx1 or y1 > by1:
            sys.exit(f"{path}: colour {tuple(want)} at {x0},{y0}-{x1},{y1}, outside {bx0},{by0}-{bx1},{by1}")
        if len(argv) > 12 and not int(argv[11]) <= y1 - y0 + 1 <= int(argv[12]):
            sys.exit(f"{path}: colour {tuple(want)} is {y1 - y0 + 1} rows high, not {argv[11]}..{argv[12]}")
    elif cmd == "mean":
        total = sum(sum(r) for r in rows)
        mean = total / (3 * w * h)
        if not float(argv[3]) <= mean <= float(argv[4]):
            sys.exit(f"{path}: mean {mean:.1f}, not {argv[3]}..{argv[4]}")
    elif cmd == "info":
        bg = [int(v) for v in argv[3:6]] if len(argv) > 5 else list(pixel(rows, 0, 0))
        x0, y0, x1, y1, count = box(w, h, rows, bg)
        print(f"{path}: {w}x{h} corner {pixel(rows, 0, 0)} box {x0},{y0}-{x1},{y1} share {count / (w * h):.3f}")
        if len(argv) > 6:
            x0, y0, x1, y1, count = near(w, h, rows, bg, int(argv[6]))
            print(f"  within {argv[6]} of {tuple(bg)}: box {x0},{y0}-{x1},{y1} share {count / (w * h):.4f}")
    else:
        sys.exit(f"unknown check {cmd}")


if __name__ == "__main__":
    main(sys.argv)
