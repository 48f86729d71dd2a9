#!/usr/bin/env python3
"""GDAL as the judge of our TAB library, on the Linux side.

  gdal_check.py make <folder>   has ogr2ogr write from_gdal/mixed.tab (read by mitab_test)
  gdal_check.py check <folder>  reads the tables mitab_test wrote with ogrinfo and ogr2ogr
"""
import json
import math
import os
import re
import subprocess
import sys

FAILURES = []


def fail(message):
    FAILURES.append(message)
    print("FAIL: " + message)


def expect(condition, message):
    if not condition:
        fail(message)


def run(*args):
    result = subprocess.run(args, capture_output=True, text=True)
    if result.returncode != 0:
        raise SystemExit("%s failed: %s" % (" ".join(args), result.stderr))
    return result


def make(folder):
    out = os.path.join(folder, "from_gdal")
    os.makedirs(out, exist_ok=True)
    features = [
        ("cell", 17, 1.5, {"type": "Point", "coordinates": [-0.5, 51.25]}),
        ("site", 3, -2.25, {"type": "Point", "coordinates": [1.125, 52.0]}),
        ("road", 0, 0.0, {"type": "LineString", "coordinates": [[0, 50], [0.5, 50.5], [1, 50.25]]}),
        ("rail", 1, 0.0, {"type": "MultiLineString",
                          "coordinates": [[[2, 50], [2.5, 50.5]], [[2.6, 50.6], [2.9, 50.9]]]}),
        ("park", 2, 0.0, {"type": "Polygon",
                          "coordinates": [[[3, 50], [4, 50], [4, 51], [3, 51], [3, 50]],
                                          [[3.2, 50.2], [3.4, 50.2], [3.4, 50.4], [3.2, 50.2]]]}),
    ]
    collection = {"type": "FeatureCollection", "features": [
        {"type": "Feature", "properties": {"name": n, "count": c, "value": v}, "geometry": g}
        for n, c, v, g in features]}
    source = os.path.join(out, "mixed.geojson")
    with open(source, "w") as f:
        json.dump(collection, f)
    for name in os.listdir(out):
        if not name.endswith(".geojson"):
            os.remove(os.path.join(out, name))
    run("ogr2ogr", "-f", "MapInfo File", os.path.join(out, "mixed.tab"), source)
    # Close together, so that GDAL keeps the lines and regions in the compressed form.
    dense = [{"type": "Point", "coordinates": [0.001 * i, 51 + 0.0005 * i]} for i in range(100)] + [
        {"type": "LineString", "coordinates": [[0, 51], [0.001, 51.002], [0.003, 51.001]]},
        {"type": "MultiLineString", "coordinates": [[[0, 51], [0.001, 51.002]], [[0.004, 51.004], [0.005, 51.003]]]},
        {"type": "Polygon", "coordinates": [[[0, 51], [0.01, 51], [0.01, 51.01], [0, 51]]]}]
    source = os.path.join(out, "dense.geojson")
    with open(source, "w") as f:
        json.dump({"type": "FeatureCollection", "features": [
            {"type": "Feature", "properties": {"i": i}, "geometry": g} for i, g in enumerate(dense)]}, f)
    run("ogr2ogr", "-f", "MapInfo File", os.path.join(out, "dense.tab"), source)
    print("made mixed.tab and dense.tab in " + out)


def geojson(path):
    result = run("ogr2ogr", "-f", "GeoJSON", "/vsistdout/", path)
    expect(result.stderr.strip() == "", "ogr2ogr warns on %s: %s" % (path, result.stderr.strip()))
    return json.loads(result.stdout)["features"]


def styles(path, layer):
    """The Style line of every feature ogrinfo -al prints, by feature id; warnings fail."""
    result = run("ogrinfo", "-al", path)
    expect(result.stderr.strip() == "", "ogrinfo warns on %s: %s" % (path, result.stderr.strip()))
    found = {}
    current = None
    for line in result.stdout.splitlines():
        m = re.match(r"OGRFeature\(%s\):(\d+)" % layer, line)
        if m:
            current = int(m.group(1))
        m = re.match(r"\s+Style = (.*)", line)
        if m and current is not None:
            found[current] = m.group(1)
    return found


def close(a, b):
    return abs(a - b) <= 1e-6


def first_vertex(geometry):
    c = geometry["coordinates"]
    while isinstance(c[0], list):
        c = c[0]
    return c


