#!/usr/bin/env python3
"""Keeps the control library's folders layered as its CMake libraries say.

Every folder of ZmaVOMap2 is one static library whose USES list (written by CMake to
layering.txt in the build tree) names the folders it may include. An #include of a header in a
folder that is not reachable through those lists runs against the direction of the dependencies.
Two further house rules are checked here: the engine's member numbers live only in engine/, and
the layer framework never names a layer kind (which follows from the first check, since no kind
is below layers/).
"""
import pathlib
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s*"ZmaVOMap2/([^/"]+)/')
# A DISPID constant, or a typed engine call with a literal member number.
DISPID_NUMBER = re.compile(r'\bconstexpr\s+DISPID\b|\bDISPID\s+k\w+\s*=|\.(Get|Put|Call|CallWith)\(\s*-?\d')


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
    faults = []
    checked = 0
    for path in sorted(root.rglob('*')):
        if path.suffix not in ('.h', '.cpp') or not path.is_file():
            continue
        folder = path.relative_to(root).parts[0]
        if folder not in uses:
            faults.append(f'{path.relative_to(root)}: folder "{folder}" is no library of its own')
            continue
        allowed = reachable(uses, folder) | {folder}
        for number, line in enumerate(path.read_text(errors='replace').splitlines(), 1):
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
