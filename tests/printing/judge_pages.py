#!/usr/bin/env python3
"""Renders what print_test printed with ghostscript (72 dpi PNG, read back with ImageMagick) and
finds on every page the map picture in the map's rectangle, the map frame on its edges (cut at
the printable area), the legend, the title text inside its box, and white margins.
expected.txt: one document per line, "<file> paper w h pages across down printable l t r b
map l t r b legend l t r b|- title l t r b|- entries n", in 0.01 mm on the virtual sheet; a batch print
repeats the sheets once per entry.
A document may add marks that the judge measures inside the map on a 300 dpi rendering:
"points n x1 y1 ... xn yn" (red discs: on each sheet exactly the ones it shows, each within 1 mm),
"circle x y r" (a magenta ring: centred within 1 mm, its radius within 1 %), "line x1 y1 x2 y2"
(cyan: its extent within 1 mm) and "grid s" (the engine's graticule: the distance between its
lines of latitude on paper, in 0.001 mm, within 0.5 %).
A line "<picture>.bmp dpi d grid s" measures the graticule of a picture written at d pixels per inch."""
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


ARITY = {'paper': 2, 'pages': 2, 'entries': 1, 'grid': 1, 'dpi': 1, 'circle': 3}


def parse(fields):
    v, i = {}, 1
    while i < len(fields):
        n = 0 if fields[i + 1] == '-' else ARITY.get(fields[i], 4)
        if fields[i] == 'points':
            n = 1 + 2 * int(fields[i + 1])
        v[fields[i]] = [int(x) for x in fields[i + 1:i + 1 + n]] or None
        i += 1 + max(n, 1)
    return v


def render(stem, kind, device, dpi, extension):
    """The pages of <stem>.ps rendered by ghostscript as <stem><kind>-<n>.<extension>, in order."""
    pattern = '%s%s-*.%s' % (stem, kind, extension)
    for old in glob.glob(pattern):
        os.remove(old)
    subprocess.run(['gs', '-q', '-dSAFER', '-dBATCH', '-dNOPAUSE', '-sDEVICE=' + device, '-r%d' % dpi,
                    '-sOutputFile=%s%s-%%d.%s' % (stem, kind, extension), stem + '.ps'], check=True)
    return sorted(glob.glob(pattern), key=lambda p: int(p.rsplit('-', 1)[1][:-len(extension) - 1]))


def judge(folder, fields):
    v = parse(fields)
    (paper_w, paper_h), (across, down), printable = v['paper'], v['pages'], v['printable']
    entries = v.get('entries', [1])[0]
    pw, ph = printable[2] - printable[0], printable[3] - printable[1]
    stem = os.path.join(folder, fields[0][:-3])
    pngs = render(stem, '', 'png16m', DPI, 'png')
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
    problems += ['no title text'] if v['title'] and not title_ink else []
    if any(k in v for k in ('points', 'circle', 'line', 'grid')):
        problems += judge_marks(stem, v, across, down, entries)
    return problems


# --- Marks inside the map, on a finer rendering -------------------------------------------------

FINE = 300
GRATICULE, POINT, RING, LINE = (180, 196, 214), (255, 0, 0), (255, 0, 255), (0, 255, 255)


def read_ppm(data):
    """Width, height and the RGB bytes of a binary PPM."""
    tokens, at = [], 0
    while len(tokens) < 4:
        while data[at:at + 1].isspace():
            at += 1
        if data[at:at + 1] == b'#':
            at = data.index(b'\n', at)
            continue
        end = at
        while not data[end:end + 1].isspace():
            end += 1
        tokens.append(data[at:end])
        at = end
    return int(tokens[1]), int(tokens[2]), data[at + 1:]


