#!/usr/bin/env python3
"""Checks the level art tool: pictures decode to their text art, the colour check catches a stray
colour, config.ini comes out in Windows-1252 with CRLF, and broken art or a legend that does not
match the game's tables is refused."""

import os
import shutil
import struct
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..', 'tools', 'levelart'))
import make_level  # noqa: E402


def write(path, text, encoding='utf-8'):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, 'w', encoding=encoding, newline='') as f:
        f.write(text)


ART = 'block 3\n.#rogl\nbbbbbb\n######\n'


class MakeLevelTest(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.src = os.path.join(self.tmp.name, 'src')
        self.out = os.path.join(self.tmp.name, 'out')
        os.makedirs(self.out)

    def tearDown(self):
        self.tmp.cleanup()

    def make(self, name, art=ART, config=None, keys='R\n'):
        write(os.path.join(self.src, name, 'Level.txt'), art)
        if config is not None:
            write(os.path.join(self.src, name, 'config.ini'), config)
        if keys is not None:
            write(os.path.join(self.src, name, 'keys.txt'), keys)
        return make_level.main(['--src', self.src, '--out', self.out, name])

    def test_picture_decodes_to_its_art_block_by_block(self):
        self.assertEqual(self.make('a'), 0)
        width, height, rows = make_level.bmp_pixels(os.path.join(self.out, 'a', 'Level.bmp'))
        self.assertEqual((width, height), (18, 9))
        art = ART.splitlines()[1:]
        for y in range(height):
            for x in range(width):
                self.assertEqual(rows[y][x], make_level.LEGEND[art[y // 3][x // 3]], (x, y))

    def test_runs_longer_than_255_pixels_decode_whole(self):
        self.assertEqual(self.make('wide', art='block 200\n#.\n'), 0)
        width, height, rows = make_level.bmp_pixels(os.path.join(self.out, 'wide', 'Level.bmp'))
        self.assertEqual((width, height), (400, 200))
        self.assertEqual(rows[199][199], (0, 0, 0))
        self.assertEqual(rows[0][200], (255, 255, 255))

    def test_generated_level_passes_the_check(self):
        self.make('a', config='[Spieler]\nGröße=auto\n')
        self.assertEqual(make_level.check(self.src, self.out), [])

    def test_check_reports_a_stray_colour(self):
        self.make('a')
        # An uncompressed 2 x 1 picture with one pixel a shade off red.
        pixels = bytes([0, 0, 254, 255, 255, 255, 0, 0])
        info = struct.pack('<IiiHHIIiiII', 40, 2, 1, 1, 24, 0, len(pixels), 0, 0, 0, 0)
        header = struct.pack('<2sIHHI', b'BM', 54 + len(pixels), 0, 0, 54)
        os.makedirs(os.path.join(self.out, 'painted'))
        with open(os.path.join(self.out, 'painted', 'Level.bmp'), 'wb') as f:
            f.write(header + info + pixels)
        problems = make_level.check(self.src, self.out)
        self.assertEqual(len(problems), 1)
        self.assertIn('(254, 0, 0)', problems[0])

    def test_check_reports_a_picture_that_differs_from_its_art(self):
        self.make('a')
        write(os.path.join(self.src, 'a', 'Level.txt'), ART.replace('g', 'r'))
        self.assertIn('differs from its source', ' '.join(make_level.check(self.src, self.out)))

    def test_check_wants_a_key_script(self):
        self.make('a', keys=None)
        self.assertIn('no key script', ' '.join(make_level.check(self.src, self.out)))

    def test_config_is_written_in_windows_1252_with_crlf(self):
        self.make('a', config='[Spieler]\nGröße=6%\n')
        with open(os.path.join(self.out, 'a', 'config.ini'), 'rb') as f:
            data = f.read()
        self.assertEqual(data, b'[Spieler]\r\nGr\xf6\xdfe=6%\r\n')

    def test_level_without_config_source_gets_no_config(self):
        self.make('a', config='[Spieler]\n')
        os.remove(os.path.join(self.src, 'a', 'config.ini'))
        self.make('a')
        self.assertFalse(os.path.exists(os.path.join(self.out, 'a', 'config.ini')))

    def test_legend_tables_that_do_not_match_are_refused(self):
        game = os.path.join(self.tmp.name, 'game')
        os.makedirs(game)
        for name in ('Playfield.h', 'TextArt.h'):
            shutil.copy(os.path.join(make_level.ROOT, 'src', 'game', name), game)
        art = os.path.join(game, 'TextArt.h')
        with open(art, encoding='utf-8') as f:
            text = f.read()
        write(art, text.replace("{'#', 's'}", "{'#', 'x'}"))  # a class letter the colours lack
        with self.assertRaises(SystemExit):
            make_level.read_legend(game)

    def test_broken_art_is_refused(self):
        for art in ('block 2\n.#\n.\n', 'block 2\n.x\n', 'block 0\n.\n', '; only a comment\n'):
            with self.subTest(art=art):
                self.assertEqual(self.make('bad', art=art), 2)


if __name__ == '__main__':
    unittest.main()
