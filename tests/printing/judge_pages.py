#!/usr/bin/env python3
"""Renders the documents print_test printed with ghostscript (72 dpi PNG, read back through
ImageMagick) and finds on every page
the parts where the job laid them out: the map picture inside the map's rectangle, the map frame
on its edges (cut at the page's printable area), the legend, the title text, and white margins.

expected.txt, one document per line (lengths in 0.01 mm, rectangles on the virtual sheet):
  <file> paper <w> <h> pages <across> <down> printable <l> <t> <r> <b> map <l> <t> <r> <b>
  legend <l> <t> <r> <b>|- title <l> <t> <r> <b>|-
"""
import glob
import os
import shutil
import subprocess
import sys

DPI = 72
TOLERANCE = 2  # pixels
MAP = [(234, 242, 250), (180, 196, 214)]  # the engine's background and graticule
LEGEND = (255, 200, 0)
TITLE = (0, 0, 255)
BLACK = (0, 0, 0)


def read_png(path):
    """Width, height and the RGB bytes of a PNG, as ImageMagick decodes it."""
    size = subprocess.run(['identify', '-format', '%w %h', path], check=True, capture_output=True, text=True).stdout
    width, height = (int(v) for v in size.split())
    raw = subprocess.run(['convert', path, '-depth', '8', 'rgb:-'], check=True, capture_output=True).stdout
    assert len(raw) == width * height * 3, path
    return width, height, raw


def near(a, b, slack=4):
    return all(abs(x - y) <= slack for x, y in zip(a, b))


WHITE_CLASS, MAP_CLASS, LEGEND_CLASS, TITLE_CLASS, BLACK_CLASS, OTHER_CLASS = range(6)


def classify(colour):
    if colour == (255, 255, 255):
        return WHITE_CLASS
    if any(near(colour, c) for c in MAP):
        return MAP_CLASS
    if near(colour, LEGEND):
        return LEGEND_CLASS
    if near(colour, TITLE):
        return TITLE_CLASS
    if near(colour, BLACK, 40):
        return BLACK_CLASS
    return OTHER_CLASS


class Page:
    def __init__(self, path, paper_w, paper_h):
        self.width, self.height, raw = read_png(path)
        # One class per pixel (the pages have few colours: no smoothing).
        known = {}
        self.mask = bytearray(self.width * self.height)
        for i in range(self.width * self.height):
            colour = raw[i * 3:i * 3 + 3]
            c = known.get(colour)
            if c is None:
                c = known[colour] = classify(tuple(colour))
            self.mask[i] = c
        # Landscape documents come out as portrait pages turned a quarter: paper (x, y) lies at
        # (y, paper width - x) on them.
        self.landscape = paper_w > paper_h
        self.paper_w = paper_w

    def row(self, y):
        return self.mask[y * self.width:(y + 1) * self.width]

    def to_pixels(self, rect):
        l, t, r, b = rect
        if self.landscape:
            l, t, r, b = t, self.paper_w - r, b, self.paper_w - l
        return [round(v * DPI / 2540) for v in (l, t, r, b)]

    def box(self, cls):
        """The bounding box of the pixels of a class, or None."""
        found = None
        for y in range(self.height):
            row = self.row(y)
            if cls in row:
                l, r = row.index(cls), row.rindex(cls) + 1
                found = [l, y, r, y + 1] if not found else [min(found[0], l), found[1], max(found[2], r), y + 1]
        return found

    def count(self, cls, rect, inside=True):
        l, t, r, b = (max(0, v) for v in rect)
        within = sum(self.row(y)[l:r].count(cls) for y in range(t, min(b, self.height)))
        return within if inside else self.mask.count(cls) - within

    def black_along(self, x0, y0, x1, y1):
        """The share of points on the segment with black within a pixel of them."""
        steps = max(abs(x1 - x0), abs(y1 - y0), 1)
        hits = 0
        for i in range(steps + 1):
            x = round(x0 + (x1 - x0) * i / steps)
            y = round(y0 + (y1 - y0) * i / steps)
            if any(0 <= x + dx < self.width and 0 <= y + dy < self.height and
                   self.mask[(y + dy) * self.width + x + dx] == BLACK_CLASS for dx in (-1, 0, 1) for dy in (-1, 0, 1)):
                hits += 1
        return hits / (steps + 1)

    def white_outside(self, rect):
        l, t, r, b = rect[0] - TOLERANCE, rect[1] - TOLERANCE, rect[2] + TOLERANCE, rect[3] + TOLERANCE
        for y in range(self.height):
            row = self.row(y)
            if t <= y < b:
                row = row[:max(l, 0)] + row[r:]
            if row.count(WHITE_CLASS) != len(row):
                return False
        return True


