// What happens between the user, the host and the points once they are on the map: the rollover
// tooltip, selection by click, arrow keys and areas, the selection's bookkeeping in the host
// dataset, the row validator and the position fields.
#include "ZmaVOMap2/datalayers/ZmaVadAZDataLayer.h"

#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineIds.h"
#include "ZmaVOMap2/datalayers/StyleSettings.h"
#include "ZmaVOMap2/overlays/RolloverTip.h"
#include "ZmaVOMap2/layers/LayerHost.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"
#include "ZmaVOMap2/projection/UtmCircle.h"
#include "platform/Result.h"
#include "platform/Window.h"

#include <cwctype>

using platform::Bstr;
using platform::ComError;
using platform::ComPtr;
using platform::Variant;

namespace {

constexpr short kKeyLeft = 37;
constexpr short kKeyRight = 39;
// Host field type codes of the position fields.
constexpr long kTypeWholeNumber = 3;
constexpr long kTypeLongitude = 12;
constexpr long kTypeLatitude = 13;

// Even-odd rule over a closed ring (the last vertex repeats the first).
bool IsPointInPolygon(const ZmaPointD& p, const std::vector<ZmaPointD>& vertices) {
    bool inside = false;
    for (size_t i = 0; i + 1 < vertices.size(); ++i) {
        const ZmaPointD& a = vertices[i];
        const ZmaPointD& b = vertices[i + 1];
        if (((a.y <= p.y && p.y < b.y) || (b.y <= p.y && p.y < a.y)) &&
            p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x)
            inside = !inside;
    }
    return inside;
}

}  // namespace

bool CZmaVadAZDataLayer::MapViewLocked() const {
    const CZmaVadAZLayerCollection* owner = GetOwner();
    return owner && owner->IsMapViewLocked();
}

// --- Position fields and the row validator ----------------------------------------------------

bool CZmaVadAZDataLayer::FindLatLongFields() {
    if (!dataset_) return false;
    ComPtr<IHostFields> fields;
    if (FAILED(dataset_->get_Fields(fields.Put())) || !fields) return false;
    latitudeField_ = nullptr;
    longitudeField_ = nullptr;
    const long count = hostdata::FieldCount(fields.Get());
    for (long i = 0; i < count; ++i) {
        ComPtr<IHostField> field = hostdata::FieldAt(fields.Get(), i);
        const long type = hostdata::FieldType(field.Get());
        const std::wstring name = hostdata::FieldName(field.Get());
        if ((type == kTypeLatitude || type == kTypeWholeNumber) && name == L"Latitude")
            latitudeField_ = field;
        else if ((type == kTypeLongitude || type == kTypeWholeNumber) && name == L"Longitude")
            longitudeField_ = field;
    }
    if (latitudeField_ && longitudeField_) return true;
    platform::Prompts().MessageBox(nullptr, kNotMappable, L"Map Module", MB_OK);
    return false;
}

bool CZmaVadAZDataLayer::ValidateRow() {
    // Asked of every row while the data extent is computed: the value is reused, not made anew.
    VARIANT& value = rowValue_;
    if (styleFlag_) {
        // A filtering style field: rows whose value is 0 (or no number) are left out.
        if (!styleField_) return false;
        hostdata::ReadValue(styleField_.Get(), value);
        if (FAILED(::VariantChangeType(&value, &value, 0, VT_R8))) return false;
        return value.dblVal != 0.0;
    }
    if (styleField_) {
        hostdata::ReadValue(styleField_.Get(), value);
        if (value.vt == VT_EMPTY || value.vt == VT_NULL) return false;
    }
    if (GetType() == kTypeCellSites && dataset_) {
        ComPtr<IHostFields> fields = hostdata::Fields(dataset_.Get());
        if (ComPtr<IHostField> layerType = hostdata::FieldByName(fields.Get(), L"LayerType")) {
            hostdata::ReadValue(layerType.Get(), value);
            if (value.vt == VT_EMPTY || value.vt == VT_NULL) return siteKey_.empty();
            if (value.vt != VT_BSTR && FAILED(::VariantChangeType(&value, &value, 0, VT_BSTR))) return false;
            // Compared as the optimiser compares it, so that what is drawn is what is selected.
            return IsSiteKeyOfRow(value.bstrVal ? value.bstrVal : L"", value.bstrVal ? ::SysStringLen(value.bstrVal) : 0,
                                  siteKey_);
        }
    }
    return true;
}

