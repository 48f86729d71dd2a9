#include "ZmaVOMap2/control/LayerMembers.h"

#include "ZmaVOMap2/control/ControlEngine.h"
#include "ZmaVOMap2/control/MapLayers.h"
#include "ZmaVOMap2/control/Operations.h"
#include "ZmaVOMap2/control/ViewState.h"
#include "ZmaVOMap2/datalayers/ZmaVadAZDataLayer.h"
#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineIds.h"
#include "ZmaVOMap2/layers/FileNames.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"
#include "platform/Result.h"

#include "HostInterfaces.h"

#include <vector>

using platform::ComPtr;
using platform::Variant;

namespace {
[[noreturn]] void Refuse(HRESULT hr, const wchar_t* text) { throw platform::ComError(hr, text, L"VadAZ"); }
std::wstring Text(BSTR s) { return s ? std::wstring(s) : std::wstring(); }
}  // namespace

HRESULT LayerMembers::ClearAnnotations() {
    OperationScope operation(operations_);
    COM_TRY {
        if (!engine_.Map()) Refuse(E_UNEXPECTED, L"The map engine is missing");
        CZmaVadAZLayer* annotations = layers_.Require().GetAnnotationsLayer();
        if (!annotations) Refuse(E_UNEXPECTED, L"The map has no annotations layer");
        THROW_IF_FAILED(annotations->BeginFeatureAccess(1));
        ComPtr<IDispatch> features;
        const HRESULT listed = annotations->GetAllFeatures(&features);
        if (SUCCEEDED(listed) && features) {
            EngineDispatch list(features.Get());
            const long count = list.Get(Engine::Collection::kCount).ToLong();
            std::vector<Variant> all;
            for (long i = 1; i <= count; ++i) all.push_back(list.Call(Engine::Collection::kFeatureItem, {Variant(i)}));
            for (Variant& feature : all)
                if (feature.vt == VT_DISPATCH && feature.pdispVal) annotations->DeleteFeature(feature.pdispVal);
        }
        annotations->EndFeatureAccess(0);
        EngineDispatch map(engine_.Map());
        Variant own = map.Get(Engine::Annotations::kMapAnnotations);
        if (own.vt == VT_DISPATCH && own.pdispVal) EngineDispatch(own.pdispVal).Call(Engine::Annotations::kRemoveAll);
        map.Call(Engine::Map::kRefresh);
        return listed;
    }
    COM_CATCH_RETURN();
}

HRESULT LayerMembers::AddTemporaryTable(BSTR tablePath) {
    OperationScope operation(operations_);
    COM_TRY {
        CZmaVadAZLayerCollection& layers = layers_.Require();
        // Tables open by ANSI paths, and only plain files: a device would hang the engine.
        std::string path;
        if (!platform::ToAnsiExact(Text(tablePath), path) || !IsPlainFilePath(path))
            Refuse(E_INVALIDARG, L"The path does not name a table file");
        if (CZmaVadAZLayer* old = layers.GetTemporaryTabLayer()) THROW_IF_FAILED(layers.RemoveLayer(old, false, false));
        CZmaVadAZLayer* layer = layers.AddTemporaryTabLayer(CZmaVadAZLayer::kTypeOtherTable, path.c_str());
        if (!layer) Refuse(E_FAIL, L"The table could not be opened");
        layer->SetSelectable(false);
        layers.SetTemporaryTabLayer(layer);
        view_.Viewport(engine_.MapOrThrow(), &layers).ZoomToLayersBounds(layer, -1.0);
        return S_OK;
    }
    COM_CATCH_RETURN();
}

HRESULT LayerMembers::RemoveTemporaryTable() {
    OperationScope operation(operations_);
    COM_TRY {
        CZmaVadAZLayerCollection& layers = layers_.Require(E_FAIL);
        CZmaVadAZLayer* layer = layers.GetTemporaryTabLayer();
        return layer ? layers.RemoveLayer(layer, false, false) : S_FALSE;
    }
    COM_CATCH_RETURN();
}

HRESULT LayerMembers::MoveToTop(BSTR keyOrName) {
    OperationScope operation(operations_);
    COM_TRY {
        CZmaVadAZLayerCollection& layers = layers_.Require();
        const std::wstring key = Text(keyOrName);
        CZmaVadAZLayer* layer = layers.FindLayer(key);
        if (!layer) layer = layers.FindLayerByName(key);
        if (!layer) Refuse(E_FAIL, L"No layer has that key or name");
        if (!layers.MoveLayerToTop(layer)) Refuse(E_FAIL, L"The layer could not be moved");
        return S_OK;
    }
    COM_CATCH_RETURN();
}

HRESULT LayerMembers::ReplaceDataset(BSTR series, IDispatch* dataset) {
    OperationScope operation(operations_);
    COM_TRY {
        CZmaVadAZLayerCollection& layers = layers_.Require(E_FAIL);
        ComPtr<IHostDataset> hostDataset;
        if (!dataset || FAILED(dataset->QueryInterface(IID_IHostDataset, hostDataset.PutVoid())))
            Refuse(E_INVALIDARG, L"The object is not a dataset");
        const std::wstring key = Text(series);
        // An empty key matches no layer (FindLayer finds nothing for it).
        bool found = false;
        for (CZmaVadAZLayer* layer : layers.FindLayers(key)) {
            found = true;
            if (auto* data = dynamic_cast<CZmaVadAZDataLayer*>(layer)) THROW_IF_FAILED(data->ReplaceDataset(hostDataset.Get()));
        }
        if (!found) Refuse(E_FAIL, L"No layer shows that series");
        view_.RepaintIfUpdating(engine_);
        return S_OK;
    }
    COM_CATCH_RETURN();
}
