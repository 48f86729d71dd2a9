#include "standins/mapengine/Point.h"

namespace mapengine {

const MemberTable<Point>& Point::Members() {
    static const MemberTable<Point> table = MemberTable<Point>()
        .Property(1, &Point::x_)
        .Property(2, &Point::y_)
        .Method(3, &Point::Set);
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

}  // namespace mapengine
