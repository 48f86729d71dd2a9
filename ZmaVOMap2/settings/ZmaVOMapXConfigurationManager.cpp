#include "ZmaVOMap2/settings/ZmaVOMapXConfigurationManager.h"

#include "ZmaVOMap2/engine/DistanceUnits.h"
#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineIds.h"
#include "ZmaVOMap2/persistence/PersistentObject.h"
#include "ZmaVOMap2/persistence/PersistentStyle.h"
#include "ZmaVOMap2/persistence/PersistXml.h"
#include "ZmaVOMap2/overlays/ZmaVadAZInfoDisplay.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"
#include "ZmaVOMap2/overlays/ZmaVadAZOverviewRegion.h"
#include "platform/Result.h"
#include "platform/Xml.h"

#include <initializer_list>
#include <memory>
#include <vector>

using platform::Bstr;
using platform::ComPtr;
using platform::Variant;
// A settings value the control refuses keeps its default; the log says which one.
using persistxml::LogRefusedSetting;
using persistxml::ReadNumberWithin;

HRESULT CZmaVOMapXConfigurationManager::SaveToXML(IDispatch* node) {
    COM_TRY {
        ComPtr<IXMLDOMNode> parent;
        if (!node || FAILED(node->QueryInterface(IID_IXMLDOMNode, parent.PutVoid())))
            throw platform::ComError(E_INVALIDARG, L"The node to save the map settings under is not an XML node.", L"VadAZ");
        return Save(parent.Get());
    }
    COM_CATCH_RETURN();
}

