// Construction, initialisation from the dataset, the display fields and the three drawing passes.
#include "ZmaVOMap2/datalayers/ZmaVadAZDataLayer.h"

#include "ZmaVOMap2/datalayers/CellLineLayer.h"

#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineIds.h"
#include "ZmaVOMap2/datalayers/OverlappingLabelPreventor.h"
#include "ZmaVOMap2/datalayers/StyleSettings.h"
#include "ZmaVOMap2/engine/EngineMembers.h"
#include "ZmaVOMap2/overlays/RolloverTip.h"
#include "ZmaVOMap2/layers/LayerFactory.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"
#include "platform/Result.h"
#include "platform/Window.h"

#include <algorithm>

using platform::Bstr;
using platform::ComError;
using platform::ComPtr;
using platform::Variant;

namespace {

const wchar_t kCaption[] = L"Map Module";

// Drawing codes of the host renderer.
constexpr long kCodeNormal = 0;
constexpr long kCodeSelected = 1;
constexpr long kCodeFilteringStyle = 6;
// Style flags of a field's style object.
constexpr long kStyleByValue = 0x2;
constexpr long kStyleFilters = 0x40;

const CLSID& InitialSymbolClass(int type, const CZmaVadAZLayerCollection* owner) {
    switch (type) {
    case CZmaVadAZLayer::kTypeCellSites:
        return SymbolDrawing::kCellSites;
    case CZmaVadAZLayer::kTypeCellReferences:
        return !owner || owner->UsesGdiPlus() ? SymbolDrawing::kEnhanced : SymbolDrawing::kPlain;
    default:
        return SymbolDrawing::kPlain;
    }
}

std::unique_ptr<RendererOptimiserInterface> OptimiserFor(int type) {
    if (type == CZmaVadAZLayer::kTypeCellSites) return std::make_unique<RendererOptimiserCellSites>(std::wstring());
    return std::make_unique<RendererOptimiserDataset>();
}

}  // namespace

CZmaVadAZDataLayer::CZmaVadAZDataLayer(IDispatch* map, int /*userDrawn*/, CZmaVadAZLayerCollection* owner,
                                       std::unique_ptr<RendererOptimiserInterface> optimiser,
                                       const CLSID* rendererClass, const std::wstring& siteKey)
    : CZmaVadAZLayer(map, owner),
      optimiser_(std::move(optimiser)),
      symbolClass_(rendererClass ? *rendererClass : SymbolDrawing::kPlain),
      siteKey_(siteKey) {
    if (!optimiser_) platform::ThrowHr(E_POINTER);
    optimiser_->SetMap(map);
    optimiser_->SetRowFilter(this);
}

CZmaVadAZDataLayer::CZmaVadAZDataLayer(IDispatch* map, CZmaVadAZLayerCollection* owner, int type)
    : CZmaVadAZDataLayer(map, 1, owner, OptimiserFor(type), &InitialSymbolClass(type, owner), std::wstring()) {
    SetType(type);
}

void RegisterDataLayerKinds(LayerFactory& factory) {
    for (int type : {CZmaVadAZLayer::kTypeDataset, CZmaVadAZLayer::kTypeCellSites, CZmaVadAZLayer::kTypeCellReferences})
        factory.Register(type, [](IDispatch* map, CZmaVadAZLayerCollection* owner, int kind) {
            return std::unique_ptr<CZmaVadAZLayer>(std::make_unique<CZmaVadAZDataLayer>(map, owner, kind));
        });
}

bool CZmaVadAZDataLayer::TakeKeys(const std::wstring& key, const std::wstring& displayKey, const std::string& caption,
                                  const std::wstring& siteKey) {
    SetLayerKey(key);
    SetDisplayKey(displayKey.empty() ? key : displayKey);
    if (GetType() == kTypeCellSites || GetType() == kTypeCellReferences) SetCaption(caption);
    if (GetType() == kTypeCellSites && siteKey != siteKey_) {
        // The site key filters the rows from the first read on: the optimiser is made with it.
        siteKey_ = siteKey;
        optimiser_ = std::make_unique<RendererOptimiserCellSites>(siteKey);
        optimiser_->SetMap(GetMapXMap().Get());
        optimiser_->SetRowFilter(this);
    }
    return true;
}

