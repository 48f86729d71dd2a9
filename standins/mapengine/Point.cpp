#include "standins/mapengine/Point.h"

namespace mapengine {

const MemberTable<Point>& Point::Members() {
    static const MemberTable<Point> table = MemberTable<Point>()
        .ReadOnly(L"X", &Point::x_)
        .ReadOnly(L"Y", &Point::y_)
        .Method(L"Set", &Point::Set)
        .Method(L"Offset", &Point::Offset);
    return table;
}

platform::ComPtr<Point> Point::Make(double x, double y) {
    platform::ComPtr<Point> p = platform::MakeObject<Point>();
    p->x_ = x;
    p->y_ = y;
    return p;
}

void Point::Set(Call& c) {
    x_ = c.Double(0);
    y_ = c.Double(1);
}

void Point::Offset(Call& c) {
    x_ += c.Double(0);
    y_ += c.Double(1);
}

}  // namespace mapengine
