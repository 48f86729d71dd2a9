#!/usr/bin/env python3
"""GDAL and ImageMagick judge where raster_test's tiles lie, on the Linux side.

  judge_tile_places.py <folder>

Every folder below <folder> that holds "placed.txt" ("<source image> <source table>") and
"expected.txt" (the tiles and their regions of the source: "<tile> <source> <x> <y> <w> <h> <fuzz>")
is judged twice:
- georeference: GDAL reads the source's raster table and each tile's, and each tile's pixel
  positions must map where the source maps the same pixel positions (within a thousandth of a
  source pixel);
- drawing: GDAL warps the source, and all the tiles together, onto one north-up grid three times
  finer than the source's smaller pixel side, and ImageMagick finds the two pictures equal pixel
  for pixel.
GDAL reads a raster table for the picture beside it of the same name, through its TIFF reader:
each bitmap is copied pixel for pixel into a TIFF file first, with its table beside it.
"""
import json
import math
import os
import shutil
import subprocess
import sys

FAILURES = []


def fail(message):
    FAILURES.append(message)
    print("FAIL: " + message)


def run(*args):
    result = subprocess.run(args, capture_output=True, text=True)
    if result.returncode != 0:
        raise RuntimeError("%s failed: %s" % (" ".join(args), result.stderr.strip()))
    return result.stdout


def georeferenced(picture, table, work, name):
    """`picture` as a TIFF file with `table` beside it, its size and its GDAL geotransform (None
    when GDAL finds none)."""
    tif = os.path.join(work, name + ".tif")
    run("gdal_translate", "-q", "-of", "GTiff", picture, tif)
    shutil.copyfile(table, os.path.join(work, name + ".tab"))
    info = json.loads(run("gdalinfo", "-json", tif))
    return tif, info["size"], info.get("geoTransform")


def to_map(gt, column, row):
    return gt[0] + gt[1] * column + gt[2] * row, gt[3] + gt[4] * column + gt[5] * row


def in_pixels(gt, dx, dy):
    """A map offset in pixels of the geotransform `gt`."""
    det = gt[1] * gt[5] - gt[2] * gt[4]
    return (gt[5] * dx - gt[2] * dy) / det, (gt[1] * dy - gt[4] * dx) / det


def warp(pictures, grid, png):
    tif = png[:-4] + ".tif"
    run("gdalwarp", "-q", "-overwrite", "-et", "0", "-r", "near", "-te", *grid["te"], "-ts", *grid["ts"],
        *pictures, tif)
    run("gdal_translate", "-q", "-of", "PNG", tif, png)


def judge(folder):
    with open(os.path.join(folder, "placed.txt")) as placed:
        image, table = placed.read().split()
    with open(os.path.join(folder, "expected.txt")) as expected:
        tiles = [line.split() for line in expected if line.strip()]
    work = os.path.join(folder, "judged")
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)

    source, (width, height), gt = georeferenced(os.path.join(folder, image), os.path.join(folder, table), work, "source")
    if gt is None:
        fail("%s: GDAL finds no georeference in %s" % (folder, table))
        return
    drawn = []
    for tile, _, x, y, w, h, _ in tiles:
        x, y, w, h = int(x), int(y), int(w), int(h)
        name = os.path.splitext(os.path.basename(tile))[0]
        path, _, tile_gt = georeferenced(os.path.join(folder, tile), os.path.join(folder, os.path.splitext(tile)[0] + ".tab"),
                                      work, name)
        drawn.append(path)
        if tile_gt is None:
            fail("%s: GDAL finds no affine georeference in %s's table" % (folder, name))
            continue
        worst = 0.0
        for column, row in ((0, 0), (w, 0), (0, h), (w, h)):
            tx, ty = to_map(tile_gt, column, row)
            sx, sy = to_map(gt, x + column, y + row)
            worst = max(worst, math.hypot(*in_pixels(gt, tx - sx, ty - sy)))
        if worst > 1e-3:
            fail("%s: %s puts its pixels up to %.3f source pixels off their place in the source" % (folder, name, worst))

    # The grid: the source's bounding box, in cells a third of the source's smaller pixel side,
    # so that no cell centre falls on a pixel edge of an upright source.
    corners = [to_map(gt, c, r) for c, r in ((0, 0), (width, 0), (0, height), (width, height))]
    xmin, ymin = min(c[0] for c in corners), min(c[1] for c in corners)
    xmax, ymax = max(c[0] for c in corners), max(c[1] for c in corners)
    cell = min(math.hypot(gt[1], gt[4]), math.hypot(gt[2], gt[5])) / 3
    across, down = math.ceil((xmax - xmin) / cell - 1e-9), math.ceil((ymax - ymin) / cell - 1e-9)
    grid = {"te": ["%.15g" % v for v in (xmin, ymax - down * cell, xmin + across * cell, ymax)],
            "ts": [str(across), str(down)]}
    warp([source], grid, os.path.join(work, "source_drawn.png"))
    warp(drawn, grid, os.path.join(work, "tiles_drawn.png"))
    result = subprocess.run(["compare", "-metric", "AE", os.path.join(work, "tiles_drawn.png"),
                             os.path.join(work, "source_drawn.png"), os.path.join(work, "difference.png")],
                            capture_output=True, text=True)
    differing = result.stderr.strip()
    if differing != "0":
        fail("%s: the tiles drawn differ from the source drawn in %s of %d pixels (%s)" %
             (folder, differing, across * down, os.path.join(work, "difference.png")))
    print("%s: %d tiles judged, drawn on %d x %d" % (folder, len(tiles), across, down))


def main():
    root = sys.argv[1]
    folders = sorted(dirpath for dirpath, _, files in os.walk(root) if "placed.txt" in files)
    if not folders:
        fail("no placed tiles under " + root)
    for folder in folders:
        try:
            judge(folder)
        except (RuntimeError, OSError, ValueError) as error:
            fail("%s: %s" % (folder, error))
    print("tile places judged" if not FAILURES else "%d failures" % len(FAILURES))
    return 1 if FAILURES else 0


if __name__ == "__main__":
    sys.exit(main())
