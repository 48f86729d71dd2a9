#!/usr/bin/env python3
"""Keeps the control library's folders layered as its CMake libraries say.

Every folder of ZmaVOMap2 is one static library whose USES list (written by CMake to
layering.txt in the build tree) names the folders it may include. An #include of a header in a
folder that is not reachable through those lists runs against the direction of the dependencies.
Further house rules are checked here: the engine's member numbers live only in engine/; the
layer framework never names a layer kind (which follows from the first check, since no kind is
below layers/); failures are caught only with the error vocabulary of platform/Result.h, except
where a catch does work of its own (KEPT_CATCHES says which, and why); and COM references,
variants and menus are given back by their owners in platform/, never by hand.
"""
import pathlib
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s*"ZmaVOMap2/([^/"]+)/')
# A DISPID constant, or a typed engine call with a literal member number.
DISPID_NUMBER = re.compile(r'\bconstexpr\s+DISPID\b|\bDISPID\s+k\w+\s*=|\.(Get|Put|Call|CallWith)\(\s*-?\d')


# A catch written by hand (the vocabulary's macros do not match: their names hide the keyword).
HAND_CATCH = re.compile(r'\bcatch\s*\(')
# A COM reference, a variant or a menu given back by hand instead of by ComPtr, Variant or
# UniqueHMenu.
RAW_RELEASE = re.compile(r'->\s*Release\s*\(\s*\)|\bVariantClear\s*\(|\bDestroyMenu\s*\(')

# The hand-written catches the library keeps, per file: each does work no macro does.
KEPT_CATCHES = {
    'datalayers/DatasetDisplay.cpp': (2, 'a failed build takes back the layers it added before the failure goes on, '
                                         'and a table that cannot be kept gives up its name placeholder'),
    'datalayers/RowPositions.h': (1, 'a read that fails keeps the rows read so far, marked unfinished, and goes on failing'),
    'datalayers/RendererOptimiser.h': (1, 'a frame draws what was read before a failed read, then raises the failure'),
    'lines/CellLines.h': (1, 'the lines met before a failure are drawn, then the failure goes on'),
    'workspaces/ZmaVOMapXWorkspaceWOR.cpp': (1, 'a regular expression that gives up on a line costs that line only, '
                                                'with a warning that names the file'),
    'layers/ZmaVadAZLayer.h': (2, 'a failed engine call is told to the user in a box, with the engine\'s text'),
    'layers/ZmaVadAZLayer.cpp': (4, 'a failed engine call is told to the user with the engine\'s text and code, a layer '
                                    'that cannot be opened is taken back, and an unknown name is made from the file '
                                    'when there is one'),
    'atr/ATRLayer.cpp': (1, 'a block of tables that is not whole takes out exactly the engine layers it added, '
                            'and the user is told why'),
    'control/MapLayers.cpp': (1, 'an operation that cannot be counted forgets the held collections rather than '
                                 'let go of the wrong one'),
    'printing/QuickPrintLayouts.cpp': (1, 'a layout that cannot be set is logged with a text of its own'),
    'mitab/mitab.cpp': (10, 'each entry point of the C interface turns a failure into the library\'s error state'),
}


def strip_comment(line):
    at = line.find('//')
    return line if at < 0 else line[:at]


def check_error_vocabulary(relative, lines):
    """The faults of one library file against the error vocabulary and the raw-release rule."""
    faults = []
    catches = []
    for number, line in enumerate(lines, 1):
        code = strip_comment(line)
        if HAND_CATCH.search(code):
            catches.append(number)
        if RAW_RELEASE.search(code):
            faults.append(f'{relative}:{number}: a reference, variant or menu given back by hand: use ComPtr, '
                          f'Variant or UniqueHMenu')
    kept = KEPT_CATCHES.get(relative, (0, ''))[0]
    if len(catches) > kept:
        lines_text = ', '.join(str(n) for n in catches)
        faults.append(f'{relative}:{lines_text}: {len(catches)} hand-written catch(es) where {kept} are kept: use '
                      f'COM_CATCH_RETURN, COM_CATCH_LOG, CATCH_RETURN_QUIET, CATCH_RETURN_KEEP_INFO, CATCH_SWALLOW '
                      f'or CATCH_LOG_UNKNOWN, or list a catch that does work of its own in KEPT_CATCHES')
    elif len(catches) < kept:
        faults.append(f'{relative}: KEPT_CATCHES keeps {kept} catch(es) and the file has {len(catches)}: '
                      f'bring the list down')
    return faults


def self_check():
    """The checks above must see what they are for; a broken pattern would pass every tree."""
    hand = check_error_vocabulary('x.cpp', ['try {', '} catch (const platform::ComError& e) {', '}'])
    released = check_error_vocabulary('x.cpp', ['p->Release();', '::VariantClear(&v);', '::DestroyMenu(m);'])
    quiet = check_error_vocabulary('x.cpp', ['try { f(); }', 'COM_CATCH_LOG();', '// catch (...) in a comment',
                                             'CATCH_SWALLOW("why");', 'x_.Release();'])
    return len(hand) == 1 and len(released) == 3 and not quiet


def load_layering(path):
    uses = {}
    for line in path.read_text().splitlines():
        line = line.strip()
        if not line:
            continue
        folder, _, rest = line.partition(':')
        uses[folder] = [u for u in rest.split(',') if u]
    return uses


def reachable(uses, folder):
    seen, stack = set(), list(uses.get(folder, []))
    while stack:
        f = stack.pop()
        if f in seen:
            continue
        seen.add(f)
        stack.extend(uses.get(f, []))
    return seen


def main():
    if len(sys.argv) != 3:
        print('usage: check_layering.py <source root> <layering.txt>')
        return 2
    root = pathlib.Path(sys.argv[1]) / 'ZmaVOMap2'
    uses = load_layering(pathlib.Path(sys.argv[2]))
    faults = [] if self_check() else ['the checks of the error vocabulary do not see what they are for']
    checked = 0
    for path in sorted(root.rglob('*')):
        if path.suffix not in ('.h', '.cpp') or not path.is_file():
            continue
        folder = path.relative_to(root).parts[0]
        if folder not in uses:
            faults.append(f'{path.relative_to(root)}: folder "{folder}" is no library of its own')
            continue
        allowed = reachable(uses, folder) | {folder}
        lines = path.read_text(errors='replace').splitlines()
        faults.extend(check_error_vocabulary(path.relative_to(root).as_posix(), lines))
        for number, line in enumerate(lines, 1):
            checked += 1
            m = INCLUDE.match(line)
            if m and m.group(1) not in allowed:
                faults.append(f'{path.relative_to(root)}:{number}: {folder}/ includes {m.group(1)}/, '
                              f'which it does not use')
            if folder != 'engine' and DISPID_NUMBER.search(line):
                faults.append(f'{path.relative_to(root)}:{number}: an engine member number outside engine/')
    for fault in faults:
        print(fault)
    print(f'{0 if faults else 1} passed, {1 if faults else 0} failed: {checked} lines of {len(uses)} libraries')
    return 1 if faults else 0


if __name__ == '__main__':
    sys.exit(main())
