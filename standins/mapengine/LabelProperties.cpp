#include "standins/mapengine/LabelProperties.h"

#include "standins/mapengine/Dataset.h"
#include "standins/mapengine/Faults.h"
#include "standins/mapengine/Field.h"
#include "standins/mapengine/Units.h"

namespace mapengine {

const MemberTable<LabelProperties>& LabelProperties::Members() {
    static const MemberTable<LabelProperties> table = MemberTable<LabelProperties>()
        .Get(L"Style", &LabelProperties::GetStyle)
        .Put(L"Style", &LabelProperties::PutStyle)
        .Property(L"Visible", &LabelProperties::visible)
        .Property(L"LabelZoom", &LabelProperties::labelZoom)
        .Get(L"LabelZoomMin", &LabelProperties::GetZoomMin)
        .Put(L"LabelZoomMin", &LabelProperties::PutZoomMin)
        .Get(L"LabelZoomMax", &LabelProperties::GetZoomMax)
        .Put(L"LabelZoomMax", &LabelProperties::PutZoomMax)
        .Property(L"LineType", &LabelProperties::lineType)
        .Property(L"Offset", &LabelProperties::offset)
        .Property(L"Parallel", &LabelProperties::parallel)
        .Get(L"Dataset", &LabelProperties::GetDataset)
        .Put(L"Dataset", &LabelProperties::PutDataset)
        .Property(L"Duplicate", &LabelProperties::duplicate)
        .Property(L"Overlap", &LabelProperties::overlap)
        .Property(L"LabelMax", &LabelProperties::labelMax)
        .Get(L"DataField", &LabelProperties::GetDataField)
        .Put(L"DataField", &LabelProperties::PutDataField)
        .Property(L"Position", &LabelProperties::position)
        .Property(L"PartialSegments", &LabelProperties::partialSegments);
    return table;
}

Style* LabelProperties::TextStyle() {
    if (!style_) style_ = platform::MakeObject<Style>();
    return style_.Get();
}

bool LabelProperties::ShownAt(double zoomMetres) const noexcept {
    if (!visible) return false;
    if (!labelZoom) return true;
    double minUnit = 0, maxUnit = 0;
    if (!UnitLengthMetres(zoomMin_.unit, minUnit) || !UnitLengthMetres(zoomMax_.unit, maxUnit)) return false;
    return zoomMin_.value * minUnit <= zoomMetres && zoomMetres <= zoomMax_.value * maxUnit;
}

std::wstring LabelProperties::DataFieldName() const { return dataField_ ? dataField_->Name() : std::wstring(); }

long LabelProperties::MapUnit() const { return map_ ? map_->View().DistanceUnit() : 0; }

void LabelProperties::GetZoom(Call& c, const ZoomValue& zoom) {
    const long unit = MapUnit();
    c.Return(unit == zoom.unit ? zoom.value : ConvertLength(zoom.value, zoom.unit, unit));
}

void LabelProperties::PutZoom(Call& c, ZoomValue& zoom) {
    if (FaultSwitches::FromEnvironment().failZoom) Fail(E_FAIL, L"The label zoom range is refused");
    zoom = {c.Double(0), MapUnit()};
}

void LabelProperties::GetStyle(Call& c) { c.Return(static_cast<IDispatch*>(TextStyle()->AsDispatch())); }
void LabelProperties::PutStyle(Call& c) { style_ = Style::CopyOf(c.Object<Style>(0).Get()); }
void LabelProperties::GetDataset(Call& c) { c.Return(dataset_.Get()); }

void LabelProperties::PutDataset(Call& c) {
    platform::ComPtr<Dataset> d = c.ObjectOrNull<Dataset>(0);
    dataset_ = d ? d->AsDispatch() : nullptr;
}

void LabelProperties::GetDataField(Call& c) { c.Return(dataField_); }
void LabelProperties::PutDataField(Call& c) { dataField_ = c.ObjectOrNull<Field>(0); }

}  // namespace mapengine
