#include "standins/mapengine/Rectangle.h"

#include <algorithm>

namespace mapengine {

const MemberTable<Rectangle>& Rectangle::Members() {
    static const MemberTable<Rectangle> table = MemberTable<Rectangle>()
        .ReadOnly(L"XMin", &Rectangle::xmin_)
        .ReadOnly(L"YMin", &Rectangle::ymin_)
        .ReadOnly(L"XMax", &Rectangle::xmax_)
        .ReadOnly(L"YMax", &Rectangle::ymax_)
        .Get(L"Height", &Rectangle::GetHeight)
        .Get(L"Width", &Rectangle::GetWidth)
        .Method(L"Set", &Rectangle::Set)
        .Method(L"Offset", &Rectangle::Offset);
    return table;
}

platform::ComPtr<Rectangle> Rectangle::Make(const GeoRect& r) {
    platform::ComPtr<Rectangle> rect = platform::MakeObject<Rectangle>();
    rect->SetRect(r.xmin, r.ymin, r.xmax, r.ymax);
    return rect;
}

// Callers give the corners in different orders (left-top-right-bottom, min-max, ...).
void Rectangle::SetRect(double x1, double y1, double x2, double y2) noexcept {
    xmin_ = std::min(x1, x2);
    xmax_ = std::max(x1, x2);
    ymin_ = std::min(y1, y2);
    ymax_ = std::max(y1, y2);
}

void Rectangle::GetHeight(Call& c) { c.Return(ymax_ - ymin_); }
void Rectangle::GetWidth(Call& c) { c.Return(xmax_ - xmin_); }
void Rectangle::Set(Call& c) { SetRect(c.Double(0), c.Double(1), c.Double(2), c.Double(3)); }

void Rectangle::Offset(Call& c) {
    double dx = c.Double(0), dy = c.Double(1);
    SetRect(xmin_ + dx, ymin_ + dy, xmax_ + dx, ymax_ + dy);
}

}  // namespace mapengine
