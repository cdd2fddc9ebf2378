#!/usr/bin/env python3
"""Writes the fuzzing corpora: a few tiny inputs per harness, well-formed files of each kind and
the damaged variants the loaders must refuse. Each input starts with the harness's control bytes
(see the comment at the top of each fuzz_<name>.cpp).

    make_corpus.py OUT_FOLDER      writes OUT_FOLDER/<harness>/<input>
"""
import os
import shutil
import struct
import sys


def le16(v):
    return struct.pack('<H', v & 0xFFFF)


def le32(v):
    return struct.pack('<I', v & 0xFFFFFFFF)


# ---- archives: [id length][id][expand size: 2 bytes][archive] ----

def archive(entries, packed=False, count=None):
    """entries: (id, stored bytes, unpacked size)."""
    head = le32(1 if packed else 0) + b'LBA0' + le32(len(entries) if count is None else count)
    head += b'\0' * (256 - len(head))
    table = b''
    data = b''
    offset = 256 + 268 * len(entries)
    for ident, stored, size in entries:
        table += le32(offset + len(data)) + le32(len(stored)) + le32(size) + ident.ljust(256, b'\0')[:256]
        data += stored
    return head + table + data


def block(table, codes):
    return table + le32(len(codes)) + codes


LITERALS = b'\xFF\x80\xFE'            # every code a literal
PAIR_AB = b'\xFF\x41\x42\xFE'         # code 0x80 = "AB"


def archive_inputs():
    def inp(ident, arc, expand=0):
        return bytes([len(ident)]) + ident + le16(expand) + arc

    packed_ab = block(PAIR_AB, b'\x80\x80C')
    nested = b'\xFF\x81\x81\x80\x80\x80\xFD'  # 0x80 = (0x81, 0x81), 0x81 = (0x80, 0x80): a loop
    return {
        'plain-two-entries': inp(b'body', archive([(b'Body', b'hello', 5), (b'wheel', b'xyz', 3)])),
        'plain-second-entry': inp(b'WHEEL', archive([(b'Body', b'hello', 5), (b'wheel', b'xyz', 3)])),
        'plain-missing-id': inp(b'door', archive([(b'Body', b'hello', 5)])),
        'packed-literals': inp(b'a', archive([(b'a', block(LITERALS, b'literal'), 7)], packed=True)),
        'packed-pair': inp(b'a', archive([(b'a', packed_ab, 5)], packed=True)),
        'packed-two-blocks': inp(b'a', archive([(b'a', packed_ab + block(LITERALS, b'\x80'), 6)], packed=True)),
        'packed-short-size': inp(b'a', archive([(b'a', packed_ab, 9)], packed=True)),
        'packed-too-long': inp(b'a', archive([(b'a', packed_ab, 2)], packed=True)),
        'packed-nested-loop': inp(b'a', archive([(b'a', block(nested, b'\x80'), 64)], packed=True)),
        'expand-direct': inp(b'', block(PAIR_AB, b'\x80x'), 3),
        'wrong-magic': inp(b'a', b'\0\0\0\0LBA1' + b'\0' * 300),
        'table-past-end': inp(b'a', archive([(b'a', b'x', 1)], count=1000)),
        'offset-past-end': inp(b'a', archive([(b'a', b'x', 1)])[:-1]),
        'huge-size': inp(b'a', archive([(b'a', b'x', 0x7FFFFFFF)])),
        'empty': b'',
    }


# ---- meshes: [control][file] ----

def mesh00(vertices, indices, magic=b'Simplified_X00  ', count=None, index_count=None):
    n = len(vertices) if count is None else count
    m = len(indices) if index_count is None else index_count
    head = magic + le16(n) + le16(m)
    head += b'\0' * (256 - len(head))
    body = b''.join(struct.pack('<6f2I2f', x, y, z, 0, 0, 1, 0xFFFFFFFF, 0, 0, 0) for x, y, z in vertices)
    return head + body + b''.join(le16(i) for i in indices)


