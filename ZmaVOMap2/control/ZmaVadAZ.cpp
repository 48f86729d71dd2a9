#include "ZmaVOMap2/control/ZmaVadAZ.h"

#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineIds.h"
#include "ZmaVOMap2/imagery/BackgroundMapView.h"
#include "ZmaVOMap2/services/Logger.h"
#include "ZmaVOMap2/overlays/RolloverTip.h"
#include "ZmaVOMap2/overlays/ZmaVadAZInfoDisplay.h"
#include "ZmaVOMap2/datalayers/DatasetDisplay.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"
#include "ZmaVOMap2/overlays/ZmaVadAZOverviewRegion.h"
#include "ZmaVOMap2/printing/BorderDeterminator.h"
#include "platform/Dispatch.h"
#include "platform/Gdiplus.h"
#include "platform/Result.h"

using platform::ComPtr;
using platform::Variant;

namespace {

// Verbs that activate the control in its site and so give the engine its window.
bool IsActivatingVerb(LONG verb) {
    return verb == OLEIVERB_PRIMARY || verb == OLEIVERB_OPEN || verb == OLEIVERB_UIACTIVATE ||
           verb == OLEIVERB_INPLACEACTIVATE;
}

// Logical units per inch of a DC along one axis, for turning bounds into hundredths of a millimetre.
int UnitsPerInch(HDC dc, int axisCaps) {
    switch (::GetMapMode(dc)) {
    case MM_TEXT: return ::GetDeviceCaps(dc, axisCaps);
    case MM_LOMETRIC: return 254;
    case MM_HIMETRIC: return 2540;
    case MM_LOENGLISH: return 100;
    case MM_HIENGLISH: return 1000;
    case MM_TWIPS: return 1440;
    default: return 72;
    }
}

// Holds a reference to the control while its events run: a host may release it in a handler.
class SelfReference {
public:
    explicit SelfReference(IUnknown* self) : self_(self) {}

private:
    ComPtr<IUnknown> self_;
};

}  // namespace

CZmaVadAZ::CZmaVadAZ()
    : events1_(Identity(), this), events2_(Identity(), this) {
    points_[0] = &events2_.Point();
    points_[1] = &events1_.Point();
    SetMonitoredClassName("CZmaVadAZ");
    if (ZmoLifetimeMonitoring::IsMonitoringEnabled()) Register();
}

CZmaVadAZ::~CZmaVadAZ() {
    PreDestroy();
    ReleasePrinting(true);
    // What final release did not get to (it does not run when final construction failed).
    ReleaseEngine();
    enginePersist_.Reset();
    engineView_.Reset();
    hostService_.Reset();
    overview_.reset();
    infoDisplay_.reset();
}

template <class I>
HRESULT CZmaVadAZ::CreateHostObject(REFCLSID clsid, ComPtr<I>& out) {
    ComPtr<IUnknown> object;
    HRESULT hr = ::CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IUnknown, object.PutVoid());
    if (SUCCEEDED(hr)) hr = ::OleRun(object.Get());
    if (SUCCEEDED(hr)) hr = object->QueryInterface(__uuidof(I), out.PutVoid());
    return hr;
}