def clip(rect, window):
    l, t, r, b = max(rect[0], window[0]), max(rect[1], window[1]), min(rect[2], window[2]), min(rect[3], window[3])
    return (l, t, r, b) if l < r and t < b else None


def close(got, want):
    return got is not None and all(abs(g - w) <= TOLERANCE for g, w in zip(got, want))


def judge(folder, fields):
    name = fields[0]
    values = dict()
    i = 1
    while i < len(fields):
        key = fields[i]
        count = {'paper': 2, 'pages': 2}.get(key, 4)
        values[key] = None if fields[i + 1] == '-' else [int(v) for v in fields[i + 1:i + 1 + count]]
        i += 2 if fields[i + 1] == '-' else 1 + count
    paper_w, paper_h = values['paper']
    across, down = values['pages']
    left, top, right, bottom = values['printable']
    pw, ph = right - left, bottom - top
    stem = os.path.join(folder, name[:-3])
    for old in glob.glob(stem + '-*.png'):
        os.remove(old)
    subprocess.run(['gs', '-q', '-dSAFER', '-dBATCH', '-dNOPAUSE', '-sDEVICE=png16m', '-r%d' % DPI,
                    '-sOutputFile=%s-%%d.png' % stem, os.path.join(folder, name)], check=True)
    pngs = sorted(glob.glob(stem + '-*.png'), key=lambda p: int(p.rsplit('-', 1)[1][:-4]))
    problems = []
    if len(pngs) != across * down:
        return ['%d pages, expected %d' % (len(pngs), across * down)]
    title_ink = 0
    for index, png in enumerate(pngs):
        col, row = index % across, index // across
        page = Page(png, paper_w, paper_h)
        dx, dy = col * pw, row * ph
        window = (left + dx, top + dy, right + dx, bottom + dy)  # what this page shows of the sheet

        def on_paper(rect):
            return (rect[0] - dx, rect[1] - dy, rect[2] - dx, rect[3] - dy)

        where = 'page %d: ' % (index + 1)
        printable = page.to_pixels((left, top, right, bottom))
        if not page.white_outside(printable):
            problems.append(where + 'ink in the margins')
        shown = clip(values['map'], window)
        if shown:
            want = page.to_pixels(on_paper(shown))
            got = page.box(MAP_CLASS)
            if not close(got, want):
                problems.append(where + 'map picture at %s, expected %s' % (got, want))
            # Frame edges inside the printable area are drawn, those outside are cut off there.
            ml, mt, mr, mb = on_paper(values['map'])
            cl, ct, cr, cb = on_paper(window)
            span_y = (max(mt, ct), min(mb, cb))
            span_x = (max(ml, cl), min(mr, cr))
            for x, inside in ((ml, cl <= ml <= cr), (mr, cl <= mr <= cr)):
                at = x if inside else (cl if x < cl else cr)
                seg = page.to_pixels((at, span_y[0], at, span_y[1]))
                share = page.black_along(*seg)
                if inside and share < 0.8 or not inside and share > 0.2:
                    problems.append(where + 'vertical frame edge at %d: %.0f%% black' % (x, share * 100))
            for y, inside in ((mt, ct <= mt <= cb), (mb, ct <= mb <= cb)):
                if inside:
                    seg = page.to_pixels((span_x[0], y, span_x[1], y))
                    share = page.black_along(*seg)
                    if share < 0.8:
                        problems.append(where + 'horizontal frame edge at %d: %.0f%% black' % (y, share * 100))
        if values['legend']:
            shown = clip(values['legend'], window)
            got = page.box(LEGEND_CLASS)
            want = page.to_pixels(on_paper(shown)) if shown else None
            if (want is None) != (got is None) or (want and not close(got, want)):
                problems.append(where + 'legend at %s, expected %s' % (got, want))
        if values['title']:
            box = page.to_pixels(on_paper(values['title']))
            grown = [box[0] - TOLERANCE, box[1] - TOLERANCE, box[2] + TOLERANCE, box[3] + TOLERANCE]
            if page.count(TITLE_CLASS, grown, inside=False):
                problems.append(where + 'title ink outside the title box %s' % box)
            title_ink += page.count(TITLE_CLASS, grown)
    if values['title'] and title_ink == 0:
        problems.append('no title text')
    return problems


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
    for line in open(listing):
        fields = line.split()
        if not fields:
            continue
        problems = judge(folder, fields)
        for p in problems:
            print('FAIL: %s: %s' % (fields[0], p))
        if not problems:
            print('ok: %s' % fields[0])
        status |= bool(problems)
    return status


if __name__ == '__main__':
    sys.exit(main())