def mesh02(fvf, stride, positions, indices, count=None):
    n = len(positions) if count is None else count
    head = b'Simplified_X02  ' + le16(n) + le16(len(indices)) + le32(fvf) + le32(stride)
    head += b'\xA5' * (256 - len(head))
    body = b''.join(struct.pack('<3f', *p) + b'\x33' * (stride - 12) for p in positions)
    return head + body + b''.join(le16(i) for i in indices)


def mesh_inputs():
    tri = [(0, 0, 0), (1, 0, 0), (0, 1, 0)]
    good = mesh00(tri, [0, 1, 2])
    return {
        'v00-triangle': b'\x00' + good,
        'v00-padded-start': b'\x03' + good,
        'v00-chunked-draw': b'\x14' + mesh00(tri, [0, 1, 2] * 7),
        'v02-fvf112': b'\x00' + mesh02(0x112, 32, [(0, 0, 0), (1, 1, 1), (-1, 2, 0), (4, 0, -2)], [0, 1, 2, 1, 2, 3]),
        'v02-position-only': b'\x01' + mesh02(0x002, 12, tri, [2, 1, 0, 1]),
        'v02-stride-too-small': b'\x00' + mesh02(0x002, 8, [], [], count=3) + b'\0' * 40,
        'v02-huge-stride': b'\x00' + mesh02(0x002, 12, tri, [0, 1, 2])[:24] + le32(0xFFFFFFF0) + b'\0' * 228,
        'index-out-of-range': b'\x00' + mesh00(tri, [0, 1, 3]),
        'truncated-vertices': b'\x00' + good[:300],
        'truncated-indices': b'\x00' + good[:-1],
        'header-only': b'\x00' + good[:20],
        'zero-vertices': b'\x00' + mesh00([], []),
        'absurd-counts': b'\x00' + mesh00(tri, [0, 1, 2], count=65535, index_count=65535),
        'wrong-magic': b'\x00' + mesh00(tri, [0, 1, 2], magic=b'Simplified_X01  '),
        'empty': b'',
    }


# ---- bitmaps: [format and caps][mode][file] ----

