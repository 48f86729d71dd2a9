#!/usr/bin/env python3
"""GDAL as the judge of the layer exports, on the Linux side.

  export_gdal_check.py <folder>   reads what export_test wrote there with ogrinfo and ogr2ogr
"""
import json
import math
import os
import re
import subprocess
import sys
import xml.etree.ElementTree as ElementTree

FAILURES = []


def fail(message):
    FAILURES.append(message)
    print("FAIL: " + message)


def expect(condition, message):
    if not condition:
        fail(message)


def run(*args, env=None):
    result = subprocess.run(args, capture_output=True, text=True, env=env)
    if result.returncode != 0:
        raise SystemExit("%s failed: %s" % (" ".join(args), result.stderr))
    expect(result.stderr.strip() == "", "%s warns: %s" % (" ".join(args), result.stderr.strip()))
    return result


def geojson(path, *options):
    return json.loads(run("ogr2ogr", "-f", "GeoJSON", *options, "/vsistdout/", path).stdout)["features"]


def feature_styles(path, env=None):
    """The Style line of every feature ogrinfo -al prints, in order."""
    found = []
    for line in run("ogrinfo", "-al", path, env=env).stdout.splitlines():
        m = re.match(r"\s+Style = (.*)", line)
        if m:
            found.append(m.group(1))
    return found


def field_definitions(path):
    """Field name -> definition text ("Real (6.1)") from ogrinfo -so."""
    found = {}
    for line in run("ogrinfo", "-al", "-so", path).stdout.splitlines():
        m = re.match(r"(\w+): (\w+ \(\d+\.\d+\))", line)
        if m:
            found[m.group(1)] = m.group(2)
    return found


def close(a, b):
    return abs(a - b) <= 1e-6


def check_sample(folder):
    path = os.path.join(folder, "sample", "Drivetest.TAB")
    expected = []
    with open(os.path.join(folder, "sample", "expected.txt")) as f:
        for line in f:
            x, y, level, speed, quality, colour, size = line.split()
            expected.append((float(x), float(y), level, speed, int(quality), colour, int(size)))
    features = geojson(path)
    expect(len(features) == len(expected), "sample: %d features, %d rows" % (len(features), len(expected)))
    styles = feature_styles(path)
    for i, (feature, row) in enumerate(zip(features, expected)):
        x, y = feature["geometry"]["coordinates"][:2]
        expect(feature["geometry"]["type"] == "Point", "sample %d: not a point" % i)
        expect(close(x, row[0]) and close(y, row[1]), "sample %d at %s,%s, not %s,%s" % (i, x, y, row[0], row[1]))
        p = feature["properties"]
        expect(abs(p["RxLev"] - float(row[2])) < 1e-9, "sample %d: RxLev %s, not %s" % (i, p["RxLev"], row[2]))
        expect(abs(p["Speed"] - float(row[3])) < 1e-9, "sample %d: Speed %s, not %s" % (i, p["Speed"], row[3]))
        expect(p["Quality"] == row[4], "sample %d: Quality %s, not %s" % (i, p["Quality"], row[4]))
        style = styles[i] if i < len(styles) else ""
        expect(("c:%s" % row[5]) in style.lower(), "sample %d: style %s lacks colour %s" % (i, style, row[5]))
        expect(("s:%dpt" % row[6]) in style, "sample %d: style %s lacks size %dpt" % (i, style, row[6]))
    fields = field_definitions(path)
    expect(fields.get("RxLev", "").endswith("(6.1)"), "sample: RxLev defined as %s" % fields.get("RxLev"))
    expect(fields.get("Speed", "").endswith("(4.1)"), "sample: Speed defined as %s" % fields.get("Speed"))
    expect(fields.get("Quality", "").endswith("(1.0)"), "sample: Quality defined as %s" % fields.get("Quality"))


