#!/usr/bin/env python3
"""Our UTM projection, run under Wine, against PROJ's cs2cs on the Linux side.

A grid of points in several zones of both hemispheres, each projected in the zone of the grid's
centre: the easting and northing must agree with cs2cs within 1 mm, and the inverse of cs2cs's own
easting and northing must agree with cs2cs's inverse within 1e-9 degrees.
"""
import os
import shutil
import subprocess
import sys

FORWARD_TOLERANCE_M = 0.001
INVERSE_TOLERANCE_DEG = 1e-9


def grid():
    # Zone centres chosen to cover both hemispheres, both sides of Greenwich and the antimeridian.
    centres = [(51.5, -0.1), (-33.9, 18.4), (40.7, -74.0), (-36.8, 174.8), (64.1, -21.9),
               (1.3, 103.8), (-54.8, -68.3), (35.7, 139.7), (0.0, 3.0), (-0.5, 177.0)]
    points = []
    for zlat, zlon in centres:
        zone = int((zlon + 180) // 6) + 1
        meridian = zone * 6 - 183
        south = zlat < 0
        for dlat in (-8.0, -2.5, 0.0, 3.75, 9.0):
            lat = zlat + dlat
            if south and lat >= 0:
                lat = -0.001
            if not south and lat < 0:
                lat = 0.0
            lat = max(-80.0, min(84.0, lat))
            for dlon in (-2.999, -1.3, 0.0, 0.7, 2.999):
                points.append((zlat, zlon, zone, south, lat, meridian + dlon))
    return points


def cs2cs(zone, south, lines, inverse):
    proj = '+proj=utm +zone=%d %s+datum=WGS84 +units=m' % (zone, '+south ' if south else '')
    args = ['cs2cs', '-f', '%.12f']
    if inverse:
        args += [proj, '+to', '+proj=longlat', '+datum=WGS84']
    else:
        args += ['+proj=longlat', '+datum=WGS84', '+to', proj]
    out = subprocess.run(args, input=''.join(lines), capture_output=True, text=True, check=True).stdout
    return [[float(v) for v in row.split()[:2]] for row in out.strip().splitlines()]


def main():
    exe, workdir = sys.argv[1], sys.argv[2]
    if not shutil.which('cs2cs'):
        print('cs2cs is missing: install the Debian package proj-bin')
        return 1
    points = grid()
    # The reference: cs2cs forward, then cs2cs inverse of its own result, one run per zone.
    reference = [None] * len(points)
    zones = sorted({(p[2], p[3]) for p in points})
    for zone, south in zones:
        idx = [i for i, p in enumerate(points) if (p[2], p[3]) == (zone, south)]
        fwd = cs2cs(zone, south, ['%.12f %.12f\n' % (points[i][5], points[i][4]) for i in idx], False)
        inv = cs2cs(zone, south, ['%.6f %.6f\n' % (e, n) for e, n in fwd], True)
        for i, (e, n), (rlon, rlat) in zip(idx, fwd, inv):
            reference[i] = (e, n, rlat, rlon)

    src = os.path.join(workdir, 'utm_points_in.txt')
    dst = os.path.join(workdir, 'utm_points_out.txt')
    with open(src, 'w') as f:
        for (zlat, zlon, zone, south, lat, lon), (e, n, _, _) in zip(points, reference):
            f.write('%.12f %.12f %.12f %.12f %.6f %.6f\n' % (zlat, zlon, lat, lon, e, n))
    subprocess.run(['wine', exe, 'Z:' + src.replace('/', '\\'), 'Z:' + dst.replace('/', '\\')], check=True)
    with open(dst) as f:
        ours = [line.split() for line in f if line.strip()]
    if len(ours) != len(points):
        print('expected %d results, got %d' % (len(points), len(ours)))
        return 1

    failures = 0
    worst_m = worst_deg = 0.0
    for (zlat, zlon, zone, south, lat, lon), (e, n, rlat, rlon), row in zip(points, reference, ours):
        our_zone, our_south = int(row[0]), row[1] == '1'
        oe, on, olat, olon = map(float, row[2:])
        d_m = max(abs(oe - e), abs(on - n))
        d_deg = max(abs(olat - rlat), abs(olon - rlon))
        worst_m, worst_deg = max(worst_m, d_m), max(worst_deg, d_deg)
        if our_zone != zone or our_south != south or d_m > FORWARD_TOLERANCE_M or d_deg > INVERSE_TOLERANCE_DEG:
            failures += 1
            print('MISMATCH at %.6f %.6f zone %d%s: ours %s, cs2cs %.6f %.6f %.12f %.12f'
                  % (lat, lon, zone, 'S' if south else 'N', ' '.join(row), e, n, rlat, rlon))
    print('%d points, worst forward %.3g m, worst inverse %.3g deg' % (len(points), worst_m, worst_deg))
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