HRESULT CZmaVadAZ::FinalConstruct() {
    HRESULT result = S_OK;
    COM_TRY {
        GlobalLogger().Open(kControlLogChannel, "");
        constructing_ = true;

        Gdiplus::GdiplusStartupInput gdiplusInput;
        Gdiplus::GdiplusStartup(&gdiplusToken_, &gdiplusInput, nullptr);

        ComPtr<IClassFactory> factory;
        THROW_IF_FAILED(::CoGetClassObject(ExternalIds::kEngineMap, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                                           factory.PutVoid()));
        if (!factory) platform::ThrowHr(E_FAIL);
        HRESULT created = factory->CreateInstance(nullptr, IID_IUnknown, engine_.PutVoid());
        if (!engine_) platform::ThrowCall(FAILED(created) ? created : E_FAIL);

        // A missing interface leaves its member empty; only the required ones are checked below.
        auto query = [this](REFIID iid, void** out) {
            HRESULT hr = engine_->QueryInterface(iid, out);
            if (FAILED(hr) && hr != E_NOINTERFACE) platform::ThrowCall(hr);
        };
        query(IID_IDispatch, engineDispatch_.PutVoid());
        query(IID_IDispatch, engineMergeDispatch_.PutVoid());
        query(IID_IOleObject, engineOleObject_.PutVoid());
        query(IID_IPersistStreamInit, enginePersist_.PutVoid());
        query(IID_IViewObjectEx, engineView_.PutVoid());

        CreateHostObject(CLSID_HostService, hostService_);

        infoDisplay_ = std::make_unique<CZmaVadAZInfoDisplay>();
        overview_ = std::make_unique<CZmaVadAZOverviewRegion>();

        if (!engineDispatch_ || !engineMergeDispatch_ || !engineOleObject_ || !enginePersist_ || !hostService_)
            platform::ThrowHr(E_FAIL);

        engineWindow_ = nullptr;
        verbSeen_ = false;

        // A control whose unit converter cannot be created is not created.
        result = CreateHostObject(CLSID_HostUnitConverter, unitConverter_);

        put_QuickPrintLayout(QUICK_PRINT_LAYOUT_CUSTOM);
        constructing_ = false;
        return result;
    }
    catch (...) {
        HRESULT hr = platform::HandleCaughtException(__FILE__, __LINE__);
        constructing_ = false;
        return hr;
    }
}

void CZmaVadAZ::ReleaseEngine() noexcept {
    if (gdiplusToken_) {
        Gdiplus::GdiplusShutdown(gdiplusToken_);
        gdiplusToken_ = 0;
    }
    unitConverter_.Reset();
    engineDispatch_.Reset();
    engineMergeDispatch_.Reset();
    engineOleObject_.Reset();
    engine_.Reset();
}

void CZmaVadAZ::FinalRelease() {
    ReleasePrinting(true);
    constructing_ = true;
    engineEvents_.Unadvise(engine_.Get());
    ReleaseEngine();
    viewChanges_.Release();
    constructing_ = false;
    GlobalLogger().Close();
}

HRESULT CZmaVadAZ::QueryInterfaceImpl(REFIID iid, void** out) {
    if (!constructing_) {
        if (IsEqualIID(iid, ExternalIds::kPersistPropertyBag)) return E_NOINTERFACE;
        HRESULT hr = InternalQueryInterface(iid, out);
        if (hr != E_NOINTERFACE) return hr;
    }
    // Everything the control does not implement itself is the engine's.
    if (!engine_) return E_POINTER;
    HRESULT hr = engine_->QueryInterface(iid, out);
    return SUCCEEDED(hr) ? S_OK : hr;
}

platform::ConnectionPoint* const* CZmaVadAZ::ConnectionPointArray(size_t& count) {
    count = 2;
    return points_;
}

// --- IDispatch -------------------------------------------------------------------------------

STDMETHODIMP CZmaVadAZ::GetTypeInfoCount(UINT* count) {
    if (!engineMergeDispatch_) return E_POINTER;
    return engineMergeDispatch_->GetTypeInfoCount(count);
}

STDMETHODIMP CZmaVadAZ::GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) {
    if (!engineMergeDispatch_) return E_POINTER;
    return engineMergeDispatch_->GetTypeInfo(index, lcid, info);
}

STDMETHODIMP CZmaVadAZ::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) {
    HRESULT hr = E_FAIL;
    try {
        hr = platform::CachedTypeInfo<IZmaVadAZ2>()->GetIDsOfNames(names, count, ids);
    } catch (...) {
        hr = E_FAIL;
    }
    if (SUCCEEDED(hr) || !engineMergeDispatch_) return hr;
    return engineMergeDispatch_->GetIDsOfNames(iid, names, count, lcid, ids);
}