def check_names(folder):
    path = os.path.join(folder, "names", "Names.TAB")
    fields = field_definitions(path)
    expect(fields.get("A_very_long_display_field_name_") == "String (49.0)",
           "names: long field defined as %s" % fields.get("A_very_long_display_field_name_"))
    expect(fields.get("Signal_Level__dBm__2", "").endswith("(6.1)"),
           "names: the second dBm field defined as %s" % fields.get("Signal_Level__dBm__2"))
    expect("Signal_Level__dBm_" in fields, "names: the first dBm field is missing: %s" % sorted(fields))
    features = geojson(path)
    values = [f["properties"]["Signal_Level__dBm__2"] for f in features]
    expect(values == [-105.5, -60.3], "names: dBm values %s" % values)


def check_kml(folder):
    path = os.path.join(folder, "kml", "KMLpoints.kml")
    features = geojson(path)
    expect(len(features) == 10, "kml: %d placemarks" % len(features))
    if features:
        expect(features[0]["geometry"]["coordinates"][:2] == [-0.5, 51.25],
               "kml: first placemark at %s" % features[0]["geometry"]["coordinates"])
        expect(features[0]["properties"].get("description") == "KML points\n0",
               "kml: description %r" % features[0]["properties"].get("description"))
    env = dict(os.environ, LIBKML_RESOLVE_STYLE="YES")
    styles = feature_styles(path, env)
    expect(len(styles) == 10, "kml: %d styles resolved" % len(styles))
    for i, style in enumerate(styles):
        colour = "#996633FF" if i < 5 else "#FF0000FF"
        expect(style.startswith("SYMBOL(") and ("c:" + colour) in style, "kml %d: style %s, not colour %s" % (i, style, colour))


def check_dialog_outputs(folder):
    features = geojson(os.path.join(folder, "dialog_tab", "Drive.TAB"))
    expect(len(features) == 2, "dialog TAB export: %d features" % len(features))
    features = geojson(os.path.join(folder, "dialog_kml", "Drive.kml"))
    expect(len(features) == 2, "dialog KML export: %d placemarks" % len(features))


def check_unusual_values(folder):
    path = os.path.join(folder, "nonfinite", "Unusual.TAB")
    levels = re.findall(r"\n\s+Level \(\w+\) = (.*)", run("ogrinfo", "-al", path).stdout)
    expect(levels == ["-70.50", "-80.25", "-inf", "-101.50", "nan"], "non-finite values read as %s" % levels)
    level = field_definitions(path).get("Level")
    expect(level == "Real (7.2)", "non-finite values: Level defined as %s" % level)
    kinds = [p["geometry"] and p["geometry"]["type"] for p in geojson(os.path.join(folder, "nonfinite", "Unusual.kml"))]
    expect(kinds == ["Point"] * 5, "non-finite positions: placemarks %s" % kinds)


def check_beyond_ansi(folder):
    greek = os.path.join(folder, "greek", "greek_\u03a6\u03ac\u03ba\u03b5\u03bb\u03bf\u03c2")
    texts = [f["properties"]["____"] for f in geojson(os.path.join(greek, "____.TAB"))]
    expect(texts == ["??????", "Caf\u00e9 5\u20ac", "r2"], "beyond ANSI: texts read as %s" % texts)
    placemarks = geojson(os.path.join(greek, "____.kml"))
    expect(len(placemarks) == 3, "beyond ANSI: %d placemarks" % len(placemarks))


