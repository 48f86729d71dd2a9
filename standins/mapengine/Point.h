// The point object (also a class of its own).
#pragma once

#include "standins/mapengine/EngineObject.h"

#include "MapEngine.h"

namespace mapengine {

class Point : public EngineComObject<Point> {
public:
    static constexpr const wchar_t* kName = L"Point";
    static const IID& DispInterfaceId() { return DIID_DPoint; }
    static const MemberTable<Point>& Members();

    static platform::ComPtr<Point> Make(double x, double y);

    double X() const noexcept { return x_; }
    double Y() const noexcept { return y_; }

private:
    void Set(Call& c);
    void Offset(Call& c);

    double x_ = 0, y_ = 0;
};

}  // namespace mapengine
