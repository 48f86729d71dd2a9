#include "ZmaVOMap2/layers/ZmaVadAZLayer.h"

#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineMembers.h"
#include "ZmaVOMap2/layers/FileNames.h"
#include "ZmaVOMap2/layers/LayerHost.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"
#include "ZmaVOMap2/mitab/mitab.h"
#include "platform/Result.h"
#include "platform/UniqueHandle.h"
#include "platform/Window.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>

using platform::ComError;
using platform::ComPtr;
using platform::Variant;

namespace {

const wchar_t kCaption[] = L"Map Module";
const wchar_t kAddLayerCaption[] = L"Map Module - Add new layer";

// An engine object's object property; E_POINTER when it is empty.
ComPtr<IDispatch> GetObject(IDispatch* object, DISPID id) {
    ComPtr<IDispatch> out = platform::DispatchOf(EngineDispatch(object).Get(id));
    platform::ThrowIfNull(out.Get());
    return out;
}

Variant EngineBool(bool value) { return Variant(value); }

// Whether an engine layer of the list bears the name (the engine answers a name it does not know
// with a failure).
bool NameTaken(const EngineDispatch& list, const std::string& name) {
    Variant found;
    return SUCCEEDED(list.TryCall(Engine::Layers::kItem, {Variant(platform::ToWide(name))}, found)) && platform::DispatchOf(found);
}

bool EndsWithTab(const std::string& path) {
    return path.size() >= 4 && ::lstrcmpiA(path.c_str() + path.size() - 4, ".tab") == 0;
}

}  // namespace

CZmaVadAZLayer::CZmaVadAZLayer(IDispatch* map, CZmaVadAZLayerCollection* owner) : map_(map), owner_(owner) {
    if (!map) platform::ThrowHr(E_POINTER);
    // Label zoom ranges are kept in the map's unit, as they are saved and loaded: a range read
    // back from a document must not be converted from another unit when it is saved again.
    try {
        labels_.SetLabelZoomUnits(EngineDispatch(map).Get(Engine::Map::kDistanceUnit).ToLong());
    }
    CATCH_SWALLOW("a map that cannot tell its unit leaves the labels' own default");
}

CZmaVadAZLayer::~CZmaVadAZLayer() {
    CZmaVadAZLayer::TakeOutOfMap();
    engineLayer_ = nullptr;
    if (!ownTable_.empty()) RemoveTableFiles(ownTable_);
}

void CZmaVadAZLayer::TakeOutOfMap() noexcept {
    if (!map_ || !engineLayer_ || takenOutOfMap_) return;
    takenOutOfMap_ = true;
    try {
        // Its own engine layer, found by identity: another layer's engine layer may bear the same
        // name. One renamed behind the layer's back belongs to whoever renamed it and stays.
        const int position = GetLayerPosition();
        if (position < 1) return;
        Variant name = EngineDispatch(engineLayer_.Get()).Get(Engine::Layer::kName);
        if (name.vt != VT_BSTR || platform::ToAnsi(name.bstrVal) != name_) return;
        EngineDispatch(EngineLayers().Get()).Call(Engine::Layers::kRemove, {Variant(static_cast<long>(position))});
    }
    CATCH_SWALLOW("the map is going away or refused: nothing the layer could do about it");
}

ComPtr<IDispatch> CZmaVadAZLayer::EngineLayers() const { return GetObject(map_.Get(), Engine::Map::kLayers); }

void CZmaVadAZLayer::ReportError(const std::wstring& description) { TellUser(description, kCaption); }

void CZmaVadAZLayer::TellUser(const std::wstring& text, const std::wstring& caption, UINT flags) {
    if (!owner_ || !owner_->IsLoadingSettings()) {
        platform::Prompts().MessageBox(nullptr, text, caption, flags);
        return;
    }
    platform::ErrorLog* log = platform::GetErrorLog();
    if (!log || !log->IsEnabledFor(platform::kLogLevelError)) return;
    std::string line = "Error: " + platform::ToAnsi(caption) + ": " + platform::ToAnsi(text);
    std::replace_if(line.begin(), line.end(), [](char c) { return static_cast<unsigned char>(c) < 32; }, ' ');
    log->Write(platform::kLogLevelError, __FILE__, __LINE__, line);
}

