#!/usr/bin/env python3
"""Builds the bundled levels from text art.

Each level has a source folder levels-src/<name>/ with
  Level.txt   the picture as text art: one character per block of N x N pixels
  config.ini  (optional) the level's settings, kept in UTF-8 here and written in Windows-1252
              with CRLF line ends, as the game looks the key "Größe" up in that encoding
  keys.txt    the key script that plays the level to its goal (hopplix-replay --keys)
and becomes levels/<name>/Level.bmp (8-bit indexed) plus config.ini when there is one.

Level.txt: lines starting with ';' are comments; a line "block N" sets the block size in pixels
(default 8); every other line is a row of art, all rows equally long. The characters are the
game's text art (kTextArt in src/game/TextArt.h, read from there with the colours of
kColourLegend in src/game/Playfield.h):
  .  white, free space      #  black, ground          r  red, deadly
  o  orange, climbing       g  green, goal            l  purple, launch pad
  b  blue, no grip

  make_level.py                 regenerate every level
  make_level.py NAME...         regenerate the named levels
  make_level.py --check         fail when a generated file differs from levels/ or a picture in
                                levels/ holds a colour outside the legend
"""

import argparse
import os
import re
import struct
import sys

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..'))


def table(path, name, entry):
    """The entries of the C++ table `name` in the header at `path`: one regex match a line."""
    with open(path, encoding='utf-8') as f:
        text = f.read()
    start = text.find(f' {name}{{')
    end = text.find('}};', start)
    if start < 0 or end < 0:
        raise SystemExit(f'make_level.py: no table {name} in {path}')
    return [m.groups() for m in re.finditer(entry, text[start:end])]


def read_legend(game=os.path.join(ROOT, 'src', 'game')):
    """{art character: (r, g, b)} in the order of kTextArt, from the game's own tables."""
    colours = {letter: int(value, 16) for value, letter in
               table(os.path.join(game, 'Playfield.h'), 'kColourLegend', r"\{0x([0-9A-Fa-f]{6})u, '(.)'\}")}
    art = table(os.path.join(game, 'TextArt.h'), 'kTextArt', r"\{'(.)', '(.)'\}")
    if len(colours) != 7 or len(art) != 7 or any(letter not in colours for _, letter in art):
        raise SystemExit('make_level.py: the text art and colour tables in src/game do not match')
    # Colour values are 0x00BBGGRR.
    return {c: (colours[letter] & 0xFF, colours[letter] >> 8 & 0xFF, colours[letter] >> 16)
            for c, letter in art}


LEGEND = read_legend()
# Palette order of the written bitmaps: the table's, white first so a blank picture is index 0.
PALETTE_CHARS = ''.join(LEGEND)
ALLOWED_COLOURS = set(LEGEND.values())


class LevelError(Exception):
    pass


def read_art(path):
    block = 8
    rows = []
    with open(path, encoding='utf-8') as f:
        for number, line in enumerate(f, 1):
            line = line.rstrip('\r\n')
            if line.startswith(';') or (not rows and not line.strip()):
                continue
            if not rows and line.startswith('block '):
                block = int(line.split()[1])
                if block < 1:
                    raise LevelError(f'{path}:{number}: block size must be at least 1')
                continue
            bad = sorted(set(line) - set(LEGEND))
            if bad:
                raise LevelError(f'{path}:{number}: unknown characters {"".join(bad)!r}')
            rows.append(line)
    while rows and not rows[-1]:
        rows.pop()
    if not rows:
        raise LevelError(f'{path}: no art')
    width = len(rows[0])
    for i, row in enumerate(rows):
        if len(row) != width:
            raise LevelError(f'{path}: art row {i + 1} is {len(row)} characters long, the first is {width}')
    return block, rows


def bmp_bytes(block, rows):
    """An 8-bit indexed, run-length encoded (RLE8) bottom-up Windows bitmap, 96 dots per inch.
    Text art is mostly long runs of one colour, so the file stays a few kilobytes."""
    index = {c: i for i, c in enumerate(PALETTE_CHARS)}
    width = len(rows[0]) * block
    height = len(rows) * block
    data = bytearray()
    for row in reversed(rows):
        line = bytearray()
        for c, x in ((c, x) for x, c in enumerate(row)):
            run = block
            while run:
                n = min(run, 255)
                line += bytes([n, index[c]])
                run -= n
        line = merge_runs(line)
        line += b'\x00\x00'  # end of line
        data += bytes(line) * block
    data[-2:] = b'\x00\x01'  # the last end of line becomes the end of the bitmap
    palette = b''.join(struct.pack('<BBBB', *reversed(LEGEND[c]), 0) for c in PALETTE_CHARS)
    offset = 14 + 40 + len(palette)
    header = struct.pack('<2sIHHI', b'BM', offset + len(data), 0, 0, offset)
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 8, 1, len(data), 3780, 3780,
                       len(PALETTE_CHARS), 0)
    return header + info + palette + bytes(data)


def merge_runs(pairs):
    """Joins neighbouring (count, index) runs of one index, up to 255 pixels a run."""
    out = []
    for i in range(0, len(pairs), 2):
        n, c = pairs[i], pairs[i + 1]
        if out and out[-1][1] == c and out[-1][0] < 255:
            take = min(n, 255 - out[-1][0])
            out[-1][0] += take
            n -= take
        if n:
            out.append([n, c])
    return bytearray(b for run in out for b in run)


def config_bytes(path):
    with open(path, encoding='utf-8') as f:
        text = f.read()
    lines = text.splitlines()
    return ('\r\n'.join(lines) + '\r\n').encode('cp1252')