STDMETHODIMP CZmaVadAZ::Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                               EXCEPINFO* excepInfo, UINT* argErr) {
    HRESULT hr = DISP_E_MEMBERNOTFOUND;
    try {
        hr = platform::CachedTypeInfo<IZmaVadAZ2>()->Invoke(static_cast<IZmaVadAZ2*>(this), id, flags, params, result,
                                                            excepInfo, argErr);
    } catch (...) {
        hr = E_FAIL;
    }
    if (hr != DISP_E_MEMBERNOTFOUND || !engineMergeDispatch_) return hr;
    return engineMergeDispatch_->Invoke(id, iid, lcid, flags, params, result, excepInfo, argErr);
}

// --- IOleObject --------------------------------------------------------------------------------

STDMETHODIMP CZmaVadAZ::SetClientSite(IOleClientSite* site) { return engineOleObject_->SetClientSite(site); }
STDMETHODIMP CZmaVadAZ::GetClientSite(IOleClientSite** site) { return engineOleObject_->GetClientSite(site); }
STDMETHODIMP CZmaVadAZ::SetHostNames(LPCOLESTR app, LPCOLESTR object) {
    return engineOleObject_->SetHostNames(app, object);
}

STDMETHODIMP CZmaVadAZ::Close(DWORD saveOption) {
    engineEvents_.Unadvise(engine_.Get());
    return engineOleObject_->Close(saveOption);
}

STDMETHODIMP CZmaVadAZ::SetMoniker(DWORD which, IMoniker* moniker) { return engineOleObject_->SetMoniker(which, moniker); }
STDMETHODIMP CZmaVadAZ::GetMoniker(DWORD assign, DWORD which, IMoniker** moniker) {
    return engineOleObject_->GetMoniker(assign, which, moniker);
}
STDMETHODIMP CZmaVadAZ::InitFromData(IDataObject* data, BOOL creation, DWORD reserved) {
    return engineOleObject_->InitFromData(data, creation, reserved);
}
STDMETHODIMP CZmaVadAZ::GetClipboardData(DWORD reserved, IDataObject** data) {
    return engineOleObject_->GetClipboardData(reserved, data);
}

