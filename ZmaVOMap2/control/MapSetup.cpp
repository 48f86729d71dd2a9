#include "ZmaVOMap2/control/MapSetup.h"

#include "ZmaVOMap2/control/ControlEngine.h"
#include "ZmaVOMap2/control/EngineWindow.h"
#include "ZmaVOMap2/control/HostProfile.h"
#include "ZmaVOMap2/control/MapLayers.h"
#include "ZmaVOMap2/control/ViewState.h"
#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineIds.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"
#include "ZmaVOMap2/settings/ZmaVOMapXConfigurationManager.h"
#include "platform/Result.h"
#include "platform/Xml.h"

#include "VadAZ.h"

#include <vector>

using platform::Bstr;
using platform::ComPtr;
using platform::Variant;

namespace {

const wchar_t kTemporaryFolderName[] = L"D4Oze2";
constexpr HRESULT kCorruptStream = STG_E_DOCFILECORRUPT;

// The largest settings text a stream may claim; anything larger is a corrupt count.
constexpr ULONG kMaxSettingsBytes = 64u * 1024u * 1024u;

// Reads exactly `size` bytes; a short read or a failure raises E_FAIL.
void ReadExactly(IStream* stream, void* buffer, ULONG size) {
    ULONG read = 0;
    HRESULT hr = stream->Read(buffer, size, &read);
    if (hr != S_OK || read != size) platform::ThrowHr(E_FAIL);
}

// Bytes left between the stream's position and its end, when the stream can tell.
bool RemainingBytes(IStream* stream, ULONGLONG& remaining) {
    LARGE_INTEGER zero = {};
    ULARGE_INTEGER position = {}, end = {};
    if (FAILED(stream->Seek(zero, STREAM_SEEK_CUR, &position))) return false;
    if (FAILED(stream->Seek(zero, STREAM_SEEK_END, &end))) return false;
    LARGE_INTEGER back;
    back.QuadPart = static_cast<LONGLONG>(position.QuadPart);
    if (FAILED(stream->Seek(back, STREAM_SEEK_SET, nullptr))) platform::ThrowHr(E_FAIL);
    remaining = end.QuadPart >= position.QuadPart ? end.QuadPart - position.QuadPart : 0;
    return true;
}

}  // namespace

HRESULT MapSetup::InitNew(const std::function<void()>& connectEvents) {
    if (initialisedFresh_ || loaded_) return E_UNEXPECTED;
    platform::ThrowIfNull(p_.engine.Persist())->InitNew();
    initialisedFresh_ = true;
    const HRESULT result = InitialiseMap();
    connectEvents();
    return result;
}

HRESULT MapSetup::Load(IStream* stream, const std::function<void()>& connectEvents) {
    CZmaVadAZLayerCollection* layers = p_.layers.Collection();
    loadedOverLayers_ = layers && layers->LayerCount() > 0;
    if (initialisedFresh_ && !loadedOverLayers_) return E_UNEXPECTED;
    // Reading switches the engine's automatic redraw off; every way out of a load switches it
    // back on, or the map would never repaint by itself again.
    std::unique_ptr<EnginePropertyRestorer> redraw;
    if (IDispatch* map = p_.engine.Map())
        redraw = std::make_unique<EnginePropertyRestorer>(EngineDispatch(map), Engine::Map::kAutoRedraw, Variant(true));

    try {
        ReadSettings(stream);
    }
    COM_CATCH_LOG();

    loaded_ = true;
    HRESULT result = InitialiseMap();
    connectEvents();
    p_.view.ShowRemembered(p_.engine.Map());
    loadedOverLayers_ = false;
    return result;
}

