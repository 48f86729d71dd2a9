#include "standins/mapengine/CoordSys.h"

#include "standins/mapengine/Faults.h"

namespace mapengine {

const MemberTable<CoordSys>& CoordSys::Members() {
    static const MemberTable<CoordSys> table = MemberTable<CoordSys>()
        .ReadOnly(L"Type", &CoordSys::type)
        .Get(L"Datum", &CoordSys::GetDatum)
        .ReadOnly(L"Units", &CoordSys::units)
        .Get(L"Bounds", &CoordSys::GetBounds)
        .ReadOnly(L"OriginLongitude", &CoordSys::originLongitude)
        .ReadOnly(L"OriginLatitude", &CoordSys::originLatitude)
        .ReadOnly(L"StandardParallelOne", &CoordSys::standardParallelOne)
        .ReadOnly(L"StandardParallelTwo", &CoordSys::standardParallelTwo)
        .ReadOnly(L"Azimuth", &CoordSys::azimuth)
        .ReadOnly(L"ScaleFactor", &CoordSys::scaleFactor)
        .ReadOnly(L"FalseEasting", &CoordSys::falseEasting)
        .ReadOnly(L"FalseNorthing", &CoordSys::falseNorthing)
        .ReadOnly(L"Range", &CoordSys::range)
        .Method(L"Set", &CoordSys::Set)
        .Method(L"PickCoordSys", &CoordSys::PickCoordSys)
        .Method(L"Clone", &CoordSys::CloneMember);
    return table;
}

platform::ComPtr<CoordSys> CoordSys::MakeDefault() {
    platform::ComPtr<CoordSys> cs = platform::MakeObject<CoordSys>();
    cs->datum_ = platform::MakeObject<Datum>();
    cs->bounds_ = Rectangle::Make({-180, -90, 180, 90});
    return cs;
}

platform::ComPtr<CoordSys> CoordSys::Clone() {
    platform::ComPtr<CoordSys> copy = platform::MakeObject<CoordSys>();
    static_cast<CoordSysValues&>(*copy) = *this;
    copy->datum_ = datum_ ? datum_->Clone() : platform::MakeObject<Datum>();
    copy->bounds_ = Rectangle::Make(bounds_ ? bounds_->Rect() : GeoRect{-180, -90, 180, 90});
    return copy;
}

void CoordSys::GetDatum(Call& c) { c.Return(datum_); }
void CoordSys::GetBounds(Call& c) { c.Return(bounds_); }

namespace {

// An argument of Set: omitted keeps the value, VT_NULL gives the default, anything else is
// converted (texts with the user's locale, as the caller wrote them).
template <class V>
void Apply(const Call& c, size_t i, V& field, V defaultValue) {
    if (!c.Has(i)) return;
    if (c.Arg(i).vt == VT_NULL) {
        field = defaultValue;
        return;
    }
    ReadArg(c, i, field);
}

}  // namespace

void CoordSys::Set(Call& c) {
    CoordSysValues v = *this;
    const CoordSysValues defaults;
    v.type = c.Short(0);
    if (v.type < 0 || v.type > 25) Fail(E_INVALIDARG, L"Unknown projection type " + std::to_wstring(v.type));
    Apply(c, 2, v.units, defaults.units);
    Apply(c, 3, v.originLongitude, defaults.originLongitude);
    Apply(c, 4, v.originLatitude, defaults.originLatitude);
    Apply(c, 5, v.standardParallelOne, defaults.standardParallelOne);
    Apply(c, 6, v.standardParallelTwo, defaults.standardParallelTwo);
    Apply(c, 7, v.azimuth, defaults.azimuth);
    Apply(c, 8, v.scaleFactor, defaults.scaleFactor);
    Apply(c, 9, v.falseEasting, defaults.falseEasting);
    Apply(c, 10, v.falseNorthing, defaults.falseNorthing);
    Apply(c, 11, v.range, defaults.range);
    platform::ComPtr<Datum> datum = c.Has(1) && c.Arg(1).vt != VT_NULL ? c.Object<Datum>(1) : nullptr;
    platform::ComPtr<Rectangle> bounds = c.Has(12) && c.Arg(12).vt != VT_NULL ? c.Object<Rectangle>(12) : nullptr;
    static_cast<CoordSysValues&>(*this) = v;
    if (datum) datum_ = datum->Clone();
    if (bounds) bounds_ = Rectangle::Make(bounds->Rect());
}

void CoordSys::PickCoordSys(Call& c) { c.Return(DialogsAnswerOk()); }

void CoordSys::CloneMember(Call& c) { c.Return(Clone()); }

}  // namespace mapengine