HRESULT CZmaVadAZLayer::Refresh() {
    try {
        if (!engineLayer_ || !map_) platform::ThrowHr(E_UNEXPECTED);
        if (!HasFeatures()) return S_OK;
        if (featureState_ == kFeaturesUnknown) {
            if (GetFeatureCount() == 0) return S_OK;
        } else if (featureState_ == kNoFeatures) {
            return S_OK;
        }

        EngineDispatch layer(engineLayer_.Get());
        switch (type_) {
        case kTypeDataset:
        case kTypeCellSites:
        case kTypeLines:
        case kTypeCellReferences:
            break;
        case kTypeTable: {
            // Labels of a table read its first field, through a dataset bound to the layer.
            ComPtr<IDispatch> datasets = GetObject(map_.Get(), Engine::Map::kDatasets);
            layerDataset_ = platform::DispatchOf(EngineDispatch(datasets.Get())
                                           .Call(Engine::Collection::kDatasetAdd,
                                                 {Variant(Engine::DatasetType::kLayer), Variant(engineLayer_.Get()), Variant::Missing(),
                                                  Variant::Missing(), Variant::Missing(), Variant::Missing(), Variant::Missing()}));
            if (!layerDataset_) platform::ThrowHr(E_FAIL);
            ComPtr<IDispatch> labels = GetObject(engineLayer_.Get(), Engine::Layer::kLabelProperties);
            EngineDispatch(labels.Get()).Put(Engine::Labels::kDataset, Variant(layerDataset_.Get()));
            ComPtr<IDispatch> fields = GetObject(layerDataset_.Get(), Engine::Collection::kDatasetFields);
            EngineDispatch fieldList(fields.Get());
            if (fieldList.Get(Engine::Collection::kCount).ToLong() >= 1) {
                ComPtr<IDispatch> first = platform::DispatchOf(fieldList.Call(Engine::Collection::kFieldItem, {Variant(1L)}));
                EngineDispatch(labels.Get()).Put(Engine::Labels::kDataField, Variant(first.Get()));
            }
            break;
        }
        default:
            return S_OK;
        }
        layer.Put(Engine::Layer::kAutoLabel, EngineBool(true));
        ComPtr<IDispatch> labels = GetObject(engineLayer_.Get(), Engine::Layer::kLabelProperties);
        EngineDispatch(labels.Get()).Put(Engine::Labels::kVisible, EngineBool(false));
        return S_OK;
    } catch (const ComError& e) {
        ReportError(e.Description());
        return e.Error();
    }
    CATCH_RETURN_QUIET()
}

int CZmaVadAZLayer::GetEngineLayerCount() { return 1; }

int CZmaVadAZLayer::GetFeatureCount() {
    if (!engineLayer_) return static_cast<int>(E_UNEXPECTED);
    ComPtr<IDispatch> features = platform::DispatchOf(EngineDispatch(engineLayer_.Get()).Get(Engine::Layer::kAllFeatures));
    platform::ThrowIfNull(features.Get());
    return static_cast<int>(EngineDispatch(features.Get()).Get(Engine::Collection::kCount).ToLong());
}

BOOL CZmaVadAZLayer::Create(int type, const std::string& path) {
    if (!map_ || engineLayer_) return FALSE;
    try {
        // Only a plain file goes to the engine: opening a device would wait for it for ever.
        if (!IsPlainFilePath(path)) throw ComError(E_INVALIDARG, L"The path does not name a table file.");
        ComPtr<IDispatch> layers = EngineLayers();
        EngineDispatch list(layers.Get());
        list.Call(Engine::Layers::kAdd, {Variant(platform::ToWide(path)), Variant(1L)});
        engineLayer_ = platform::DispatchOf(list.Call(Engine::Layers::kItem, {Variant(1L)}));
        platform::ThrowIfNull(engineLayer_.Get());
        EngineDispatch layer(engineLayer_.Get());

        if (type == kTypeOtherTable) {
            long engineType = layer.Get(Engine::Layer::kType).ToLong();
            type_ = engineType == Engine::LayerType::kNormal ? kTypeTable
                    : (engineType == Engine::LayerType::kRaster || engineType == Engine::LayerType::kUserDraw)
                        ? kTypeRasterTable
                        : kTypeOtherTable;
        } else {
            type_ = type;
        }
        // Tables of one file name are layers of their own: the engine's name must find this one,
        // and the name is remembered so that a saved map comes back under the same names.
        const std::string engineName = platform::ToAnsi(layer.Get(Engine::Layer::kName).ToWide());
        const std::string own = FreeEngineLayerName(engineName);
        if (own == engineName)
            name_ = engineName;
        else
            SetName(own);

        if (type_ == kTypeTable && EndsWithTab(path)) {
            if (mitab_handle table = mitab_c_open(path.c_str())) {
                featureState_ = mitab_c_next_feature_id(table, -1) != -1 ? kHasFeatures : kNoFeatures;
                mitab_c_close(table);
            }
        }

        if (FAILED(Refresh())) usable_ = false;
        return TRUE;
    } catch (const ComError& e) {
        std::wstring description = e.Description();
        if (description.empty()) description = SystemMessage(e.Error());
        wchar_t code[32];
        std::swprintf(code, 32, L"%08X", static_cast<unsigned>(e.Error()));
        std::wstring text = L"Error 0x" + std::wstring(code) + L": " + description + L"\nFailed to open " +
                            platform::ToWide(path) + L".";
        TellUser(text, kAddLayerCaption, MB_OK | MB_ICONEXCLAMATION);
        engineLayer_ = nullptr;
        return FALSE;
    } catch (...) {
        engineLayer_ = nullptr;
        return FALSE;
    }
}

