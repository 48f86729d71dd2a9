// Layer automation: showing, ordering, refreshing and replacing layers, direction arrows and the
// temporary table.
#include "ZmaVOMap2/control/ZmaVadAZ.h"

#include "ZmaVOMap2/datalayers/ZmaVadAZDataLayer.h"
#include "ZmaVOMap2/direction/ZmaVadAZDirectionLayer.h"
#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineIds.h"
#include "ZmaVOMap2/imagery/BackgroundMapView.h"
#include "ZmaVOMap2/layers/FileNames.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"
#include "platform/Result.h"

#include <vector>

using platform::ComPtr;
using platform::Variant;

namespace {
[[noreturn]] void Refuse(HRESULT hr, const wchar_t* text) { throw platform::ComError(hr, text, L"VadAZ"); }
constexpr IID kAttributesInterface = {0xD4FE64DE, 0x0311, 0x4B8B, {0x82, 0xB2, 0x99, 0xDB, 0x14, 0xA7, 0x31, 0xFB}};
}  // namespace

bool CZmaVadAZ::ReadCurrentTool(long& tool) {
    try {
        tool = EngineCurrentTool();
        return true;
    } catch (...) {
        return false;
    }
}

POINT CZmaVadAZ::ZoomViewOffset() {
    if (!zoomSet_) return {0, 0};
    return {std::max(drawingTarget_.left, 0L), std::max(drawingTarget_.top, 0L)};
}

