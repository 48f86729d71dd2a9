#include "standins/mapengine/Datum.h"

namespace mapengine {

const MemberTable<Datum>& Datum::Members() {
    static const MemberTable<Datum> table = MemberTable<Datum>()
        .ReadOnly(1, &Datum::ellipsoid)
        .ReadOnly(2, &Datum::shiftX)
        .ReadOnly(3, &Datum::shiftY)
        .ReadOnly(4, &Datum::shiftZ)
        .ReadOnly(5, &Datum::rotateX)
        .ReadOnly(6, &Datum::rotateY)
        .ReadOnly(7, &Datum::rotateZ)
        .ReadOnly(8, &Datum::scaleAdjust)
        .ReadOnly(9, &Datum::primeMeridian)
        .Get(10, &Datum::GetSemiMajorAxis)
        .Get(11, &Datum::GetSemiMinorAxis)
        .Method(14, &Datum::Set);
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
