// Where the pixels of a raster table's image lie on the map: the table ties some pixel positions
// to map coordinates ("(x, y) (column, row)"), and every other pixel follows from them. Pixel
// positions are continuous: pixel (c, r) covers columns c to c + 1 and rows r to r + 1.
#pragma once

#include <optional>
#include <vector>

namespace raster {

// A control point as a table gives it: map x and y of the pixel position at column and row.
struct TiePoint {
    double x = 0, y = 0;
    double column = 0, row = 0;
};

// The affine mapping from pixel positions to map coordinates that fits a table's control points
// best, and exactly when they agree with one: any pixel shape, rotated or skewed images
// included. Tiles cut from an image keep their pixels where the image has them by taking their
// own control points from it.
class PixelMapping {
public:
    // Null when fewer than three points are given or their pixel positions lie on one line,
    // which leaves the pixels off that line nowhere.
    static std::optional<PixelMapping> Fit(const std::vector<TiePoint>& points);

    void ToMap(double column, double row, double& x, double& y) const noexcept;

private:
    PixelMapping() = default;

    // Around the points' centre, so that projected coordinates of millions of metres keep
    // their fractions: x = x0 + xc * (column - c0) + xr * (row - r0), and y alike.
    double c0_ = 0, r0_ = 0;
    double x0_ = 0, xc_ = 0, xr_ = 0;
    double y0_ = 0, yc_ = 0, yr_ = 0;
};

}  // namespace raster