// --- Selection bookkeeping --------------------------------------------------------------------

std::wstring CZmaVadAZDataLayer::SelectionEntryKey() const { return L"selected " + platform::ToWide(GetName()); }

void CZmaVadAZDataLayer::UpdateSelection(bool on) {
    selectionNamed_ = on;
    if (dataset_) {
        ComPtr<IHostPropertyCollection> entries;
        THROW_IF_FAILED(dataset_->get_NamedEntries(entries.Put()));
        platform::ThrowIfNull(entries.Get());
        Variant key(SelectionEntryKey());
        if (on)
            THROW_IF_FAILED(entries->Add(Variant(true), key, Variant::Missing()));
        else if (hostdata::HasKey(entries.Get(), SelectionEntryKey()))
            THROW_IF_FAILED(entries->Remove(key));
        if (optimiser_) optimiser_->ClearSelectedItems();
    }
    Redraw();
}

void CZmaVadAZDataLayer::ClearSelection() {
    // A layer not yet given its dataset has nothing selected.
    if (dataset_) {
        ComPtr<IHostStringList> selection = hostdata::Selection(dataset_.Get());
        THROW_IF_FAILED(selection->Clear());
    }
    UpdateSelection(false);
}

bool CZmaVadAZDataLayer::IsSelectionNamed() {
    // Once the host has set the zoom, views on one dataset share its named entry.
    CZmaVadAZLayerCollection* owner = GetOwner();
    if (dataset_ && owner && owner->Host().IsZoomSet()) {
        ComPtr<IHostPropertyCollection> entries;
        THROW_IF_FAILED(dataset_->get_NamedEntries(entries.Put()));
        platform::ThrowIfNull(entries.Get());
        return hostdata::HasKey(entries.Get(), SelectionEntryKey());
    }
    return selectionNamed_;
}

bool CZmaVadAZDataLayer::CheckSelectionInView() {
    if (!dataset_) return false;
    ComPtr<IHostStringList> selection = hostdata::Selection(dataset_.Get());
    if (hostdata::SelectionCount(selection.Get()) == 0) return false;
    ComPtr<IHostRows> rows = hostdata::Rows(dataset_.Get());
    hostdata::MoveTo(rows.Get(), hostdata::SelectionItem(selection.Get(), 0));
    POINT pixel;
    if (!optimiser_->GetScreenPosition(pixel)) return false;
    if (!::PtInRect(&optimiser_->GetViewRect(), pixel)) return ValidateRow();
    return optimiser_->ItemAtPixel(pixel) != -1;
}

bool CZmaVadAZDataLayer::GetSelectionBounds(ZmaExtent& extent) {
    if (!IsSelectionNamed()) return false;
    GetBounds(extent);
    return true;
}

const std::vector<int>& CZmaVadAZDataLayer::GetSelectedItems() { return optimiser_->GetSelectedItems(); }

void CZmaVadAZDataLayer::FireSelectionChanged() {
    if (CZmaVadAZLayerCollection* owner = GetOwner()) {
        Bstr guid(GetSeriesGuid());
        owner->FireSelectionChanged(guid.Get());
    }
}

void CZmaVadAZDataLayer::NotifySelectionChanged() {
    FireSelectionChanged();
    Redraw();
}

void CZmaVadAZDataLayer::AddSelectedRow(long row) {
    ComPtr<IHostStringList> selection = hostdata::Selection(dataset_.Get());
    THROW_IF_FAILED(selection->Add(Variant(row), Variant::Missing(), Variant::Missing()));
}

// --- Area selections --------------------------------------------------------------------------

