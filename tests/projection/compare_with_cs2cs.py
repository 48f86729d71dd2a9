#!/usr/bin/env python3
"""Compares our UTM projection (printed by utm_points.exe under Wine) with PROJ's cs2cs."""
import subprocess
import sys


def main():
    ours = subprocess.run(["wine", sys.argv[1]], capture_output=True, text=True, check=True).stdout.split("\n")
    failures = 0
    lines = [l for l in ours if l.strip()]
    if len(lines) < 10:
        print("too few points from the projection:", ours)
        return 1
    for line in lines:
        zone, hemi, lon, lat, east, north, back_lon, back_lat = line.split()
        south = " +south" if hemi == "S" else ""
        args = ["cs2cs", "-f", "%.4f", "+proj=longlat", "+datum=WGS84", "+to", "+proj=utm", "+zone=" + zone + south,
                "+datum=WGS84"]
        theirs = subprocess.run(args, input=f"{lon} {lat}\n", capture_output=True, text=True, check=True).stdout.split()
        de, dn = abs(float(theirs[0]) - float(east)), abs(float(theirs[1]) - float(north))
        dlon, dlat = abs(float(back_lon) - float(lon)), abs(float(back_lat) - float(lat))
        ok = de < 0.002 and dn < 0.002 and dlon < 1e-8 and dlat < 1e-8
        print(("ok  " if ok else "FAIL"), line, "| cs2cs", theirs[0], theirs[1], f"| diff {de:.4f} {dn:.4f}")
        failures += 0 if ok else 1
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