HRESULT CZmaVOMapXConfigurationManager::LoadFromXML(IDispatch* node) {
    COM_TRY {
        ComPtr<IXMLDOMElement> settings;
        if (!node || FAILED(node->QueryInterface(IID_IXMLDOMElement, settings.PutVoid())) || !settings)
            throw platform::ComError(E_INVALIDARG, L"The map settings node is not an XML element.", L"VadAZ");
        // The node is the settings element itself (a saved stream) or the node they were saved under.
        BSTR name = nullptr;
        settings->get_tagName(&name);
        if (Bstr::Attach(name).Wide() != L"mapsettings") {
            ComPtr<IXMLDOMNode> child;
            settings->selectSingleNode(Bstr(L"mapsettings").Get(), child.Put());
            settings.Reset();
            if (!child || FAILED(child->QueryInterface(IID_IXMLDOMElement, settings.PutVoid())) || !settings)
                throw platform::ComError(E_FAIL, L"The node holds no \"mapsettings\" element.", L"VadAZ");
        }
        return Load(settings.Get());
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

// The widest view the engine can show: the equator's length in the map's distance unit.
double WorldWidth(IDispatch* map) {
    long unit = DistanceUnits::kMile;
    try {
        if (map) unit = EngineDispatch(map).Get(Engine::Map::kDistanceUnit).ToLong();
    }
    CATCH_SWALLOW("a map that cannot tell its unit is measured in miles");
    return DistanceUnits::WorldWidth(unit);
}

bool ParseBoolean(const std::wstring& text) {
    return text == L"-1" || text == L"1" || _wcsicmp(text.c_str(), L"true") == 0;
}

// The result of a run of steps: the first failure stays; later steps do not overwrite it.
void Note(HRESULT& result, HRESULT step) noexcept {
    if (SUCCEEDED(result)) result = step;
}

bool IsWhole(double number) { return number == static_cast<double>(static_cast<long long>(number)); }

// Sets an engine property from a document; a value the engine refuses keeps the current one and
// is logged as a refused setting.
void PutIfAccepted(EngineDispatch& map, DISPID id, const Variant& value, const wchar_t* name) {
    bool accepted = false;
    try {
        map.Put(id, value);
        accepted = true;
    }
    CATCH_SWALLOW("a value the engine refuses keeps the current one");
    if (!accepted) LogRefusedSetting(name, Variant(value).ToWide());
}

std::vector<std::unique_ptr<CZmaVOMapXPersistentStyle>> AllFacets() {
    std::vector<std::unique_ptr<CZmaVOMapXPersistentStyle>> facets;
    facets.push_back(std::make_unique<CZmaVOMapXPersistentLineStyle>());
    facets.push_back(std::make_unique<CZmaVOMapXPersistentFontStyle>());
    facets.push_back(std::make_unique<CZmaVOMapXPersistentBitmapStyle>());
    facets.push_back(std::make_unique<CZmaVOMapXPersistentRegionStyle>());
    facets.push_back(std::make_unique<CZmaVOMapXPersistentTextStyle>());
    return facets;
}

std::unique_ptr<CZmaVOMapXPersistentStyle> FacetNamed(const std::wstring& name) {
    if (name == L"line") return std::make_unique<CZmaVOMapXPersistentLineStyle>();
    if (name == L"font") return std::make_unique<CZmaVOMapXPersistentFontStyle>();
    if (name == L"bitmap") return std::make_unique<CZmaVOMapXPersistentBitmapStyle>();
    if (name == L"region") return std::make_unique<CZmaVOMapXPersistentRegionStyle>();
    if (name == L"text") return std::make_unique<CZmaVOMapXPersistentTextStyle>();
    return nullptr;
}

ComPtr<IXMLDOMElement> ChildElement(IXMLDOMElement* parent, const wchar_t* name) {
    ComPtr<IXMLDOMNode> node;
    THROW_IF_FAILED(parent->selectSingleNode(Bstr(name).Get(), node.Put()));
    ComPtr<IXMLDOMElement> element;
    if (node) node->QueryInterface(IID_IXMLDOMElement, element.PutVoid());
    return element;
}

// Loads the facets among `element`'s children whose names `wanted` lists onto `style`; other
// names are passed over. A child that is not an element fails with E_FAIL.
HRESULT LoadFacets(IXMLDOMElement* element, IDispatch* style, std::initializer_list<const wchar_t*> wanted,
                   HRESULT& result) {
    ComPtr<IXMLDOMNodeList> children;
    THROW_IF_FAILED(element->get_childNodes(children.Put()));
    long count = 0;
    THROW_IF_FAILED(children->get_length(&count));
    for (long i = 0; i < count; ++i) {
        ComPtr<IXMLDOMNode> child;
        THROW_IF_FAILED(children->get_item(i, child.Put()));
        ComPtr<IXMLDOMElement> facetElement;
        if (!child || FAILED(child->QueryInterface(IID_IXMLDOMElement, facetElement.PutVoid()))) return E_FAIL;
        Bstr name;
        THROW_IF_FAILED(facetElement->get_nodeName(name.Put()));
        bool listed = false;
        for (const wchar_t* w : wanted) listed = listed || name.Wide() == w;
        if (!listed) continue;
        Note(result, FacetNamed(name.Wide())->Load(style, element));
    }
    return S_OK;
}

}  // namespace

namespace {

// The steering attributes of the node a save is given: absent ones keep their defaults, a present
// one that does not read fails the save.
struct SaveSteering {
    bool dataModified = false;
    bool autoSynchToStream = false;
    long persistOption = 0;
};

SaveSteering ReadSteering(IXMLDOMNode* node) {
    SaveSteering steering;
    ComPtr<IXMLDOMElement> element;
    if (FAILED(node->QueryInterface(IID_IXMLDOMElement, element.PutVoid())) || !element) return steering;
    std::wstring text;
    if (platform::GetAttribute(element.Get(), L"DataModified", text)) steering.dataModified = ParseBoolean(text);
    if (platform::GetAttribute(element.Get(), L"AutoSynchToStream", text))
        steering.autoSynchToStream = ParseBoolean(text);
    if (platform::GetAttribute(element.Get(), L"PersistOption", text))
        steering.persistOption = static_cast<long>(platform::ParseDouble(text));
    return steering;
}

}  // namespace

HRESULT CZmaVOMapXConfigurationManager::Save(IXMLDOMNode* parent) {
    using platform::SetAttribute;
    using platform::FormatDouble;
    ComPtr<IXMLDOMDocument> owner;
    DOMNodeType type = NODE_INVALID;
    parent->get_nodeType(&type);
    if (type == NODE_DOCUMENT)
        THROW_IF_FAILED(parent->QueryInterface(IID_IXMLDOMDocument, owner.PutVoid()));
    else
        THROW_IF_FAILED(parent->get_ownerDocument(owner.Put()));
    platform::ThrowIfNull(owner.Get(), E_INVALIDARG);
    const SaveSteering steering = ReadSteering(parent);

    ComPtr<IXMLDOMElement> settings;
    THROW_IF_FAILED(owner->createElement(Bstr(L"mapsettings").Get(), settings.Put()));
    // The settings go first under the node they are saved into.
    ComPtr<IXMLDOMNode> first, inserted;
    parent->get_firstChild(first.Put());
    Variant before;
    if (first) before = Variant(static_cast<IUnknown*>(first.Get()));
    THROW_IF_FAILED(parent->insertBefore(settings.Get(), before, inserted.Put()));

    const MapIdentity& identity = parts_.identity;
    SetAttribute(settings.Get(), L"AutoSynchToStream", BooleanText(steering.autoSynchToStream));
    SetAttribute(settings.Get(), L"isbatchprinting", std::to_wstring(identity.batchPrinting));
    SetAttribute(settings.Get(), L"batchjobid", identity.batchJobId);
    SetAttribute(settings.Get(), L"profilename", identity.profileName);
    SetAttribute(settings.Get(), L"tempfilesdir", identity.temporaryFolder);
    EngineDispatch map(platform::ThrowIfNull(parts_.engineMap, E_POINTER));
    SetAttribute(settings.Get(), L"distanceunit", std::to_wstring(map.Get(Engine::Map::kDistanceUnit).ToLong()));
    SetAttribute(settings.Get(), L"areaunit", std::to_wstring(map.Get(Engine::Map::kAreaUnit).ToLong()));
    SetAttribute(settings.Get(), L"zoom", FormatDouble(map.Get(Engine::Map::kZoom).ToDouble()));
    SetAttribute(settings.Get(), L"centerx", FormatDouble(map.Get(Engine::Map::kCenterX).ToDouble()));
    SetAttribute(settings.Get(), L"centery", FormatDouble(map.Get(Engine::Map::kCenterY).ToDouble()));
    SetAttribute(settings.Get(), L"exportselection", BooleanText(map.Get(Engine::Map::kExportSelection).ToBool()));
    SetAttribute(settings.Get(), L"rotation", FormatDouble(map.Get(Engine::Map::kRotation).ToDouble()));
    SetAttribute(settings.Get(), L"searchpath", map.Get(Engine::Map::kSearchPath).ToWide());
    CZmaVadAZInfoDisplay* info = parts_.infoDisplay;
    SetAttribute(settings.Get(), L"showscale", BooleanText(!info || info->ShowsScaleBar()));
    SetAttribute(settings.Get(), L"showcursorposition", BooleanText(info && info->ShowsCoordinates()));
    SetAttribute(settings.Get(), L"CursorPositionFormatType", std::to_wstring(info ? info->CoordinateFormat() : 0));

    HRESULT result = S_OK;
    ComPtr<IXMLDOMElement> defaultStyle = platform::CreateChildElement(settings.Get(), L"defaultstyle");
    ComPtr<IDispatch> style = platform::RequireDispatch(map.Get(Engine::Map::kDefaultStyle));
    for (auto& facet : AllFacets()) Note(result, facet->Save(style.Get(), defaultStyle.Get()));
    ComPtr<IXMLDOMElement> selectionStyle = platform::CreateChildElement(settings.Get(), L"defaultselectionstyle");
    ComPtr<IDispatch> selection = platform::RequireDispatch(map.Get(Engine::Map::kSelectionStyle));
    Note(result, CZmaVOMapXPersistentLineStyle().Save(selection.Get(), selectionStyle.Get()));
    Note(result, CZmaVOMapXPersistentRegionStyle().Save(selection.Get(), selectionStyle.Get()));

    CZmaVadAZLayerCollection* layers = parts_.layers;
    if (layers) SetAttribute(settings.Get(), L"EnhancedDrawingMode", BooleanText(layers->IsEnhancedDrawing()));
    CZmaVadAZOverviewRegion* overview = parts_.overview;
    const ZmaExtent box = overview ? overview->GetRegion() : ZmaExtent{0, 0, 0, 0};
    SetAttribute(settings.Get(), L"showoverviewregion", BooleanText(overview && overview->IsVisible()));
    SetAttribute(settings.Get(), L"overviewregionleft", FormatDouble(box.left));
    SetAttribute(settings.Get(), L"overviewregionright", FormatDouble(box.right));
    SetAttribute(settings.Get(), L"overviewregiontop", FormatDouble(box.top));
    SetAttribute(settings.Get(), L"overviewregionbottom", FormatDouble(box.bottom));

    if (steering.persistOption != 1) {
        ComPtr<IDispatch> coordSys = platform::RequireDispatch(map.Get(Engine::Map::kDisplayCoordSys));
        Note(result, CZmaVOMapXPersistentCoordSys(coordSys.Get()).Save(settings.Get()));
    }
    if (layers) Note(result, layers->SaveLayers(settings.Get(), steering.dataModified));
    return result;
}

HRESULT CZmaVOMapXConfigurationManager::Load(IXMLDOMElement* settings) {
    // Every number is checked before it reaches the engine: a value the engine cannot take keeps
    // the current one, and so does a number that does not read whole. Keys a document of an
    // earlier version does not carry leave their settings as they are.
    double number = 0;
    std::wstring text;
    long persistOption = 0;
    if (ReadNumberWithin(settings, L"PersistOption", -2147483648.0, 2147483647.0, number))
        persistOption = static_cast<long>(number);

    EngineDispatch map(platform::ThrowIfNull(parts_.engineMap, E_POINTER));
    if (ReadNumberWithin(settings, L"distanceunit", 0.0, 32767.0, number) && IsWhole(number))
        PutIfAccepted(map, Engine::Map::kDistanceUnit, Variant(static_cast<long>(number)), L"distanceunit");
    if (ReadNumberWithin(settings, L"areaunit", 0.0, 32767.0, number) && IsWhole(number))
        PutIfAccepted(map, Engine::Map::kAreaUnit, Variant(static_cast<long>(number)), L"areaunit");

    CZmaVadAZLayerCollection* existing = parts_.layers;
    bool flag = false;
    if (existing && ReadBoolean(settings, L"AutoSynchToStream", flag)) existing->SetAutoSynchToStream(flag);
    // A control loaded before its map initialisation gets its collection here.
    CZmaVadAZLayerCollection& loaded = parts_.ensureLayers ? parts_.ensureLayers() : *platform::ThrowIfNull(existing);
    parts_.layers = &loaded;
    HRESULT result = loaded.LoadLayers(settings);

    MapIdentity& identity = parts_.identity;
    if (ReadNumberWithin(settings, L"isbatchprinting", -32768.0, 32767.0, number) && IsWhole(number))
        identity.batchPrinting = static_cast<short>(number);
    if (platform::GetAttribute(settings, L"batchjobid", text)) identity.batchJobId = text;
    if (platform::GetAttribute(settings, L"profilename", text)) identity.profileName = text;

    // A zoom of 0 is what a map without a view saves: the view is then left as it is.
    double zoom = 0, x = 0, y = 0;
    if (ReadNumberWithin(settings, L"zoom", 0.0, WorldWidth(parts_.engineMap), zoom) &&
        ReadNumberWithin(settings, L"centerx", -180.0, 180.0, x) &&
        ReadNumberWithin(settings, L"centery", -90.0, 90.0, y))
        RestoreView(zoom, x, y);
    if (CZmaVadAZInfoDisplay* info = parts_.infoDisplay) {
        HWND window = parts_.engineWindow;
        if (ReadBoolean(settings, L"showscale", flag)) info->Invalidate(flag, window, 0, 0, 0, 0);
        if (ReadBoolean(settings, L"CursorPosDispInDecimal", flag))
            info->SetCoordinateFormat(flag ? CZmaVadAZInfoDisplay::kDecimalDegrees
                                           : CZmaVadAZInfoDisplay::kDegreesMinutesSeconds);
        else if (ReadNumberWithin(settings, L"CursorPositionFormatType", 0.0, kLastCoordinateFormat, number)) {
            if (IsWhole(number))
                info->SetCoordinateFormat(static_cast<int>(number));
            else
                LogRefusedSetting(L"CursorPositionFormatType", platform::FormatDouble(number));
        }
        if (ReadBoolean(settings, L"showcursorposition", flag)) info->SetMode(flag, window, 0, 0, 0, 0);
    }

    if (ReadBoolean(settings, L"exportselection", flag)) PutIfAccepted(map, Engine::Map::kExportSelection, Variant(flag), L"exportselection");
    if (ReadNumberWithin(settings, L"rotation", -360.0, 360.0, number))
        PutIfAccepted(map, Engine::Map::kRotation, Variant(number), L"rotation");
    // The search path stays the control's own: it points at the temporary folder the control
    // made, not at one a document names.

    const HRESULT styles = LoadStyles(settings);
    if (FAILED(styles)) return styles;
    if (styles != S_FALSE) Note(result, styles);

    if (CZmaVadAZLayerCollection* layers = parts_.layers)
        if (ReadBoolean(settings, L"EnhancedDrawingMode", flag)) layers->SetEnhancedDrawingMode(flag ? VARIANT_TRUE : VARIANT_FALSE);
    if (CZmaVadAZOverviewRegion* overview = parts_.overview) {
        bool visible = false;
        double left = 0, right = 0, top = 0, bottom = 0;
        if (ReadBoolean(settings, L"showoverviewregion", visible)) overview->SetVisible(visible);
        if (ReadNumberWithin(settings, L"overviewregionleft", -180.0, 180.0, left) &&
            ReadNumberWithin(settings, L"overviewregionright", -180.0, 180.0, right) &&
            ReadNumberWithin(settings, L"overviewregiontop", -90.0, 90.0, top) &&
            ReadNumberWithin(settings, L"overviewregionbottom", -90.0, 90.0, bottom))
            overview->SetRegion({left, top, right, bottom});
    }

    if (persistOption != 1) {
        ComPtr<IXMLDOMNode> coordsys;
        THROW_IF_FAILED(settings->selectSingleNode(Bstr(L"coordsys").Get(), coordsys.Put()));
        if (coordsys) {
            ComPtr<IDispatch> system = platform::RequireDispatch(map.Get(Engine::Map::kDisplayCoordSys));
            Note(result, CZmaVOMapXPersistentCoordSys(system.Get()).Load(settings));
        }
    }
    return result;
}

void CZmaVOMapXConfigurationManager::RestoreView(double zoom, double centerX, double centerY) noexcept {
    parts_.view = {true, zoom, centerX, centerY};
    if (!parts_.showViewAtOnce || !parts_.engineMap || zoom <= 0.0) return;
    try {
        EngineDispatch(parts_.engineMap).Call(Engine::Map::kZoomTo, {Variant(zoom), Variant(centerX), Variant(centerY)});
    }
    // A view the engine refuses leaves the map where it is.
    COM_CATCH_LOG();
}

// The default and selection styles: S_FALSE when the document carries neither (an earlier
// version), else the last facet's result; a child that is not an element fails the load.
HRESULT CZmaVOMapXConfigurationManager::LoadStyles(IXMLDOMElement* settings) {
    ComPtr<IXMLDOMElement> defaultStyle = ChildElement(settings, L"defaultstyle");
    ComPtr<IXMLDOMElement> selectionStyle = ChildElement(settings, L"defaultselectionstyle");
    if (!defaultStyle && !selectionStyle) return S_FALSE;
    if (!defaultStyle || !selectionStyle) return E_FAIL;
    EngineDispatch map(parts_.engineMap);
    HRESULT result = S_OK;
    ComPtr<IDispatch> style = platform::RequireDispatch(map.Get(Engine::Map::kDefaultStyle));
    RETURN_IF_FAILED(LoadFacets(defaultStyle.Get(), style.Get(), {L"line", L"font", L"bitmap", L"region", L"text"}, result));
    ComPtr<IDispatch> selection = platform::RequireDispatch(map.Get(Engine::Map::kSelectionStyle));
    RETURN_IF_FAILED(LoadFacets(selectionStyle.Get(), selection.Get(), {L"line", L"region"}, result));
    return result;
}
