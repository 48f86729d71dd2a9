// Universal Transverse Mercator on the WGS84 ellipsoid, for measuring in metres near a point.
//
// A coordinate system is set up once for a place (InitUTM), which fixes its zone from the
// longitude and its hemisphere from the latitude; every later projection uses that zone, even
// for points that lie outside it, so that distances around the first point stay consistent.
// The transverse Mercator series used here (to the sixth order in the third flattening) is
// accurate to a few nanometres inside a zone and to well under a millimetre several zones away.
#pragma once

// A position: geographic (x longitude, y latitude, degrees) or projected (x easting, y
// northing, metres). `z` is carried along unchanged.
class CCoordinate {
public:
    enum Kind : int { kProjected = 1, kGeographic = 4 };

    CCoordinate() = default;
    CCoordinate(double x, double y, double z, int kind) noexcept : x_(x), y_(y), z_(z), kind_(kind) {}

    double GetX() const noexcept { return x_; }
    double GetY() const noexcept { return y_; }
    double GetZ() const noexcept { return z_; }
    int GetKind() const noexcept { return kind_; }

private:
    double x_ = 0.0, y_ = 0.0, z_ = 0.0;
    int kind_ = kGeographic;
};

class CCoordinateSystem {
public:
    // Chooses the zone of `longitude` (1 to 60) and the hemisphere of `latitude`. False, and no
    // zone, for a position that is not a number or is outside -90..90 / -180..180.
    bool InitUTM(double latitude, double longitude) noexcept;
    bool IsInitialised() const noexcept { return zone_ != 0; }
    int Zone() const noexcept { return zone_; }
    bool IsSouth() const noexcept { return south_; }

    // Geographic to projected. False (and `out` untouched) before InitUTM, for a coordinate that
    // is not geographic, or for a latitude beyond +-90 or a point 90 degrees or more from the
    // zone's central meridian, where the projection has no finite value.
    bool ForwardProjection(const CCoordinate& in, CCoordinate& out) const noexcept;
    // Projected to geographic, in the same zone. False before InitUTM or for a coordinate that
    // is not projected.
    bool InverseProjection(const CCoordinate& in, CCoordinate& out) const noexcept;

private:
    int zone_ = 0;
    bool south_ = false;
    double centralMeridian_ = 0.0;  // degrees
};
