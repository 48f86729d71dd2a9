#include "ZmaVOMap2/lines/ZmaVadAZLinesLayer.h"

#include "ZmaVOMap2/datalayers/HostDataset.h"
#include "ZmaVOMap2/datalayers/StyleSettings.h"
#include "ZmaVOMap2/datalayers/ZmaVadAZDataLayer.h"
#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineIds.h"
#include "ZmaVOMap2/layers/FileNames.h"
#include "ZmaVOMap2/layers/LayerHost.h"
#include "ZmaVOMap2/persistence/PersistXml.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"
#include "platform/Result.h"
#include "platform/Xml.h"

#include <olectl.h>

#include <algorithm>
#include <cmath>

using platform::Bstr;
using platform::ComPtr;
using platform::Variant;

namespace {

const CLSID kDomDocument40 = {0x88D969C0, 0xF192, 0x11D4, {0xA6, 0x5F, 0x00, 0x40, 0x96, 0x32, 0x51, 0xE5}};
const IID kXmlDomDocument = {0x2933BF81, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};

bool ReadAttribute(IXMLDOMElement* element, const wchar_t* name, std::wstring& value) {
    return platform::GetAttribute(element, name, value);
}

}  // namespace

CZmaVadAZLinesLayer::CZmaVadAZLinesLayer(IDispatch* map, CZmaVadAZLayerCollection* owner) : CZmaVadAZLayer(map, owner) {
    // The document only makes elements for a save whose target has no document of its own.
    ComPtr<IUnknown> object;
    if (SUCCEEDED(::CoCreateInstance(kDomDocument40, nullptr, CLSCTX_ALL, IID_IUnknown, object.PutVoid())) && object &&
        SUCCEEDED(::OleRun(object.Get())))
        object->QueryInterface(kXmlDomDocument, document_.PutVoid());
    try {
        if (ComPtr<IHostLabelStyle> style = GetLabelProperties()->GetStyle()) style->put_Opaque(VARIANT_TRUE);
    }
    CATCH_SWALLOW("a host without a label style draws no line labels: nothing to switch on then");
}

CZmaVadAZLinesLayer::~CZmaVadAZLinesLayer() = default;

HRESULT CZmaVadAZLinesLayer::SetSourceInfo(const std::string& name, int type, const std::wstring& seriesGuid,
                                           const std::wstring& discValue) {
    SetNameOnly(name);
    SetType(type);
    SetUserDrawn(true);
    seriesGuid_ = seriesGuid;
    discValue_ = discValue;
    return S_OK;
}

HRESULT CZmaVadAZLinesLayer::SetDataset(IHostDataset* dataset, const std::wstring& seriesGuid, const FieldPairs& pairs,
                                        int mode) {
    bool replaced = false;
    auto it = std::find_if(entries_.begin(), entries_.end(),
                           [&](const DatasetEntry& e) { return e.seriesGuid == seriesGuid; });
    if (it == entries_.end()) {
        entries_.push_back(DatasetEntry{ComPtr<IHostDataset>(dataset), seriesGuid, pairs});
    } else if (mode == kModeReplace) {
        it->dataset = dataset;
        replaced = true;
    }
    if (!replaced && mode == kModeCellSites) seriesGuid_ = seriesGuid;
    return S_OK;
}

HRESULT CZmaVadAZLinesLayer::RemoveDataset(const std::wstring& seriesGuid) {
    auto it = std::find_if(entries_.begin(), entries_.end(),
                           [&](const DatasetEntry& e) { return e.seriesGuid == seriesGuid; });
    if (it != entries_.end()) entries_.erase(it);
    return S_OK;
}

bool CZmaVadAZLinesLayer::FindDataset(IHostDataset* dataset, std::wstring& seriesGuid) const {
    for (const DatasetEntry& entry : entries_) {
        if (entry.dataset.Get() != dataset) continue;
        seriesGuid = entry.seriesGuid;
        return true;
    }
    return false;
}

// --- Settings ------------------------------------------------------------------------------------

