#include "standins/mapengine/Points.h"

#include "standins/mapengine/Point.h"

#include <string>

namespace mapengine {

const MemberTable<Points>& Points::Members() {
    static const MemberTable<Points> table = MemberTable<Points>()
        .Get(1, &Points::GetCount)
        .Method(2, &Points::Item)
        .Method(3, &Points::AddXY);
    return table;
}

platform::ComPtr<Points> Points::Make(XYList points) {
    platform::ComPtr<Points> p = platform::MakeObject<Points>();
    p->points_ = std::move(points);
    return p;
}

void Points::GetCount(Call& c) { c.Return(static_cast<long>(points_.size())); }

void Points::Item(Call& c) {
    size_t i = IndexOfPosition(c.Long(0), points_.size(), L"point");
    // A copy: changing it does not move the point of the collection.
    c.Return(Point::Make(points_[i].x, points_[i].y));
}

void Points::AddXY(Call& c) { points_.push_back({c.Double(0), c.Double(1)}); }

}  // namespace mapengine
