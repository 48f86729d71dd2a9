#include "ZmaVOMap2/shapes/ShapeInfo.h"

const std::wstring& ShapeToolTip(const ShapeInfo& item) {
    static const std::wstring none;
    if (auto* circle = dynamic_cast<const CircleInfo*>(&item)) return circle->toolTip;
    if (auto* pie = dynamic_cast<const PieInfo*>(&item)) return pie->toolTip;
    if (auto* donut = dynamic_cast<const DonutSegmentInfo*>(&item)) return donut->toolTip;
    return none;
}
