#!/usr/bin/env python3
"""Renders what print_test printed with ghostscript (72 dpi PNG, read back with ImageMagick) and
finds on every page the map picture in the map's rectangle, the map frame on its edges (cut at
the printable area), the legend, the title text inside its box, and white margins.
expected.txt: one document per line, "<file> paper w h pages across down printable l t r b
map l t r b legend l t r b|- title l t r b|- entries n", in 0.01 mm on the virtual sheet; a batch print
repeats the sheets once per entry."""
import glob, os, shutil, subprocess, sys

DPI, SLACK = 72, 2  # pixels of tolerance
WHITE, MAP, LEGEND, TITLE, BLACK, OTHER = range(6)


def near(a, b, slack=4):
    return all(abs(x - y) <= slack for x, y in zip(a, b))


def classify(c):
    if c == (255, 255, 255):
        return WHITE
    if near(c, (234, 242, 250)) or near(c, (180, 196, 214)):  # the engine's background and graticule
        return MAP
    if near(c, (255, 200, 0)):
        return LEGEND
    if near(c, (0, 0, 255)):
        return TITLE
    return BLACK if near(c, (0, 0, 0), 40) else OTHER


class Page:
    def __init__(self, png, paper_w, paper_h):
        size = subprocess.run(['identify', '-format', '%w %h', png], check=True, capture_output=True, text=True)
        self.w, self.h = (int(v) for v in size.stdout.split())
        raw = subprocess.run(['convert', png, '-depth', '8', 'rgb:-'], check=True, capture_output=True).stdout
        known = {}
        self.mask = bytearray(known.setdefault(raw[i:i + 3], classify(tuple(raw[i:i + 3])))
                              for i in range(0, self.w * self.h * 3, 3))
        # A landscape page comes out turned a quarter: paper (x, y) lies at (y, paper width - x).
        self.turned, self.paper_w = paper_w > paper_h, paper_w

    def row(self, y):
        return self.mask[y * self.w:(y + 1) * self.w]

    def pixels(self, r):
        l, t, rt, b = (r[1], self.paper_w - r[2], r[3], self.paper_w - r[0]) if self.turned else r
        return [round(v * DPI / 2540) for v in (l, t, rt, b)]

    def box(self, cls):
        rows = [(y, self.row(y)) for y in range(self.h) if cls in self.row(y)]
        if not rows:
            return None
        return [min(r.index(cls) for _, r in rows), rows[0][0], max(r.rindex(cls) for _, r in rows) + 1, rows[-1][0] + 1]

    def count_inside(self, cls, r):
        return sum(self.row(y)[max(r[0], 0):max(r[2], 0)].count(cls) for y in range(max(r[1], 0), min(r[3], self.h)))

    def black_along(self, x0, y0, x1, y1, reach=1):
        steps = max(abs(x1 - x0), abs(y1 - y0), 1)
        points = [(round(x0 + (x1 - x0) * i / steps), round(y0 + (y1 - y0) * i / steps)) for i in range(steps + 1)]
        near = range(-reach, reach + 1)
        return sum(any(0 <= x + dx < self.w and 0 <= y + dy < self.h and self.mask[(y + dy) * self.w + x + dx] == BLACK
                       for dx in near for dy in near) for x, y in points) / len(points)

    def white_outside(self, r):
        inside = self.count_inside(WHITE, grown(r))
        area = (min(grown(r)[2], self.w) - max(grown(r)[0], 0)) * (min(grown(r)[3], self.h) - max(grown(r)[1], 0))
        return self.mask.count(WHITE) - inside == len(self.mask) - area


def grown(r):
    return [r[0] - SLACK, r[1] - SLACK, r[2] + SLACK, r[3] + SLACK]


def clip(r, window):
    c = (max(r[0], window[0]), max(r[1], window[1]), min(r[2], window[2]), min(r[3], window[3]))
    return c if c[0] < c[2] and c[1] < c[3] else None


