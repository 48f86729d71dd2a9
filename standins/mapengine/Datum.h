// The datum object (also a class of its own): an ellipsoid and seven transformation parameters.
#pragma once

#include "standins/mapengine/EngineObject.h"

#include "MapEngine.h"

namespace mapengine {

struct DatumValues {
    short ellipsoid = 28;  // WGS 84
    double shiftX = 0, shiftY = 0, shiftZ = 0;
    double rotateX = 0, rotateY = 0, rotateZ = 0;
    double scaleAdjust = 0, primeMeridian = 0;
};

class Datum : public EngineComObject<Datum>, private DatumValues {
    friend class MemberTable<Datum>;

public:
    static constexpr const wchar_t* kName = L"Datum";
    static const IID& DispInterfaceId() { return DIID_DDatum; }
    static const MemberTable<Datum>& Members();

    platform::ComPtr<Datum> Clone();

private:
    void GetSemiMajorAxis(Call& c);
    void GetSemiMinorAxis(Call& c);
    void Set(Call& c);
};

}  // namespace mapengine