def build(source_dir):
    """The files of one level: {file name: bytes}."""
    files = {}
    block, rows = read_art(os.path.join(source_dir, 'Level.txt'))
    files['Level.bmp'] = bmp_bytes(block, rows)
    config = os.path.join(source_dir, 'config.ini')
    if os.path.exists(config):
        files['config.ini'] = config_bytes(config)
    return files


def bmp_pixels(path):
    """(width, height, rows of (r, g, b)) of an uncompressed or RLE8 bitmap, top row first."""
    with open(path, 'rb') as f:
        data = f.read()
    if data[:2] != b'BM' or len(data) < 54:
        raise LevelError(f'{path}: not a Windows bitmap')
    offset = struct.unpack_from('<I', data, 10)[0]
    size, width, height, planes, bits, compression = struct.unpack_from('<IiiHHI', data, 14)
    top_down = height < 0
    height = abs(height)
    palette = []
    if bits <= 8:
        used = struct.unpack_from('<I', data, 46)[0] or (1 << bits)
        start = 14 + size
        palette = [tuple(reversed(data[start + 4 * i:start + 4 * i + 3])) for i in range(used)]

    def colour(i, x, y):
        if i >= len(palette):
            raise LevelError(f'{path}: pixel ({x}, {y}) uses palette entry {i} of {len(palette)}')
        return palette[i]

    rows = []
    if compression == 1 and bits == 8:
        # Pixels an RLE8 bitmap skips keep palette entry 0.
        indices = [[0] * width for _ in range(height)]
        x = y = 0
        pos = offset
        while pos + 1 < len(data):
            n, value = data[pos], data[pos + 1]
            pos += 2
            if n:
                for _ in range(n):
                    if x < width and y < height:
                        indices[y][x] = value
                    x += 1
            elif value == 0:
                x, y = 0, y + 1
            elif value == 1:
                break
            elif value == 2:
                x, y = x + data[pos], y + data[pos + 1]
                pos += 2
            else:
                for k in range(value):
                    if x < width and y < height:
                        indices[y][x] = data[pos + k]
                    x += 1
                pos += value + (value & 1)
        rows = [[colour(i, x, y) for x, i in enumerate(line)] for y, line in enumerate(indices)]
    elif compression == 0 and bits in (1, 4, 8, 24, 32):
        stride = ((width * bits + 31) // 32) * 4
        for y in range(height):
            line = data[offset + y * stride:offset + (y + 1) * stride]
            if bits <= 8:
                per_byte = 8 // bits
                mask = (1 << bits) - 1
                rows.append([colour((line[x // per_byte] >> (8 - bits * (x % per_byte + 1))) & mask, x, y)
                             for x in range(width)])
            else:
                step = bits // 8
                rows.append([tuple(reversed(line[x * step:x * step + 3])) for x in range(width)])
    else:
        raise LevelError(f'{path}: only uncompressed and RLE8 bitmaps are checked')
    if not top_down:
        rows.reverse()
    return width, height, rows


def bmp_colours(path):
    """The set of (r, g, b) colours that the pixels of a bitmap use."""
    return {c for row in bmp_pixels(path)[2] for c in row}


def level_sources(src):
    return sorted(d for d in os.listdir(src) if os.path.isfile(os.path.join(src, d, 'Level.txt')))


def check(src, out):
    problems = []
    for name in level_sources(src):
        wanted = build(os.path.join(src, name))
        have = set(os.listdir(os.path.join(out, name))) if os.path.isdir(os.path.join(out, name)) else set()
        for file, content in wanted.items():
            path = os.path.join(out, name, file)
            if not os.path.exists(path):
                problems.append(f'{path} is missing: run tools/levelart/make_level.py')
            elif open(path, 'rb').read() != content:
                problems.append(f'{path} differs from its source: run tools/levelart/make_level.py')
        for extra in sorted(have - set(wanted)):
            problems.append(f'{os.path.join(out, name, extra)} has no source in {os.path.join(src, name)}')
        if not os.path.isfile(os.path.join(src, name, 'keys.txt')):
            problems.append(f'{os.path.join(src, name)} has no key script keys.txt')
    for name in sorted(os.listdir(out)):
        bmp = os.path.join(out, name, 'Level.bmp')
        if os.path.isfile(bmp):
            stray = bmp_colours(bmp) - ALLOWED_COLOURS
            if stray:
                problems.append(f'{bmp} uses colours outside the legend: {sorted(stray)}')
    return problems


def main(argv):
    parser = argparse.ArgumentParser(description='Builds the bundled levels from text art.')
    parser.add_argument('--src', default=os.path.join(ROOT, 'levels-src'))
    parser.add_argument('--out', default=os.path.join(ROOT, 'levels'))
    parser.add_argument('--check', action='store_true')
    parser.add_argument('names', nargs='*')
    args = parser.parse_args(argv)
    try:
        if args.check:
            problems = check(args.src, args.out)
            for p in problems:
                print(p, file=sys.stderr)
            print(f'{len(level_sources(args.src))} level sources checked, {len(problems)} problems')
            return 1 if problems else 0
        for name in args.names or level_sources(args.src):
            files = build(os.path.join(args.src, name))
            folder = os.path.join(args.out, name)
            os.makedirs(folder, exist_ok=True)
            for file, content in files.items():
                with open(os.path.join(folder, file), 'wb') as f:
                    f.write(content)
            if 'config.ini' not in files and os.path.exists(os.path.join(folder, 'config.ini')):
                os.remove(os.path.join(folder, 'config.ini'))
            print(f'{folder}: {", ".join(sorted(files))}')
        return 0
    except (LevelError, OSError, ValueError) as e:
        print(f'make_level.py: {e}', file=sys.stderr)
        return 2


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