std::string CZmaVadAZLayer::FreeEngineLayerName(const std::string& wanted) const {
    ComPtr<IDispatch> layers = EngineLayers();
    EngineDispatch list(layers.Get());
    // The engine finds a layer by name itself (without regard to case), one question a name and
    // none a layer: a map of thousands of tables opens in time. This layer's own engine layer
    // steps aside meanwhile, under a name no other bears, so that only the others answer.
    std::optional<EnginePropertyRestorer> ownName;
    if (engineLayer_) {
        EngineDispatch own(engineLayer_.Get());
        ownName.emplace(own, Engine::Layer::kName);
        wchar_t aside[32];
        std::swprintf(aside, 32, L"\x01%p", static_cast<const void*>(this));
        own.Put(Engine::Layer::kName, Variant(aside));
    }
    if (!NameTaken(list, wanted)) return wanted;
    for (int k = 2;; ++k) {
        const std::string candidate = wanted + " (" + std::to_string(k) + ")";
        if (!NameTaken(list, candidate)) return candidate;
    }
}

bool CZmaVadAZLayer::AddUserDrawLayer(const std::string& name, long position) {
    // The engine walks its layer list while it draws a frame: no layer joins it meanwhile.
    if (owner_) owner_->RequireNoFrame();
    Variant added = EngineDispatch(EngineLayers().Get())
                        .Call(Engine::Layers::kAddUserDrawLayer,
                              {Variant(platform::ToWide(FreeEngineLayerName(name))), Variant(static_cast<short>(position))});
    if (added.vt != VT_DISPATCH || !added.pdispVal) return false;
    SetEngineLayer(added.pdispVal);
    SetNameOnly(platform::ToAnsi(EngineDispatch(added.pdispVal).Get(Engine::Layer::kName).ToWide()));
    SetUserDrawn(true);
    return true;
}

HRESULT CZmaVadAZLayer::AttachUserDrawLayer(const std::string& name, int type) {
    if (!map_ || engineLayer_) return E_UNEXPECTED;
    try {
        if (!AddUserDrawLayer(name)) return E_FAIL;
        SetType(type);
        return S_OK;
    } CATCH_RETURN_QUIET()
}

HRESULT CZmaVadAZLayer::Attach(const std::string& name, int type, const std::string& fileSpec) {
    if (!map_ || engineLayer_) return E_UNEXPECTED;
    try {
        ComPtr<IDispatch> layers = EngineLayers();
        EngineDispatch list(layers.Get());
        ComPtr<IDispatch> found;
        try {
            found = platform::DispatchOf(list.Call(Engine::Layers::kItem, {Variant(platform::ToWide(name))}));
        } catch (const ComError&) {
            if (fileSpec.empty()) throw;
        }
        if (!found && !fileSpec.empty()) {
            if (owner_) owner_->RequireNoFrame();
            found = platform::DispatchOf(list.Call(Engine::Layers::kCreateLayer, {Variant(platform::ToWide(name)),
                                                                     Variant(platform::ToWide(fileSpec)), Variant(1L),
                                                                     Variant::Missing(), Variant::Missing()}));
        }
        if (!found) return E_FAIL;
        // A layer whose name cannot be read is not attached.
        bool attached = false;
        platform::ScopeExit detach([&] {
            if (!attached) engineLayer_ = nullptr;
        });
        engineLayer_ = found;
        type_ = type;
        name_ = platform::ToAnsi(EngineDispatch(found.Get()).Get(Engine::Layer::kName).ToWide());
        attached = true;
        return S_OK;
    }
    CATCH_RETURN_QUIET()
}