STDMETHODIMP CZmaVadAZ::DoVerb(LONG verb, LPMSG msg, IOleClientSite* activeSite, LONG index, HWND parent,
                               LPCRECT positionRect) {
    COM_TRY {
        platform::ThrowIfNull(engineOleObject_.Get());
        engineOleObject_->DoVerb(verb, msg, activeSite, index, parent, positionRect);
        if (verbSeen_) return S_OK;
        if (IsActivatingVerb(verb)) {
            // Only the first verb counts: it finds the engine's window as the first child of the
            // site's window and subclasses it, so that the control sees that window's messages.
            if (!activeSite) platform::ThrowHr(E_POINTER);
            ComPtr<IOleWindow> siteWindow;
            HRESULT hr = activeSite->QueryInterface(IID_IOleWindow, siteWindow.PutVoid());
            if (hr == E_NOINTERFACE || !siteWindow) platform::ThrowHr(E_POINTER);
            THROW_IF_FAILED(hr);
            THROW_IF_FAILED(siteWindow->GetWindow(&siteWindow_));
            engineWindow_ = ::GetWindow(siteWindow_, GW_CHILD);
            if (::IsWindow(engineWindow_) && !Subclass(engineWindow_)) engineWindow_ = nullptr;
        }
        verbSeen_ = true;
        return S_OK;
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::EnumVerbs(IEnumOLEVERB** verbs) { return engineOleObject_->EnumVerbs(verbs); }
STDMETHODIMP CZmaVadAZ::Update() { return engineOleObject_->Update(); }
STDMETHODIMP CZmaVadAZ::IsUpToDate() { return engineOleObject_->IsUpToDate(); }
STDMETHODIMP CZmaVadAZ::GetUserClassID(CLSID* clsid) { return engineOleObject_->GetUserClassID(clsid); }
STDMETHODIMP CZmaVadAZ::GetUserType(DWORD form, LPOLESTR* type) { return engineOleObject_->GetUserType(form, type); }

STDMETHODIMP CZmaVadAZ::SetExtent(DWORD aspect, SIZEL* size) {
    COM_TRY {
        if (!size || !engineOleObject_) platform::ThrowHr(E_POINTER);
        return engineOleObject_->SetExtent(aspect, size);
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::GetExtent(DWORD aspect, SIZEL* size) {
    COM_TRY {
        if (!size || !engineOleObject_) return S_OK;
        return engineOleObject_->GetExtent(aspect, size);
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::Advise(IAdviseSink* sink, DWORD* connection) {
    return engineOleObject_ ? engineOleObject_->Advise(sink, connection) : E_POINTER;
}
STDMETHODIMP CZmaVadAZ::Unadvise(DWORD connection) {
    return engineOleObject_ ? engineOleObject_->Unadvise(connection) : E_POINTER;
}
STDMETHODIMP CZmaVadAZ::EnumAdvise(IEnumSTATDATA** advise) {
    return engineOleObject_ ? engineOleObject_->EnumAdvise(advise) : E_POINTER;
}
STDMETHODIMP CZmaVadAZ::GetMiscStatus(DWORD aspect, DWORD* status) {
    return engineOleObject_ ? engineOleObject_->GetMiscStatus(aspect, status) : E_POINTER;
}
STDMETHODIMP CZmaVadAZ::SetColorScheme(LOGPALETTE* palette) {
    return engineOleObject_ ? engineOleObject_->SetColorScheme(palette) : E_POINTER;
}

// --- IViewObjectEx -----------------------------------------------------------------------------

STDMETHODIMP CZmaVadAZ::Draw(DWORD aspect, LONG index, void* aspectInfo, DVTARGETDEVICE* targetDevice, HDC targetDC,
                             HDC drawDC, LPCRECTL bounds, LPCRECTL metafileBounds,
                             BOOL(STDMETHODCALLTYPE* cont)(ULONG_PTR), ULONG_PTR contValue) {
    // The engine draws the frame inside this call and fires its draw requests from there; the
    // layers may ask the host for fields meanwhile.
    OperationScope operation(*this);
    COM_TRY {
        if (!targetDC || !drawDC) platform::ThrowHr(E_INVALIDARG);
        if (!bounds) platform::ThrowHr(E_POINTER);
        if (refreshInfoDisplay_) RefreshInfoDisplay(drawDC);

        HRESULT result = S_OK;
        if (::GetObjectType(drawDC) != OBJ_ENHMETADC) {
            if (engineView_) {
                drawingTarget_ = {drawDC, bounds->right - bounds->left, bounds->bottom - bounds->top, bounds->left,
                                  bounds->top};
                result = engineView_->Draw(aspect, index, aspectInfo, targetDevice, targetDC, drawDC, bounds,
                                           metafileBounds, cont, contValue);
                drawingTarget_.dc = nullptr;
            }
        } else {
            result = DrawIntoMetafile(drawDC, *bounds);
        }
        DrawBorder(drawDC, *bounds);
        return result;
    }
    COM_CATCH_RETURN();
}

void CZmaVadAZ::RefreshInfoDisplay(HDC drawDC) {
    EngineDispatch map(EngineMapOrThrow());
    const ZmaPointD origin = ScreenToMap(0.0f, 0.0f);
    long unit = map.Get(EngineMap::kDistanceUnit).ToLong();
    double zoom = map.Get(EngineMap::kZoom).ToDouble();
    infoDisplay_->UpdateCoordinates(origin.x, origin.y, drawDC, drawingTarget_.width, drawingTarget_.height,
                                    drawingTarget_.left, drawingTarget_.top, zoom, unit);
    refreshInfoDisplay_ = false;
}

HRESULT CZmaVadAZ::DrawIntoMetafile(HDC drawDC, const RECTL& bounds) {
    // The engine prints itself into enhanced metafiles: it renders through its print path at the
    // paper size, in hundredths of a millimetre.
    if (!engineDispatch_) platform::ThrowHr(E_FAIL);
    EngineDispatch map(engineDispatch_.Get());
    const long left = ::MulDiv(bounds.left, 2540, UnitsPerInch(drawDC, LOGPIXELSX));
    const long top = ::MulDiv(bounds.top, 2540, UnitsPerInch(drawDC, LOGPIXELSY));

    Variant savedPaperUnit = map.Get(EngineMap::kPaperUnit);
    map.Put(EngineMap::kPaperUnit, Variant(5L));
    try {
        const double width = map.Get(EngineMap::kPaperWidth).ToDouble() * 100.0;
        const double height = map.Get(EngineMap::kPaperHeight).ToDouble() * 100.0;
        drawingTarget_ = {drawDC, bounds.right, bounds.bottom, 0, 0};
        map.Call(EngineMap::kPrintMap,
                 {Variant(static_cast<long>(reinterpret_cast<intptr_t>(drawDC))), Variant(left), Variant(top),
                  Variant(static_cast<long>(width)), Variant(static_cast<long>(height))});
    } catch (...) {
        // Whatever failed, the engine keeps the paper unit it had.
        drawingTarget_.dc = nullptr;
        try {
            map.Put(EngineMap::kPaperUnit, savedPaperUnit);
        } catch (...) {
        }
        throw;
    }
    drawingTarget_.dc = nullptr;
    map.Put(EngineMap::kPaperUnit, savedPaperUnit);
    return S_OK;
}

void CZmaVadAZ::DrawBorder(HDC drawDC, const RECTL& bounds) {
    if (!CBorderDeterminator().GetMapBorder()) return;
    RECT frame = {bounds.left, bounds.top, bounds.right, bounds.bottom};
    ::FrameRect(drawDC, &frame, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
}

STDMETHODIMP CZmaVadAZ::GetColorSet(DWORD aspect, LONG index, void* aspectInfo, DVTARGETDEVICE* targetDevice,
                                    HDC infoDC, LOGPALETTE** colorSet) {
    COM_TRY {
        if (!engineView_) return E_NOTIMPL;
        if (!targetDevice && !infoDC) {
            if (colorSet) *colorSet = nullptr;
            return S_FALSE;
        }
        HRESULT hr = engineView_->GetColorSet(aspect, index, aspectInfo, targetDevice, infoDC, colorSet);
        return FAILED(hr) ? S_FALSE : hr;
    }
    COM_CATCH_RETURN();
}

// The other view members are the engine's, or E_NOTIMPL when it has no view interface.
#define FORWARD_VIEW(call)                   \
    COM_TRY {                                \
        if (!engineView_) return E_NOTIMPL;  \
        return platform::PassFailure(engineView_->call); \
    }                                        \
    COM_CATCH_RETURN()

STDMETHODIMP CZmaVadAZ::Freeze(DWORD aspect, LONG index, void* aspectInfo, DWORD* freeze) {
    FORWARD_VIEW(Freeze(aspect, index, aspectInfo, freeze));
}
STDMETHODIMP CZmaVadAZ::Unfreeze(DWORD freeze) { FORWARD_VIEW(Unfreeze(freeze)); }
STDMETHODIMP CZmaVadAZ::SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) {
    FORWARD_VIEW(SetAdvise(aspects, flags, sink));
}
STDMETHODIMP CZmaVadAZ::GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) {
    FORWARD_VIEW(GetAdvise(aspects, flags, sink));
}
STDMETHODIMP CZmaVadAZ::GetExtent(DWORD aspect, LONG index, DVTARGETDEVICE* targetDevice, LPSIZEL size) {
    FORWARD_VIEW(GetExtent(aspect, index, targetDevice, size));
}
STDMETHODIMP CZmaVadAZ::GetRect(DWORD aspect, LPRECTL rect) { FORWARD_VIEW(GetRect(aspect, rect)); }
STDMETHODIMP CZmaVadAZ::GetViewStatus(DWORD* status) { FORWARD_VIEW(GetViewStatus(status)); }
STDMETHODIMP CZmaVadAZ::QueryHitPoint(DWORD aspect, LPCRECT bounds, POINT location, LONG closeHint, DWORD* hitResult) {
    FORWARD_VIEW(QueryHitPoint(aspect, bounds, location, closeHint, hitResult));
}
STDMETHODIMP CZmaVadAZ::QueryHitRect(DWORD aspect, LPCRECT bounds, LPCRECT location, LONG closeHint,
                                     DWORD* hitResult) {
    FORWARD_VIEW(QueryHitRect(aspect, bounds, location, closeHint, hitResult));
}
STDMETHODIMP CZmaVadAZ::GetNaturalExtent(DWORD aspect, LONG index, DVTARGETDEVICE* targetDevice, HDC infoDC,
                                         DVEXTENTINFO* extentInfo, LPSIZEL size) {
    FORWARD_VIEW(GetNaturalExtent(aspect, index, targetDevice, infoDC, extentInfo, size));
}

#undef FORWARD_VIEW

// --- ISpecifyPropertyPages ---------------------------------------------------------------------

STDMETHODIMP CZmaVadAZ::GetPages(CAUUID* pages) {
    if (!pages) return E_POINTER;
    pages->pElems = static_cast<GUID*>(::CoTaskMemAlloc(sizeof(GUID)));
    if (!pages->pElems) {
        pages->cElems = 0;
        return E_OUTOFMEMORY;
    }
    pages->cElems = 1;
    pages->pElems[0] = CLSID_ZmaPPGMapBorder;
    return S_OK;
}

// --- Shutdown ----------------------------------------------------------------------------------

void CZmaVadAZ::BeginOperation() noexcept {
    Identity()->AddRef();
    ++operations_;
    try {
        heldCollections_.push_back(layers_.get());
        if (layers_) layers_->BeginOperation();
    } catch (...) {
        platform::LogCaughtException(__FILE__, __LINE__);
        heldCollections_.clear();
    }
}

void CZmaVadAZ::EndOperation() noexcept {
    if (!heldCollections_.empty()) {
        if (CZmaVadAZLayerCollection* held = heldCollections_.back()) held->EndOperation();
        heldCollections_.pop_back();
    }
    if (--operations_ == 0) {
        try {
            retiredDatasets_.clear();
            retiredLayers_.clear();
        } catch (...) {
            platform::LogCaughtException(__FILE__, __LINE__);
        }
        if (destroyWindowPending_) {
            destroyWindowPending_ = false;
            DestroyEngineWindow();
        }
    }
    // Last: this may be the reference that kept the control alive.
    Identity()->Release();
}

void CZmaVadAZ::DestroyEngineWindow() noexcept {
    if (!IsSubclassed()) return;
    // Destroying the window takes our procedure off it on its last message.
    ::DestroyWindow(Handle());
    Unsubclass();
}

CZmaVadAZLayerCollection& CZmaVadAZ::RequireLayers(HRESULT failure) const {
    if (!layers_)
        throw platform::ComError(failure, L"The map has not been initialised: it has no layers yet.", L"VadAZ");
    return *layers_;
}

STDMETHODIMP CZmaVadAZ::PreDestroy() {
    COM_TRY {
        ReleasePrinting(false);
        if (layers_) HideRolloverTip(nullptr);
        if (layers_) layers_->SetLinesLayerPersistence(nullptr);
        // An operation on the stack (PreDestroy called from an event handler) still works on
        // the collection and may be inside the engine's handling of a message: the collection
        // and the engine window go when that operation ends.
        if (operations_ > 0) {
            retiredDatasets_.push_back(std::move(datasets_));
            retiredLayers_.push_back(std::move(layers_));
            destroyWindowPending_ = IsSubclassed();
        }
        datasets_.reset();
        layers_.reset();
        if (operations_ == 0) DestroyEngineWindow();
        return S_OK;
    }
    COM_CATCH_RETURN();
}

void CZmaVadAZ::ShowContextMenu(POINT screen) {
    commands_.ShowContextMenu(static_cast<float>(screen.x), static_cast<float>(screen.y));
}
void CZmaVadAZ::HideRolloverTipForAnyOwner() { HideRolloverTip(nullptr); }
void CZmaVadAZ::SnapZoomToBackgroundMap(IDispatch* viewRectangle, const RECT& pixels) {
    ::SnapZoomToBackgroundMap(layers_.get(), EngineMapOrThrow(), viewRectangle, pixels);
}

bool CZmaVadAZ::ProcessWindowMessage(HWND, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    if (msg == WM_NCDESTROY) {
        engineWindow_ = nullptr;
        return false;
    }
    return commands_.ProcessWindowMessage(msg, wp, lp, result);
}

// --- Events ------------------------------------------------------------------------------------

void CZmaVadAZ::Fire_SelectionChanged(BSTR seriesId) {
    SelfReference hold(Identity());
    events2_.Fire_SelectionChanged(seriesId);
    events1_.Fire_SelectionChanged(seriesId);
}

void CZmaVadAZ::Fire_SeriesRemoved(BSTR seriesId) {
    SelfReference hold(Identity());
    events2_.Fire_SeriesRemoved(seriesId);
    events1_.Fire_SeriesRemoved(seriesId);
}

void CZmaVadAZ::Fire_GetField(BSTR fieldName, BSTR seriesGuid) {
    SelfReference hold(Identity());
    events2_.Fire_GetField(fieldName, seriesGuid);
    events1_.Fire_GetField(fieldName, seriesGuid);
}

void CZmaVadAZ::Fire_CurrentToolChanged(long tool) {
    SelfReference hold(Identity());
    events2_.Fire_CurrentToolChanged(tool);
    events1_.Fire_CurrentToolChanged(tool);
}

void CZmaVadAZ::Fire_LayerVisibilityChanged() {
    SelfReference hold(Identity());
    events2_.Fire_LayerVisibilityChanged();
}

void CZmaVadAZ::Fire_MarkerChanged() {
    SelfReference hold(Identity());
    events2_.Fire_MarkerChanged();
}

void CZmaVadAZ::Fire_EditAttributes() {
    SelfReference hold(Identity());
    events2_.Fire_EditAttributes();
}

void CZmaVadAZ::Fire_EnhancedDrawingModeChanged(VARIANT_BOOL enhanced) {
    SelfReference hold(Identity());
    events2_.Fire_EnhancedDrawingModeChanged(enhanced);
}

void CZmaVadAZ::Fire_UnitsChanged(BSTR newUnits) {
    SelfReference hold(Identity());
    events2_.Fire_UnitsChanged(newUnits);
}

void CZmaVadAZ::Fire_SyncZoom(long streamHandle) {
    SelfReference hold(Identity());
    events2_.Fire_SyncZoom(streamHandle);
}

void CZmaVadAZ::Fire_FeatureSelected(BSTR layer, long index) {
    SelfReference hold(Identity());
    events2_.Fire_FeatureSelected(layer, index);
}

// --- The engine map for hosts -------------------------------------------------------------------

STDMETHODIMP CZmaVadAZ::get_MapX(IDispatch** pVal) {
    COM_TRY {
        if (!pVal) return E_POINTER;
        *pVal = nullptr;
        if (!engine_) return S_OK;
        HRESULT hr = engine_->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(pVal));
        if (hr == E_NOINTERFACE) return S_OK;
        THROW_IF_FAILED(hr);
        return S_OK;
    }
    COM_CATCH_RETURN();
}