STDMETHODIMP CZmaVadAZ::SetVisible(VARIANT_BOOL vbVisible) {
    COM_TRY {
        if (!engineDispatch_) Refuse(E_UNEXPECTED, L"The map engine is missing");
        HWND window = reinterpret_cast<HWND>(
            static_cast<intptr_t>(EngineDispatch(engineDispatch_.Get()).Get(EngineMap::kWindowHandle).ToLong()));
        if (!window) return S_OK;
        // The window's own state: a map inside a hidden form is still shown.
        const VARIANT_BOOL state = (::GetWindowLongW(window, GWL_STYLE) & WS_VISIBLE) ? VARIANT_TRUE : VARIANT_FALSE;
        if (vbVisible == state) return S_OK;
        ::ShowWindow(window, vbVisible == VARIANT_TRUE ? SW_SHOW : SW_HIDE);
        return S_OK;
    } COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::ClearAnnotations() {
    OperationScope operation(*this);
    COM_TRY {
        if (!engineDispatch_) Refuse(E_UNEXPECTED, L"The map engine is missing");
        CZmaVadAZLayer* annotations = RequireLayers().GetAnnotationsLayer();
        if (!annotations) Refuse(E_UNEXPECTED, L"The map has no annotations layer");
        THROW_IF_FAILED(annotations->BeginFeatureAccess(1));
        ComPtr<IDispatch> features;
        const HRESULT listed = annotations->GetAllFeatures(&features);
        if (SUCCEEDED(listed) && features) {
            EngineDispatch list(features.Get());
            const long count = list.Get(LayerEngine::Collection::kCount).ToLong();
            std::vector<Variant> all;
            for (long i = 1; i <= count; ++i) all.push_back(list.Call(LayerEngine::Collection::kFeatureItem, {Variant(i)}));
            for (Variant& feature : all)
                if (feature.vt == VT_DISPATCH && feature.pdispVal) annotations->DeleteFeature(feature.pdispVal);
        }
        annotations->EndFeatureAccess(0);
        EngineDispatch map(engineDispatch_.Get());
        Variant own = map.Get(EngineAnnotations::kMapAnnotations);
        if (own.vt == VT_DISPATCH && own.pdispVal) EngineDispatch(own.pdispVal).Call(EngineAnnotations::kRemoveAll);
        map.Call(EngineMap::kRefresh);
        return listed;
    } COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::ShowDirection(VARIANT_BOOL Show) {
    // Building arrows asks the host for the distance field: its handler may release the control
    // or call PreDestroy while the layers are being made.
    OperationScope operation(*this);
    COM_TRY {
        CZmaVadAZLayerCollection& layers = RequireLayers();
        ::ShowDirection(layers, Show == VARIANT_TRUE);
        layers.RefreshMap();
        return S_OK;
    } COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::IsDirectionShown(VARIANT_BOOL* pbShow) {
    COM_TRY {
        if (!pbShow) Refuse(E_POINTER, L"The output is missing");
        *pbShow = RequireLayers().HasLayerOfType(CZmaVadAZLayer::kTypeDirection) ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    } COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::SetLockMapView(VARIANT_BOOL bLockMapView) {
    COM_TRY {
        RequireLayers().SetLockMapView(bLockMapView == VARIANT_TRUE);
        return S_OK;
    } COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::AddTemporaryTabLayer(BSTR bstrTabPath) {
    OperationScope operation(*this);
    COM_TRY {
        CZmaVadAZLayerCollection& layers = RequireLayers();
        // Tables open by ANSI paths, and only plain files: a device would hang the engine.
        std::string path;
        if (!platform::ToAnsiExact(bstrTabPath ? bstrTabPath : L"", path) || !IsPlainFilePath(path))
            Refuse(E_INVALIDARG, L"The path does not name a table file");
        if (CZmaVadAZLayer* old = layers.GetTemporaryTabLayer()) THROW_IF_FAILED(layers.RemoveLayer(old, false, false));
        CZmaVadAZLayer* layer = layers.AddTemporaryTabLayer(CZmaVadAZLayer::kTypeOtherTable, path.c_str());
        if (!layer) Refuse(E_FAIL, L"The table could not be opened");
        layer->SetSelectable(false);
        layers.SetTemporaryTabLayer(layer);
        Viewport().ZoomToLayersBounds(layer, -1.0);
        return S_OK;
    } COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::RemoveTemporaryTabLayer() {
    OperationScope operation(*this);
    COM_TRY {
        CZmaVadAZLayerCollection& layers = RequireLayers(E_FAIL);
        CZmaVadAZLayer* layer = layers.GetTemporaryTabLayer();
        if (!layer) return S_FALSE;
        return layers.RemoveLayer(layer, false, false);
    } COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::putref_Attributes(IDispatch* newVal) {
    COM_TRY {
        if (!newVal) Refuse(E_POINTER, L"No attributes object was given");
        ComPtr<IUnknown> attributes;
        const HRESULT hr = newVal->QueryInterface(kAttributesInterface, attributes.PutVoid());
        if (FAILED(hr)) Refuse(hr, L"The object is not the host's attribute settings");
        attributes_ = attributes;
        return S_OK;
    } COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::MoveLayerToTop(BSTR SeriesID) {
    OperationScope operation(*this);
    COM_TRY {
        CZmaVadAZLayerCollection& layers = RequireLayers();
        const std::wstring key = SeriesID ? SeriesID : L"";
        CZmaVadAZLayer* layer = layers.FindLayer(key);
        if (!layer) layer = layers.FindLayerByName(key);
        if (!layer) Refuse(E_FAIL, L"No layer has that key or name");
        if (!layers.MoveLayerToTop(layer)) Refuse(E_FAIL, L"The layer could not be moved");
        return S_OK;
    } COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::UpdateDataset(BSTR SeriesID, IDispatch* dataset) {
    OperationScope operation(*this);
    COM_TRY {
        CZmaVadAZLayerCollection& layers = RequireLayers(E_FAIL);
        ComPtr<IHostDataset> hostDataset;
        if (!dataset || FAILED(dataset->QueryInterface(IID_IHostDataset, hostDataset.PutVoid())))
            Refuse(E_INVALIDARG, L"The object is not a dataset");
        const std::wstring key = SeriesID ? SeriesID : L"";
        // An empty key matches no layer (FindLayer finds nothing for it).
        bool found = false;
        for (CZmaVadAZLayer* layer = layers.FindLayer(key); layer; layer = layers.FindNextLayer(key)) {
            found = true;
            if (auto* data = dynamic_cast<CZmaVadAZDataLayer*>(layer)) THROW_IF_FAILED(data->ReplaceDataset(hostDataset.Get()));
        }
        if (!found) Refuse(E_FAIL, L"No layer shows that series");
        RepaintIfUpdating();
        return S_OK;
    } COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::DisplayBackgroundMapLayerProperties() {
    OperationScope operation(*this);
    // A failure here is logged and the host hears S_OK: the dialog is the user's business.
    try {
        return ShowBackgroundMapProperties(layers_.get(), engineDispatch_.Get(), ::GetActiveWindow());
    }
    COM_CATCH_LOG();
    return S_OK;
}