def judge(folder, fields):
    v, i = {}, 1
    while i < len(fields):
        n = 0 if fields[i + 1] == '-' else 2 if fields[i] in ('paper', 'pages') else 1 if fields[i] == 'entries' else 4
        v[fields[i]] = [int(x) for x in fields[i + 1:i + 1 + n]] or None
        i += 1 + max(n, 1)
    (paper_w, paper_h), (across, down), printable = v['paper'], v['pages'], v['printable']
    entries = v.get('entries', [1])[0]
    pw, ph = printable[2] - printable[0], printable[3] - printable[1]
    stem = os.path.join(folder, fields[0][:-3])
    for old in glob.glob(stem + '-*.png'):
        os.remove(old)
    subprocess.run(['gs', '-q', '-dSAFER', '-dBATCH', '-dNOPAUSE', '-sDEVICE=png16m', '-r%d' % DPI,
                    '-sOutputFile=%s-%%d.png' % stem, stem + '.ps'], check=True)
    pngs = sorted(glob.glob(stem + '-*.png'), key=lambda p: int(p.rsplit('-', 1)[1][:-4]))
    if len(pngs) != across * down * entries:
        return ['%d pages, expected %d' % (len(pngs), across * down * entries)]
    problems, title_ink = [], 0
    for number, png in enumerate(pngs):
        page, where, index = Page(png, paper_w, paper_h), 'page %d: ' % (number + 1), number % (across * down)
        dx, dy = index % across * pw, index // across * ph
        window = (printable[0] + dx, printable[1] + dy, printable[2] + dx, printable[3] + dy)

        def on_page(r):  # sheet rectangle -> pixels on this page
            return page.pixels((r[0] - dx, r[1] - dy, r[2] - dx, r[3] - dy))

        if not page.white_outside(page.pixels(printable)):
            problems.append(where + 'ink in the margins')
        for part, cls in (('map', MAP), ('legend', LEGEND)):
            shown = clip(v[part], window) if v[part] else None
            got, want = page.box(cls), on_page(shown) if shown else None
            if (got is None) != (want is None) or want and any(abs(g - w) > SLACK for g, w in zip(got, want)):
                problems.append(where + '%s at %s, expected %s' % (part, got, want))
        # A frame edge inside the printable area is drawn; one beyond it is cut off at its border.
        # A drawn edge may lie a pixel further: the printer's 0.01 mm mapping is scaled by its page
        # size in whole millimetres, up to 0.15% off the exact one across a landscape sheet.
        m = v['map']
        for x in (m[0], m[2]):
            inside = window[0] <= x <= window[2]
            at = x if inside else min(max(x, window[0]), window[2])
            share = page.black_along(*on_page((at, max(m[1], window[1]), at, min(m[3], window[3]))), reach=2 if inside else 1)
            if share < 0.8 if inside else share > 0.2:
                problems.append(where + 'frame edge at x %d is %.0f%% black' % (x, share * 100))
        for y in (m[1], m[3]):
            share = page.black_along(*on_page((max(m[0], window[0]), y, min(m[2], window[2]), y)), reach=2)
            if window[1] <= y <= window[3] and share < 0.8:
                problems.append(where + 'frame edge at y %d is %.0f%% black' % (y, share * 100))
        if v['title']:
            box = grown(on_page(v['title']))
            inside = page.count_inside(TITLE, box)
            if page.mask.count(TITLE) != inside:
                problems.append(where + 'title text outside its box %s' % box)
            title_ink += inside
    return problems + (['no title text'] if v['title'] and not title_ink else [])


def main():
    folder = sys.argv[1]
    for tool, package in (('gs', 'ghostscript'), ('convert', 'imagemagick')):
        if not shutil.which(tool):
            print('FAIL: %s (%s) is not installed' % (tool, package))
            return 1
    listing = os.path.join(folder, 'expected.txt')
    if not os.path.exists(listing):
        print('FAIL: print_test kept no documents in %s' % folder)
        return 1
    status = 0
    for fields in (line.split() for line in open(listing) if line.strip()):
        problems = judge(folder, fields)
        print('\n'.join('FAIL: %s: %s' % (fields[0], p) for p in problems) or 'ok: %s' % fields[0])
        status |= bool(problems)
    return status


if __name__ == '__main__':
    sys.exit(main())
