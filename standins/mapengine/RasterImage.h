// The image of a raster table and where it lies on the map: the table names the image (a path
// relative to the table's folder, or a full one) and ties pixels to map coordinates through
// control points "(x, y) (column, row)". Pixel positions are continuous: pixel (c, r) covers
// columns c to c + 1 and rows r to r + 1, so an image W pixels wide covers columns 0 to W.
#pragma once

#include "standins/mapengine/Points.h"
#include "standins/mapengine/ViewModel.h"
#include "platform/UniqueHandle.h"

#include <windows.h>

#include <memory>
#include <string>

namespace mapengine {

class RasterImage {
public:
    // Reads the image and the control points of the table text; raises a failure of the engine
    // call when the image cannot be loaded or the points do not span the image.
    static std::shared_ptr<RasterImage> Open(const std::wstring& tablePath, const std::string& tableText);

    int Width() const noexcept { return width_; }
    int Height() const noexcept { return height_; }
    // The map position of a pixel position.
    XY PixelToMap(double column, double row) const noexcept;
    // The map area the whole image covers.
    GeoRect Extent() const noexcept;
    // The size of one pixel in map units, along the columns and down the rows.
    double PixelWidth() const noexcept;
    double PixelHeight() const noexcept;

    // Draws the image at its place in the view (the DC's pixels are the view's).
    void Draw(HDC dc, const ViewModel& view) const;

private:
    RasterImage() = default;

    platform::UniqueHBitmap bitmap_;
    int width_ = 0, height_ = 0;
    // x = a * column + b * row + c, y = d * column + e * row + f
    double a_ = 1, b_ = 0, c_ = 0, d_ = 0, e_ = 1, f_ = 0;
};

}  // namespace mapengine