void MapSetup::ReadSettings(IStream* stream) {
    if (!stream) platform::ThrowHr(E_INVALIDARG);
    if (!p_.engine.Map()) platform::ThrowHr(E_FAIL);
    EngineDispatch(p_.engine.Map()).Put(Engine::Map::kAutoRedraw, Variant(false));

    ULONG count = 0;
    ReadExactly(stream, &count, sizeof count);
    std::wstring text;
    if (count != 0) {
        // The count covers UTF-16 text and its terminating zero: even, at least one character
        // wide, and no larger than what the stream holds.
        ULONGLONG remaining = 0;
        if (count % 2 != 0 || count < 2 || count > kMaxSettingsBytes ||
            (RemainingBytes(stream, remaining) && count > remaining))
            throw platform::ComError(kCorruptStream, L"The map settings in the stream are damaged");
        std::vector<wchar_t> buffer(count / 2);
        ReadExactly(stream, buffer.data(), count);
        text.assign(buffer.data(), buffer.size() - 1);
        text.resize(wcslen(text.c_str()));
    }

    ComPtr<IXMLDOMDocument2> document = platform::CreateXmlDocument();
    VARIANT_BOOL parsed = VARIANT_FALSE;
    document->loadXML(Bstr(text).Get(), &parsed);
    ComPtr<IXMLDOMElement> root;
    document->get_documentElement(root.Put());
    if (!root) platform::ThrowHr(E_FAIL);
    THROW_IF_FAILED(LoadFromXml(root.Get()));
    p_.view.RefreshInfoDisplay() = true;
}

HRESULT MapSetup::Save(IStream* stream) {
    if (!stream) return E_INVALIDARG;
    ComPtr<IXMLDOMDocument2> document = platform::CreateXmlDocument();
    ComPtr<IXMLDOMElement> scratch;
    if (FAILED(document->createElement(Bstr(L"dummy").Get(), scratch.Put())) || !scratch) platform::ThrowHr(E_FAIL);
    ComPtr<IXMLDOMNode> scratchNode;
    THROW_IF_FAILED(scratch->QueryInterface(IID_IXMLDOMNode, scratchNode.PutVoid()));
    THROW_IF_FAILED(SaveToXml(scratchNode.Get()));
    ComPtr<IXMLDOMNode> settings;
    scratch->get_firstChild(settings.Put());
    platform::ThrowIfNull(settings.Get(), E_POINTER);
    BSTR xml = nullptr;
    THROW_IF_FAILED(settings->get_xml(&xml));
    Bstr text = Bstr::Attach(xml);

    const ULONG count = text.Length() ? text.Length() * 2 + 2 : 0;
    ULONG written = 0;
    HRESULT hr = stream->Write(&count, sizeof count, &written);
    if (SUCCEEDED(hr) && count != 0) hr = stream->Write(text.Get(), count, &written);
    return hr;
}

MapSettingsParts MapSetup::SettingsParts() {
    MapSettingsParts parts;
    parts.engineMap = p_.engine.Map();
    parts.engineWindow = p_.window.Get();
    parts.infoDisplay = &p_.infoDisplay;
    parts.overview = &p_.overview;
    parts.layers = p_.layers.Collection();
    parts.ensureLayers = [this]() -> CZmaVadAZLayerCollection& { return EnsureLayerCollection(); };
    parts.identity = {p_.profile.batchPrinting, p_.profile.batchJobId, p_.profile.name, temporaryFolder_};
    parts.showViewAtOnce = initialised_;
    return parts;
}

void MapSetup::TakeLoadedSettings(const MapSettingsParts& parts) {
    p_.profile.batchPrinting = parts.identity.batchPrinting;
    p_.profile.batchJobId = parts.identity.batchJobId;
    p_.profile.name = parts.identity.profileName;
    if (parts.view.given) p_.view.Remember(parts.view.zoom, parts.view.centerX, parts.view.centerY);
}

HRESULT MapSetup::SaveToXml(IDispatch* node) {
    MapSettingsParts parts = SettingsParts();
    return platform::PassFailure(CZmaVOMapXConfigurationManager(parts).SaveToXML(node));
}

HRESULT MapSetup::LoadFromXml(IDispatch* node) {
    MapSettingsParts parts = SettingsParts();
    const HRESULT loaded = CZmaVOMapXConfigurationManager(parts).LoadFromXML(node);
    TakeLoadedSettings(parts);
    return platform::PassFailure(loaded);
}

HRESULT MapSetup::StreamFromBag(IPropertyBag2* bag, IErrorLog* errorLog, ComPtr<IStream>& stream) {
    if (!bag) return E_POINTER;
    PROPBAG2 property = {};
    property.dwType = PROPBAG2_TYPE_DATA;
    property.vt = VT_BSTR;
    property.pstrName = const_cast<LPOLESTR>(L"Value");
    Variant value;
    HRESULT propertyResult = S_OK;
    RETURN_IF_FAILED(bag->Read(1, &property, errorLog, value.Put(), &propertyResult));
    RETURN_IF_FAILED(propertyResult);
    RETURN_IF_FAILED(::VariantChangeType(&value, &value, 0, VT_BSTR));

    ComPtr<IHostStreamText> converter;
    RETURN_IF_FAILED(
        ::CoCreateInstance(CLSID_HostStreamText, nullptr, CLSCTX_ALL, IID_IHostStreamText, converter.PutVoid()));
    RETURN_IF_FAILED(converter->TextToStream(value.bstrVal, stream.Put()));
    if (!stream) return E_FAIL;
    CLSID saved;
    return ::ReadClassStm(stream.Get(), &saved);
}

