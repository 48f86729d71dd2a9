#include "ZmaVOMap2/persistence/ZmaVOMapXConfigurationManager.h"

#include "ZmaVOMap2/ZmaVadAZ.h"
#include "ZmaVOMap2/control/EngineDispatch.h"
#include "ZmaVOMap2/control/ExternalIds.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"
#include "platform/Result.h"
#include "platform/Xml.h"

using platform::Bstr;
using platform::ComPtr;
using platform::Variant;

HRESULT CZmaVOMapXConfigurationManager::SaveToXML(IDispatch* node) {
    COM_TRY {
        ComPtr<IXMLDOMNode> parent;
        if (!node || FAILED(node->QueryInterface(IID_IXMLDOMNode, parent.PutVoid()))) return E_INVALIDARG;
        Save(parent.Get());
        return S_OK;
    }
    COM_CATCH_RETURN();
}

HRESULT CZmaVOMapXConfigurationManager::LoadFromXML(IDispatch* node) {
    COM_TRY {
        ComPtr<IXMLDOMElement> settings;
        if (!node || FAILED(node->QueryInterface(IID_IXMLDOMElement, settings.PutVoid()))) return E_INVALIDARG;
        Load(settings.Get());
        return S_OK;
    }
    COM_CATCH_RETURN();
}

void CZmaVOMapXConfigurationManager::Save(IXMLDOMNode* parent) {
    ComPtr<IXMLDOMDocument> owner;
    DOMNodeType type = NODE_INVALID;
    parent->get_nodeType(&type);
    if (type == NODE_DOCUMENT)
        THROW_IF_FAILED(parent->QueryInterface(IID_IXMLDOMDocument, owner.PutVoid()));
    else
        THROW_IF_FAILED(parent->get_ownerDocument(owner.Put()));
    platform::ThrowIfNull(owner.Get(), E_INVALIDARG);

    ComPtr<IXMLDOMElement> settings;
    THROW_IF_FAILED(owner->createElement(Bstr(L"mapsettings").Get(), settings.Put()));
    EngineDispatch map(platform::ThrowIfNull(control_.EngineMap(), E_POINTER));
    platform::SetAttribute(settings.Get(), L"zoom", platform::FormatDouble(map.Get(EngineMap::kZoom).ToDouble()));
    platform::SetAttribute(settings.Get(), L"centerx", platform::FormatDouble(map.Get(EngineMap::kCenterX).ToDouble()));
    platform::SetAttribute(settings.Get(), L"centery", platform::FormatDouble(map.Get(EngineMap::kCenterY).ToDouble()));
    if (CZmaVadAZLayerCollection* layers = control_.LayerCollection()) layers->SaveLayers(settings.Get());

    // The settings go first under the node they are saved into.
    ComPtr<IXMLDOMNode> first, inserted;
    parent->get_firstChild(first.Put());
    Variant before;
    if (first) before = Variant(static_cast<IUnknown*>(first.Get()));
    THROW_IF_FAILED(parent->insertBefore(settings.Get(), before, inserted.Put()));
}

void CZmaVOMapXConfigurationManager::Load(IXMLDOMElement* settings) {
    std::wstring zoom, x, y;
    if (platform::GetAttribute(settings, L"zoom", zoom) && platform::GetAttribute(settings, L"centerx", x) &&
        platform::GetAttribute(settings, L"centery", y))
        control_.SetRestoredView(platform::ParseDouble(zoom), platform::ParseDouble(x), platform::ParseDouble(y));
    // A control loaded before its map initialisation gets its collection here.
    control_.EnsureLayerCollection().LoadLayers(settings);
}