const char* CZmaVadAZDataLayer::GetDefaultsKey() {
    switch (GetType()) {
    case kTypeDataset: return "MAP_LAYER_TYPE_POINT_DATA";
    case kTypeCellSites: return "MAP_LAYER_TYPE_NETWORK_DATA";
    case kTypeCellReferences: return "MAP_LAYER_TYPE_SITES_LAYER";
    default: return nullptr;
    }
}

CZmaVadAZDataLayer::~CZmaVadAZDataLayer() {
    // A tooltip shown for this layer must not outlive it (no tooltip window: nothing shown).
    if (rollovertip::Window()) HideRolloverTip(this);
    // The optimiser holds the dataset and its fields: it goes before the layer's own references.
    optimiser_.reset();
}

HRESULT CZmaVadAZDataLayer::Attach(const std::string& name, int type, const std::string& /*fileSpec*/) {
    return AttachUserDrawLayer(name, type);
}

HRESULT CZmaVadAZDataLayer::SetVisible(bool visible) { return CZmaVadAZLayer::SetVisible(visible); }

HRESULT CZmaVadAZDataLayer::SetSelectable(bool selectable) {
    selectable_ = selectable ? 1 : 0;
    return S_OK;
}

void CZmaVadAZDataLayer::Redraw() {
    // The control switches refreshes off while a polygon-style tool is being drawn, so that the
    // engine does not repaint over the shape in progress.
    CZmaVadAZLayerCollection* owner = GetOwner();
    if (owner && !owner->IsRefreshEnabled()) return;
    ComPtr<IDispatch> layer = GetMapXLayer();
    if (!layer) return;
    EngineDispatch(layer.Get()).Call(Engine::Layer::kInvalidate, {Variant::Missing()});
}

// --- Dataset and display fields ---------------------------------------------------------------

HRESULT CZmaVadAZDataLayer::ReplaceDataset(IHostDataset* dataset) {
    try {
        SetDataset(dataset);
        if (!FindLatLongFields()) return E_FAIL;
        RefreshStyleField();
        optimiser_->SetSources(dataset_.Get(), latitudeField_.Get(), longitudeField_.Get());
        NoteRowFilter();
        return S_OK;
    } CATCH_RETURN_QUIET()
}

HRESULT CZmaVadAZDataLayer::Initialise(const std::vector<std::wstring>& fieldNames) {
    if (!dataset_) return E_POINTER;
    try {
        // The caller removes the layer when the dataset has no positions; the user was told.
        if (!FindLatLongFields()) throw platform::ComError(E_FAIL, kNotMappable, L"VadAZ");
        BuildDisplayFields(fieldNames);
        RefreshStyleField();
        optimiser_->SetSources(dataset_.Get(), latitudeField_.Get(), longitudeField_.Get());
        NoteRowFilter();
        return S_OK;
    } CATCH_RETURN_KEEP_INFO()
}

