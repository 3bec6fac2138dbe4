#!/usr/bin/env python3
"""Writes small Windows bitmaps of every kind the level reader accepts into a folder (by default
fuzz/corpus/bmp/): the fuzzer's seeds and the reference files of the picture tests.

  make_bmp_corpus.py [FOLDER]

Each file is a few hundred bytes. A picture that other readers misread or cannot read gets a
twin NAME.plain.bmp: the same pixels as a plain 8-bit bitmap that every reader agrees on. These are
the OS/2 2.x files and run-length data that skips pixels (delta, early end of line, early end of
bitmap), whose twin holds palette entry 0 in every skipped pixel.
"""

import os
import struct
import sys

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..'))

BI_RGB, BI_RLE8, BI_RLE4, BI_BITFIELDS = 0, 1, 2, 3


class Random:
    """A fixed linear congruential sequence, so the corpus is the same on every run."""

    def __init__(self, seed):
        self.state = seed

    def next(self, bound):
        self.state = (self.state * 1103515245 + 12345) & 0x7FFFFFFF
        return (self.state >> 8) % bound


def palette(count, seed):
    rnd = Random(seed)
    # Entry 0 is a colour of its own, so a pixel that takes it shows.
    colours = [(12, 34, 56)]
    while len(colours) < count:
        colours.append((rnd.next(256), rnd.next(256), rnd.next(256)))
    return colours


def file_header(total, offset):
    return struct.pack('<2sIHHI', b'BM', total, 0, 0, offset)


def info_header(size, width, height, bits, compression, image_size, colours, masks=(0, 0, 0), alpha=0):
    h = struct.pack('<IiiHHIIiiII', size, width, height, 1, bits, compression, image_size, 2835, 2835,
                    colours, 0)
    if size >= 52:
        h += struct.pack('<III', *masks)
    if size >= 56:
        h += struct.pack('<I', alpha)
    if size >= 108:
        h += struct.pack('<I', 0x73524742) + bytes(36) + struct.pack('<III', 0, 0, 0)  # sRGB
    if size >= 124:
        h += struct.pack('<IIII', 4, 0, 0, 0)
    assert len(h) == size
    return h


def core_header(width, height, bits):
    return struct.pack('<IHHHH', 12, width, height, 1, bits)


def os2_header(size, width, height, bits, compression, colours):
    h = struct.pack('<IiiHH', size, width, height, 1, bits)
    if size == 64:
        h += struct.pack('<IIiiII', compression, 0, 2835, 2835, colours, 0) + bytes(24)
    assert len(h) == size
    return h