def bmp(width, height, bits, rows, palette=None, compression=0, info_size=40, magic=b'BM', offset=None):
    """rows: the stored rows, bottom first, each already padded."""
    table = b''
    if bits == 8:
        table = palette if palette is not None else b''.join(bytes([i, 255 - i, i // 2, 0]) for i in range(256))
    pixels = b''.join(rows)
    off = 54 + len(table) if offset is None else offset
    head = magic + le32(off + len(pixels)) + le16(0) + le16(0) + le32(off)
    info = le32(info_size) + le32(width) + le32(height) + le16(1) + le16(bits) + le32(compression)
    info += le32(len(pixels)) + le32(2835) + le32(2835) + le32(0) + le32(0)
    return head + info + table + pixels


def bmp_inputs():
    rgb24 = bmp(3, 2, 24, [b'\x00\x00\xFF\x00\xFF\x00\xFF\x00\x00\x00\x00\x00', b'\x10\x20\x30' * 3 + b'\x00\x00\x00'])
    argb32 = bmp(2, 2, 32, [b'\x01\x02\x03\x80\x04\x05\x06\xFF', b'\x07\x08\x09\x00\x0A\x0B\x0C\x40'])
    pal8 = bmp(2, 2, 8, [b'\x00\x01\x00\x00', b'\xFE\xFF\x00\x00'])
    x16 = bmp(2, 1, 16, [b'\x1F\x00\xE0\x83'])
    return {
        'rgb24-x8r8g8b8': b'\x00\x00' + rgb24,
        'rgb24-pow2-square': b'\x31\x00' + rgb24,
        'argb32-a8r8g8b8': b'\x01\x00' + argb32,
        'argb32-a4r4g4b4-default-pool': b'\x46\x00' + argb32,
        'pal8-p8': b'\x09\x00' + pal8,
        'pal8-r5g6b5': b'\x03\x00' + pal8,
        'rgb24-into-p8': b'\x09\x00' + rgb24,
        'x16-x1r5g5b5': b'\x04\x00' + x16,
        'rgb24-into-small-texture': b'\x00\x80' + rgb24,
        'argb32-into-larger-texture': b'\x08\xBF' + argb32,
        'bits-4': b'\x00\x00' + bmp(2, 2, 4, [b'\x12\x00\x00\x00', b'\x34\x00\x00\x00']),
        'bits-12': b'\x00\x00' + bmp(2, 2, 12, [b'\x00' * 4, b'\x00' * 4]),
        'top-down': b'\x00\x00' + bmp(3, -2 & 0xFFFFFFFF, 24, [b'\0' * 12, b'\0' * 12]),
        'rle8': b'\x00\x00' + bmp(2, 2, 8, [b'\x02\x01\x00\x01'], compression=1),
        'short-info-header': b'\x00\x00' + bmp(3, 2, 24, [b'\0' * 12] * 2, info_size=12),
        'not-bm': b'\x00\x00' + bmp(3, 2, 24, [b'\0' * 12] * 2, magic=b'MB'),
        'not-bm-absurd-size': b'\x00\x00' + bmp(30000, 30000, 24, [], magic=b'XX'),
        'truncated-rows': b'\x00\x00' + rgb24[:-5],
        'truncated-header': b'\x00\x00' + rgb24[:30],
        'pixel-offset-past-end': b'\x00\x00' + bmp(3, 2, 24, [b'\0' * 12] * 2, offset=0x7FFFFFF0),
        'absurd-width': b'\x00\x00' + bmp(0x7FFFFFFF, 1, 24, [b'\0' * 12]),
        'zero-height': b'\x00\x00' + bmp(3, 0, 24, []),
        'empty': b'',
    }


# ---- settings files: [key to write and its value][file] ----

def ini_inputs():
    sj = lambda s: s.encode('cp932')
    plain = sj('[Settings]\r\nmode=0\r\nspeed=50\r\nfx=12345\r\nfy=-6000\r\nfz=-13000\r\ntext_out=1\r\n'
               'shadow=1\r\ncolumn=3\r\nfont_name=ＭＳ ゴシック\r\nfont_size=12\r\nfont_color=16711680\r\n'
               'font_charset=128\r\nfont_style=2\r\n')
    return {
        'all-keys': b'\x02' + plain,
        'garbage-values': b'\x81' + sj('[settings]\nmode=abc\nspeed=-5\ncolumn=99999999999\nfont_size=\n'
                                       'fx=0x7FFFFFFF\nfy=+12\nfz= 7\nfont_color=0xFFFFFFFF\n'),
        'utf8-mark': b'\x08' + b'\xEF\xBB\xBF' + '[Settings]\nfont_name=ＭＳ ゴシック\n'.encode('utf-8'),
        'utf16le-mark': b'\x03' + b'\xFF\xFE' + '[Settings]\r\nfx=1\r\n'.encode('utf-16-le'),
        'utf16be-mark': b'\x04' + b'\xFE\xFF' + '[Settings]\r\nfz=2\r\n'.encode('utf-16-be'),
        'duplicates-and-comments': b'\x8F' + sj('x=1\n[Other]\nmode=1\n[ Settings ]\n;mode=2\nMODE=1\nmode=0\n'
                                                 '[Settings]\nspeed=9\nnovalue\n\'quoted\'\n'),
        'lead-byte-before-line-end': b'\x05' + b'[Settings]\r\nfont_name=\x83\r\nshadow=1\r\n\x82',
        'bare-cr-lines': b'\x06' + b'[Settings]\rmode=1\rspeed=2\r',
        'nul-bytes': b'\x07' + b'[Set\0tings]\nmode=1\0\nspeed=\x002\n',
        'no-section': b'\x09' + b'mode=1\nspeed=2\n',
        'mark-after-blank-line': b'\x07' + b'\n\xff\xfe[a]\r\nx=1\r\n',
        'nul-after-blank': b'\x02' + b'[Settings]\r\nfont_name=\x82l\x82r \0x\r\nmode\0junk=1\r\n fx \0=5\r\n',
        'empty-header-after-settings': b'\x8F' + b'[Settings]\nx=1\n[]\nmode=1\n[ ]\nfx=2\n',
        'empty': b'',
    }


# ---- command lines: [xscreensaver forms][arguments separated by NUL] ----

def command_line_inputs():
    def args(*a, x=0):
        return bytes([x]) + b'\0'.join(s.encode('latin-1') for s in a)

    return {
        'full-screen-automation': args('/s', '--data-dir', '/data', '--frames', '100', '--step-ms', '50',
                                       '--clock-start', '0xFFFFFF00', '--size', '640x480'),
        'preview-handle': args('/p', '1234', '--frames=3'),
        'preview-bad-handle': args('-P', 'abc'),
        'password-no-handle': args('/a'),
        'settings-with-handle': args('/c:1234'),
        'keys-and-mice': args('/s', '--key', '121:b', '--key=3:left', '--key', '4:0x68', '--mouse', '2:5,-7',
                              '--mouse', '9:32767,-32768'),
        'captures': args('/s', '--capture', '/tmp/x', '--capture-at', '10,200,10,1'),
        'capture-every': args('/s', '--capture', '/tmp/x', '--capture-at', 'every:25'),
        'capture-without-list': args('/s', '--capture', '/tmp/x'),
        'bad-values': args('/s', '--frames', '-1', '--step-ms', '99999999999', '--size', '0x0', '--key', '0:a',
                           '--mouse', '1:1', '--unknown', '--frames'),
        'option-first': args('--frames', '5', 'stray'),
        'xscreensaver-root': args('-root', '--frames', '10', x=1),
        'xscreensaver-window': args('-window-id', '0x2A00007', '--step-ms', '16', x=1),
        'xscreensaver-window-missing-id': args('-window-id', x=1),
        'lose-device': args('/s', '--lose-device', '5', '--lose-device', '3'),
        'fail-reset': args('/s', '--fail-reset', '5:3', '--fail-reset=2:1', '--fail-reset', '5:x'),
        'none': b'\x00',
        'empty-arguments': args('', '', ''),
    }


# ---- data-sheet texts (kestor.txt): [lines at a time and font size][file] ----

def spec_text_inputs():
    sj = lambda s: s.encode('cp932')
    sheet = sj('corvane KESTOR 主要諸元\r\n全長 4,520mm\r\n全幅 1,890mm\r\n最高出力 420ps/7,200rpm\r\n'
               '\r\n駆動方式 MR\r\n')
    return {
        'sheet-one-line': b'\x81' + sheet,
        'sheet-five-lines': b'\xA5' + sheet,
        'sheet-measured': b'\x03' + sheet,
        'lf-and-lone-cr': b'\x03' + sj('一行目\n二行目\r三行目\r\n\n'),
        'half-width-katakana': b'\x82' + sj('ｺﾙｳﾞｧﾈ ｹｽﾄｰﾙ\r\n'),
        'lead-byte-at-end': b'\x01' + sj('末尾') + b'\x82',
        'lead-byte-before-line-end': b'\x82' + b'\x81\r\n\x9f\n\xe0',
        'invalid-pairs': b'\x85' + b'\x81\x7f\x85\x40\xeb\x40\xf0\x40\xfc\xfc\xa0\xfd\xff\r\n',
        'nul-bytes': b'\x01' + b'a\0b\r\n\0\0\r\n',
        'more-lines-than-slots': b'\x07' + b'\r\n'.join(b'line %d' % i for i in range(12)),
        'only-line-ends': b'\x04' + b'\r\n\r\n\n\r',
        'wide-line': b'\x89' + sj('あ' * 120),
        'empty': b'\x01',
        'empty-glyphs': b'\x81',
    }


def main():
    out = sys.argv[1]
    sets = {
        'archive': archive_inputs(),
        'mesh': mesh_inputs(),
        'bmp': bmp_inputs(),
        'ini': ini_inputs(),
        'command_line': command_line_inputs(),
        'spec_text': spec_text_inputs(),
    }
    for name, inputs in sets.items():
        folder = os.path.join(out, name)
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        for key, data in inputs.items():
            with open(os.path.join(folder, key), 'wb') as f:
                f.write(data)


if __name__ == '__main__':
    main()
