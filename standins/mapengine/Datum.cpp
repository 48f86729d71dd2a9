#include "standins/mapengine/Datum.h"

namespace mapengine {

const MemberTable<Datum>& Datum::Members() {
    static const MemberTable<Datum> table = MemberTable<Datum>()
        .ReadOnly(L"Ellipsoid", &Datum::ellipsoid)
        .ReadOnly(L"ShiftX", &Datum::shiftX)
        .ReadOnly(L"ShiftY", &Datum::shiftY)
        .ReadOnly(L"ShiftZ", &Datum::shiftZ)
        .ReadOnly(L"RotateX", &Datum::rotateX)
        .ReadOnly(L"RotateY", &Datum::rotateY)
        .ReadOnly(L"RotateZ", &Datum::rotateZ)
        .ReadOnly(L"ScaleAdjust", &Datum::scaleAdjust)
        .ReadOnly(L"PrimeMeridian", &Datum::primeMeridian)
        .Get(L"SemiMajorAxis", &Datum::GetSemiMajorAxis)
        .Get(L"SemiMinorAxis", &Datum::GetSemiMinorAxis)
        .Method(L"Set", &Datum::Set);
    return table;
}

platform::ComPtr<Datum> Datum::Clone() {
    platform::ComPtr<Datum> copy = platform::MakeObject<Datum>();
    static_cast<DatumValues&>(*copy) = *this;
    return copy;
}

// The stand-in knows one ellipsoid; every code answers its axes.
void Datum::GetSemiMajorAxis(Call& c) { c.Return(6378137.0); }
void Datum::GetSemiMinorAxis(Call& c) { c.Return(6356752.314245); }

void Datum::Set(Call& c) {
    DatumValues v;
    v.ellipsoid = c.Short(0);
    v.shiftX = c.Double(1);
    v.shiftY = c.Double(2);
    v.shiftZ = c.Double(3);
    v.rotateX = c.Double(4);
    v.rotateY = c.Double(5);
    v.rotateZ = c.Double(6);
    v.scaleAdjust = c.Double(7);
    v.primeMeridian = c.Double(8);
    static_cast<DatumValues&>(*this) = v;
}

}  // namespace mapengine