def pack_row(values, bits):
    """One row of pixel values (indices or direct-colour words), padded to four bytes."""
    out = bytearray()
    if bits < 8:
        per = 8 // bits
        for i in range(0, len(values), per):
            byte = 0
            for j, v in enumerate(values[i:i + per]):
                byte |= v << (8 - bits * (j + 1))
            out.append(byte)
    else:
        for v in values:
            out += v.to_bytes(bits // 8, 'little')
    out += bytes(-len(out) % 4)
    return bytes(out)


def pixel_rows(rows, bits, top_down):
    """The pixel data of rows given top row first."""
    return b''.join(pack_row(r, bits) for r in (rows if top_down else reversed(rows)))


def write(folder, name, data):
    with open(os.path.join(folder, name), 'wb') as f:
        f.write(data)


def assemble(header, extra, data):
    offset = 14 + len(header) + len(extra)
    return file_header(offset + len(data), offset) + header + extra + data


def palette_bytes(colours, entry=4):
    return b''.join(bytes((b, g, r)) + bytes(entry - 3) for r, g, b in colours)


def index_rows(width, height, count, seed):
    rnd = Random(seed)
    return [[rnd.next(count) for _ in range(width)] for _ in range(height)]


def plain8(colours, rows):
    """The plain twin: an uncompressed bottom-up 8-bit bitmap of the rows (top row first)."""
    data = pixel_rows(rows, 8, False)
    return assemble(info_header(40, len(rows[0]), len(rows), 8, BI_RGB, len(data), len(colours)),
                    palette_bytes(colours), data)


def indexed(width, height, bits, count, seed, top_down=False, header=40, twin=False):
    colours = palette(count, seed)
    rows = index_rows(width, height, count, seed + 1)
    data = pixel_rows(rows, bits, top_down)
    h = -height if top_down else height
    if header == 12:
        head, pal = core_header(width, height, bits), palette_bytes(colours, 3)
    elif header in (16, 64):
        head, pal = os2_header(header, width, h, bits, BI_RGB, count), palette_bytes(colours)
    else:
        head, pal = info_header(header, width, h, bits, BI_RGB, len(data), count), palette_bytes(colours)
    if twin:
        return assemble(head, pal, data), plain8(colours, rows)
    return assemble(head, pal, data)


def direct(width, height, bits, seed, compression=BI_RGB, masks=None, alpha=0, header=40, top_down=False,
           word_mask=None):
    rnd = Random(seed)
    mask = word_mask or (1 << bits) - 1
    rows = [[(rnd.next(1 << 16) << 16 | rnd.next(1 << 16)) & mask for _ in range(width)] for _ in range(height)]
    data = pixel_rows(rows, bits, top_down)
    h = -height if top_down else height
    extra = b''
    if header == 40:
        head = info_header(40, width, h, bits, compression, len(data), 0)
        if compression == BI_BITFIELDS:
            extra = struct.pack('<III', *masks)
    else:
        head = info_header(header, width, h, bits, compression, len(data), 0, masks or (0, 0, 0), alpha)
    return assemble(head, extra, data)


# Run-length data as operations: ('run', n, index) or ('run', n, (hi, lo)) for RLE4,
# ('abs', [indices]), ('eol',), ('eob',), ('delta', dx, dy).
def encode_rle(ops, four):
    out = bytearray()
    for op in ops:
        if op[0] == 'run':
            value = op[2][0] << 4 | op[2][1] if four else op[2]
            out += bytes((op[1], value))
        elif op[0] == 'abs':
            values = op[1]
            out += bytes((0, len(values)))
            if four:
                padded = values + [0] * (len(values) % 2)
                body = bytes(padded[i] << 4 | padded[i + 1] for i in range(0, len(padded), 2))
            else:
                body = bytes(values)
            out += body + bytes(len(body) % 2)
        elif op[0] == 'eol':
            out += b'\x00\x00'
        elif op[0] == 'eob':
            out += b'\x00\x01'
        elif op[0] == 'delta':
            out += bytes((0, 2, op[1], op[2]))
    return bytes(out)


def play_rle(ops, width, height, four):
    """The picture (rows top first) that run-length operations paint; every pixel they skip or
    leave out is entry 0."""
    pixels = [[0] * width for _ in range(height)]  # bottom row first
    x = y = 0
    for op in ops:
        if op[0] == 'run':
            for i in range(op[1]):
                pixels[y][x] = op[2][i % 2] if four else op[2]
                x += 1
        elif op[0] == 'abs':
            for v in op[1]:
                pixels[y][x] = v
                x += 1
        elif op[0] == 'eol':
            x, y = 0, y + 1
        elif op[0] == 'eob':
            break
        elif op[0] == 'delta':
            x, y = x + op[1], y + op[2]
        assert x <= width and y <= height
    return list(reversed(pixels))


def rle(width, height, ops, four, seed, count=16, header=40):
    colours = palette(count, seed)
    data = encode_rle(ops, four)
    if header == 64:
        head = os2_header(64, width, height, 4 if four else 8, BI_RLE4 if four else BI_RLE8, count)
    else:
        head = info_header(header, width, height, 4 if four else 8, BI_RLE4 if four else BI_RLE8, len(data),
                           count)
    return assemble(head, palette_bytes(colours), data), plain8(colours, play_rle(ops, width, height, four))


RLE8_FULL = [
    ('run', 3, 1), ('abs', [2, 3, 4, 5, 6]), ('run', 1, 7), ('eol',),
    ('abs', [8, 9, 10, 11]), ('run', 5, 2), ('eol',),
    ('run', 9, 3), ('eol',),
    ('run', 2, 0), ('abs', [12, 13, 14]), ('run', 4, 15), ('eob',),
]
RLE8_SKIPS = [
    ('run', 2, 5), ('delta', 3, 0), ('run', 2, 6), ('eol',),   # a gap inside the line, an early end
    ('delta', 4, 1),                                             # down a row and to the right
    ('abs', [7, 8, 9]), ('eol',),
    ('run', 9, 4), ('eob',),                                     # the last row is left out
]
RLE4_FULL = [
    ('run', 5, (1, 2)), ('abs', [3, 4, 5]), ('run', 3, (6, 6)), ('eol',),
    ('abs', [7, 8, 9, 10, 11]), ('run', 6, (12, 13)), ('eol',),
    ('run', 11, (14, 15)), ('eol',),
    ('abs', [1, 3, 5, 7]), ('run', 7, (2, 4)), ('eob',),
]
RLE4_SKIPS = [
    ('run', 3, (1, 2)), ('delta', 2, 0), ('abs', [3, 4, 5]), ('eol',),
    ('eol',),                                                    # an empty line
    ('delta', 5, 1), ('run', 4, (7, 8)), ('eob',),
]


def corpus():
    files = {}
    files['core-1.bmp'] = indexed(11, 5, 1, 2, 101, header=12)
    files['core-4.bmp'] = indexed(9, 5, 4, 16, 102, header=12)
    files['core-8.bmp'] = indexed(7, 5, 8, 256, 103, header=12)
    files['core-24.bmp'] = assemble(core_header(5, 4, 24), b'', direct(5, 4, 24, 104)[54:])
    files['os2-16-8.bmp'], files['os2-16-8.plain.bmp'] = indexed(7, 5, 8, 40, 105, header=16, twin=True)
    files['os2-64-4.bmp'], files['os2-64-4.plain.bmp'] = indexed(9, 5, 4, 16, 106, header=64, twin=True)
    files['info-1.bmp'] = indexed(13, 5, 1, 2, 107)
    files['info-1-topdown.bmp'] = indexed(13, 5, 1, 2, 108, top_down=True)
    files['info-4.bmp'] = indexed(9, 5, 4, 16, 109)
    files['info-4-short-palette.bmp'] = indexed(9, 5, 4, 5, 110)
    files['info-8.bmp'] = indexed(7, 5, 8, 40, 111)
    files['info-8-topdown.bmp'] = indexed(7, 5, 8, 40, 112, top_down=True)
    files['info-16.bmp'] = direct(7, 5, 16, 113, word_mask=0x7FFF)
    files['info-16-565.bmp'] = direct(7, 5, 16, 114, BI_BITFIELDS, (0xF800, 0x07E0, 0x001F))
    files['info-16-444.bmp'] = direct(7, 5, 16, 115, BI_BITFIELDS, (0x0F00, 0x00F0, 0x000F), word_mask=0x0FFF)
    files['info-24.bmp'] = direct(5, 4, 24, 116)
    files['info-24-topdown.bmp'] = direct(5, 4, 24, 117, top_down=True)
    files['info-32.bmp'] = direct(5, 4, 32, 118)
    files['info-32-bitfields.bmp'] = direct(5, 4, 32, 119, BI_BITFIELDS, (0x000000FF, 0x0000FF00, 0x00FF0000))
    files['info-32-101010.bmp'] = direct(5, 4, 32, 120, BI_BITFIELDS, (0x3FF00000, 0x000FFC00, 0x000003FF))
    files['v3-52-16.bmp'] = direct(7, 5, 16, 121, BI_BITFIELDS, (0x7C00, 0x03E0, 0x001F), header=52,
                                   word_mask=0x7FFF)
    files['v3-56-32.bmp'] = direct(5, 4, 32, 122, BI_BITFIELDS, (0x00FF0000, 0x0000FF00, 0x000000FF),
                                   alpha=0xFF000000, header=56)
    files['v4-32-alpha.bmp'] = direct(5, 4, 32, 123, BI_BITFIELDS, (0x00FF0000, 0x0000FF00, 0x000000FF),
                                      alpha=0xFF000000, header=108)
    files['v5-24.bmp'] = direct(5, 4, 24, 124, header=124)
    files['v5-32-rgb.bmp'] = direct(5, 4, 32, 125, header=124)
    files['v5-8.bmp'] = indexed(7, 5, 8, 30, 126, header=124)
    files['rle8.bmp'], _ = rle(9, 4, RLE8_FULL, False, 127)
    files['rle4.bmp'], _ = rle(11, 4, RLE4_FULL, True, 128)
    files['os2-64-rle8.bmp'], files['os2-64-rle8.plain.bmp'] = rle(9, 4, RLE8_FULL, False, 129, header=64)
    files['v5-rle4.bmp'], _ = rle(11, 4, RLE4_FULL, True, 130, header=124)
    files['rle8-skips.bmp'], files['rle8-skips.plain.bmp'] = rle(9, 4, RLE8_SKIPS, False, 131)
    files['rle4-skips.bmp'], files['rle4-skips.plain.bmp'] = rle(11, 4, RLE4_SKIPS, True, 132)
    return files


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, 'fuzz', 'corpus', 'bmp')
    os.makedirs(folder, exist_ok=True)
    for name, data in sorted(corpus().items()):
        write(folder, name, data)


if __name__ == '__main__':
    main()