void CZmaVadAZLayer::GetSourceFiles(std::vector<std::string>& files) {
    if (!engineLayer_) return;
    files.push_back(platform::ToAnsi(EngineDispatch(engineLayer_.Get()).Get(Engine::Layer::kFileSpec).ToWide()));
}

HRESULT CZmaVadAZLayer::BeginFeatureAccess(int mode) {
    if (!engineLayer_) return E_UNEXPECTED;
    try {
        EngineDispatch(engineLayer_.Get()).Call(Engine::Layer::kBeginAccess, {Variant(static_cast<long>(mode))});
        return S_OK;
    } CATCH_RETURN_QUIET()
}

HRESULT CZmaVadAZLayer::EndFeatureAccess(int mode) {
    if (!engineLayer_) return E_UNEXPECTED;
    try {
        EngineDispatch(engineLayer_.Get()).Call(Engine::Layer::kEndAccess, {Variant(static_cast<long>(mode))});
        return S_OK;
    } CATCH_RETURN_QUIET()
}

BOOL CZmaVadAZLayer::MoveUp(bool apply, int positions) {
    if (!map_ || !engineLayer_ || !apply) return TRUE;
    try {
        int position = GetLayerPosition();
        ComPtr<IDispatch> layers = EngineLayers();
        EngineDispatch(layers.Get())
            .Call(Engine::Layers::kMove, {Variant(static_cast<short>(position)), Variant(static_cast<short>(position + positions))});
    }
    // A move the engine refuses leaves the layer where it was.
    COM_CATCH_LOG();
    return TRUE;
}

BOOL CZmaVadAZLayer::MoveDown(bool apply, int positions) {
    if (!map_ || !engineLayer_ || !apply) return TRUE;
    try {
        int position = GetLayerPosition();
        ComPtr<IDispatch> layers = EngineLayers();
        EngineDispatch(layers.Get())
            .Call(Engine::Layers::kMove, {Variant(static_cast<short>(position)), Variant(static_cast<short>(position - positions))});
    }
    // A move the engine refuses leaves the layer where it was.
    COM_CATCH_LOG();
    return TRUE;
}

bool CZmaVadAZLayer::IsEditableKind() { return type_ == kTypeTable || type_ == kTypeAnnotations; }

bool CZmaVadAZLayer::IsSelectableKind() {
    return type_ != kTypeOtherTable && type_ != kTypeRasterTable && type_ != kTypeDirection;
}

bool CZmaVadAZLayer::IsDataLayer() { return false; }

const std::wstring& CZmaVadAZLayer::GetLayerKey() const {
    static const std::wstring none;
    return none;
}

bool CZmaVadAZLayer::TakeKeys(const std::wstring& /*key*/, const std::wstring& /*displayKey*/,
                              const std::string& /*caption*/, const std::wstring& /*siteKey*/) {
    return false;
}

bool CZmaVadAZLayer::IsSavedAsTableLayer() {
    switch (GetType()) {
    case kTypeLines:
    case kTypeRegion:
    case kTypeMarker:
    case kTypeLinesToSectors:
    case kTypeShapes:
        return false;
    default:
        return true;
    }
}

const char* CZmaVadAZLayer::GetDefaultsKey() { return GetType() == kTypeTable ? "MAP_LAYER_TYPE_VECTOR" : nullptr; }

bool CZmaVadAZLayer::HasFeatures() {
    if (!usable_ || type_ == kTypeOtherTable || type_ == kTypeRasterTable || type_ == kTypeAnnotations) return false;
    ComPtr<IDispatch> layers = EngineLayers();
    return EngineDispatch(layers.Get()).Get(Engine::Layers::kCount).ToLong() >= 1;
}

bool CZmaVadAZLayer::CanRemove() {
    if (owner_ && owner_->Current() == this) return false;
    return type_ != kTypeAnnotations && type_ != kTypeLines && type_ != kTypeMarker;
}

bool CZmaVadAZLayer::IsDatasetLayer() { return type_ == kTypeDataset; }

