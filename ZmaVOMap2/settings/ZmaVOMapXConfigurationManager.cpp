#include "ZmaVOMap2/settings/ZmaVOMapXConfigurationManager.h"

#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineIds.h"
#include "ZmaVOMap2/overlays/ZmaVadAZInfoDisplay.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"
#include "ZmaVOMap2/overlays/ZmaVadAZOverviewRegion.h"
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
        // The node is the settings element itself (a saved stream) or the node they were saved under.
        BSTR name = nullptr;
        settings->get_tagName(&name);
        if (Bstr::Attach(name).Wide() != L"mapsettings") {
            ComPtr<IXMLDOMNode> child;
            settings->selectSingleNode(Bstr(L"mapsettings").Get(), child.Put());
            settings.Reset();
            if (!child || FAILED(child->QueryInterface(IID_IXMLDOMElement, settings.PutVoid()))) return E_FAIL;
        }
        Load(settings.Get());
        return S_OK;
    }
    COM_CATCH_RETURN();
}

namespace {

std::wstring BooleanText(bool value) { return value ? L"-1" : L"0"; }

bool ReadBoolean(IXMLDOMElement* element, const wchar_t* name, bool& value) {
    std::wstring text;
    if (!platform::GetAttribute(element, name, text)) return false;
    value = text == L"-1" || text == L"1" || _wcsicmp(text.c_str(), L"true") == 0;
    return true;
}

}  // namespace

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
    if (CZmaVadAZInfoDisplay* info = control_.InfoDisplay()) {
        platform::SetAttribute(settings.Get(), L"showscale", BooleanText(info->ShowsScaleBar()));
        platform::SetAttribute(settings.Get(), L"showcursorposition", BooleanText(info->ShowsCoordinates()));
        platform::SetAttribute(settings.Get(), L"CursorPositionFormatType", std::to_wstring(info->CoordinateFormat()));
    }
    if (CZmaVadAZOverviewRegion* overview = control_.OverviewRegion()) {
        const ZmaExtent& box = overview->GetRegion();
        platform::SetAttribute(settings.Get(), L"showoverviewregion", BooleanText(overview->IsVisible()));
        platform::SetAttribute(settings.Get(), L"overviewregionleft", platform::FormatDouble(box.left));
        platform::SetAttribute(settings.Get(), L"overviewregionright", platform::FormatDouble(box.right));
        platform::SetAttribute(settings.Get(), L"overviewregiontop", platform::FormatDouble(box.top));
        platform::SetAttribute(settings.Get(), L"overviewregionbottom", platform::FormatDouble(box.bottom));
    }
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
    if (CZmaVadAZInfoDisplay* info = control_.InfoDisplay()) {
        bool flag = false;
        std::wstring text;
        if (ReadBoolean(settings, L"CursorPosDispInDecimal", flag))
            info->SetCoordinateFormat(flag ? CZmaVadAZInfoDisplay::kDecimalDegrees
                                           : CZmaVadAZInfoDisplay::kDegreesMinutesSeconds);
        else if (platform::GetAttribute(settings, L"CursorPositionFormatType", text))
            info->SetCoordinateFormat(static_cast<int>(platform::ParseDouble(text)));
        HWND window = control_.EngineWindow();
        if (ReadBoolean(settings, L"showscale", flag)) info->Invalidate(flag, window, 0, 0, 0, 0);
        if (ReadBoolean(settings, L"showcursorposition", flag)) info->SetMode(flag, window, 0, 0, 0, 0);
    }
    if (CZmaVadAZOverviewRegion* overview = control_.OverviewRegion()) {
        bool visible = false;
        std::wstring left, right, top, bottom;
        if (ReadBoolean(settings, L"showoverviewregion", visible)) overview->SetVisible(visible);
        if (platform::GetAttribute(settings, L"overviewregionleft", left) &&
            platform::GetAttribute(settings, L"overviewregionright", right) &&
            platform::GetAttribute(settings, L"overviewregiontop", top) &&
            platform::GetAttribute(settings, L"overviewregionbottom", bottom))
            overview->SetRegion({platform::ParseDouble(left), platform::ParseDouble(top), platform::ParseDouble(right),
                                 platform::ParseDouble(bottom)});
    }
    // A control loaded before its map initialisation gets its collection here.
    control_.EnsureLayerCollection().LoadLayers(settings);
}
