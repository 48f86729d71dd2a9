// Persistence of the control (IPersistStreamInit, IPersistPropertyBag2) and the map
// initialisation that both roads end in.
#include "ZmaVOMap2/control/ZmaVadAZ.h"

#include "ZmaVOMap2/control/LayerKinds.h"

#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineIds.h"
#include "ZmaVOMap2/services/Logger.h"
#include "ZmaVOMap2/datalayers/DatasetDisplay.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"
#include "ZmaVOMap2/settings/ZmaVOMapXConfigurationManager.h"
#include "platform/Result.h"
#include "platform/Xml.h"

#include <vector>

using platform::Bstr;
using platform::ComPtr;
using platform::Variant;

namespace {

const wchar_t kProfileComponent[] = L"ZmaAOMapXDLL.ZmaAOMapX";
const wchar_t kTemporaryFolderName[] = L"D4Oze2";

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

STDMETHODIMP CZmaVadAZ::GetClassID(CLSID* clsid) {
    if (!clsid) return E_INVALIDARG;
    *clsid = CLSID_VadAZ2;
    return S_OK;
}

// The control always reports itself changed, so that hosts always save it.
STDMETHODIMP CZmaVadAZ::IsDirty() { return S_OK; }

STDMETHODIMP CZmaVadAZ::GetSizeMax(ULARGE_INTEGER* size) { return size ? E_NOTIMPL : E_POINTER; }

STDMETHODIMP CZmaVadAZ::InitNew() {
    OperationScope operation(*this);
    COM_TRY {
        if (initialisedFresh_ || loaded_) return E_UNEXPECTED;
        platform::ThrowIfNull(enginePersist_.Get());
        enginePersist_->InitNew();
        initialisedFresh_ = true;
        HRESULT result = InitialiseMap();
        engineEvents_.Advise(engine_.Get());
        return result;
    }
    COM_CATCH_RETURN();
}

namespace {

// Settings reading switches the engine's automatic redraw off; every way out of a load switches it
// back on, or the map would never repaint by itself again.
class AutoRedrawRestorer {
public:
    explicit AutoRedrawRestorer(IDispatch* map) noexcept : map_(map) {}
    ~AutoRedrawRestorer() {
        if (!map_) return;
        try {
            EngineDispatch(map_).Put(EngineMap::kAutoRedraw, Variant(true));
        } catch (...) {
            platform::LogCaughtException(__FILE__, __LINE__);
        }
    }
    AutoRedrawRestorer(const AutoRedrawRestorer&) = delete;
    AutoRedrawRestorer& operator=(const AutoRedrawRestorer&) = delete;

private:
    IDispatch* map_;
};

}  // namespace

STDMETHODIMP CZmaVadAZ::Load(IStream* stream) {
    OperationScope operation(*this);
    COM_TRY {
        loadedOverLayers_ = layers_ && layers_->LayerCount() > 0;
        if (initialisedFresh_ && !loadedOverLayers_) return E_UNEXPECTED;
        AutoRedrawRestorer redraw(engineDispatch_.Get());

        // Settings that cannot be read (a damaged stream included) are logged and leave a map
        // with default settings: a host loading a document must not fail for its map.
        try {
            ReadSettings(stream);
        } catch (...) {
            platform::LogCaughtException(__FILE__, __LINE__);
        }

        loaded_ = true;
        HRESULT result = InitialiseMap();
        engineEvents_.Advise(engine_.Get());
        if (engineDispatch_ && restoredZoom_ > 0.0) {
            try {
                EngineDispatch(engineDispatch_.Get())
                    .Call(EngineMap::kZoomTo, {Variant(restoredZoom_), Variant(restoredCenterX_), Variant(restoredCenterY_)});
            } catch (...) {
                platform::LogCaughtException(__FILE__, __LINE__);
            }
        }
        loadedOverLayers_ = false;
        return result;
    }
    COM_CATCH_RETURN();
}

void CZmaVadAZ::ReadSettings(IStream* stream) {
    if (!stream) platform::ThrowHr(E_INVALIDARG);
    if (!engineDispatch_) platform::ThrowHr(E_FAIL);
    EngineDispatch(engineDispatch_.Get()).Put(EngineMap::kAutoRedraw, Variant(false));

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
    CZmaVOMapXConfigurationManager manager(*this);
    THROW_IF_FAILED(manager.LoadFromXML(root.Get()));
    refreshInfoDisplay_ = true;
}

STDMETHODIMP CZmaVadAZ::Save(IStream* stream, BOOL) {
    COM_TRY {
        if (!stream) return E_INVALIDARG;
        ComPtr<IXMLDOMDocument2> document = platform::CreateXmlDocument();
        ComPtr<IXMLDOMElement> scratch;
        if (FAILED(document->createElement(Bstr(L"dummy").Get(), scratch.Put())) || !scratch)
            platform::ThrowHr(E_FAIL);
        ComPtr<IXMLDOMNode> scratchNode;
        THROW_IF_FAILED(scratch->QueryInterface(IID_IXMLDOMNode, scratchNode.PutVoid()));
        THROW_IF_FAILED(SaveToXML(scratchNode.Get()));
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
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::Load(IPropertyBag2* bag, IErrorLog* errorLog) {
    try {
        if (!bag) return E_POINTER;
        PROPBAG2 property = {};
        property.dwType = PROPBAG2_TYPE_DATA;
        property.vt = VT_BSTR;
        property.pstrName = const_cast<LPOLESTR>(L"Value");
        Variant value;
        HRESULT propertyResult = S_OK;
        HRESULT hr = bag->Read(1, &property, errorLog, value.Put(), &propertyResult);
        if (FAILED(hr)) return hr;
        if (FAILED(propertyResult)) return propertyResult;
        hr = ::VariantChangeType(&value, &value, 0, VT_BSTR);
        if (FAILED(hr)) return hr;

        ComPtr<IHostStreamText> converter;
        hr = ::CoCreateInstance(CLSID_HostStreamText, nullptr, CLSCTX_ALL, IID_IHostStreamText, converter.PutVoid());
        if (FAILED(hr)) return hr;
        ComPtr<IStream> stream;
        hr = converter->TextToStream(value.bstrVal, stream.Put());
        if (FAILED(hr)) return hr;
        if (!stream) return E_FAIL;
        CLSID saved;
        hr = ::ReadClassStm(stream.Get(), &saved);
        if (FAILED(hr)) return hr;
        return Load(stream.Get());
    } catch (...) {
        LogUnknownException(__FILE__, __LINE__);
        return E_FAIL;
    }
}

STDMETHODIMP CZmaVadAZ::Save(IPropertyBag2*, BOOL, BOOL) { return E_NOTIMPL; }

HRESULT CZmaVadAZ::InitialiseMap() {
    try {
        if (!loadedOverLayers_) PrepareTemporaryFolder();
        HRESULT result = RegisterWithHostService();
        if (!loadedOverLayers_) {
            HRESULT toolsResult = CreateCustomTools();
            if (FAILED(toolsResult)) return toolsResult;
            EngineDispatch map(engineDispatch_.Get());
            map.Put(EngineMap::kInfotipSupport, Variant(false));
            if (initialisedFresh_ && layers_->LayerCount() == 0) {
                layers_->CreateAnnotationsLayer();
                const HRESULT imagery = layers_->CreateBackgroundMapLayer();
                if (FAILED(imagery)) return imagery;
            }
            Variant selectionStyle = map.Get(EngineMap::kSelectionStyle);
            if (selectionStyle.vt != VT_DISPATCH || !selectionStyle.pdispVal) platform::ThrowHr(E_POINTER);
            EngineDispatch(selectionStyle.pdispVal).Put(EngineStyle::kSelectionPattern, Variant(static_cast<short>(2)));
            map.Put(EngineMap::kRedrawInterval, Variant(500L));
            mapInitialised_ = true;
            layers_->SetAutoSynchToStream(false);
        }
        return result;
    }
    COM_CATCH_RETURN();
}

void CZmaVadAZ::MakeTemporaryFolder() {
    wchar_t temp[MAX_PATH + 1] = {};
    DWORD length = ::GetTempPathW(MAX_PATH, temp);
    if (length == 0 || length > MAX_PATH) platform::ThrowHr(E_FAIL);
    tempFolder_ = temp;
    std::wstring own = tempFolder_ + kTemporaryFolderName;
    if (::GetFileAttributesW(own.c_str()) != INVALID_FILE_ATTRIBUTES || ::CreateDirectoryW(own.c_str(), nullptr))
        tempFolder_ = own;
}

void CZmaVadAZ::PrepareTemporaryFolder() {
    MakeTemporaryFolder();
    if (layers_)
        layers_->SetTemporaryFolder(tempFolder_);
    else
        EnsureLayerCollection();
    EngineDispatch(engineDispatch_.Get()).Put(EngineMap::kSearchPath, Variant(tempFolder_));
}

void CZmaVadAZ::SetRestoredView(double zoom, double centerX, double centerY) noexcept {
    restoredZoom_ = zoom;
    restoredCenterX_ = centerX;
    restoredCenterY_ = centerY;
    if (!mapInitialised_ || !engineDispatch_ || zoom <= 0.0) return;
    try {
        EngineDispatch(engineDispatch_.Get()).Call(EngineMap::kZoomTo, {Variant(zoom), Variant(centerX), Variant(centerY)});
    } catch (...) {
        // A view the engine refuses leaves the map where it is.
        platform::LogCaughtException(__FILE__, __LINE__);
    }
}

CZmaVadAZLayerCollection& CZmaVadAZ::EnsureLayerCollection() {
    if (!layers_) {
        // Settings loaded before the map initialisation (a stream, or a script host that never
        // initialises) restore their tables into the control's own folder too.
        if (tempFolder_.empty()) MakeTemporaryFolder();
        RegisterLayerKinds();
        layers_ = std::make_unique<CZmaVadAZLayerCollection>(tempFolder_, *this, engineDispatch_.Get());
        datasets_ = std::make_unique<CZmaVadAZDatasetDisplay>(*layers_);
        layers_->SetLinesLayerPersistence(datasets_.get());
    }
    return *layers_;
}

HRESULT CZmaVadAZ::RegisterWithHostService() {
    if (!hostService_) return S_OK;
    COM_TRY {
        Bstr component(kProfileComponent), profile(profileName_);
        IUnknown* self = Identity();
        if (initialisedFresh_ && !loadedOverLayers_) {
            ComPtr<IUnknown> opened;
            return hostService_->OpenProfile(component.Get(), profile.Get(), self, opened.Put());
        }
        if (loaded_) {
            if (!mapInitialised_) THROW_IF_FAILED(hostService_->LoadProfile(component.Get(), profile.Get(), self));
            if (isBatchPrinting_ != VARIANT_FALSE)
                THROW_IF_FAILED(hostService_->ApplyBatchProfile(component.Get(), profile.Get(),
                                                                Bstr(batchJobId_).Get(), self));
            else
                THROW_IF_FAILED(hostService_->ApplyProfile(component.Get(), profile.Get(), self));
            THROW_IF_FAILED(hostService_->UpdateLinesToCells(component.Get(), profile.Get(), self, 0));
        }
        return S_OK;
    }
    COM_CATCH_RETURN();
}

HRESULT CZmaVadAZ::CreateCustomTools() {
    COM_TRY {
        if (!engineDispatch_) return E_POINTER;
        EngineDispatch map(engineDispatch_.Get());
        const struct {
            short tool, type;
        } tools[] = {{VO_MAP_TOOL_OFFSET, 4}, {VO_MAP_TOOL_DISTANCE, 1}, {VO_MAP_TOOL_POLYFILTER_ADD_POLYGON, 5}};
        for (const auto& t : tools) {
            const Variant missing = Variant::Missing();
            map.Call(EngineMap::kCreateCustomTool, {Variant(t.tool), Variant(t.type), Variant(static_cast<short>(2)),
                                                    missing, missing, missing});
        }
        return S_OK;
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::SaveToXML(IDispatch* node) {
    COM_TRY {
        if (!node) throw platform::ComError(E_POINTER, L"No XML node was given for the map settings.", L"VadAZ");
        CZmaVOMapXConfigurationManager manager(*this);
        return platform::PassFailure(manager.SaveToXML(node));
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::LoadFromXML(IDispatch* node) {
    OperationScope operation(*this);
    COM_TRY {
        if (!node) throw platform::ComError(E_POINTER, L"No XML node was given for the map settings.", L"VadAZ");
        CZmaVOMapXConfigurationManager manager(*this);
        return platform::PassFailure(manager.LoadFromXML(node));
    }
    COM_CATCH_RETURN();
}