void CZmaVadAZDataLayer::BuildDisplayFields(const std::vector<std::wstring>& fieldNames) {
    if (!dataset_) platform::ThrowHr(E_UNEXPECTED);
    attributeCodes_.clear();
    displayFields_.clear();

    // Codes stored with the dataset win, as long as every field has one.
    bool complete = true;
    for (const std::wstring& name : fieldNames) {
        const long code = LoadStyleSettings(dataset_.Get(), name, layerKey_, GetSeriesGuid());
        if (code == -1) {
            complete = false;
            break;
        }
        attributeCodes_[name] = code;
        displayFields_.push_front(name);
    }
    if (complete) return;

    // Codes chosen afresh. The names entered above are entered once more below, so they go too:
    // a field listed twice would show twice in tooltips and exports.
    attributeCodes_.clear();
    displayFields_.clear();
    ComPtr<IHostFields> fields = hostdata::Fields(dataset_.Get());
    if (fieldNames.size() > 1) {
        std::vector<long> used;
        for (const std::wstring& name : fieldNames) {
            ComPtr<IHostField> field = hostdata::FieldByName(fields.Get(), name);
            ComPtr<IHostFieldStyle> style = FindInHostCollection(field.Get());
            long flags = 0;
            if (style) THROW_IF_FAILED(style->get_StyleFlags(&flags));
            const bool byValue = style && (flags & kStyleByValue);
            // Fields styled by value prefer the character, the others the colour.
            const long candidates[3] = {byValue ? kCodeCharacter : kCodeColour, byValue ? kCodeColour : kCodeSize,
                                        byValue ? kCodeSize : kCodeCharacter};
            long code = candidates[2];
            for (long candidate : candidates) {
                if (std::find(used.begin(), used.end(), candidate) == used.end()) {
                    code = candidate;
                    break;
                }
            }
            used.push_back(code);
            SaveStyleSettings(dataset_.Get(), name, layerKey_, code);
            attributeCodes_[name] = code;
            displayFields_.push_front(name);
        }
    } else if (fieldNames.size() == 1) {
        const std::wstring& name = fieldNames.front();
        ComPtr<IHostField> field = hostdata::FieldByName(fields.Get(), name);
        if (ComPtr<IHostFieldStyle> style = FindInHostCollection(field.Get())) {
            long code = 0;
            THROW_IF_FAILED(style->get_AttributeCode(&code));
            SaveStyleSettings(dataset_.Get(), name, layerKey_, code);
            attributeCodes_[name] = code;
        }
        displayFields_.push_front(name);
    }
}

void CZmaVadAZDataLayer::RefreshStyleField() {
    if (displayFields_.empty() || !dataset_) return;
    ComPtr<IHostFields> fields = hostdata::Fields(dataset_.Get());
    styleField_ = hostdata::FieldByName(fields.Get(), displayFields_.front());
}

HRESULT CZmaVadAZDataLayer::RefreshFromDataset() {
    try {
        // The host changed the rows: the optimiser's kept positions are stale.
        optimiser_->InvalidateRows();
        ReloadAttributeCodes();
        return S_OK;
    } CATCH_RETURN_QUIET()
}

void CZmaVadAZDataLayer::ReloadAttributeCodes() {
    for (const std::wstring& name : displayFields_) {
        const long code = LoadStyleSettings(dataset_.Get(), name, layerKey_);
        // A field without a stored code drives no symbol property.
        if (code == -1)
            attributeCodes_.erase(name);
        else
            attributeCodes_[name] = code;
    }
    Redraw();
}

void CZmaVadAZDataLayer::GetStringList(std::vector<std::wstring>& names) const {
    names.insert(names.end(), displayFields_.begin(), displayFields_.end());
}

bool CZmaVadAZDataLayer::SetColourField(const std::wstring& name, long code) {
    for (auto it = attributeCodes_.begin(); it != attributeCodes_.end(); ++it) {
        if (it->second == code) {
            attributeCodes_.erase(it);
            break;
        }
    }
    if (!name.empty()) {
        attributeCodes_[name] = code;
        displayFields_.remove(name);
        displayFields_.push_front(name);
    }
    Redraw();
    return true;
}

void CZmaVadAZDataLayer::SetCellColourField(const char* fieldName, int role) {
    SetColourField(platform::ToWide(fieldName ? fieldName : ""), role);
}

bool CZmaVadAZDataLayer::EvaluateExpression(const std::wstring& expression, std::wstring& text) {
    if (expression.empty() || !dataset_) return false;
    Variant result;
    if (FAILED(dataset_->Evaluate(Bstr(expression).Get(), result.Put()))) return false;
    if (result.vt == VT_EMPTY || result.vt == VT_NULL) {
        text.clear();
        return true;
    }
    if (result.vt != VT_BSTR && FAILED(::VariantChangeType(&result, &result, VARIANT_ALPHABOOL, VT_BSTR))) return false;
    text = result.bstrVal ? std::wstring(result.bstrVal, ::SysStringLen(result.bstrVal)) : std::wstring();
    return true;
}

bool CZmaVadAZDataLayer::GetBounds(ZmaExtent& extent) { return optimiser_->GetSelectionExtent(extent); }

// --- Drawing ----------------------------------------------------------------------------------

