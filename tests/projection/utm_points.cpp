// Prints our UTM projection of a spread of positions, one per line:
// "<zone> <N|S> <longitude> <latitude> <easting> <northing>", for a comparison with PROJ.
#include "ZmaVOMap2/projection/CoordinateSystem.h"

#include <cstdio>

int main() {
    struct Case {
        double lat, lon;
        int zoneShift;  // projected this many zones away from its own zone
    };
    const Case cases[] = {{0.0, 3.0, 0},     {48.137, 11.575, 0}, {51.5, -0.12, 0},   {-33.87, 151.21, 0},
                          {-54.8, -68.3, 0}, {60.39, 5.32, 0},    {78.22, 15.65, 0},  {70.0, 29.99, 0},
                          {12.5, -179.5, 0}, {45.0, 9.0, 1},      {45.0, 14.99, -1},  {52.0, 21.0, 2},
                          {35.0, -100.0, 3}, {-20.0, 47.0, -2},   {83.9, 100.0, 0}};
    for (const Case& c : cases) {
        CCoordinateSystem utm;
        utm.InitUTM(c.lat, c.lon);
        utm.SetZone((utm.Zone() - 1 + c.zoneShift + 60) % 60 + 1, utm.IsNorth());
        CCoordinate projected, back;
        if (!utm.ForwardProjection(CCoordinate(c.lon, c.lat, 0, CCoordinate::kGeographic), projected) ||
            !utm.InverseProjection(projected, back))
            return 1;
        std::printf("%d %c %.9f %.9f %.4f %.4f %.9f %.9f\n", utm.Zone(), utm.IsNorth() ? 'N' : 'S', c.lon, c.lat,
                    projected.GetX(), projected.GetY(), back.GetX(), back.GetY());
    }
    return 0;
}
