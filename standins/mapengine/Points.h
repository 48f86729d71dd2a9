// A points collection (the points of one part of a line or region, or of a polygon tool).
#pragma once

#include "standins/mapengine/EngineObject.h"

#include "MapEngine.h"

#include <vector>

namespace mapengine {

struct XY {
    double x = 0, y = 0;
};
using XYList = std::vector<XY>;

class Points : public EngineComObject<Points> {
public:
    static constexpr const wchar_t* kName = L"Points";
    static const IID& DispInterfaceId() { return DIID_DPoints; }
    static const MemberTable<Points>& Members();

    static platform::ComPtr<Points> Make(XYList points);

    const XYList& List() const noexcept { return points_; }

private:
    void GetCount(Call& c);
    void Item(Call& c);
    void AddXY(Call& c);
    void RemoveAll(Call& c);

    XYList points_;
};

}  // namespace mapengine