IHostRenderer& CZmaVadAZDataLayer::Renderer() const {
    if (!renderer_) platform::ThrowHr(E_POINTER);
    return *renderer_.Get();
}

bool CZmaVadAZDataLayer::PrepareRenderer(IHostRenderer* renderer) {
    CZmaVadAZLayerCollection* owner = GetOwner();
    if (owner) THROW_IF_FAILED(renderer->SetEnhancedDrawing(owner->UsesGdiPlus() ? VARIANT_TRUE : VARIANT_FALSE));

    // Worked out afresh every frame, so that a changed field list no longer filters rows.
    styleFlag_ = false;
    ComPtr<IHostFields> fields = hostdata::Fields(dataset_.Get());
    bool front = true;
    for (const std::wstring& name : displayFields_) {
        ComPtr<IHostField> field = hostdata::FieldByName(fields.Get(), name);
        if (!field) continue;
        if (front) styleField_ = field;
        front = false;

        auto code = attributeCodes_.find(hostdata::FieldName(field.Get()));
        if (code == attributeCodes_.end()) continue;
        ComPtr<IHostFieldRenderer> fieldRenderer;
        THROW_IF_FAILED(::CoCreateInstance(SymbolDrawing::kFieldRenderer, nullptr, CLSCTX_ALL,
                                           __uuidof(IHostFieldRenderer), fieldRenderer.PutVoid()));
        THROW_IF_FAILED(fieldRenderer->SetField(field.Get(), code->second));
        THROW_IF_FAILED(renderer->AddFieldRenderer(fieldRenderer.Get()));

        ComPtr<IHostFieldStyle> formatter = FindInHostCollection(field.Get());
        if (!formatter) platform::ThrowHr(E_POINTER);
        long flags = 0;
        THROW_IF_FAILED(formatter->get_StyleFlags(&flags));
        if (flags & kStyleFilters) {
            styleFlag_ = true;
            styleField_ = field;
        }
    }
    return true;
}

bool CZmaVadAZDataLayer::OnDrawUserLayer(HDC /*dc*/, const RECT& rect, const ZmaExtent& extent) {
    if (!dataset_) return false;
    renderer_ = nullptr;
    ComPtr<IUnknown> object;
    if (SUCCEEDED(::CoCreateInstance(symbolClass_, nullptr, CLSCTX_ALL, IID_IUnknown, object.PutVoid())) && object) {
        ::OleRun(object.Get());
        object->QueryInterface(__uuidof(IHostRenderer), renderer_.PutVoid());
    }
    if (renderer_) PrepareRenderer(renderer_.Get());
    NoteRowFilter();
    drawnOnce_ = true;
    optimiser_->Update(rect, extent, offsetX_, offsetY_, false);
    return true;
}

void CZmaVadAZDataLayer::NoteRowFilter() {
    // ValidateRow judges by the style flag and the style field; the optimiser keeps its verdicts
    // for every row until either changes.
    std::wstring key = styleFlag_ ? L"1:" : L"0:";
    if (styleField_) key += hostdata::FieldName(styleField_.Get());
    if (key == rowFilterKey_) return;
    rowFilterKey_ = key;
    optimiser_->InvalidateRows();
}

void CZmaVadAZDataLayer::DrawLineLayers(HDC dc, const RECT& rect, const ZmaExtent& extent) {
    for (LineLink link : {kLineC, kLineD, kLineA, kLineB}) {
        CZmaVadAZLayer* lines = lineLayers_[link];
        if (!lines) continue;
        if (CellLineLayerInterface* typed = AsCellLineLayer(lines))
            if (typed->IsDisabled()) continue;
        lines->Draw(dc, rect, extent);
    }
}

std::exception_ptr CZmaVadAZDataLayer::UpdateOptimiser(const RECT& rect, const ZmaExtent& extent, bool selected) noexcept {
    std::exception_ptr failure;
    KeepFirstFailure(failure, [&] { optimiser_->Update(rect, extent, offsetX_, offsetY_, selected); });
    return failure;
}

