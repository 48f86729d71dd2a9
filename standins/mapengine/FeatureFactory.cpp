#include "standins/mapengine/FeatureFactory.h"

#include "standins/mapengine/Feature.h"
#include "standins/mapengine/Point.h"
#include "standins/mapengine/Points.h"
#include "standins/mapengine/Units.h"

#include <algorithm>
#include <cmath>

using platform::ComPtr;

namespace mapengine {

const MemberTable<FeatureFactory>& FeatureFactory::Members() {
    static const MemberTable<FeatureFactory> table = MemberTable<FeatureFactory>()
        .Method(L"CreateSymbol", &FeatureFactory::CreateSymbol)
        .Method(L"CreateLine", &FeatureFactory::CreateLine)
        .Method(L"CreateRegion", &FeatureFactory::CreateRegion)
        .Method(L"CreateText", &FeatureFactory::CreateText)
        .Method(L"CreateCircularRegion", &FeatureFactory::CreateCircularRegion);
    return table;
}

ComPtr<FeatureFactory> FeatureFactory::Make(MapServices* map) {
    ComPtr<FeatureFactory> f = platform::MakeObject<FeatureFactory>();
    f->map_ = map;
    return f;
}

ComPtr<Style> FeatureFactory::StyleArg(const Call& c, size_t i) const {
    if (!c.Has(i) || c.Arg(i).vt == VT_NULL || c.Arg(i).vt == VT_EMPTY) return platform::MakeObject<Style>();
    return Style::CopyOf(c.Object<Style>(i).Get());
}

namespace {
XY PointArg(const Call& c, size_t i) {
    if (!c.Has(i)) return {};
    ComPtr<Point> p = c.Object<Point>(i);
    return {p->X(), p->Y()};
}
}  // namespace

void FeatureFactory::CreateSymbol(Call& c) {
    FeatureRecord r;
    r.type = kSymbol;
    r.point = PointArg(c, 0);
    c.Return(Feature::Make(r, StyleArg(c, 1)));
}

void FeatureFactory::CreateShape(Call& c, short type) {
    ComPtr<Points> points = c.Object<Points>(0);
    size_t needed = type == kLine ? 2 : 3;
    if (points->List().size() < needed) Fail(E_INVALIDARG, L"Too few points for the feature");
    FeatureRecord r;
    r.type = type;
    r.parts.push_back(points->List());
    c.Return(Feature::Make(r, StyleArg(c, 1)));
}

void FeatureFactory::CreateLine(Call& c) { CreateShape(c, kLine); }
void FeatureFactory::CreateRegion(Call& c) { CreateShape(c, kRegion); }

void FeatureFactory::CreateText(Call& c) {
    FeatureRecord r;
    r.type = kText;
    r.point = PointArg(c, 0);
    if (c.Has(1)) r.caption = c.String(1);
    c.Return(Feature::Make(r, StyleArg(c, 3)));
}

void FeatureFactory::CreateCircularRegion(Call& c) {
    constexpr long kCircleOnGround = 1;
    if (c.Long(0) != kCircleOnGround) Fail(E_INVALIDARG, L"Only circles of type 1 are supported");
    ComPtr<Point> centre = c.Object<Point>(1);
    double distance = c.Double(2);
    long unit = c.Has(3) ? c.Long(3) : (map_ ? map_->View().DistanceUnit() : 0);
    long resolution = c.Has(4) ? c.Long(4) : 100;
    if (!(distance > 0) || resolution < 3) Fail(E_INVALIDARG, L"The radius must be positive and the resolution at least 3");
    // Degrees of latitude and of longitude that the radius spans at the centre.
    double metres = distance * MetresPerUnit(unit);
    double dLat = metres / (kPi * kEarthRadiusMetres / 180.0);
    double dLon = dLat / std::max(std::cos(centre->Y() * kPi / 180.0), 0.01);
    XYList ring;
    for (long i = 0; i < resolution; ++i) {
        double a = 2.0 * kPi * i / resolution;
        ring.push_back({centre->X() + dLon * std::cos(a), centre->Y() + dLat * std::sin(a)});
    }
    FeatureRecord r;
    r.type = kRegion;
    r.parts.push_back(ring);
    c.Return(Feature::Make(r, StyleArg(c, 5)));
}

}  // namespace mapengine
