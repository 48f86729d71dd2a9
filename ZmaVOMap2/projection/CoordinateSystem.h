// UTM on the WGS84 ellipsoid: the transverse Mercator projection of one 6-degree zone, forward
// from degrees of longitude and latitude to metres and back.
//
// The series are Krüger's to the third order in the third flattening, which keep the error below
// a millimetre within the zone and below a metre several zones away, so a track that leaves its
// zone can still be measured in it.
#pragma once

class CCoordinate {
public:
    // Coordinate kinds: geographic degrees (x longitude, y latitude) or projected metres.
    enum Kind : int { kProjected = 1, kGeographic = 4 };

    CCoordinate() = default;
    CCoordinate(double x, double y, double z, int kind) : x_(x), y_(y), z_(z), kind_(kind) {}

    double GetX() const noexcept { return x_; }
    double GetY() const noexcept { return y_; }
    double GetZ() const noexcept { return z_; }
    int GetKind() const noexcept { return kind_; }
    void Set(double x, double y, int kind) noexcept {
        x_ = x;
        y_ = y;
        kind_ = kind;
    }

private:
    double x_ = 0, y_ = 0, z_ = 0;
    int kind_ = kGeographic;
};

class CCoordinateSystem {
public:
    // The zone (1..60, with the Norwegian and Svalbard exceptions) and hemisphere of a position.
    static int ZoneOf(double latitude, double longitude) noexcept;

    // Chooses the zone and hemisphere that hold the position.
    void InitUTM(double latitude, double longitude) noexcept;
    // A fixed zone; `north` false uses the southern false northing of 10000 km.
    void SetZone(int zone, bool north) noexcept;
    int Zone() const noexcept { return zone_; }
    bool IsNorth() const noexcept { return north_; }
    bool IsInitialised() const noexcept { return zone_ != 0; }

    // Geographic (degrees) to UTM metres (easting x, northing y); false for a coordinate that is
    // not geographic, before a zone is chosen, or at the poles.
    bool ForwardProjection(const CCoordinate& geographic, CCoordinate& projected) const noexcept;
    // UTM metres back to degrees (x longitude, y latitude).
    bool InverseProjection(const CCoordinate& projected, CCoordinate& geographic) const noexcept;

private:
    int zone_ = 0;
    bool north_ = true;
};