template <class Test>
void CZmaVadAZDataLayer::SelectRows(Test select) {
    if (!dataset_) return;
    ComPtr<IHostRows> rows = hostdata::Rows(dataset_.Get());
    ComPtr<IHostStringList> selection = hostdata::Selection(dataset_.Get());
    const long count = hostdata::RowCount(rows.Get());
    bool added = false;
    const Variant missing = Variant::Missing();
    if (optimiser_->RowsKept() && optimiser_->KeptRowCount() == count) {
        // The optimiser keeps every row's position and the row validator's verdicts: the same
        // rows, without asking the host for each one (only rows in the area may need a verdict).
        for (long i = 0; i < count; ++i) {
            ZmaPointD p;
            if (!optimiser_->KeptRowPosition(i, p) || !select(p) || !optimiser_->RowCounts(i)) continue;
            THROW_IF_FAILED(selection->Add(Variant(i), missing, missing));
            added = true;
        }
    } else {
        // Read from the host, by the rule of every frame: a row the map does not draw is never
        // selected, whether or not a frame has kept the rows since they changed.
        if (count > 0) hostdata::MoveFirst(rows.Get());
        for (long i = 0; i < count; ++i) {
            ZmaPointD p;
            if (optimiser_->GetMapPosition(p) && select(p) && ValidateRow()) {
                THROW_IF_FAILED(selection->Add(Variant(i), missing, missing));
                added = true;
            }
            if (i + 1 < count) hostdata::MoveNext(rows.Get());
        }
    }
    // Recorded once for the whole area rather than once per row: the outcome is the same and a
    // large area does not ask the engine for a redraw per row.
    if (added) UpdateSelection(true);
    if (IsSelectionNamed()) {
        FireSelectionChanged();
        Redraw();
    }
}

void CZmaVadAZDataLayer::SelectInRectangle(const ZmaExtent& area) {
    SelectRows([&area](const ZmaPointD& p) { return extent::Contains(area, p); });
}

void CZmaVadAZDataLayer::SelectInRadius(const ZmaPointD& centre, double radius) {
    const ZmaExtent view = optimiser_->GetViewExtent();
    SelectRows([&](const ZmaPointD& p) {
        const double dx = p.x - centre.x, dy = p.y - centre.y;
        return extent::Contains(view, p) && dx * dx + dy * dy <= radius * radius;
    });
}

void CZmaVadAZDataLayer::SelectInRadiusProjected(const ZmaPointD& centre, double radius) {
    // The control's SelectByRadius hands the centre over as (latitude, longitude), as the host
    // gave it; the rows' positions are (longitude, latitude). Distances are measured in metres
    // in the UTM zone of the centre.
    UtmCircle circle;
    if (!circle.Init(centre.x, centre.y, radius)) return;
    const ZmaExtent view = optimiser_->GetViewExtent();
    SelectRows([&](const ZmaPointD& p) { return extent::Contains(view, p) && circle.Contains(p.x, p.y); });
}

void CZmaVadAZDataLayer::SelectInPolygon(const ZmaExtent& bounds, const std::vector<ZmaPointD>& points) {
    SelectRows([&](const ZmaPointD& p) { return extent::Contains(bounds, p) && IsPointInPolygon(p, points); });
}

// --- Mouse and keys ---------------------------------------------------------------------------

bool CZmaVadAZDataLayer::HitTest(long x, long y, double /*mapX*/, double /*mapY*/) {
    try {
        const POINT point = {x, y};
        const int row = optimiser_->HitTest(point, renderer_.Get());
        if (row == -1) {
            HideRolloverTip(this);
            if (lineLayers_[kLineA] && lineLayers_[kLineA]->HitTest(x, y, 0, 0)) return true;
            return lineLayers_[kLineB] && lineLayers_[kLineB]->HitTest(x, y, 0, 0);
        }
        ComPtr<IHostRows> rows = hostdata::Rows(dataset_.Get());
        hostdata::MoveTo(rows.Get(), row);
        std::wstring text;
        if (BuildTooltipText(text)) ShowRolloverTip(point, platform::ToAnsi(text), row, this);
        return true;
    }
    COM_CATCH_LOG();
    return false;
}

