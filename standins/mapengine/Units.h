// The engine's distance units: codes, their length in metres, and ground distances.
#pragma once

namespace mapengine {

constexpr double kEarthRadiusMetres = 6371000.0;
constexpr double kPi = 3.14159265358979323846;

// Length of one unit in metres; false for a code the engine does not know.
bool UnitLengthMetres(long unit, double& metres);
// As above, but raises E_INVALIDARG (an engine failure) for an unknown code.
double MetresPerUnit(long unit);
double ConvertLength(double value, long fromUnit, long toUnit);

// Great-circle (haversine) distance in metres between two positions in degrees.
double GreatCircleMetres(double lon1, double lat1, double lon2, double lat2);

}  // namespace mapengine
