// The free shapes a host draws over the map, one item per shape, and the visitor through which
// the shapes layer hands its items to renderers and hit testers.
//
// Radius and colour are kept exactly as the host gave them; what they mean (map distance, pixel
// radius, RGB colour) is worked out at drawing time, against the map's view of that moment.
#pragma once

#include "platform/Com.h"

#include <string>

// Shape type codes: which add operation made the item, and so how it is drawn and hit.
enum ShapeType : int {
    kShapeCircle = 0,
    kShapeFilledCircle = 1,
    kShapeSpotlightCircle = 2,
    kShapePie = 3,
    kShapeFilledPie = 4,
    kShapeSpotlightPie = 5,
    kShapeDonutSegment = 6,
    kShapeFilledDonutSegment = 7,
};

struct ShapeInfo {
    virtual ~ShapeInfo() = default;
    double latitude = 0;
    double longitude = 0;
    int type = 0;
};

struct CircleInfo : ShapeInfo {
    platform::Variant radius;
    platform::Variant colour;
    std::wstring toolTip;
};

struct HollowCircleInfo : CircleInfo {
    long lineWidth = 0;
    long lineType = 0;
};

// Filled and spotlight circles.
struct FilledCircleInfo : CircleInfo {
    double opacity = 0;
};

struct PieInfo : ShapeInfo {
    platform::Variant radius;
    double startAngle = 0;
    double endAngle = 0;
    platform::Variant colour;
    std::wstring toolTip;
};

struct HollowPieInfo : PieInfo {
    long lineWidth = 0;
    long lineType = 0;
};

// Filled and spotlight pies.
struct FilledPieInfo : PieInfo {
    double opacity = 0;
};

struct DonutSegmentInfo : ShapeInfo {
    platform::Variant startRadius;
    platform::Variant endRadius;
    double startAngle = 0;
    double endAngle = 0;
    platform::Variant colour;
    std::wstring toolTip;
};

struct HollowDonutSegmentInfo : DonutSegmentInfo {
    long lineWidth = 0;
    long lineType = 0;
};

struct FilledDonutSegmentInfo : DonutSegmentInfo {
    double opacity = 0;
};

// One operation applied to each item of a walk: true goes on with the next item, false stops.
class ShapesActionInterface {
public:
    virtual ~ShapesActionInterface() = default;
    virtual bool Act(const ShapeInfo& item) = 0;
};

// The tooltip text of any item kind (empty for a kind without one).
const std::wstring& ShapeToolTip(const ShapeInfo& item);