HRESULT MapSetup::InitialiseMap() {
    COM_TRY {
        if (!loadedOverLayers_) PrepareTemporaryFolder();
        HRESULT result = RegisterWithHostService();
        if (!loadedOverLayers_) {
            RETURN_IF_FAILED(CreateCustomTools());
            EngineDispatch map(p_.engine.Map());
            map.Put(Engine::Map::kInfotipSupport, Variant(false));
            CZmaVadAZLayerCollection& layers = p_.layers.Require();
            if (initialisedFresh_ && layers.LayerCount() == 0) {
                layers.CreateAnnotationsLayer();
                RETURN_IF_FAILED(layers.CreateBackgroundMapLayer());
            }
            ComPtr<IDispatch> selectionStyle = platform::RequireDispatch(map.Get(Engine::Map::kSelectionStyle));
            EngineDispatch(selectionStyle.Get()).Put(Engine::Style::kSelectionPattern, Variant(static_cast<short>(2)));
            map.Put(Engine::Map::kRedrawInterval, Variant(500L));
            initialised_ = true;
            layers.SetAutoSynchToStream(false);
        }
        return result;
    }
    COM_CATCH_RETURN();
}

void MapSetup::MakeTemporaryFolder() {
    wchar_t temp[MAX_PATH + 1] = {};
    DWORD length = ::GetTempPathW(MAX_PATH, temp);
    if (length == 0 || length > MAX_PATH) platform::ThrowHr(E_FAIL);
    temporaryFolder_ = temp;
    std::wstring own = temporaryFolder_ + kTemporaryFolderName;
    if (::GetFileAttributesW(own.c_str()) != INVALID_FILE_ATTRIBUTES || ::CreateDirectoryW(own.c_str(), nullptr))
        temporaryFolder_ = own;
}

void MapSetup::PrepareTemporaryFolder() {
    MakeTemporaryFolder();
    if (CZmaVadAZLayerCollection* layers = p_.layers.Collection())
        layers->SetTemporaryFolder(temporaryFolder_);
    else
        EnsureLayerCollection();
    EngineDispatch(p_.engine.Map()).Put(Engine::Map::kSearchPath, Variant(temporaryFolder_));
}

CZmaVadAZLayerCollection& MapSetup::EnsureLayerCollection() {
    if (!p_.layers.Collection() && temporaryFolder_.empty()) MakeTemporaryFolder();
    return p_.layers.Ensure(temporaryFolder_, p_.layerHost, p_.engine.Map());
}

HRESULT MapSetup::RegisterWithHostService() {
    if (!p_.profile.HasService()) return S_OK;
    COM_TRY {
        if (initialisedFresh_ && !loadedOverLayers_) return p_.profile.Open();
        if (loaded_) {
            if (!initialised_) p_.profile.Load();
            p_.profile.Apply();
            p_.profile.UpdateLinesToCells(0);
        }
        return S_OK;
    }
    COM_CATCH_RETURN();
}

HRESULT MapSetup::CreateCustomTools() {
    COM_TRY {
        if (!p_.engine.Map()) return E_POINTER;
        EngineDispatch map(p_.engine.Map());
        const struct {
            short tool, type;
        } tools[] = {{VO_MAP_TOOL_OFFSET, Engine::ToolType::kPoly},
                     {VO_MAP_TOOL_DISTANCE, Engine::ToolType::kLine},
                     {VO_MAP_TOOL_POLYFILTER_ADD_POLYGON, Engine::ToolType::kPolygon}};
        for (const auto& t : tools) {
            const Variant missing = Variant::Missing();
            map.Call(Engine::Map::kCreateCustomTool,
                     {Variant(t.tool), Variant(t.type), Variant(Engine::Cursor::kCross), missing, missing, missing});
        }
        return S_OK;
    }
    COM_CATCH_RETURN();
}