bool CZmaVadAZLayer::CanExportTab() {
    return type_ == kTypeOtherTable || type_ == kTypeTable || type_ == kTypeRasterTable || type_ == kTypeAnnotations;
}

bool CZmaVadAZLayer::IsVectorKind() { return type_ != kTypeOtherTable && type_ != kTypeRasterTable; }

bool CZmaVadAZLayer::IsNormalTableLayer() { return type_ == kTypeTable; }

HRESULT CZmaVadAZLayer::SetVisible(bool visible) {
    visible_ = visible;
    if (type_ == kTypeDataset && owner_) {
        owner_->NotifyLayerVisibilityChanged();
        // The host may have removed this layer from its handler: its engine layer is gone then.
        if (!owner_->Contains(this)) return S_OK;
    }
    if (owner_ && !owner_->Host().IsScreenUpdating()) return S_OK;
    EngineDispatch layer(engineLayer_.Get());
    layer.Put(Engine::Layer::kVisible, EngineBool(visible));
    layer.Call(Engine::Layer::kInvalidate, {Variant::Missing()});
    return S_OK;
}

bool CZmaVadAZLayer::IsVisible() { return visible_; }

bool CZmaVadAZLayer::IsEditable() {
    if (!engineLayer_) return false;
    return EngineDispatch(engineLayer_.Get()).Get(Engine::Layer::kEditable).ToBool();
}

bool CZmaVadAZLayer::IsSelectable() {
    if (!engineLayer_) return false;
    return EngineDispatch(engineLayer_.Get()).Get(Engine::Layer::kSelectable).ToBool();
}

HRESULT CZmaVadAZLayer::SetSelectable(bool selectable) {
    EngineDispatch layer(engineLayer_.Get());
    // Only a change is written to the engine.
    if (layer.Get(Engine::Layer::kSelectable).ToBool() != selectable) layer.Put(Engine::Layer::kSelectable, EngineBool(selectable));
    return S_OK;
}

int CZmaVadAZLayer::GetExtent(IDispatch* rectangle) {
    if (!engineLayer_ || !rectangle) return 0;
    // Answers whether the rectangle was set, so that callers can zoom to a table's extent.
    return ReportingFailures([&] {
        ComPtr<IDispatch> bounds = GetObject(engineLayer_.Get(), Engine::Layer::kBounds);
        EngineDispatch from(bounds.Get());
        Variant xmin = from.Get(Engine::Rectangle::kXMin), ymin = from.Get(Engine::Rectangle::kYMin);
        Variant xmax = from.Get(Engine::Rectangle::kXMax), ymax = from.Get(Engine::Rectangle::kYMax);
        EngineDispatch(rectangle).Call(Engine::Rectangle::kSet, {Variant(xmin.ToDouble()), Variant(ymin.ToDouble()),
                                                             Variant(xmax.ToDouble()), Variant(ymax.ToDouble())});
        return 1;
    }, 0);
}

void CZmaVadAZLayer::SetZoomLayering(bool on) {
    ReportingFailures([&] { EngineDispatch(engineLayer_.Get()).Put(Engine::Layer::kZoomLayering, EngineBool(on)); });
}

bool CZmaVadAZLayer::GetZoomLayering() {
    if (!engineLayer_) return false;
    return ReportingFailures([&] { return EngineDispatch(engineLayer_.Get()).Get(Engine::Layer::kZoomLayering).ToBool(); }, false);
}

double CZmaVadAZLayer::GetZoomMin() {
    if (!engineLayer_) return 0.0;
    return ReportingFailures([&] { return EngineDispatch(engineLayer_.Get()).Get(Engine::Layer::kZoomMin).ToDouble(); }, 0.0);
}

void CZmaVadAZLayer::SetZoomMin(double zoom) {
    ReportingFailures([&] { EngineDispatch(engineLayer_.Get()).Put(Engine::Layer::kZoomMin, Variant(zoom)); });
}

double CZmaVadAZLayer::GetZoomMax() {
    if (!engineLayer_) return 0.0;
    return ReportingFailures([&] { return EngineDispatch(engineLayer_.Get()).Get(Engine::Layer::kZoomMax).ToDouble(); }, 0.0);
}

void CZmaVadAZLayer::SetZoomMax(double zoom) {
    ReportingFailures([&] { EngineDispatch(engineLayer_.Get()).Put(Engine::Layer::kZoomMax, Variant(zoom)); });
}

