#!/usr/bin/env python3
"""Checks that includes only go down the floors of the house.

    python3 tools/floors/check_floors.py [SOURCE_ROOT]

Every file under src/ and tools/ belongs to a part (its folder); each part may include only the
parts listed for it below. Qt headers are for the window floors only, and operating-system
headers for src/platform only. Prints one line per offending include and exits 1 when there is
any, 0 otherwise.
"""

import re
import sys
from pathlib import Path

# The floors, bottom up:
#   platform   the only code that talks to the operating system
#   common     INI reader, numbers, rounding, colour text, paths
#   core       game, launcher, updater, picture, check (no Qt)
#   forms      the control model, the form model and the headless backend (no Qt);
#              forms/qt, the Qt backend, stands on them
#   windows    game/ui, launcher/ui, updater/ui, on the control model only (no Qt, no backend),
#              reaching each other through the registry's faces only
#   app        the registry that owns the windows, start-up on a backend
CORE_BASE = {'common', 'platform'}
CORE = {'game', 'picture', 'launcher', 'updater', 'check'}
# A window stands on the form model and the whole core, and reaches another subsystem's window
# only through the registry.
WINDOW_BASE = CORE_BASE | CORE | {'forms'}
ALLOWED = {
    'platform': {'platform'},
    'common': CORE_BASE,
    'picture': CORE_BASE | {'picture'},
    'game': CORE_BASE | {'game', 'picture'},
    'launcher': CORE_BASE | {'launcher'},
    'updater': CORE_BASE | {'updater'},
    # The level checker and solver judge a level as the game plays it.
    'check': CORE_BASE | {'check', 'game', 'picture'},
    'forms': CORE_BASE | {'forms'},
    'forms/qt': CORE_BASE | {'forms', 'forms/qt'},
    'forms/win32': CORE_BASE | {'forms', 'forms/win32'},
    'game/ui': WINDOW_BASE | {'game/ui'},
    'launcher/ui': WINDOW_BASE | {'launcher/ui'},
    'updater/ui': WINDOW_BASE | {'updater/ui'},
    'app': None,  # the top knows everything
    # Command-line tools stand on the core and never on a window.
    'tools': CORE_BASE | CORE,
}
QT_ALLOWED = {'forms/qt', 'app'}
# Parts of the core that may use Qt's image readers from a library of their own.
QT_ALLOWED_FOLDERS = {'src/picture/qt', 'src/game/qt'}
# The Windows backend stands on the system's window API as the Qt backend stands on Qt; the
# core's picture reader there uses the system's codecs, in a library of its own.
OS_ALLOWED_FOLDERS = {'src/forms/win32', 'src/game/win32'}

OS_HEADER = re.compile(r'(unistd|fcntl|spawn|langinfo|dirent|pwd|dlfcn|signal|poll|termios|windows|'
                       r'sys/[\w/]+|[a-z]+api|shlobj|shellapi)\.h$')
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')


def part_of_header(header):
    """The part an include like "game/ui/Form1.h" names, or None for headers that are not ours."""
    pieces = header.split('/')
    if len(pieces) >= 3 and pieces[1] == 'ui':
        return pieces[0] + '/ui'
    if len(pieces) >= 3 and pieces[:2] == ['forms', 'qt']:
        return 'forms/qt'
    if len(pieces) >= 3 and pieces[:2] == ['forms', 'win32']:
        return 'forms/win32'
    if len(pieces) >= 2 and pieces[0] in ALLOWED:
        return pieces[0]
    return None


def part_of_file(relative):
    pieces = relative.parts
    if pieces[0] == 'tools':
        return 'tools'
    if pieces[0] != 'src' or len(pieces) < 3:
        return None
    if len(pieces) >= 4 and pieces[2] == 'ui':
        return pieces[1] + '/ui'
    if len(pieces) >= 4 and pieces[1:3] == ('forms', 'qt'):
        return 'forms/qt'
    if len(pieces) >= 4 and pieces[1:3] == ('forms', 'win32'):
        return 'forms/win32'
    return pieces[1]


def check(root):
    problems = []
    files = sorted(p for base in ('src', 'tools') for p in (root / base).rglob('*')
                   if p.suffix in {'.h', '.hpp', '.cpp'})
    for path in files:
        relative = path.relative_to(root)
        part = part_of_file(relative)
        if part is None:
            continue
        if part not in ALLOWED:
            problems.append(f'{relative}: folder {part} belongs to no floor; add it to {Path(__file__).name}')
            continue
        allowed = ALLOWED[part]
        qt_ok = part in QT_ALLOWED or any(str(relative).startswith(f + '/') for f in QT_ALLOWED_FOLDERS)
        for number, line in enumerate(path.read_text(encoding='utf-8', errors='replace').splitlines(), 1):
            match = INCLUDE.match(line)
            if not match:
                continue
            kind, header = match.groups()
            where = f'{relative}:{number}'
            if kind == '"':
                target = part_of_header(header)
                if target is not None and allowed is not None and target not in allowed:
                    problems.append(f'{where}: {part} may not include "{header}" ({target})')
            else:
                if re.match(r'Q[A-Za-z]*$|Qt[A-Za-z]*/', header) and not qt_ok:
                    problems.append(f'{where}: {part} links no Qt, but includes <{header}>')
                os_ok = part == 'platform' or any(str(relative).startswith(f + '/') for f in OS_ALLOWED_FOLDERS)
                if OS_HEADER.search(header) and not os_ok:
                    problems.append(f'{where}: only src/platform talks to the operating system, not <{header}>')
    return problems


def main():
    root = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).resolve().parents[2]
    problems = check(root)
    for problem in problems:
        print(problem)
    print(f'{len(problems)} include(s) cross a floor the wrong way' if problems else 'includes go down the floors')
    return 1 if problems else 0


if __name__ == '__main__':
    sys.exit(main())
