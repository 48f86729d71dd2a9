#include "standins/mapengine/Feature.h"

#include "standins/mapengine/Layer.h"
#include "standins/mapengine/Parts.h"
#include "standins/mapengine/Point.h"
#include "standins/mapengine/Rectangle.h"

#include <algorithm>
#include <cmath>

using platform::ComPtr;

namespace mapengine {

const MemberTable<Feature>& Feature::Members() {
    static const MemberTable<Feature> table = MemberTable<Feature>()
        .Get(L"Type", &Feature::GetType)
        .Get(L"Style", &Feature::GetStyle)
        .Put(L"Style", &Feature::PutStyle)
        .Get(L"Caption", &Feature::GetCaption)
        .Put(L"Caption", &Feature::PutCaption)
        .Get(L"CenterX", &Feature::GetCenterX)
        .Get(L"CenterY", &Feature::GetCenterY)
        .Get(L"Point", &Feature::GetPoint)
        .Put(L"Point", &Feature::PutPoint)
        .Get(L"Parts", &Feature::GetParts)
        .Get(L"Bounds", &Feature::GetBounds)
        .Get(L"KeyValue", &Feature::GetKeyValue)
        .Put(L"KeyValue", &Feature::PutKeyValue)
        .Method(L"Update", &Feature::Update)
        .Get(L"Layer", &Feature::GetLayer)
        .Get(L"FeatureKey", &Feature::GetKey);
    return table;
}

ComPtr<Feature> Feature::Make(const FeatureRecord& record, ComPtr<Style> style) {
    ComPtr<Feature> f = platform::MakeObject<Feature>();
    f->record_ = record;
    f->style_ = style ? style : platform::MakeObject<Style>();
    return f;
}

ComPtr<Feature> Feature::Copy() {
    FeatureRecord r = record_;
    r.key.clear();
    return Make(r, style_->Clone());
}

FeatureRecord Feature::RecordWithStyle() {
    FeatureRecord r = record_;
    r.style = style_->Serialise();
    return r;
}

void Feature::AttachTo(Layer* layer, std::wstring key) {
    layer_ = layer;
    record_.key = std::move(key);
}

GeoRect Feature::Bounds() const {
    if (record_.type == kSymbol || record_.type == kText || record_.parts.empty()) {
        return {record_.point.x, record_.point.y, record_.point.x, record_.point.y};
    }
    GeoRect r{HUGE_VAL, HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
    for (const XYList& part : record_.parts) {
        for (const XY& p : part) {
            r.xmin = std::min(r.xmin, p.x);
            r.ymin = std::min(r.ymin, p.y);
            r.xmax = std::max(r.xmax, p.x);
            r.ymax = std::max(r.ymax, p.y);
        }
    }
    if (r.xmin > r.xmax) return {0, 0, 0, 0};
    return r;
}

void Feature::GetType(Call& c) { c.Return(record_.type); }
void Feature::GetStyle(Call& c) { c.Return(style_); }
void Feature::PutStyle(Call& c) { style_ = Style::CopyOf(c.Object<Style>(0).Get()); }
void Feature::GetCaption(Call& c) { c.Return(record_.caption); }
void Feature::PutCaption(Call& c) { record_.caption = c.String(0); }

void Feature::GetCenterX(Call& c) {
    GeoRect b = Bounds();
    c.Return((b.xmin + b.xmax) / 2.0);
}

void Feature::GetCenterY(Call& c) {
    GeoRect b = Bounds();
    c.Return((b.ymin + b.ymax) / 2.0);
}

void Feature::GetPoint(Call& c) {
    if (record_.type != kSymbol && record_.type != kText) Fail(E_FAIL, L"Only symbol and text features have a point");
    c.Return(Point::Make(record_.point.x, record_.point.y));
}

void Feature::PutPoint(Call& c) {
    ComPtr<Point> p = c.Object<Point>(0);
    record_.point = {p->X(), p->Y()};
}

void Feature::GetBounds(Call& c) { c.Return(Rectangle::Make(Bounds())); }

void Feature::GetParts(Call& c) {
    if (record_.type != kLine && record_.type != kRegion) Fail(E_FAIL, L"Only line and region features have parts");
    c.Return(Parts::Make(record_.parts));
}

void Feature::GetKeyValue(Call& c) { c.Return(record_.keyValue); }
void Feature::PutKeyValue(Call& c) { record_.keyValue = c.String(0); }

void Feature::Update(Call&) {
    if (!layer_) Fail(E_FAIL, L"The feature does not belong to a layer");
    layer_->FeatureChanged();
}

void Feature::GetLayer(Call& c) { c.Return(layer_ ? layer_->AsDispatch() : nullptr); }

void Feature::GetKey(Call& c) { c.Return(record_.key); }

}  // namespace mapengine