bool CZmaVadAZDataLayer::OnToolUsed(long x, long y, double /*mapX*/, double /*mapY*/) {
    bool selected = false;
    try {
        const int row = optimiser_->HitTest({x, y}, renderer_.Get());
        if (row == -1) return false;
        AddSelectedRow(row);
        UpdateSelection(true);
        selected = true;
        FireSelectionChanged();
        Redraw();
        return true;
    }
    COM_CATCH_LOG();
    return selected;
}

bool CZmaVadAZDataLayer::OnKeyDown(short keyCode, short /*shift*/) {
    bool handled = false;
    try {
        int step = 0;
        if (keyCode == kKeyRight)
            step = 1;
        else if (keyCode == kKeyLeft)
            step = -1;
        else
            return false;
        if (!IsSelectionNamed() || !dataset_) return false;

        ComPtr<IHostStringList> selection = hostdata::Selection(dataset_.Get());
        const long next = hostdata::SelectionItem(selection.Get(), 0) + step;
        ComPtr<IHostRows> rows = hostdata::Rows(dataset_.Get());
        if (next >= 0 && next < hostdata::RowCount(rows.Get())) {
            ClearSelection();
            AddSelectedRow(next);
            UpdateSelection(true);
        }
        handled = true;
        FireSelectionChanged();
        Redraw();
        ShowSelection();
        return true;
    }
    COM_CATCH_LOG();
    return handled;
}

// --- Tooltip text -----------------------------------------------------------------------------

bool CZmaVadAZDataLayer::FormatFieldText(const std::wstring& name, std::wstring& line) {
    ComPtr<IHostFields> fields = hostdata::Fields(dataset_.Get());
    ComPtr<IHostField> field = hostdata::FieldByName(fields.Get(), name);
    if (!field) return false;
    ComPtr<IHostFieldStyle> formatter = FindInHostCollection(field.Get());
    Variant value;
    hostdata::ReadValue(field.Get(), value);
    if (value.vt == VT_EMPTY || value.vt == VT_NULL) return false;

    std::wstring text;
    if (!formatter) {
        if (value.vt != VT_BSTR) THROW_IF_FAILED(::VariantChangeType(&value, &value, VARIANT_ALPHABOOL, VT_BSTR));
        text = value.bstrVal ? std::wstring(value.bstrVal, ::SysStringLen(value.bstrVal)) : std::wstring();
    } else {
        if (value.vt == VT_BSTR && ::SysStringLen(value.bstrVal) == 0) return false;
        Bstr formatted;
        THROW_IF_FAILED(formatter->FormatValue(0, value, Variant::Missing(), formatted.Put()));
        text = formatted.Wide();
    }
    line = name + L": " + text;
    return true;
}

bool CZmaVadAZDataLayer::BuildTooltipText(std::wstring& text) {
    text.clear();
    if (useTooltipExpression_ && EvaluateExpression(tooltipExpression_, text)) return true;

    bool any = false;
    for (const std::wstring& name : displayFields_) {
        std::wstring line;
        if (!FormatFieldText(name, line)) continue;
        if (any) text += L"\n";
        text += line;
        any = true;
    }
    if (GetType() == kTypeCellSites) {
        std::wstring line;
        if (FormatFieldText(L"TCHList", line)) {
            for (wchar_t& c : line)
                if (c == L';') c = L',';
            text += L"\n" + line;
        }
    }
    return any;
}

// --- Extent -----------------------------------------------------------------------------------

int CZmaVadAZDataLayer::GetExtent(IDispatch* rectangle) {
    if (!rectangle) return 0;
    ZmaExtent data;
    if (!optimiser_->GetDataExtent(data)) return 0;
    EngineDispatch(rectangle).Call(Engine::Rectangle::kSet,
                                   {Variant(data.left), Variant(data.top), Variant(data.right), Variant(data.bottom)});
    return 1;
}