bool CZmaVadAZDataLayer::Draw(HDC dc, const RECT& rect, const ZmaExtent& extent) {
    if (!dataset_) return false;
    ::SetTextAlign(dc, TA_CENTER | TA_BOTTOM);
    const std::exception_ptr failure = UpdateOptimiser(rect, extent, false);
    if (IsVisibleAtCurrentZoom()) {
        IHostRenderer& renderer = Renderer();
        const long code = styleFlag_ ? kCodeNormal + kCodeFilteringStyle : kCodeNormal;
        for (int row = optimiser_->Reset(); row != -1; row = optimiser_->MoveNext()) {
            POINT pixel;
            if (optimiser_->GetDrawPosition(pixel)) THROW_IF_FAILED(renderer.DrawSymbol(dc, pixel.x, pixel.y, code));
        }
        DrawLineLayers(dc, rect, extent);
    }
    if (failure) std::rethrow_exception(failure);
    return true;
}

bool CZmaVadAZDataLayer::DrawSecondPass(HDC dc, const RECT& rect, const ZmaExtent& extent) {
    if (!dataset_) return false;
    if (!IsSelectionNamed() || !IsVisibleAtCurrentZoom()) return true;
    ::SetTextAlign(dc, TA_CENTER | TA_BOTTOM);
    const std::exception_ptr failure = UpdateOptimiser(rect, extent, true);
    IHostRenderer& renderer = Renderer();
    const long code = styleFlag_ ? kCodeSelected + kCodeFilteringStyle : kCodeSelected;
    for (int row = optimiser_->Reset(); row != -1; row = optimiser_->MoveNext()) {
        POINT pixel;
        if (optimiser_->GetDrawPosition(pixel)) THROW_IF_FAILED(renderer.DrawSymbol(dc, pixel.x, pixel.y, code));
    }
    if (failure) std::rethrow_exception(failure);
    return true;
}

bool CZmaVadAZDataLayer::LabelsShowNow() {
    CZmaVadAZLabelProperties* labels = GetLabelProperties();
    if (!labels || !labels->GetVisible()) return false;
    double zoomMin = 0, zoomMax = 0;
    if (!labels->GetLabelZoom(&zoomMin, &zoomMax)) return true;

    // The range is kept in its own unit: read the zoom in that unit, then put the map's back.
    EngineDispatch map(GetMapXMap().Get());
    const long unit = map.Get(Engine::Map::kDistanceUnit).ToLong();
    double zoom = 0;
    EnginePropertyRestorer restore(map, Engine::Map::kDistanceUnit, Variant(unit));
    map.Put(Engine::Map::kDistanceUnit, Variant(labels->GetLabelZoomUnits()));
    zoom = map.Get(Engine::Map::kZoom).ToDouble();
    restore.Restore();
    return zoomMin <= zoom && zoom <= zoomMax;
}