class Raster:
    def __init__(self, data, dpi, paper_w=0, paper_h=0):
        self.w, self.h, self.rgb = read_ppm(data)
        self.dpi, self.turned, self.paper_w = dpi, paper_w > paper_h, paper_w

    def to_pixel(self, x, y):  # 0.01 mm on the page -> pixel
        if self.turned:
            x, y = y, self.paper_w - x
        return x * self.dpi / 2540, y * self.dpi / 2540

    def to_page(self, px, py):  # pixel -> 0.01 mm on the page
        x, y = px * 2540 / self.dpi, py * 2540 / self.dpi
        return (self.paper_w - y, x) if self.turned else (x, y)

    def box(self, r):  # a page rectangle as a pixel box, inside the raster
        (x0, y0), (x1, y1) = self.to_pixel(r[0], r[1]), self.to_pixel(r[2], r[3])
        return (max(int(min(x0, x1)), 0), max(int(min(y0, y1)), 0),
                min(int(max(x0, x1)) + 1, self.w), min(int(max(y0, y1)) + 1, self.h))

    def find(self, colour, r):
        """The pixels of exactly `colour` in page rectangle `r`."""
        needle, (x0, y0, x1, y1), found = bytes(colour), self.box(r), []
        for y in range(y0, y1):
            row = self.rgb[(y * self.w + x0) * 3:(y * self.w + x1) * 3]
            at = row.find(needle)
            while at >= 0:
                if at % 3 == 0:
                    found.append((x0 + at // 3, y))
                at = row.find(needle, at + 1)
        return found

    def colour(self, px, py):
        i = (py * self.w + px) * 3
        return tuple(self.rgb[i:i + 3])


def clusters(pixels, reach):
    """Groups of pixels lying within `reach` of a group's first pixel, as their centres."""
    groups = []
    for x, y in pixels:
        for g in groups:
            if abs(x - g[0][0]) <= reach and abs(y - g[0][1]) <= reach:
                g.append((x, y))
                break
        else:
            groups.append([(x, y)])
    return [(sum(p[0] for p in g) / len(g), sum(p[1] for p in g) / len(g)) for g in groups]


def grid_spacing(raster, pixels_along):
    """The mean distance in pixels between the graticule lines met along a row or column of
    pixels, robust to a line hidden under a mark; None with fewer than two lines."""
    lines, run = [], []
    for i, (px, py) in enumerate(pixels_along):
        if near(raster.colour(px, py), GRATICULE):
            run.append(i)
        elif run:
            if len(run) <= 4:  # a crossing line of the other direction is long
                lines.append(sum(run) / len(run))
            run = []
    if len(lines) < 2:
        return None
    steps = sorted(b - a for a, b in zip(lines, lines[1:]))
    typical = steps[len(steps) // 2]
    return (lines[-1] - lines[0]) / round((lines[-1] - lines[0]) / typical)


def graticule(raster, pixels_along, expected, on=''):
    """What is wrong with the graticule lines met along the pixels: their distance must be
    `expected` (0.001 mm) within 0.5 %."""
    spacing = grid_spacing(raster, pixels_along)
    if spacing is None:
        return ['fewer than two graticule lines']
    got = spacing * 25400 / raster.dpi
    return [] if abs(got - expected) <= 0.005 * expected else \
        ['graticule lines %.0f um apart%s, expected %d' % (got, on, expected)]


def inside(r, x, y, margin=0):
    return r[0] + margin <= x <= r[2] - margin and r[1] + margin <= y <= r[3] - margin


def judge_marks(stem, v, across, down, entries):
    (paper_w, paper_h), printable, m = v['paper'], v['printable'], v['map']
    pw, ph = printable[2] - printable[0], printable[3] - printable[1]
    pages = render(stem, '-fine', 'ppmraw', FINE, 'ppm')
    problems, mm = [], 100
    for number, name in enumerate(pages):
        with open(name, 'rb') as f:
            raster = Raster(f.read(), FINE, paper_w, paper_h)
        os.remove(name)
        where, index = 'page %d: ' % (number + 1), number % (across * down)
        dx, dy = index % across * pw, index // across * ph
        # The part of the map this sheet shows, in sheet coordinates and on the page.
        shown = (max(m[0], printable[0] + dx), max(m[1], printable[1] + dy),
                 min(m[2], printable[2] + dx), min(m[3], printable[3] + dy))
        if shown[0] >= shown[2] or shown[1] >= shown[3]:
            continue
        on_page = (shown[0] - dx, shown[1] - dy, shown[2] - dx, shown[3] - dy)

        def page_of(x, y):
            return raster.to_page(x, y)

        def sheet_of(px, py):
            x, y = page_of(px, py)
            return x + dx, y + dy

        if 'points' in v:
            wanted = [(v['points'][1 + 2 * k], v['points'][2 + 2 * k]) for k in range(v['points'][0])]
            wanted = [p for p in wanted if inside(shown, p[0], p[1], 4 * mm)]
            found = [sheet_of(*c) for c in clusters(raster.find(POINT, on_page), 7 * mm * FINE // 2540)]
            found = [p for p in found if inside(shown, p[0], p[1], 4 * mm)]
            for p in wanted:
                near = [q for q in found if abs(q[0] - p[0]) <= mm and abs(q[1] - p[1]) <= mm]
                if not near:
                    closest = min(found, key=lambda q: abs(q[0] - p[0]) + abs(q[1] - p[1]), default=None)
                    problems.append(where + 'no point at %s (the nearest at %s)' % (p, closest and tuple(round(c) for c in closest)))
            for q in found:
                if not any(abs(q[0] - p[0]) <= mm and abs(q[1] - p[1]) <= mm for p in wanted):
                    problems.append(where + 'a point at %s that this sheet should not show' % (tuple(round(c) for c in q),))
        if 'circle' in v:
            cx, cy, r = v['circle']
            if inside(shown, cx - r, cy - r, mm) and inside(shown, cx + r, cy + r, mm):
                ring = [sheet_of(*p) for p in raster.find(RING, on_page)]
                if not ring:
                    problems.append(where + 'no circle')
                else:
                    mx, my = sum(p[0] for p in ring) / len(ring), sum(p[1] for p in ring) / len(ring)
                    radius = sum(((p[0] - mx) ** 2 + (p[1] - my) ** 2) ** 0.5 for p in ring) / len(ring)
                    if abs(mx - cx) > mm or abs(my - cy) > mm:
                        problems.append(where + 'circle centred at (%d, %d), expected (%d, %d)' % (mx, my, cx, cy))
                    if abs(radius - r) > 0.01 * r:
                        problems.append(where + 'circle radius %.0f, expected %d' % (radius, r))
        if 'line' in v:
            x1, y1, x2, y2 = v['line']
            if inside(shown, min(x1, x2), min(y1, y2), mm) and inside(shown, max(x1, x2), max(y1, y2), mm):
                drawn = [sheet_of(*p) for p in raster.find(LINE, on_page)]
                extent = drawn and (min(p[0] for p in drawn), min(p[1] for p in drawn),
                                    max(p[0] for p in drawn), max(p[1] for p in drawn))
                want = (min(x1, x2), min(y1, y2), max(x1, x2), max(y1, y2))
                if not drawn or any(abs(a - b) > mm for a, b in zip(extent, want)):
                    problems.append(where + 'line over %s, expected %s' % (extent and tuple(round(c) for c in extent), want))
        if 'grid' in v:
            # Down the map 3 mm inside its left edge: the lines of latitude.
            x = shown[0] - dx + 3 * mm
            (px0, py0), (px1, py1) = raster.to_pixel(x, on_page[1] + mm), raster.to_pixel(x, on_page[3] - mm)
            steps = int(max(abs(px1 - px0), abs(py1 - py0)))
            along = [(round(px0 + (px1 - px0) * i / steps), round(py0 + (py1 - py0) * i / steps)) for i in range(steps + 1)]
            problems += [where + p for p in graticule(raster, along, v['grid'][0], ' on paper')]
    return problems


def judge_picture(folder, fields):
    v = parse(fields)
    data = subprocess.run(['convert', os.path.join(folder, fields[0]), 'ppm:-'], check=True, capture_output=True).stdout
    raster = Raster(data, v['dpi'][0])
    x = raster.w // 20
    return graticule(raster, [(x, y) for y in range(raster.h)], v['grid'][0])


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
        problems = (judge_picture if fields[0].endswith('.bmp') else judge)(folder, fields)
        print('\n'.join('FAIL: %s: %s' % (fields[0], p) for p in problems) or 'ok: %s' % fields[0])
        status |= bool(problems)
    return status


if __name__ == '__main__':
    sys.exit(main())
