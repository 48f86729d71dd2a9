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

// Decimal degrees, degrees-minutes-seconds and metres.
constexpr double kLastCoordinateFormat = 2.0;

std::wstring BooleanText(bool value) { return value ? L"-1" : L"0"; }

bool ReadBoolean(IXMLDOMElement* element, const wchar_t* name, bool& value) {
    std::wstring text;
    if (!platform::GetAttribute(element, name, text)) return false;
    value = text == L"-1" || text == L"1" || _wcsicmp(text.c_str(), L"true") == 0;
    return true;
}

// A settings value the control refuses keeps its default; the log says which one.
void LogRefused(const wchar_t* name, const std::wstring& text) {
    platform::ErrorLog* log = platform::GetErrorLog();
    if (!log || !log->IsEnabledFor(platform::kLogLevelError)) return;
    std::string shown = platform::ToAnsi(text.substr(0, 64));
    for (char& c : shown)
        if (static_cast<unsigned char>(c) < 32) c = '?';
    log->Write(platform::kLogLevelError, __FILE__, __LINE__,
               "Invalid map setting " + platform::ToAnsi(name) + "=\"" + shown + "\" ignored");
}

// The attribute as a finite number within [low, high]; false, with
// the refusal logged, for a missing attribute or anything else.
bool ReadNumber(IXMLDOMElement* element, const wchar_t* name, double low, double high, double& value) {
    std::wstring text;
    if (!platform::GetAttribute(element, name, text)) return false;
    double number = 0;
    try {
        number = platform::ParseDouble(text);
    } catch (const platform::ComError&) {
        LogRefused(name, text);
        return false;
    }
    if (number < low || number > high) {
        LogRefused(name, text);
        return false;
    }
    value = number;
    return true;
}

// Metres in one unit of the engine's distance unit codes; 0 for degrees and unknown codes.
double MetresPerUnit(long unit) {
    switch (unit) {
    case 0: return 1609.344;          // mile
    case 1: return 1000.0;            // kilometre
    case 2: return 0.0254;            // inch
    case 3: return 0.3048;            // foot
    case 4: return 0.9144;            // yard
    case 5: return 0.001;             // millimetre
    case 6: return 0.01;              // centimetre
    case 7: return 1.0;               // metre
    case 8: return 1200.0 / 3937.0;   // survey foot
    case 9: return 1852.0;            // nautical mile
    case 10: return 0.0254 / 1440.0;  // twip
    case 11: return 0.0254 / 72.0;    // point
    case 12: return 0.0254 / 6.0;     // pica
    case 30: return 0.201168;         // link
    case 31: return 20.1168;          // chain
    case 32: return 5.0292;           // rod
    default: return 0.0;
    }
}

// The widest view the engine can show: the equator's length in the map's distance unit.
double WorldWidth(IDispatch* map) {
    constexpr double kEquatorMetres = 40075016.686;
    long unit = 0;
    try {
        if (map) unit = EngineDispatch(map).Get(EngineMap::kDistanceUnit).ToLong();
    } catch (const platform::ComError&) {
        ::SetErrorInfo(0, nullptr);
    }
    if (unit == 13) return 360.0;  // degrees
    const double metres = MetresPerUnit(unit);
    return kEquatorMetres / (metres > 0.0 ? metres : MetresPerUnit(0));
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
    // Every number is checked before it reaches the engine: a view the engine cannot show keeps
    // the default, as does a number that does not read whole.
    // A zoom of 0 is what a map without a view saves: the view is then left as it is.
    double zoom = 0, x = 0, y = 0;
    if (ReadNumber(settings, L"zoom", 0.0, WorldWidth(control_.EngineMap()), zoom) &&
        ReadNumber(settings, L"centerx", -180.0, 180.0, x) && ReadNumber(settings, L"centery", -90.0, 90.0, y))
        control_.SetRestoredView(zoom, x, y);
    if (CZmaVadAZInfoDisplay* info = control_.InfoDisplay()) {
        bool flag = false;
        std::wstring text;
        double format = 0;
        if (ReadBoolean(settings, L"CursorPosDispInDecimal", flag))
            info->SetCoordinateFormat(flag ? CZmaVadAZInfoDisplay::kDecimalDegrees
                                           : CZmaVadAZInfoDisplay::kDegreesMinutesSeconds);
        else if (ReadNumber(settings, L"CursorPositionFormatType", 0.0, kLastCoordinateFormat, format)) {
            if (format == static_cast<int>(format))
                info->SetCoordinateFormat(static_cast<int>(format));
            else
                LogRefused(L"CursorPositionFormatType", platform::FormatDouble(format));
        }
        HWND window = control_.EngineWindow();
        if (ReadBoolean(settings, L"showscale", flag)) info->Invalidate(flag, window, 0, 0, 0, 0);
        if (ReadBoolean(settings, L"showcursorposition", flag)) info->SetMode(flag, window, 0, 0, 0, 0);
    }
    if (CZmaVadAZOverviewRegion* overview = control_.OverviewRegion()) {
        bool visible = false;
        double left = 0, right = 0, top = 0, bottom = 0;
        if (ReadBoolean(settings, L"showoverviewregion", visible)) overview->SetVisible(visible);
        if (ReadNumber(settings, L"overviewregionleft", -180.0, 180.0, left) &&
            ReadNumber(settings, L"overviewregionright", -180.0, 180.0, right) &&
            ReadNumber(settings, L"overviewregiontop", -90.0, 90.0, top) &&
            ReadNumber(settings, L"overviewregionbottom", -90.0, 90.0, bottom))
            overview->SetRegion({left, top, right, bottom});
    }
    // A control loaded before its map initialisation gets its collection here.
    control_.EnsureLayerCollection().LoadLayers(settings);
}
