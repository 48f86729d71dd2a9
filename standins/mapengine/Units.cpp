#include "standins/mapengine/Units.h"

#include "standins/mapengine/EngineDispatch.h"

#include <cmath>
#include <string>

namespace mapengine {

bool UnitLengthMetres(long unit, double& metres) {
    switch (unit) {
    case 0: metres = 1609.344; return true;                      // mile
    case 1: metres = 1000.0; return true;                        // kilometre
    case 2: metres = 0.0254; return true;                        // inch
    case 3: metres = 0.3048; return true;                        // foot
    case 4: metres = 0.9144; return true;                        // yard
    case 5: metres = 0.001; return true;                         // millimetre
    case 6: metres = 0.01; return true;                          // centimetre
    case 7: metres = 1.0; return true;                           // metre
    case 8: metres = 1200.0 / 3937.0; return true;               // survey foot
    case 9: metres = 1852.0; return true;                        // nautical mile
    case 10: metres = 0.0254 / 1440.0; return true;              // twip
    case 11: metres = 0.0254 / 72.0; return true;                // point
    case 12: metres = 0.0254 / 6.0; return true;                 // pica
    case 13: metres = kPi * kEarthRadiusMetres / 180.0; return true;  // degree of a great circle
    case 30: metres = 0.201168; return true;                     // link
    case 31: metres = 20.1168; return true;                      // chain
    case 32: metres = 5.0292; return true;                       // rod
    default: return false;
    }
}

double MetresPerUnit(long unit) {
    double metres = 0;
    if (!UnitLengthMetres(unit, metres)) Fail(E_INVALIDARG, L"Unknown distance unit " + std::to_wstring(unit));
    return metres;
}

double ConvertLength(double value, long fromUnit, long toUnit) {
    return value * MetresPerUnit(fromUnit) / MetresPerUnit(toUnit);
}

double GreatCircleMetres(double lon1, double lat1, double lon2, double lat2) {
    const double rad = kPi / 180.0;
    double dLat = (lat2 - lat1) * rad;
    double dLon = (lon2 - lon1) * rad;
    double a = std::sin(dLat / 2) * std::sin(dLat / 2) +
               std::cos(lat1 * rad) * std::cos(lat2 * rad) * std::sin(dLon / 2) * std::sin(dLon / 2);
    return 2.0 * kEarthRadiusMetres * std::atan2(std::sqrt(a), std::sqrt(1.0 - a));
}

}  // namespace mapengine