HRESULT CZmaVadAZLinesLayer::SaveSettings(IXMLDOMNode* parent) {
    using persistxml::BoolText;
    using platform::SetAttribute;
    if (!parent) platform::ThrowHr(E_POINTER);
    ComPtr<IXMLDOMElement> element;
    THROW_IF_FAILED(parent->QueryInterface(IID_IXMLDOMElement, element.PutVoid()));
    SetAttribute(element.Get(), L"drawoption", persistxml::LongText(drawOption_));
    SetAttribute(element.Get(), L"colorbyfield", colorBy_);
    SetAttribute(element.Get(), L"Technology", technology_);
    SetAttribute(element.Get(), L"labelbyfield", labelBy_);
    SetAttribute(element.Get(), L"visible", BoolText(true));
    SetAttribute(element.Get(), L"Disable", BoolText(disabled_));
    SetAttribute(element.Get(), L"SeriesGUID", seriesGuid_);
    SetAttribute(element.Get(), L"DiscValue", discValue_);

    ComPtr<IXMLDOMDocument> owner;
    if (FAILED(element->get_ownerDocument(owner.Put())) || !owner) owner = document_;
    if (!owner) platform::ThrowHr(E_POINTER);
    ComPtr<IXMLDOMElement> labels;
    THROW_IF_FAILED(owner->createElement(Bstr(L"LabelSettings").Get(), labels.Put()));
    ComPtr<IXMLDOMNode> appended;
    THROW_IF_FAILED(element->appendChild(labels.Get(), appended.Put()));
    long unit = 0;
    try {
        unit = EngineDispatch(GetMapXMap().Get()).Get(Engine::Map::kDistanceUnit).ToLong();
    }
    CATCH_SWALLOW("without an engine the range is kept in the default unit");
    return GetLabelProperties()->Save(labels.Get(), unit);
}

HRESULT CZmaVadAZLinesLayer::LoadLineSettings(IXMLDOMElement* element, long version) {
    if (!element) platform::ThrowHr(E_POINTER);
    drawOption_ = static_cast<int>(persistxml::RequireLong(element, L"drawoption"));
    colorBy_ = persistxml::RequireText(element, L"colorbyfield");
    std::wstring text;
    if (ReadAttribute(element, L"labelbyfield", text)) labelBy_ = text;
    if (ReadAttribute(element, L"Disable", text)) disabled_ = Variant(text).ToBool();
    if (ReadAttribute(element, L"SeriesGUID", text)) seriesGuid_ = text;
    if (ReadAttribute(element, L"DiscValue", text)) discValue_ = text;
    if (ComPtr<IXMLDOMElement> labels = persistxml::SelectElement(element, L"LabelSettings"))
        THROW_IF_FAILED(GetLabelProperties()->Load(labels.Get(), version));
    if (ReadAttribute(element, L"Technology", text)) technology_ = text;
    return S_OK;
}

// --- Services for the kinds ----------------------------------------------------------------------

bool CZmaVadAZLinesLayer::GetFieldValue(const std::wstring& fieldName, const std::wstring& seriesGuid,
                                        IHostDataset* dataset, ComPtr<IHostField>& field) {
    field = nullptr;
    if (fieldName.empty() || fieldName == L"None") return false;
    if (missingFields_.count({dataset, fieldName})) return false;
    ComPtr<IHostFields> fields = hostdata::Fields(platform::ThrowIfNull(dataset));
    if (SUCCEEDED(fields->Item(Variant(fieldName), field.Put())) && field) return true;

    // The host may add the field when asked. Its handler may move the cursor, so the walk's row
    // is put back whatever the second answer is.
    ComPtr<IHostRows> rows = hostdata::Rows(dataset);
    long row = -1;
    THROW_IF_FAILED(rows->get_CurrentRow(&row));
    if (CZmaVadAZLayerCollection* owner = GetOwner()) {
        Bstr name(fieldName), series(seriesGuid);
        owner->Host().FireGetField(name.Get(), series.Get());
    }
    const bool found = SUCCEEDED(fields->Item(Variant(fieldName), field.Put())) && field;
    if (row >= 0) hostdata::MoveTo(rows.Get(), row);
    if (!found) missingFields_.insert({dataset, fieldName});
    return found;
}

int CZmaVadAZLinesLayer::GetLineDirection(POINT from, POINT to) {
    const double dx = to.x - from.x;
    const double dy = from.y - to.y;  // screen y grows downwards
    if (dy == 0) return dx > 0 ? 90 : dx < 0 ? 270 : 0;
    double angle = std::atan(dx / dy) / 1.57079 * 90;
    if (dy < 0) angle += 180;
    if (dx < 0 && dy > 0) angle += 360;
    return static_cast<int>(angle);
}

bool CZmaVadAZLinesLayer::DrawLabel(HDC dc, IHostField* field, POINT anchor, POINT from, POINT to) {
    std::wstring value;
    if (!FieldValueText(platform::ThrowIfNull(field), value)) return false;
    const std::wstring text = hostdata::FieldName(field) + L": " + value;

    CZmaVadAZLabelProperties& labels = *GetLabelProperties();
    int ox = 0, oy = 0;
    labels.GetOffset(ox, oy);
    UINT align = TA_BASELINE | TA_LEFT;
    if (labels.GetAlignment() == CZmaVadAZLabelProperties::kAlignRight) align = TA_BASELINE | TA_RIGHT;
    if (labels.GetAlignment() == CZmaVadAZLabelProperties::kAlignCentre) align = TA_BASELINE | TA_CENTER;

    int angle = 0;
    int dx = ox, dy = oy;
    const int position = labels.GetPosition();
    if (position == 0 || position == 1) {
        angle = GetLineDirection(from, to);
        // The offset turns with the line: a real rotation of (ox, oy) by the line's angle, in
        // screen coordinates (y down, angles clockwise).
        const double r = angle * (1.0 / 180) * 3.14159;
        dx = static_cast<int>(std::lround(ox * std::cos(r) - oy * std::sin(r)));
        dy = static_cast<int>(std::lround(ox * std::sin(r) + oy * std::cos(r)));
        if (position == 0) angle -= 90;
    } else if (position == 3) {
        angle = -90;
    }
    const POINT at = {anchor.x + dx, anchor.y + dy};
    while (angle > 90) angle -= 180;
    while (angle < -90) angle += 180;

    ComPtr<IHostLabelStyle> style = labels.GetStyle();
    if (!style) return false;
    const UINT previous = ::SetTextAlign(dc, align);
    Bstr label(text);
    HRESULT hr = style->DrawText(static_cast<OLE_HANDLE>(reinterpret_cast<UINT_PTR>(dc)), at.x, at.y, -angle, label.Get());
    ::SetTextAlign(dc, previous);
    THROW_IF_FAILED(hr);
    return true;
}