def check_map_rows(folder):
    """Both exports hold the rows the map draws, 7 of a grid of 20 by 10 off the map; the table's values read back
    from a Float column as they were (repr tells NaN, -0 and every digit apart)."""
    base, place = os.path.join(folder, "map_rows"), lambda x, y: "%.2f %.2f" % (float(x), float(y))
    unusual = dict(zip(range(100, 106), (math.nan, 1e308, -0.0, 1e-320, -70.5, 1e20)))
    expected = sorted((place(10 + 0.02 * (r % 20), 50 + 0.02 * (r // 20)), repr(unusual.get(r, -40.5 - r)))
                      for r in range(200) if r not in (3, 10, 11, 20, 21, 40, 41))
    table = sorted((place(*f["geometry"]["coordinates"][:2]), repr(f["properties"]["RxLev"]))
                   for f in geojson(os.path.join(base, "RxLev.TAB"), "-lco", "WRITE_NON_FINITE_VALUES=YES"))
    expect(table == expected, "map rows: the table differs in %s" % sorted(set(table) ^ set(expected))[:5])
    definition = field_definitions(os.path.join(base, "RxLev.TAB")).get("RxLev")
    expect(definition == "Real (0.0)", "map rows: RxLev defined as %s, not as a Float column" % definition)
    kml = ElementTree.parse(os.path.join(base, "RxLev.kml")).iterfind(
        "k:Document/k:Placemark/k:Point/k:coordinates", {"k": "http://www.opengis.net/kml/2.2"})
    placemarks = sorted(place(*c.text.split(",")) for c in kml)
    expect(placemarks == [p for p, _ in expected], "map rows: the KML holds %d placemarks" % len(placemarks))
    expect(len(geojson(os.path.join(base, "RxLev.kml"))) == len(expected), "map rows: GDAL reads other placemarks")


def check_cell_site_lines(folder):
    """Each line table of a cell-site export with lines for every data point holds a line from its cell to each of
    the 8 rows the map draws (not to rows 2, 5, 7 and 9)."""
    base = os.path.join(folder, "cell_site_lines")
    tables = sorted(n for n in os.listdir(base) if n.upper().endswith(".TAB"))
    expect(tables == ["Azimuth.TAB", "Linestoneighborcells-Azimuth.TAB", "Linestoservingcells-Azimuth.TAB"],
           "cell-site lines: the export wrote %s" % tables)
    for table, cell in (("Linestoservingcells-Azimuth.TAB", 10.0), ("Linestoneighborcells-Azimuth.TAB", 10.04)):
        lines = sorted(["%.3f %.3f" % tuple(p[:2]) for p in f["geometry"]["coordinates"]]
                       for f in geojson(os.path.join(base, table)))
        expected = sorted(["%.3f 50.000" % cell, "%.3f %.3f" % (9.98 + 0.007 * r, 49.975 + 0.002 * (r % 3))]
                          for r in range(12) if r not in (2, 5, 7, 9))
        expect(lines == expected, "cell-site lines: %s holds %d lines %s" % (table, len(lines), lines[:3]))


def check_kept(folder, name):
    """A folder whose later exports failed holds the files of the export before them, byte for byte, and ogrinfo reads
    each table in it as it reads the copy made before the failures."""
    kept, copy = os.path.join(folder, name), os.path.join(folder, name + "_before_failures")
    names = sorted(os.listdir(copy))
    expect(sorted(os.listdir(kept)) == names, "%s: holds %s" % (name, sorted(os.listdir(kept))))
    for file in names:
        read = [open(os.path.join(f, file), "rb").read() for f in (kept, copy)]
        expect(read[0] == read[1], "%s: %s is not the file of the earlier export" % (name, file))
        if file.upper().endswith(".TAB"):
            read = [run("ogrinfo", "-al", os.path.join(f, file)).stdout.replace(f, "") for f in (kept, copy)]
            expect("Feature Count: 0" not in read[0] and read[0] == read[1], "%s: GDAL reads %s otherwise" % (name, file))


def check_kept_tables(folder):
    """The table that replaced an earlier one holds its own values, and failed exports after it kept it."""
    for name in ("replaced", "cell_site_lines_kept"):
        check_kept(folder, name)
    levels = [f["properties"]["RxLev"] for f in geojson(os.path.join(folder, "replaced", "RxLev.TAB"))]
    expect(levels == [-70.5 - r for r in range(30)], "replaced: RxLev reads %s" % levels[:5])


def main():
    folder = sys.argv[1]
    for check in (check_sample, check_names, check_kml, check_dialog_outputs, check_unusual_values, check_beyond_ansi,
                  check_map_rows, check_cell_site_lines, check_kept_tables):
        try:
            check(folder)
        except (SystemExit, OSError, ElementTree.ParseError, KeyError, ValueError) as e:
            fail("%s: %s" % (check.__name__, e))
    if FAILURES:
        print("%d failures" % len(FAILURES))
        return 1
    print("GDAL reads the exports as written")
    return 0


if __name__ == "__main__":
    sys.exit(main())
