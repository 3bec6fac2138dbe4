#!/usr/bin/env python3
"""The floor check finds includes that go the wrong way, and only those."""

import sys
import unittest
from pathlib import Path

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE.parents[1] / 'tools' / 'floors'))
import check_floors  # noqa: E402


class CheckFloors(unittest.TestCase):
    def test_reports_each_wrong_include_of_the_sample_tree(self):
        problems = check_floors.check(HERE / 'data')
        self.assertEqual(len(problems), 8, problems)
        text = '\n'.join(problems)
        self.assertIn('Upstairs.cpp:3: common may not include "game/Engine.h"', text)
        self.assertIn('Upstairs.cpp:4: common links no Qt', text)
        self.assertIn('Upstairs.cpp:5: only src/platform', text)
        self.assertIn('Sideways.cpp:3: launcher/ui may not include "game/ui/Form1.h"', text)
        # Windows and the portable form model are written against the control model only.
        self.assertIn('Widgets.cpp:3: updater/ui links no Qt', text)
        self.assertIn('Backend.cpp:3: game/ui may not include "forms/qt/QtWindowSystem.h"', text)
        self.assertIn('Model.cpp:3: forms links no Qt', text)


if __name__ == '__main__':
    unittest.main()