void CZmaVadAZLinesLayer::PumpMessages() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

CZmaVadAZDataLayer* CZmaVadAZLinesLayer::FindDataLayer(const std::wstring& key) const {
    CZmaVadAZLayerCollection* owner = GetOwner();
    if (!owner || key.empty()) return nullptr;
    return AsDataLayer(owner->FindLayerByExactKey(key));
}

std::wstring CZmaVadAZLinesLayer::TabFileName(const std::wstring& folder, const std::string& suffix) const {
    std::wstring path;
    GetTabFileName(path, folder, suffix.c_str());
    JudgeExportFile(path);
    return path;
}

RECT CZmaVadAZLinesLayer::ExportView() {
    // Far wider than any screen, yet small enough for the pixel arithmetic of the clipping.
    const long reach = 100000000;
    return RECT{-reach, -reach, reach, reach};
}

bool CZmaVadAZLinesLayer::UsesGdiPlus() const {
    CZmaVadAZLayerCollection* owner = GetOwner();
    return owner && owner->UsesGdiPlus();
}

LineCacheView CZmaVadAZLinesLayer::CacheView(const CZmaVadAZDataLayer& data, const RECT& view,
                                             const ZmaExtent& extent) const {
    LineCacheView built{view, extent, drawOption_, GetDatasetCount(), data.GetOffsetX(), data.GetOffsetY()};
    if (const RendererOptimiserInterface* points = data.GetOptimiser()) built.pointRows = points->RowsVersion();
    if (const CZmaVadAZDataLayer* sites = CellSiteLayer())
        if (const RendererOptimiserInterface* cells = sites->GetOptimiser()) built.cellRows = cells->RowsVersion();
    return built;
}

bool CZmaVadAZLinesLayer::KeepsPictures() const {
    CZmaVadAZLayerCollection* owner = GetOwner();
    return owner && !owner->IsPrinting();
}

bool CZmaVadAZLinesLayer::LabelsWithinZoom() {
    CZmaVadAZLabelProperties* labels = GetLabelProperties();
    if (!labels || !labels->GetVisible()) return false;
    double zoomMin = 0, zoomMax = 0;
    if (!labels->GetLabelZoom(&zoomMin, &zoomMax)) return true;
    // The range is kept in its own unit: read the zoom in that unit, then put the map's back.
    EngineDispatch map(GetMapXMap().Get());
    EnginePropertyRestorer unit(map, Engine::Map::kDistanceUnit);
    map.Put(Engine::Map::kDistanceUnit, Variant(labels->GetLabelZoomUnits()));
    const double zoom = map.Get(Engine::Map::kZoom).ToDouble();
    unit.Restore();
    return zoomMin <= zoom && zoom <= zoomMax;
}

POINT CZmaVadAZLinesLayer::DrawOffset() const {
    CZmaVadAZLayerCollection* owner = GetOwner();
    return owner ? owner->Host().ZoomViewOffset() : POINT{0, 0};
}

bool FieldValueText(IHostField* field, std::wstring& text) {
    Variant value;
    hostdata::ReadValue(field, value);
    if (value.vt == VT_EMPTY || value.vt == VT_NULL) return false;
    if (ComPtr<IHostFieldStyle> formatter = FindInHostCollection(field)) {
        if (value.vt == VT_BSTR && ::SysStringLen(value.bstrVal) == 0) return false;
        Bstr formatted;
        THROW_IF_FAILED(formatter->FormatValue(0, value, Variant::Missing(), formatted.Put()));
        text = formatted.Wide();
        return true;
    }
    if (value.vt != VT_BSTR) THROW_IF_FAILED(::VariantChangeType(&value, &value, VARIANT_ALPHABOOL, VT_BSTR));
    text = value.bstrVal ? std::wstring(value.bstrVal, ::SysStringLen(value.bstrVal)) : std::wstring();
    return true;
}