void CZmaVadAZLayer::Search(ComPtr<IDispatch>& result, const std::wstring& query) {
    result = nullptr;
    if (query.empty()) return;
    ComPtr<IDispatch> find = GetObject(engineLayer_.Get(), Engine::Layer::kFind);
    result = platform::DispatchOf(EngineDispatch(find.Get()).Call(Engine::Collection::kSearch, {Variant(query), Variant::Missing()}));
}

bool CZmaVadAZLayer::GetAutoLabel() {
    if (!engineLayer_) return false;
    return EngineDispatch(engineLayer_.Get()).Get(Engine::Layer::kAutoLabel).ToBool();
}

void CZmaVadAZLayer::SetAutoLabel(bool on) { EngineDispatch(engineLayer_.Get()).Put(Engine::Layer::kAutoLabel, EngineBool(on)); }

CZmaVadAZLabelProperties* CZmaVadAZLayer::GetLabelProperties() { return &labels_; }

bool CZmaVadAZLayer::OnDrawUserLayer(HDC, const RECT&, const ZmaExtent&) { return true; }
bool CZmaVadAZLayer::Draw(HDC, const RECT&, const ZmaExtent&) { return true; }
bool CZmaVadAZLayer::DrawSecondPass(HDC, const RECT&, const ZmaExtent&) { return true; }
bool CZmaVadAZLayer::DrawLabels(HDC, const RECT&, const ZmaExtent&) { return true; }
bool CZmaVadAZLayer::HitTest(long, long, double, double) { return false; }
bool CZmaVadAZLayer::OnToolUsed(long, long, double, double) { return false; }
bool CZmaVadAZLayer::OnMouseUp(long, long, double, double) { return false; }
bool CZmaVadAZLayer::OnDoubleClick() { return false; }
bool CZmaVadAZLayer::OnKeyDown(short, short) { return false; }
void CZmaVadAZLayer::Redraw() {}
void CZmaVadAZLayer::SetCellColourField(const char*, int) {}

bool CZmaVadAZLayer::IsVisibleAtCurrentZoom() {
    if (!IsVisible()) return false;
    // The engine applies the zoom range of the layers it draws itself.
    if (!IsUserDrawn()) return true;
    EngineDispatch layer(engineLayer_.Get());
    if (!layer.Get(Engine::Layer::kZoomLayering).ToBool()) return true;
    double zoom = EngineDispatch(map_.Get()).Get(Engine::Map::kZoom).ToDouble();
    return layer.Get(Engine::Layer::kZoomMin).ToDouble() <= zoom && zoom <= layer.Get(Engine::Layer::kZoomMax).ToDouble();
}

void CZmaVadAZLayer::SetName(const std::string& name) {
    // A layer made of several engine layers (a list file) has no single engine name to change.
    const std::string unique = engineLayer_ ? FreeEngineLayerName(name) : name;
    name_ = unique;
    amendedName_ = unique;
    if (engineLayer_) EngineDispatch(engineLayer_.Get()).Put(Engine::Layer::kName, Variant(platform::ToWide(unique)));
}

int CZmaVadAZLayer::GetLayerPosition() {
    if (!engineLayer_) return -1;
    ComPtr<IUnknown> own;
    engineLayer_->QueryInterface(IID_IUnknown, own.PutVoid());
    ComPtr<IDispatch> layers = EngineLayers();
    EngineDispatch list(layers.Get());
    long count = list.Get(Engine::Layers::kCount).ToLong();
    for (long i = 1; i <= count; ++i) {
        Variant item = list.Call(Engine::Layers::kItem, {Variant(i)});
        ComPtr<IUnknown> identity;
        if ((item.vt == VT_DISPATCH || item.vt == VT_UNKNOWN) && item.punkVal)
            item.punkVal->QueryInterface(IID_IUnknown, identity.PutVoid());
        if (identity && identity.Get() == own.Get()) return static_cast<int>(i);
    }
    return -1;
}

// Whether the map draws the layer's labels, as the label settings dialog shows and sets it: layers
// that draw themselves keep it in their own label settings. The engine shows the labels of its
// layers only while both their automatic labelling and their label visibility are on: showing
// them turns both on, hiding them turns the visibility off and leaves the automatic labelling.
void CZmaVadAZLayer::SetLabelsVisible(bool visible) {
    if (IsUserDrawn()) {
        if (CZmaVadAZLabelProperties* labels = GetLabelProperties()) labels->SetVisible(visible);
        return;
    }
    if (!engineLayer_) return;
    if (visible) SetAutoLabel(true);
    ComPtr<IDispatch> labels = GetObject(engineLayer_.Get(), Engine::Layer::kLabelProperties);
    EngineDispatch(labels.Get()).Put(Engine::Labels::kVisible, EngineBool(visible));
}