bool CZmaVadAZDataLayer::DrawLabels(HDC dc, const RECT& rect, const ZmaExtent& extent) {
    if (!dataset_) return false;
    if (!LabelsShowNow()) return true;
    CZmaVadAZLabelProperties& labels = *GetLabelProperties();
    ::SetTextAlign(dc, TA_CENTER | TA_BOTTOM);

    IHostRenderer& renderer = Renderer();
    if (ComPtr<IHostLabelStyle> style = labels.GetStyle()) {
        ComPtr<IDispatch> styleObject;
        style->QueryInterface(IID_IDispatch, styleObject.PutVoid());
        THROW_IF_FAILED(renderer.SetLabelStyle(styleObject.Get()));
    }
    int offsetX = 0, offsetY = 0;
    labels.GetOffset(offsetX, offsetY);
    THROW_IF_FAILED(renderer.SetLabelPlacement(labels.GetPosition(), labels.GetAlignment(), offsetX, offsetY));

    const bool byExpression = labels.GetUseExpression();
    if (!byExpression && !labels.GetDataField().empty()) {
        ComPtr<IHostFields> fields = hostdata::Fields(dataset_.Get());
        if (ComPtr<IHostField> field = hostdata::FieldByName(fields.Get(), platform::ToWide(labels.GetDataField())))
            THROW_IF_FAILED(renderer.SetLabelField(field.Get(), static_cast<short>(labels.GetFormattedLabels() ? 1 : 0)));
    }
    std::unique_ptr<OverlappingLabelPreventor> preventor;
    if (!labels.GetOverlap()) preventor = std::make_unique<OverlappingLabelPreventor>(rect, ::GetDeviceCaps(dc, LOGPIXELSY));
    const std::wstring expression = platform::ToWide(labels.GetExpression());
    const bool skipDuplicates = labels.GetDuplicate();

    const std::exception_ptr failure = UpdateOptimiser(rect, extent, false);
    std::wstring previous;
    for (int row = optimiser_->Reset(); row != -1; row = optimiser_->MoveNext()) {
        if (byExpression) {
            std::wstring text;
            if (EvaluateExpression(expression, text)) THROW_IF_FAILED(renderer.SetLabelText(Bstr(text).Get()));
        }
        POINT pixel;
        if (!optimiser_->GetDrawPosition(pixel)) continue;
        if (skipDuplicates) {
            Bstr text;
            if (renderer.GetLabelText(text.Put()) == S_OK && text.Get()) {
                const std::wstring current = text.Wide();
                if (current == previous) continue;
                previous = current;
            }
        }
        if (preventor) {
            SIZE size = {0, 0};
            if (FAILED(renderer.GetLabelSize(dc, &size))) continue;
            if (!preventor->Reserve(pixel.x, pixel.y, size.cx, size.cy)) continue;
        }
        THROW_IF_FAILED(renderer.DrawLabel(dc, pixel.x, pixel.y));
    }

    for (LineLink link : {kLineA, kLineB})
        if (CZmaVadAZLayer* lines = lineLayers_[link]) lines->DrawLabels(dc, rect, extent);
    if (failure) std::rethrow_exception(failure);
    return true;
}

// --- Showing the selection --------------------------------------------------------------------

HRESULT CZmaVadAZDataLayer::ShowSelection() {
    try {
        if (!IsVisible()) {
            Redraw();
            return S_OK;
        }
        ZmaExtent selected;
        const bool inView = optimiser_->GetSelectionExtent(selected);
        if (!MapViewLocked() && !inView && !extent::IsEmpty(selected)) {
            EngineDispatch map(GetMapXMap().Get());
            ComPtr<IDispatch> boundsObject = platform::RequireDispatch(map.Get(Engine::Map::kBounds));
            EngineDispatch bounds(boundsObject.Get());
            const double mapWidth = bounds.Get(Engine::Rectangle::kXMax).ToDouble() - bounds.Get(Engine::Rectangle::kXMin).ToDouble();
            const double mapHeight = bounds.Get(Engine::Rectangle::kYMax).ToDouble() - bounds.Get(Engine::Rectangle::kYMin).ToDouble();
            const double width = selected.right - selected.left, height = selected.top - selected.bottom;
            if (width <= mapWidth && height <= mapHeight) {
                // It fits: keep the zoom and centre on the selection.
                const double zoom = map.Get(Engine::Map::kZoom).ToDouble();
                map.Call(Engine::Map::kZoomTo, {Variant(zoom), Variant((selected.left + selected.right) / 2),
                                              Variant((selected.top + selected.bottom) / 2)});
            } else {
                CLSID rectangleClass;
                THROW_IF_FAILED(::CLSIDFromProgID(L"MapX.Rectangle.4", &rectangleClass));
                ComPtr<IDispatch> rectangle;
                HRESULT hr = ::CoCreateInstance(rectangleClass, nullptr, CLSCTX_ALL, IID_IDispatch, rectangle.PutVoid());
                if (FAILED(hr) && hr != E_NOINTERFACE) platform::ThrowCall(hr);
                platform::ThrowIfNull(rectangle.Get());
                const double dx = width * 0.04, dy = height * 0.04;
                EngineDispatch(rectangle.Get())
                    .Call(Engine::Rectangle::kSet, {Variant(selected.left - dx), Variant(selected.top + dy),
                                                  Variant(selected.right + dx), Variant(selected.bottom - dy)});
                map.Put(Engine::Map::kBounds, Variant(rectangle.Get()));
            }
        }
        UpdateSelection(true);
        Redraw();
        return S_OK;
    } CATCH_RETURN_QUIET()
}
