#!/usr/bin/env python3
"""GDAL reads the line tables that lines_test wrote: two-point polylines from the cell to the
point, the "Label" field, solid serving lines (pen pattern 2) and dashed neighbour lines (9); and
the three tables of a cell-site layer's export: its points, then its serving and neighbour lines,
each line table named after its layer and the data layer, both without blanks."""
import os
import subprocess
import sys

folder = sys.argv[1]
failures = []


def layer_of(name):
    path = os.path.join(folder, name)
    if not os.path.exists(path):
        failures.append("missing " + name)
        return ""
    result = subprocess.run(["ogrinfo", "-al", "-ro", path], capture_output=True, text=True)
    if result.returncode != 0:
        failures.append("ogrinfo refused %s: %s" % (name, result.stderr))
    return result.stdout


for name, count, pattern, first in [
        ("Linestoservingcells-Site_Name-Azimuth.TAB", 1, 2, "LINESTRING (10.05 50.15,10.1 49.95)"),
        ("Linestoneighborcells-Site_Name-Azimuth.TAB", 2, 9, "LINESTRING (10.35 50.15,10.1 49.95)")]:
    text = layer_of(name)
    if "Feature Count: %d" % count not in text:
        failures.append("%s: not %d features" % (name, count))
    if "Label: String (30.0)" not in text:
        failures.append("%s: no Label field of 30 characters" % name)
    if "Label (String) = Level: 0" not in text:
        failures.append("%s: no label text" % name)
    if "mapinfo-pen-%d" % pattern not in text:
        failures.append("%s: not pen pattern %d" % (name, pattern))
    if first not in text:
        failures.append("%s: no line %s" % (name, first))

# The cell-site layer's own export: three tables under three names in one folder.
sites = os.path.join(folder, "cellsites")
tables = sorted(n for n in os.listdir(sites) if n.upper().endswith(".TAB")) if os.path.isdir(sites) else []
line_tables = [n for n in tables if n.startswith("Linesto")]
point_tables = [n for n in tables if not n.startswith("Linesto")]
if len(tables) != 3 or len(point_tables) != 1:
    failures.append("the cell-site export wrote %s, not a points table and two line tables" % tables)
else:
    suffix = "-" + point_tables[0]
    for kind, count in [("Linestoservingcells", 1), ("Linestoneighborcells", 2)]:
        text = layer_of(os.path.join("cellsites", kind + suffix))
        if "Feature Count: %d" % count not in text:
            failures.append("%s%s: not %d features" % (kind, suffix, count))
    text = layer_of(os.path.join("cellsites", point_tables[0]))
    if "Geometry: Point" not in text:
        failures.append("%s: not a points table" % point_tables[0])

for message in failures:
    print("FAIL: " + message)
print("line tables read by GDAL" if not failures else "%d failures" % len(failures))
sys.exit(1 if failures else 0)
