// The map's life cycle and its OLE embedding interfaces: what a container uses to site, activate,
// draw and persist the map, plus the stand-in's own test interface.
#include "standins/mapengine/Map.h"

#include "standins/mapengine/CallLog.h"
#include "standins/mapengine/Points.h"
#include "standins/mapengine/Units.h"
#include "platform/Module.h"
#include "platform/UniqueHandle.h"

using platform::ComPtr;
using platform::Variant;

namespace mapengine {

namespace {

constexpr int kDefaultWidth = 640;
constexpr int kDefaultHeight = 480;

// HIMETRIC of a pixel size at the screen's resolution.
SIZEL PixelsToHimetric(int width, int height) {
    platform::WindowDC screen(nullptr);
    int dpiX = screen ? ::GetDeviceCaps(screen.Get(), LOGPIXELSX) : 96;
    int dpiY = screen ? ::GetDeviceCaps(screen.Get(), LOGPIXELSY) : 96;
    return {MulDiv(width, 2540, dpiX), MulDiv(height, 2540, dpiY)};
}

// The persisted view: a tag, then centre, zoom (metres) and units.
struct SavedView {
    DWORD tag;
    double centerX, centerY, zoom;
    LONG distanceUnit, paperUnit;
};
constexpr DWORD kSavedViewTag = 0x3450414D;  // "MAP4"

}  // namespace

HRESULT Map::FinalConstruct() {
    COM_TRY {
        faults_ = FaultSwitches::FromEnvironment();
        if (FAILED(faults_.failCreate)) return faults_.failCreate;
        layers_ = Layers::Make(this);
        annotations_ = Annotations::Make(this);
        datasets_ = platform::MakeObject<Datasets>();
        featureFactory_ = FeatureFactory::Make(this);
        defaultStyle_ = platform::MakeObject<Style>();
        selectionStyle_ = platform::MakeObject<Style>();
        displayCoordSys_ = CoordSys::MakeDefault();
        numericCoordSys_ = CoordSys::MakeDefault();
        view_.SetSize(kDefaultWidth, kDefaultHeight);
        extent_ = PixelsToHimetric(kDefaultWidth, kDefaultHeight);
        window_.Create(kDefaultWidth, kDefaultHeight);
        return S_OK;
    }
    COM_CATCH_RETURN();
}

void Map::FinalRelease() {
    window_.Destroy();
    // The objects that callers may still hold must not reach the map any more.
    if (layers_) layers_->DetachAll();
    if (annotations_) annotations_->Detach();
    if (featureFactory_) featureFactory_->Detach();
    clientSite_ = nullptr;
    inPlaceSite_ = nullptr;
    adviseHolder_ = nullptr;
    viewSink_ = nullptr;
}

HRESULT Map::QueryInterfaceImpl(REFIID iid, void** out) {
    // Containers are tested against engines that lack one of these.
    if ((faults_.noViewObjectEx && IsEqualIID(iid, IID_IViewObjectEx)) ||
        (faults_.noOleObject && IsEqualIID(iid, IID_IOleObject)) ||
        (faults_.noPersistStreamInit && IsEqualIID(iid, IID_IPersistStreamInit))) {
        return E_NOINTERFACE;
    }
    return EngineComObject::QueryInterfaceImpl(iid, out);
}

platform::ConnectionPoint* const* Map::ConnectionPointArray(size_t& count) {
    count = 1;
    return points_;
}

// --- IOleObject ------------------------------------------------------------------------------

STDMETHODIMP Map::SetClientSite(IOleClientSite* site) {
    clientSite_ = site;
    return S_OK;
}

STDMETHODIMP Map::GetClientSite(IOleClientSite** site) {
    if (!site) return E_POINTER;
    return clientSite_.CopyTo(site);
}

STDMETHODIMP Map::SetHostNames(LPCOLESTR, LPCOLESTR) { return S_OK; }

STDMETHODIMP Map::Close(DWORD) {
    COM_TRY {
        if (inPlaceSite_) InPlaceDeactivate();
        window_.Destroy();
        if (adviseHolder_) adviseHolder_->SendOnClose();
        return S_OK;
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP Map::SetMoniker(DWORD, IMoniker*) { return E_NOTIMPL; }

STDMETHODIMP Map::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
    if (moniker) *moniker = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP Map::InitFromData(IDataObject*, BOOL, DWORD) { return E_NOTIMPL; }

STDMETHODIMP Map::GetClipboardData(DWORD, IDataObject** data) {
    if (data) *data = nullptr;
    return E_NOTIMPL;
}

void Map::Activate(IOleClientSite* site, HWND parentHint, LPCRECT rectHint) {
    ComPtr<IOleClientSite> useSite(site ? site : clientSite_.Get());
    HWND parent = nullptr;
    RECT position = {0, 0, view_.Width(), view_.Height()};
    ComPtr<IOleInPlaceSite> inPlace;
    if (useSite && SUCCEEDED(useSite.As(inPlace)) && inPlace) {
        if (!inPlaceSite_ && inPlace->CanInPlaceActivate() == S_OK) {
            inPlace->OnInPlaceActivate();
            inPlaceSite_ = inPlace;
        }
        inPlace->GetWindow(&parent);
        ComPtr<IOleInPlaceFrame> frame;
        ComPtr<IOleInPlaceUIWindow> document;
        RECT pos = {}, clip = {};
        OLEINPLACEFRAMEINFO info = {sizeof info};
        if (SUCCEEDED(inPlace->GetWindowContext(frame.Put(), document.Put(), &pos, &clip, &info))) position = pos;
    } else if (useSite) {
        ComPtr<IOleWindow> window;
        if (SUCCEEDED(useSite.As(window)) && window) window->GetWindow(&parent);
    }
    if (!parent) parent = parentHint;
    if (rectHint) position = *rectHint;
    if (!parent) Fail(E_INVALIDARG, L"The site gives no window to activate in");
    window_.PlaceIn(parent, position);
}

STDMETHODIMP Map::DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND parent, LPCRECT rect) {
    COM_TRY {
        switch (verb) {
        case OLEIVERB_PRIMARY:
        case OLEIVERB_SHOW:
        case OLEIVERB_OPEN:
        case OLEIVERB_UIACTIVATE:
        case OLEIVERB_INPLACEACTIVATE:
            Activate(site, parent, rect);
            return S_OK;
        case OLEIVERB_HIDE:
            if (window_.Handle()) ::ShowWindow(window_.Handle(), SW_HIDE);
            return S_OK;
        case OLEIVERB_DISCARDUNDOSTATE: return S_OK;
        default: return OLEOBJ_S_INVALIDVERB;
        }
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP Map::EnumVerbs(IEnumOLEVERB** verbs) {
    if (verbs) *verbs = nullptr;
    return OLEOBJ_E_NOVERBS;
}

STDMETHODIMP Map::Update() { return S_OK; }
STDMETHODIMP Map::IsUpToDate() { return S_OK; }

STDMETHODIMP Map::GetUserClassID(CLSID* clsid) {
    if (!clsid) return E_POINTER;
    *clsid = CLSID_EngineMap;
    return S_OK;
}

STDMETHODIMP Map::GetUserType(DWORD, LPOLESTR* type) {
    if (type) *type = nullptr;
    return OLE_S_USEREG;
}

STDMETHODIMP Map::SetExtent(DWORD aspect, SIZEL* size) {
    if (!size) return E_POINTER;
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    extent_ = *size;
    return S_OK;
}

STDMETHODIMP Map::GetExtent(DWORD aspect, SIZEL* size) {
    if (!size) return E_POINTER;
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    *size = extent_;
    return S_OK;
}

STDMETHODIMP Map::Advise(IAdviseSink* sink, DWORD* cookie) {
    if (!adviseHolder_) RETURN_IF_FAILED(::CreateOleAdviseHolder(adviseHolder_.Put()));
    return adviseHolder_->Advise(sink, cookie);
}

STDMETHODIMP Map::Unadvise(DWORD cookie) {
    return adviseHolder_ ? adviseHolder_->Unadvise(cookie) : OLE_E_NOCONNECTION;
}

STDMETHODIMP Map::EnumAdvise(IEnumSTATDATA** advise) {
    if (!advise) return E_POINTER;
    *advise = nullptr;
    return adviseHolder_ ? adviseHolder_->EnumAdvise(advise) : S_OK;
}

STDMETHODIMP Map::GetMiscStatus(DWORD, DWORD* status) {
    if (!status) return E_POINTER;
    *status = OLEMISC_RECOMPOSEONRESIZE | OLEMISC_CANTLINKINSIDE | OLEMISC_INSIDEOUT | OLEMISC_ACTIVATEWHENVISIBLE |
              OLEMISC_SETCLIENTSITEFIRST;
    return S_OK;
}

STDMETHODIMP Map::SetColorScheme(LOGPALETTE*) { return S_OK; }

// --- IOleInPlaceObject / IOleControl ---------------------------------------------------------

STDMETHODIMP Map::GetWindow(HWND* hwnd) {
    if (!hwnd) return E_POINTER;
    *hwnd = window_.Handle();
    return *hwnd ? S_OK : E_FAIL;
}

STDMETHODIMP Map::ContextSensitiveHelp(BOOL) { return E_NOTIMPL; }

STDMETHODIMP Map::InPlaceDeactivate() {
    if (window_.Handle()) ::ShowWindow(window_.Handle(), SW_HIDE);
    if (ComPtr<IOleInPlaceSite> site = inPlaceSite_) {
        inPlaceSite_ = nullptr;
        site->OnInPlaceDeactivate();
    }
    return S_OK;
}

STDMETHODIMP Map::UIDeactivate() { return S_OK; }

STDMETHODIMP Map::SetObjectRects(LPCRECT position, LPCRECT) {
    if (!position) return E_POINTER;
    window_.Move(*position);
    return S_OK;
}

STDMETHODIMP Map::ReactivateAndUndo() { return E_NOTIMPL; }

STDMETHODIMP Map::GetControlInfo(CONTROLINFO* info) {
    if (!info) return E_POINTER;
    info->hAccel = nullptr;
    info->cAccel = 0;
    info->dwFlags = 0;
    return S_OK;
}

STDMETHODIMP Map::OnMnemonic(MSG*) { return E_NOTIMPL; }
STDMETHODIMP Map::OnAmbientPropertyChange(DISPID) { return S_OK; }
STDMETHODIMP Map::FreezeEvents(BOOL) { return S_OK; }

// --- IViewObjectEx ---------------------------------------------------------------------------

STDMETHODIMP Map::Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC dc, LPCRECTL bounds, LPCRECTL,
                       BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) {
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    if (!dc || !bounds) return E_INVALIDARG;
    if (rendering_) return E_UNEXPECTED;  // a sink that draws the map from inside the drawing
    COM_TRY {
        RECT logical = {bounds->left, bounds->top, bounds->right, bounds->bottom};
        RECT device = TargetInDevicePixels(dc, logical);
        if (device.right <= device.left || device.bottom <= device.top) return E_INVALIDARG;
        RenderInto(dc, device);
        return S_OK;
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP Map::GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE** colors) {
    if (!colors) return E_POINTER;
    *colors = nullptr;
    return S_FALSE;
}

STDMETHODIMP Map::Freeze(DWORD, LONG, void*, DWORD*) { return E_NOTIMPL; }
STDMETHODIMP Map::Unfreeze(DWORD) { return E_NOTIMPL; }

STDMETHODIMP Map::SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) {
    viewSink_ = sink;
    viewSinkAspects_ = aspects;
    viewSinkFlags_ = flags;
    return S_OK;
}

STDMETHODIMP Map::GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) {
    if (aspects) *aspects = viewSinkAspects_;
    if (flags) *flags = viewSinkFlags_;
    if (sink) return viewSink_.CopyTo(sink);
    return S_OK;
}

STDMETHODIMP Map::GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size) { return GetExtent(aspect, size); }

STDMETHODIMP Map::GetRect(DWORD aspect, LPRECTL rect) {
    if (!rect) return E_POINTER;
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    *rect = {0, 0, extent_.cx, extent_.cy};
    return S_OK;
}

STDMETHODIMP Map::GetViewStatus(DWORD* status) {
    if (!status) return E_POINTER;
    *status = VIEWSTATUS_OPAQUE | VIEWSTATUS_SOLIDBKGND;
    return S_OK;
}

STDMETHODIMP Map::QueryHitPoint(DWORD aspect, LPCRECT bounds, POINT location, LONG, DWORD* hit) {
    if (!bounds || !hit) return E_POINTER;
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    *hit = ::PtInRect(bounds, location) ? HITRESULT_HIT : HITRESULT_OUTSIDE;
    return S_OK;
}

STDMETHODIMP Map::QueryHitRect(DWORD aspect, LPCRECT bounds, LPCRECT location, LONG, DWORD* hit) {
    if (!bounds || !location || !hit) return E_POINTER;
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    RECT overlap;
    *hit = ::IntersectRect(&overlap, bounds, location) ? HITRESULT_HIT : HITRESULT_OUTSIDE;
    return S_OK;
}

STDMETHODIMP Map::GetNaturalExtent(DWORD, LONG, DVTARGETDEVICE*, HDC, DVEXTENTINFO*, LPSIZEL) { return E_NOTIMPL; }

// --- IPersistStreamInit ----------------------------------------------------------------------

STDMETHODIMP Map::GetClassID(CLSID* clsid) {
    if (!clsid) return E_POINTER;
    *clsid = CLSID_EngineMap;
    return S_OK;
}

STDMETHODIMP Map::IsDirty() { return S_FALSE; }

STDMETHODIMP Map::Load(LPSTREAM stream) {
    if (!stream) return E_POINTER;
    COM_TRY {
        SavedView saved = {};
        ULONG read = 0;
        THROW_IF_FAILED(stream->Read(&saved, sizeof saved, &read));
        if (read != sizeof saved || saved.tag != kSavedViewTag) Fail(STG_E_READFAULT, L"Not a saved map");
        ViewModel next = view_;
        next.SetDistanceUnit(saved.distanceUnit);
        next.SetPaperUnit(saved.paperUnit);
        next.SetCenter(saved.centerX, saved.centerY);
        next.SetZoom(saved.zoom / MetresPerUnit(saved.distanceUnit));
        view_ = next;
        Initialised();
        return S_OK;
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP Map::Save(LPSTREAM stream, BOOL) {
    if (!stream) return E_POINTER;
    SavedView saved = {kSavedViewTag, view_.CenterX(), view_.CenterY(), view_.ZoomMetres(), view_.DistanceUnit(),
                       view_.PaperUnit()};
    ULONG written = 0;
    RETURN_IF_FAILED(stream->Write(&saved, sizeof saved, &written));
    return written == sizeof saved ? S_OK : STG_E_WRITEFAULT;
}

STDMETHODIMP Map::GetSizeMax(ULARGE_INTEGER* size) {
    if (!size) return E_POINTER;
    size->QuadPart = sizeof(SavedView);
    return S_OK;
}

// Script hosts never call it, so a new map is already initialised; calling it again resets the view.
STDMETHODIMP Map::InitNew() {
    COM_TRY {
        ViewModel fresh;
        fresh.SetSize(view_.Width(), view_.Height());
        view_ = fresh;
        Initialised();
        return S_OK;
    }
    COM_CATCH_RETURN();
}

void Map::Initialised() {
    if (initialisedAnnounced_) return;
    initialisedAnnounced_ = true;
    events_.Fire(L"MapInitialized");
}

// --- IProvideClassInfo -----------------------------------------------------------------------

STDMETHODIMP Map::GetClassInfo(ITypeInfo** info) {
    if (!info) return E_POINTER;
    *info = nullptr;
    COM_TRY {
        ITypeLib* library = platform::Module::TypeLibrary();
        if (!library) return TYPE_E_CANTLOADLIBRARY;
        return library->GetTypeInfoOfGuid(CLSID_EngineMap, info);
    }
    COM_CATCH_RETURN();
}

// --- IDataObject -----------------------------------------------------------------------------

STDMETHODIMP Map::QueryGetData(FORMATETC* format) {
    if (!format) return E_POINTER;
    if (format->cfFormat != CF_ENHMETAFILE) return DV_E_FORMATETC;
    if (!(format->tymed & TYMED_ENHMF)) return DV_E_TYMED;
    return S_OK;
}

STDMETHODIMP Map::GetData(FORMATETC* format, STGMEDIUM* medium) {
    if (!medium) return E_POINTER;
    RETURN_IF_FAILED(QueryGetData(format));
    COM_TRY {
        SIZEL size = extent_;
        RECT frame = {0, 0, size.cx, size.cy};
        HDC dc = ::CreateEnhMetaFileW(nullptr, nullptr, &frame, nullptr);
        if (!dc) Fail(E_FAIL, L"Cannot make a metafile");
        try {
            RenderInto(dc, RECT{0, 0, view_.Width(), view_.Height()});
        } catch (...) {
            ::DeleteEnhMetaFile(::CloseEnhMetaFile(dc));
            throw;
        }
        medium->tymed = TYMED_ENHMF;
        medium->hEnhMetaFile = ::CloseEnhMetaFile(dc);
        medium->pUnkForRelease = nullptr;
        return medium->hEnhMetaFile ? S_OK : E_FAIL;
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP Map::GetDataHere(FORMATETC*, STGMEDIUM*) { return E_NOTIMPL; }

STDMETHODIMP Map::GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) {
    if (out) out->ptd = nullptr;
    return DATA_S_SAMEFORMATETC;
}

STDMETHODIMP Map::SetData(FORMATETC*, STGMEDIUM*, BOOL) { return E_NOTIMPL; }

STDMETHODIMP Map::EnumFormatEtc(DWORD, IEnumFORMATETC** formats) {
    if (formats) *formats = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP Map::DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) { return OLE_E_ADVISENOTSUPPORTED; }
STDMETHODIMP Map::DUnadvise(DWORD) { return OLE_E_ADVISENOTSUPPORTED; }
STDMETHODIMP Map::EnumDAdvise(IEnumSTATDATA**) { return OLE_E_ADVISENOTSUPPORTED; }

// --- IEngineTestHooks ------------------------------------------------------------------------

STDMETHODIMP Map::CallCount(LONG* count) {
    if (!count) return E_POINTER;
    *count = static_cast<LONG>(CallLog::Count());
    return S_OK;
}

STDMETHODIMP Map::CallText(LONG index, BSTR* text) {
    if (!text) return E_POINTER;
    *text = nullptr;
    if (index < 0 || static_cast<size_t>(index) >= CallLog::Count()) return DISP_E_BADINDEX;
    *text = ::SysAllocString(CallLog::Line(static_cast<size_t>(index)).c_str());
    return *text ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP Map::ClearCalls() {
    CallLog::Clear();
    return S_OK;
}

STDMETHODIMP Map::FireEvent(LONG dispid, LONG count, VARIANT* args) {
    if (count < 0 || (count > 0 && !args)) return E_INVALIDARG;
    COM_TRY {
        std::vector<Variant> values(args, args + count);
        events_.Fire(dispid, values);
        for (LONG i = 0; i < count; ++i) THROW_IF_FAILED(::VariantCopy(&args[i], &values[static_cast<size_t>(i)]));
        return S_OK;
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP Map::NewPoints(IDispatch** points) {
    if (!points) return E_POINTER;
    COM_TRY {
        ComPtr<Points> made = Points::Make({});
        *points = made->AsDispatch();
        (*points)->AddRef();
        return S_OK;
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP Map::EngineWindow(LONG_PTR* hwnd) {
    if (!hwnd) return E_POINTER;
    *hwnd = reinterpret_cast<LONG_PTR>(window_.Handle());
    return S_OK;
}

}  // namespace mapengine
