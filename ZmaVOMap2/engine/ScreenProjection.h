// Map positions to screen pixels through the engine's ConvertPosition, fast.
//
// A frame converts every row of a dataset that lies in the view, and a call into the engine per
// row would cost many times the reading of the row itself. Before a walk, `Prepare` asks the
// engine for a handful of positions spread over the view; when they show that the engine's
// projection of this view is affine (a plain scale and shift in each axis, as a flat map view
// is), the walk applies that transformation itself, with no call to the engine per position: a
// call costs far more than reading a row. Any other projection is converted one call per
// position. The probes bound the transformation's difference from the engine to a few units in
// the last place of a single-precision screen coordinate, so only a position within that of a
// pixel border can land one pixel away from the engine's answer.
#pragma once

#include "ZmaVOMap2/engine/Geometry.h"
#include "platform/Com.h"

class ScreenProjection {
public:
    ScreenProjection() = default;
    void SetMap(IDispatch* map) { map_ = map; affine_ = false; }
    IDispatch* Map() const noexcept { return map_.Get(); }

    // Probes the engine over `view`; afterwards `ToScreen` uses the transformation when the
    // probes allow it. Raises the engine's failure as ComError.
    void Prepare(const ZmaExtent& view);
    // Forgets the transformation: every position goes to the engine again.
    void Forget() noexcept { affine_ = false; }
    bool IsAffine() const noexcept { return affine_; }

    // The engine's screen position of (x = longitude, y = latitude), in single precision as the
    // engine gives it. Raises the engine's failure as ComError.
    void ToScreen(double x, double y, float& sx, float& sy) const;
    // ToScreen truncated toward zero, then moved by (dx, dy): a pixel of the drawing rectangle.
    // Positions too far out to truncate are asked of the engine.
    POINT ToPixel(double x, double y, long dx, long dy) const {
        if (affine_) {
            const float sx = static_cast<float>(ax_ + bx_ * x + cx_ * y);
            const float sy = static_cast<float>(ay_ + by_ * x + cy_ * y);
            if (InRange(sx) && InRange(sy)) return {static_cast<long>(sx) + dx, static_cast<long>(sy) + dy};
        }
        float sx, sy;
        EngineToScreen(x, y, sx, sy);
        return {static_cast<long>(sx) + dx, static_cast<long>(sy) + dy};
    }

    // One call to the engine, never the transformation.
    void EngineToScreen(double x, double y, float& sx, float& sy) const;

    // The transformation itself: sx = ax + bx * x + cx * y; sy = ay + by * x + cy * y.
    struct Affine {
        double ax = 0, bx = 0, cx = 0, ay = 0, by = 0, cy = 0;
        // The screen position as ToPixel computes it, before truncation.
        void Apply(double x, double y, float& sx, float& sy) const {
            sx = static_cast<float>(ax + bx * x + cx * y);
            sy = static_cast<float>(ay + by * x + cy * y);
        }
    };
    Affine Coefficients() const noexcept { return {ax_, bx_, cx_, ay_, by_, cy_}; }
    // Uses `affine` instead of the probed transformation: for a view that the caller knows to be
    // an earlier one moved by whole pixels, so that its pixels and the earlier ones agree.
    void Adopt(const Affine& affine) noexcept {
        ax_ = affine.ax, bx_ = affine.bx, cx_ = affine.cx, ay_ = affine.ay, by_ = affine.by, cy_ = affine.cy;
        affine_ = true;
    }
    // Whether v is small enough to truncate to a pixel.
    static bool InRange(float v) {
        const double d = static_cast<double>(v);
        return d > -1e9 && d < 1e9;
    }

private:
    platform::ComPtr<IDispatch> map_;
    bool affine_ = false;
    // sx = ax + bx * x + cx * y; sy = ay + by * x + cy * y
    double ax_ = 0, bx_ = 0, cx_ = 0, ay_ = 0, by_ = 0, cy_ = 0;
};