def check_kinds(folder):
    path = os.path.join(folder, "kinds.TAB")
    features = geojson(path)
    expect(len(features) == 8, "kinds: %d features" % len(features))
    expected = [
        ("Point", [-0.5, 51.25], {"Name": "alpha", "Count": 42, "Value": -12.5, "Ratio": 0.125,
                                  "Day": "2024-03-05", "Signal_Level__dBm_": "-71"}),
        ("Point", [-0.25, 51.5], {"Name": "alpha two", "Count": 0, "Ratio": 0.0, "Day": None,
                                  "Signal_Level__dBm_": ""}),
        ("Point", [2.25, -3.5], {"Name": "beta"}),
        ("LineString", [0, 0], {"Name": "gamma", "Count": 7, "Value": 3.14, "Ratio": -2500.0, "Day": "2023-12-31"}),
        ("MultiLineString", [5, 5], {"Name": "d\u00e9lta", "Value": 123456.8}),
        ("Polygon", [10, 10], {"Name": "epsilon"}),
        ("MultiPolygon", [30, 30], {"Name": "zeta"}),
        (None, None, {"Name": "eta"}),
    ]
    for i, (kind, vertex, attributes) in enumerate(expected):
        if i >= len(features):
            break
        f = features[i]
        g = f["geometry"]
        if kind is None:
            expect(g is None, "kinds row %d: geometry %r" % (i + 1, g))
        else:
            expect(g is not None and g["type"] == kind, "kinds row %d: %r is not a %s" % (i + 1, g and g["type"], kind))
            if g:
                v = first_vertex(g)
                expect(close(v[0], vertex[0]) and close(v[1], vertex[1]), "kinds row %d: vertex %r" % (i + 1, v))
        for name, value in attributes.items():
            got = f["properties"].get(name)
            if isinstance(value, float):
                ok = got is not None and abs(got - value) < 1e-9
            elif name == "Signal_Level__dBm_" and value == "":
                ok = got in ("", None)
            else:
                ok = got == value
            expect(ok, "kinds row %d: %s is %r, not %r" % (i + 1, name, got, value))
    # The polygon with a hole and the closed outer ring.
    polygon = features[5]["geometry"]["coordinates"]
    expect(len(polygon) == 2 and len(polygon[0]) == 5, "kinds row 6: rings %r" % polygon)
    # Attribute widths: the decimal keeps its width and precision.
    info = run("ogrinfo", "-al", "-so", path).stdout
    expect(re.search(r"Value: Real \(8\.2\)", info) is not None, "kinds: decimal field is not Real (8.2):\n" + info)
    expect(re.search(r"Name: String \(20\.0\)", info) is not None, "kinds: Name is not String (20)")

    # Spatial filters step through object blocks that mix every kind of object.
    for box, names in ((("9", "9", "21", "21"), ["epsilon"]), (("-1", "-4", "3", "2"), ["beta", "gamma"]),
                       (("-1", "51", "0", "52"), ["alpha", "alpha two"])):
        found = run("ogrinfo", "-al", "-q", "-spat", *box, path).stdout
        got = re.findall(r"Name \(String\) = (.*)", found)
        expect(got == names, "kinds: spatial filter %r finds %r" % (box, got))

    s = styles(path, "kinds")
    expect('c:#996633' in s.get(1, "") and 's:14pt' in s.get(1, "") and 'font-sym-65' in s.get(1, "")
           and 'a:30' in s.get(1, "") and 'o:#ffffff' in s.get(1, "") and 'f:"Wingdings"' in s.get(1, ""),
           "kinds row 1 font symbol style: %r" % s.get(1))
    expect('c:#ff0000' in s.get(3, "") and 's:9pt' in s.get(3, "") and 'mapinfo-sym-34' in s.get(3, ""),
           "kinds row 3 symbol style: %r" % s.get(3))
    expect('c:#0000ff' in s.get(4, "") and 'w:3px' in s.get(4, ""), "kinds row 4 pen: %r" % s.get(4))
    expect('c:#00ff00' in s.get(5, "") and 'mapinfo-pen-9' in s.get(5, ""), "kinds row 5 pen: %r" % s.get(5))
    expect('fc:#00ffff' in s.get(6, "") and 'c:#800000' in s.get(6, ""), "kinds row 6 brush/pen: %r" % s.get(6))


def check_many(folder):
    path = os.path.join(folder, "many.TAB")
    features = geojson(path)
    expect(len(features) == 20000, "many: %d features" % len(features))
    for f in features[::997]:
        row = f["properties"]["Row"] - 1
        x, y = f["geometry"]["coordinates"]
        expect(close(x, -10.0 + (row % 200) * 0.1) and close(y, 40.0 + (row // 200) * 0.1),
               "many row %d at %r" % (row + 1, (x, y)))
    # A spatial filter walks the index: points with x in [-5.05, -4.95] and y in [44.95, 46.05].
    result = run("ogrinfo", "-al", "-so", "-spat", "-5.05", "44.95", "-4.95", "46.05", path)
    m = re.search(r"Feature Count: (\d+)", result.stdout)
    expect(m is not None and int(m.group(1)) == 11, "many: spatial filter counts %s" % (m and m.group(1)))


def check_long(folder):
    features = geojson(os.path.join(folder, "long.TAB"))
    expect(len(features) == 3, "long: %d features" % len(features))
    for f in features:
        c = f["geometry"]["coordinates"]
        expect(len(c) == 3000, "long: %d vertices" % len(c))
        bad = [i for i in range(0, len(c), 37) if not (close(c[i][0], i * 0.01) and close(c[i][1], math.sin(i * 0.01)))]
        expect(not bad, "long: vertices %r differ" % bad[:5])


def check_edges(folder):
    empty = os.path.join(folder, "empty.TAB")
    result = run("ogrinfo", "-al", "-so", empty)
    expect(result.stderr.strip() == "", "empty: warnings %s" % result.stderr.strip())
    expect("Feature Count: 0" in result.stdout, "empty: not 0 features:\n" + result.stdout)
    path = os.path.join(folder, "styles.TAB")
    features = geojson(path)
    expect(len(features) == 301, "styles: %d features" % len(features))
    s = styles(path, "styles")
    # Row 200 has the colour value 597 = 0x00000255: red 0x55, green 0x02.
    expect('c:#550200' in s.get(200, ""), "styles row 200: %r" % s.get(200))
    expect('a:270' in s.get(301, "") and 'c:#332211' in s.get(301, "") and 'font-sym-40' in s.get(301, ""),
           "styles row 301: %r" % s.get(301))


def check(folder):
    check_kinds(folder)
    check_edges(folder)
    check_many(folder)
    check_long(folder)
    if FAILURES:
        print("%d GDAL check(s) failed" % len(FAILURES))
        sys.exit(1)
    print("GDAL reads every table as written")


if __name__ == "__main__":
    if len(sys.argv) != 3 or sys.argv[1] not in ("make", "check"):
        raise SystemExit(__doc__)
    os.makedirs(sys.argv[2], exist_ok=True)
    (make if sys.argv[1] == "make" else check)(sys.argv[2])
