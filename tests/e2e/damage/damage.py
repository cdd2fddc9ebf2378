#!/usr/bin/env python3
"""Writes a damaged copy of one of the saver's data files.

    damage.py KIND SOURCE TARGET

Kinds (mesh files are the "Simplified_X" files, bitmaps the "BM" files):
  zero           an empty file
  truncate       the first half of the file (a mesh cut inside its vertices, a bitmap inside its rows)
  header-only    the first 20 bytes
  magic          the first bytes changed: a mesh of version "01", a bitmap of type "XM"
  mesh-counts    vertex and index counts 65535, far more than the file holds
  mesh-stride    a version 02 header with a vertex size of 0xFFFFFFF0 bytes
  mesh-index     the last index points past the last vertex
  mesh-novert    no vertices at all
  mesh-noindex   no indices at all
  bmp-size       width and height 8192 in headers that are otherwise intact
  bmp-notbm-size type "XX" and 8192 x 8192, the file cut to 400 bytes
  bmp-depth      a colour depth of 4 bits
  bmp8-v5        an 8-bit copy written by ImageMagick (its BMP: a 124-byte BITMAPV5HEADER)
  bmp8-v4        that copy with its info header cut to a 108-byte BITMAPV4HEADER
  bmp8-v3        that copy with its info header cut to a 40-byte BITMAPINFOHEADER
  bmp8-cut-table that copy cut inside its colour table
  text-binary    4 KiB of bytes of every value (NULs, lone lead bytes, line ends) from a fixed generator
  text-wide      one line of 2000 double-byte characters
  text-lines     100000 short lines
"""
import random
import struct
import subprocess
import sys


def le16(b, at, v):
    struct.pack_into('<H', b, at, v)


def le32(b, at, v):
    struct.pack_into('<I', b, at, v & 0xFFFFFFFF)


def eight_bit(source):
    """ImageMagick's uncompressed 8-bit BMP of the picture (the same bytes on every run)."""
    out = subprocess.run(['convert', 'BMP:' + source, '+dither', '-colors', '256', '-type', 'palette',
                          '-compress', 'none', 'BMP:-'], check=True, stdout=subprocess.PIPE).stdout
    info, bits = struct.unpack_from('<I10xH', out, 14)
    if info != 124 or bits != 8:
        sys.exit(f'{source}: ImageMagick wrote an info header of {info} bytes, {bits} bits')
    return bytearray(out)


def with_info_size(data, size):
    """The BMP with its info header cut to its first `size` bytes, offsets moved to match."""
    old = struct.unpack_from('<I', data, 14)[0]
    out = data[:14 + size] + data[14 + old:]
    le32(out, 14, size)
    le32(out, 2, len(out))
    le32(out, 10, struct.unpack_from('<I', data, 10)[0] - (old - size))
    return out


def main():
    kind, source, target = sys.argv[1:4]
    with open(source, 'rb') as f:
        data = bytearray(f.read())
    mesh = data[:11] == b'Simplified_'
    bitmap = data[:2] == b'BM'
    if kind.startswith('mesh-') and not mesh:
        sys.exit(f'{source}: not a mesh file')
    if kind.startswith('bmp-') and not bitmap:
        sys.exit(f'{source}: not a bitmap')

    if kind == 'zero':
        data = b''
    elif kind == 'truncate':
        data = data[:len(data) // 2]
    elif kind == 'header-only':
        data = data[:20]
    elif kind == 'magic':
        if mesh:
            data[12:14] = b'01'
        else:
            data[0:2] = b'XM'
    elif kind == 'mesh-counts':
        le16(data, 16, 65535)
        le16(data, 18, 65535)
    elif kind == 'mesh-stride':
        data[12:14] = b'02'
        le32(data, 20, 0x1D2)
        le32(data, 24, 0xFFFFFFF0)
    elif kind == 'mesh-index':
        vertices = struct.unpack_from('<H', data, 16)[0]
        le16(data, len(data) - 2, vertices)
    elif kind == 'mesh-novert':
        le16(data, 16, 0)
    elif kind == 'mesh-noindex':
        le16(data, 18, 0)
    elif kind == 'bmp-size':
        le32(data, 18, 8192)
        le32(data, 22, 8192)
    elif kind == 'bmp-notbm-size':
        data[0:2] = b'XX'
        le32(data, 18, 8192)
        le32(data, 22, 8192)
        data = data[:400]
    elif kind == 'bmp-depth':
        le16(data, 28, 4)
    elif kind == 'bmp8-v5':
        data = eight_bit(source)
    elif kind == 'bmp8-v4':
        data = with_info_size(eight_bit(source), 108)
    elif kind == 'bmp8-v3':
        data = with_info_size(eight_bit(source), 40)
    elif kind == 'bmp8-cut-table':
        data = eight_bit(source)[:14 + 124 + 500]
    elif kind == 'text-binary':
        rng = random.Random(12)
        data = bytes(rng.randrange(256) for _ in range(4096))
    elif kind == 'text-wide':
        data = 'あ'.encode('cp932') * 2000 + b'\r\n'
    elif kind == 'text-lines':
        data = b''.join(b'%d\r\n' % i for i in range(100000))
    else:
        sys.exit(f'unknown kind {kind}')
    with open(target, 'wb') as f:
        f.write(data)


if __name__ == '__main__':
    main()
