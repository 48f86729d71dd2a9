// The parts of a line or region feature: a collection of points collections.
#pragma once

#include "standins/mapengine/EngineObject.h"
#include "standins/mapengine/Points.h"

#include "MapEngine.h"

namespace mapengine {

class Parts : public EngineComObject<Parts> {
public:
    static constexpr const wchar_t* kName = L"Parts";
    static const IID& DispInterfaceId() { return DIID_DParts; }
    static const MemberTable<Parts>& Members();

    static platform::ComPtr<Parts> Make(std::vector<XYList> parts);

private:
    void GetCount(Call& c);
    void Item(Call& c);

    std::vector<XYList> parts_;
};

}  // namespace mapengine
