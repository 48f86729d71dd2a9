// The map's view: centre, zoom (the width of the view on the ground), units and window size, and
// the projection between screen pixels and degrees that follows from them.
//
// The projection is equirectangular around the centre: one degree of latitude is the same number
// of pixels everywhere, and a degree of longitude is that times the cosine of the centre's
// latitude. The zoom is the ground width of the view measured along the centre's parallel, so the
// zoom, the bounds and the conversions always agree.
#pragma once

namespace mapengine {

struct GeoRect {
    double xmin = 0, ymin = 0, xmax = 0, ymax = 0;
};

class ViewModel {
public:
    ViewModel();

    double CenterX() const noexcept { return centerX_; }
    double CenterY() const noexcept { return centerY_; }
    void SetCenter(double x, double y);

    // In the distance unit.
    double Zoom() const;
    void SetZoom(double zoom);
    double ZoomMetres() const noexcept { return zoomMetres_; }

    long DistanceUnit() const noexcept { return distanceUnit_; }
    void SetDistanceUnit(long unit);
    long PaperUnit() const noexcept { return paperUnit_; }
    void SetPaperUnit(long unit);

    int Width() const noexcept { return width_; }
    int Height() const noexcept { return height_; }
    void SetSize(int width, int height);

    // Pixels <-> degrees.
    void ScreenToMap(double sx, double sy, double& x, double& y) const;
    void MapToScreen(double x, double y, double& sx, double& sy) const;

    GeoRect Bounds() const;
    // Puts (x, y) at the window's top-left corner with `pixelsPerDegree` pixels per degree of
    // latitude.
    void ShowFromTopLeft(double x, double y, double pixelsPerDegree);
    // Shows the whole rectangle: its centre becomes the view's centre and the zoom is chosen so
    // that both its width and its height fit.
    void SetBounds(const GeoRect& r);

    // The window's size on paper (96 pixels per inch) in the paper unit.
    double PaperWidth() const;
    double PaperHeight() const;

    // Ground distance in the distance unit.
    double Distance(double x1, double y1, double x2, double y2) const;

private:
    double PixelsPerDegree() const;
    double CosCenter() const;

    double centerX_;
    double centerY_;
    double zoomMetres_;
    long distanceUnit_;
    long paperUnit_;
    int width_;
    int height_;
};

}  // namespace mapengine
