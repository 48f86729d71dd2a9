#!/usr/bin/env python3
"""Has GDAL's ogr2ogr write, from GeoJSON, the tables the workspace tests name, into each folder
given (one for each run of the tests, which write their workspaces beside the tables):

  <folder>/maps/roads.tab        lines, fields name and lanes
  <folder>/maps/rivers.tab       lines, field name
  <folder>/maps/sub/parks.tab    regions, field name
  <folder>/my.data/sites.tab     points, field name (a folder with a dot in its name)
  <folder>/my.data/my roads.v2.tab  the roads again, under a name with a blank and a dot
  <folder>/maps/many/t<n>.tab    3 000 tables of one folder, each the roads table
  <folder>/maps/links/L, M       two links to the folder they are in
"""
import json
import os
import shutil
import subprocess
import sys

MANY = 3000

TABLES = {
    "maps/roads": [({"name": "A1", "lanes": 4}, {"type": "LineString", "coordinates": [[0, 51], [0.5, 51.5]]}),
                   ({"name": "B2", "lanes": 2}, {"type": "LineString", "coordinates": [[0.2, 51], [0.2, 51.4]]})],
    "maps/rivers": [({"name": "Wey"}, {"type": "LineString", "coordinates": [[0.1, 51.1], [0.4, 51.2]]})],
    "maps/sub/parks": [({"name": "Common"},
                        {"type": "Polygon", "coordinates": [[[0, 51], [0.1, 51], [0.1, 51.1], [0, 51]]]})],
    "my.data/sites": [({"name": "S1"}, {"type": "Point", "coordinates": [0.3, 51.3]})],
}
TABLES["my.data/my roads.v2"] = TABLES["maps/roads"]


def make(root):
    for folder in ("maps", "my.data"):
        shutil.rmtree(os.path.join(root, folder), ignore_errors=True)
    for table, features in TABLES.items():
        base = os.path.join(root, table)
        os.makedirs(os.path.dirname(base), exist_ok=True)
        source = base + ".geojson"
        with open(source, "w") as f:
            json.dump({"type": "FeatureCollection", "features": [
                {"type": "Feature", "properties": p, "geometry": g} for p, g in features]}, f)
        result = subprocess.run(["ogr2ogr", "-f", "MapInfo File", base + ".tab", source],
                                capture_output=True, text=True)
        if result.returncode != 0:
            raise SystemExit("ogr2ogr failed on %s: %s" % (table, result.stderr))
        os.remove(source)
    # Linked, not written, so that the folder is made in a moment.
    many = os.path.join(root, "maps", "many")
    os.makedirs(many)
    for n in range(MANY):
        for extension in ("tab", "dat", "map", "id"):
            source = os.path.join(root, "maps", "roads." + extension)
            target = os.path.join(many, "t%d.%s" % (n, extension))
            try:
                os.link(source, target)
            except OSError:
                shutil.copyfile(source, target)
    links = os.path.join(root, "maps", "links")
    os.makedirs(links)
    for name in ("L", "M"):
        os.symlink(".", os.path.join(links, name))
    print("made %d tables under %s" % (len(TABLES) + MANY, root))


def main():
    if len(sys.argv) < 2:
        raise SystemExit("usage: make_tables.py <folder>...")
    for root in sys.argv[1:]:
        make(root)


if __name__ == "__main__":
    main()
