// A circle of a radius in metres, measured in the UTM zone of its centre: which points lie
// within it. Radius selections ask it of every row, so most points are decided without being
// projected: a linear map of the projection at the centre gives each point's distance to within
// a small error, and only the points whose distance lies within that error of the radius are
// projected exactly. The answer is the exact projection's for every point.
#pragma once

#include "ZmaVOMap2/projection/CoordinateSystem.h"

class UtmCircle {
public:
    // False (and no point inside) when the centre cannot be projected.
    bool Init(double latitude, double longitude, double radiusMetres) noexcept;
    // Whether (longitude, latitude) projects to within the radius of the centre (on the circle
    // counts as within).
    bool Contains(double longitude, double latitude) const noexcept;
    // A box in degrees around the centre outside which no point is within the radius.
    double LatitudeReach() const noexcept { return latitudeReach_; }
    double LongitudeReach() const noexcept { return longitudeReach_; }

private:
    bool ContainsExactly(double longitude, double latitude) const noexcept;

    CCoordinateSystem utm_;
    double centreX_ = 0, centreY_ = 0;      // projected centre
    double latitude_ = 0, longitude_ = 0;   // geographic centre
    double radiusSquared_ = -1;
    // Metres per degree of longitude and of latitude at the centre, for easting and northing.
    double xPerLon_ = 0, xPerLat_ = 0, yPerLon_ = 0, yPerLat_ = 0;
    // Squared distances below which a point is surely inside, above which surely outside.
    double surelyInside_ = -1, surelyOutside_ = -1;
    double latitudeReach_ = 0, longitudeReach_ = 0;
};
