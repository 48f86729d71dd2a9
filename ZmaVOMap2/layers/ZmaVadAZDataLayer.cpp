#include "ZmaVOMap2/layers/ZmaVadAZDataLayer.h"

#include "ZmaVOMap2/control/EngineDispatch.h"
#include "ZmaVOMap2/layers/EngineLayerMembers.h"
#include "platform/Result.h"

using platform::ComPtr;
using platform::Variant;

CZmaVadAZDataLayer::CZmaVadAZDataLayer(IDispatch* map, CZmaVadAZLayerCollection* owner, int type)
    : CZmaVadAZLayer(map, owner) {
    SetType(type);
}

HRESULT CZmaVadAZDataLayer::Attach(const std::string& name, int type, const std::string& /*fileSpec*/) {
    if (!GetMapXMap() || GetMapXLayer()) return E_UNEXPECTED;
    try {
        ComPtr<IDispatch> layers = EngineLayers();
        Variant added = EngineDispatch(layers.Get())
                            .Call(LayerEngine::Layers::kAddUserDrawLayer, {Variant(platform::ToWide(name)), Variant(1L)});
        if (added.vt != VT_DISPATCH || !added.pdispVal) return E_FAIL;
        SetEngineLayer(added.pdispVal);
        SetType(type);
        SetNameOnly(platform::ToAnsi(EngineDispatch(added.pdispVal).Get(LayerEngine::Layer::kName).ToWide()));
        SetUserDrawn(true);
        return S_OK;
    } catch (const platform::ComError& e) {
        return e.Error();
    } catch (...) {
        return E_FAIL;
    }
}
