// Which shape lies under the mouse, for the rollover tooltip. Circles are hit near their
// circumference only; pies and donut segments over their whole area. The first shape in the
// layer's order that is hit shows its tooltip and ends the walk.
#pragma once

#include "ZmaVOMap2/shapes/ShapeInfo.h"
#include "platform/Com.h"

#include <windows.h>

class CZmaVadAZLayer;

class RolloverHitTesterBase : public ShapesActionInterface {
public:
    // `mouse` is in map-window pixels (where the tooltip goes); the test itself uses the map
    // position (x longitude, y latitude).
    RolloverHitTesterBase(IDispatch* map, POINT mouse, double mapX, double mapY, CZmaVadAZLayer* owner)
        : map_(map), mouse_(mouse), mapX_(mapX), mapY_(mapY), owner_(owner) {}
    bool HasHit() const noexcept { return hit_; }

protected:
    // Shows the item's tooltip at the mouse and records the hit; answers false (stop the walk).
    bool Hit(const ShapeInfo& item);
    IDispatch* MapOrThrow() const;

    platform::ComPtr<IDispatch> map_;
    POINT mouse_;
    double mapX_, mapY_;
    CZmaVadAZLayer* owner_;
    bool hit_ = false;
};

// Hands each item to the tester of its kind.
class RolloverShapesHitTester : public RolloverHitTesterBase {
public:
    using RolloverHitTesterBase::RolloverHitTesterBase;
    bool Act(const ShapeInfo& item) override;
};

// Within 3 pixels of the circumference.
class RolloverCirclesHitTester : public RolloverHitTesterBase {
public:
    using RolloverHitTesterBase::RolloverHitTesterBase;
    bool Act(const ShapeInfo& item) override;
};

class RolloverPiesHitTester : public RolloverHitTesterBase {
public:
    using RolloverHitTesterBase::RolloverHitTesterBase;
    bool Act(const ShapeInfo& item) override;
};

// Between the two radii (whichever is given first) and within the angles.
class RolloverDonutSegmentsHitTester : public RolloverHitTesterBase {
public:
    using RolloverHitTesterBase::RolloverHitTesterBase;
    bool Act(const ShapeInfo& item) override;
};