bool CZmaVadAZLayer::GetLabelsVisible() {
    if (IsUserDrawn()) {
        CZmaVadAZLabelProperties* labels = GetLabelProperties();
        return labels && labels->GetVisible();
    }
    if (!GetAutoLabel()) return false;
    ComPtr<IDispatch> labels = GetObject(engineLayer_.Get(), Engine::Layer::kLabelProperties);
    return EngineDispatch(labels.Get()).Get(Engine::Labels::kVisible).ToBool();
}

bool CZmaVadAZLayer::IsWithinLabelZoom() { return GetLabelsVisible(); }

void CZmaVadAZLayer::SetOverrideStyle(bool on) {
    ReportingFailures([&] { EngineDispatch(engineLayer_.Get()).Put(Engine::Layer::kOverrideStyle, EngineBool(on)); });
}

bool CZmaVadAZLayer::GetOverrideStyle() {
    return ReportingFailures([&] { return EngineDispatch(engineLayer_.Get()).Get(Engine::Layer::kOverrideStyle).ToBool(); }, false);
}

void CZmaVadAZLayer::GetSelection(ComPtr<IDispatch>& selection) {
    selection = nullptr;
    EngineDispatch layer(engineLayer_.Get());
    if (layer.Get(Engine::Layer::kSelectable).ToBool()) selection = platform::DispatchOf(layer.Get(Engine::Layer::kSelection));
}

HRESULT CZmaVadAZLayer::AddFeature(IDispatch* feature) {
    if (!engineLayer_) return E_UNEXPECTED;
    EngineDispatch(engineLayer_.Get()).Call(Engine::Layer::kAddFeature, {Variant(feature), Variant::Missing()});
    return S_OK;
}

void CZmaVadAZLayer::DeleteFeature(IDispatch* feature) {
    if (!engineLayer_) platform::ThrowHr(E_UNEXPECTED);
    EngineDispatch(engineLayer_.Get()).Call(Engine::Layer::kDeleteFeature, {Variant(feature)});
}

HRESULT CZmaVadAZLayer::GetAllFeatures(ComPtr<IDispatch>* features) {
    if (!features) return E_POINTER;
    if (!engineLayer_) return E_UNEXPECTED;
    try {
        *features = platform::DispatchOf(EngineDispatch(engineLayer_.Get()).Get(Engine::Layer::kAllFeatures));
        return S_OK;
    } CATCH_RETURN_QUIET()
}

ComPtr<IDispatch> CZmaVadAZLayer::GetFeature(long index) {
    if (!engineLayer_) return nullptr;
    ComPtr<IDispatch> features = platform::DispatchOf(EngineDispatch(engineLayer_.Get()).Get(Engine::Layer::kAllFeatures));
    platform::ThrowIfNull(features.Get());
    return platform::DispatchOf(EngineDispatch(features.Get()).Call(Engine::Collection::kFeatureItem, {Variant(index)}));
}

void CZmaVadAZLayer::SetAsInsertionLayer(IUnknown* object) {
    ComPtr<IDispatch> layers = EngineLayers();
    EngineDispatch list(layers.Get());
    EngineDispatch layer(engineLayer_.Get());
    if (object) {
        layer.Put(Engine::Layer::kEditable, EngineBool(true));
        list.Put(Engine::Layers::kInsertionLayer, Variant(engineLayer_.Get()));
    } else {
        list.Put(Engine::Layers::kInsertionLayer, Variant(static_cast<IDispatch*>(nullptr)));
        layer.Put(Engine::Layer::kEditable, EngineBool(false));
    }
}

std::string CZmaVadAZLayer::MakeUniqueName(const std::string& base, IDispatch* map) {
    ComPtr<IDispatch> layers = GetObject(platform::ThrowIfNull(map), Engine::Map::kLayers);
    EngineDispatch list(layers.Get());
    for (int k = 1;; ++k) {
        std::string candidate = base + std::to_string(k);
        if (!NameTaken(list, candidate)) return candidate;
    }
}
