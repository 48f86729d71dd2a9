#include "standins/mapengine/Points.h"

#include "standins/mapengine/Point.h"

#include <string>

namespace mapengine {

const MemberTable<Points>& Points::Members() {
    static const MemberTable<Points> table = MemberTable<Points>()
        .Get(L"Count", &Points::GetCount)
        .Get(L"Item", &Points::Item)
        .Method(L"_Item", &Points::Item)
        .Method(L"AddXY", &Points::AddXY)
        .Method(L"RemoveAll", &Points::RemoveAll);
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

void Points::AddXY(Call& c) {
    const XY point = {c.Double(0), c.Double(1)};
    size_t at = points_.size();
    if (c.Has(2)) {
        const long position = c.Long(2);
        if (position < 1 || static_cast<size_t>(position) > points_.size() + 1)
            Fail(DISP_E_BADINDEX, L"A point cannot be inserted at position " + std::to_wstring(position));
        at = static_cast<size_t>(position - 1);
    }
    points_.insert(points_.begin() + static_cast<ptrdiff_t>(at), point);
    c.Return(Point::Make(point.x, point.y));
}

void Points::RemoveAll(Call&) { points_.clear(); }

}  // namespace mapengine
