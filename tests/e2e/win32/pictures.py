#!/usr/bin/env python3
"""Checks on captured frames (8-bit RGB PNG files as the saver writes them) for the Wine tests.

  pictures.py compare A.png B.png [DIFF.png] [SHARE]
      the two pictures match the way the Direct3D layer's own comparison counts: a channel may
      differ by up to 2 (8-bit rounding of blending, modulation and interpolation), and at most
      SHARE (default 0.005, 0.5%) of the pixels may differ by more (edge pixels where a triangle
      edge falls within rounding of a pixel centre). DIFF.png shows the pixels beyond the
      tolerance in white on the darkened first picture.
  pictures.py share FILE R G B T MIN MAX
      the pixels within T of R, G, B (each channel) cover MIN..MAX of the picture
  pictures.py share-of FILE R G B T
      prints that share

Exit code 0 when the check holds, 1 (with a message) when it does not.
"""
import os
import struct
import sys
import zlib


# The PNG reader of the saver's own checks.
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "saver"))
from pngcheck import load  # noqa: E402

CHANNEL_TOLERANCE = 2
OUTLIER_SHARE = 0.005


def write_png(path, width, height, rows):
    raw = b"".join(b"\0" + bytes(r) for r in rows)

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)

    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)) +
                chunk(b"IDAT", zlib.compress(raw, 6)) + chunk(b"IEND", b""))


def compare(a, b, diff_path=None, share=OUTLIER_SHARE):
    wa, ha, ra = load(a)
    wb, hb, rb = load(b)
    if (wa, ha) != (wb, hb):
        print(f"{a} is {wa}x{ha}, {b} is {wb}x{hb}")
        return False
    beyond = differing = worst = 0
    out = []
    for y in range(ha):
        la, lb = ra[y], rb[y]
        line = bytearray(x // 3 for x in la)
        for x in range(wa):
            d = max(abs(la[3 * x + k] - lb[3 * x + k]) for k in range(3))
            if d:
                differing += 1
                worst = max(worst, d)
            if d > CHANNEL_TOLERANCE:
                beyond += 1
                line[3 * x:3 * x + 3] = b"\xff\xff\xff"
        out.append(line)
    total = wa * ha
    ok = beyond <= share * total
    print(f"{os.path.basename(a)}: {differing} of {total} pixels differ, {beyond} by more than {CHANNEL_TOLERANCE} "
          f"({100.0 * beyond / total:.3f}%, at most {100 * share}%), largest difference {worst}: "
          f"{'match' if ok else 'NO MATCH'}")
    if diff_path:
        write_png(diff_path, wa, ha, out)
    return ok


def share_of(path, want, tol):
    w, h, rows = load(path)
    count = 0
    for r in rows:
        for x in range(w):
            if all(abs(r[3 * x + i] - want[i]) <= tol for i in range(3)):
                count += 1
    return count / (w * h)


def main(argv):
    if len(argv) < 3:
        sys.exit(__doc__)
    cmd, args = argv[1], argv[2:]
    if cmd == "compare" and 2 <= len(args) <= 4:
        diff = args[2] if len(args) > 2 and args[2] != "-" else None
        share = float(args[3]) if len(args) > 3 else OUTLIER_SHARE
        return 0 if compare(args[0], args[1], diff, share) else 1
    if cmd in ("share", "share-of") and len(args) >= 5:
        got = share_of(args[0], [int(v) for v in args[1:4]], int(args[4]))
        if cmd == "share-of":
            print(f"{got:.6f}")
            return 0
        lo, hi = float(args[5]), float(args[6])
        if not lo <= got <= hi:
            print(f"{args[0]}: colour {tuple(args[1:4])} covers {got:.6f} of the picture, not {lo}..{hi}")
            return 1
        return 0
    sys.exit(__doc__)


if __name__ == "__main__":
    sys.exit(main(sys.argv))
