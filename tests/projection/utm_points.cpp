// Reads lines "zoneLatitude zoneLongitude latitude longitude" and writes, for each, the zone, the
// hemisphere, the projected easting and northing, and the point that InverseProjection gives for
// the easting and northing of the line's fifth and sixth numbers (when given; else its own).
#include "ZmaVOMap2/projection/CoordinateSystem.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    FILE* in = std::fopen(argv[1], "r");
    FILE* out = std::fopen(argv[2], "w");
    if (!in || !out) return 2;
    char line[512];
    while (std::fgets(line, sizeof line, in)) {
        double zoneLat, zoneLon, lat, lon, easting, northing;
        const int n = std::sscanf(line, "%lf %lf %lf %lf %lf %lf", &zoneLat, &zoneLon, &lat, &lon, &easting, &northing);
        if (n < 4) continue;
        CCoordinateSystem utm;
        if (!utm.InitUTM(zoneLat, zoneLon)) return 3;
        CCoordinate projected;
        if (!utm.ForwardProjection(CCoordinate(lon, lat, 0, CCoordinate::kGeographic), projected)) return 4;
        if (n < 6) {
            easting = projected.GetX();
            northing = projected.GetY();
        }
        CCoordinate back;
        if (!utm.InverseProjection(CCoordinate(easting, northing, 0, CCoordinate::kProjected), back)) return 5;
        std::fprintf(out, "%d %d %.6f %.6f %.12f %.12f\n", utm.Zone(), utm.IsSouth() ? 1 : 0, projected.GetX(),
                     projected.GetY(), back.GetY(), back.GetX());
    }
    std::fclose(out);
    std::fclose(in);
    return 0;
}
