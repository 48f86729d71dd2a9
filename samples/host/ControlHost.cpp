#include "samples/host/ControlHost.h"

#include "samples/host/AutomationCall.h"
#include "samples/host/Console.h"
#include "samples/host/StreamFile.h"
#include "samples/host/XmlSettingsFile.h"

#include "platform/Result.h"

#include <cwchar>

namespace samplehost {

using platform::ComError;
using platform::ComPtr;
using platform::MakeObject;

namespace {

CLSID ClassIdOf(const std::wstring& name) {
    CLSID clsid = {};
    HRESULT hr = !name.empty() && name[0] == L'{' ? ::CLSIDFromString(name.c_str(), &clsid)
                                                  : ::CLSIDFromProgID(name.c_str(), &clsid);
    if (FAILED(hr)) throw ComError(hr, L"no class registered as " + name);
    return clsid;
}

SIZEL HimetricOf(const RECT& r) {
    HDC screen = ::GetDC(nullptr);
    int dpiX = screen ? ::GetDeviceCaps(screen, LOGPIXELSX) : 96;
    int dpiY = screen ? ::GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen) ::ReleaseDC(nullptr, screen);
    return {::MulDiv(r.right - r.left, 2540, dpiX > 0 ? dpiX : 96), ::MulDiv(r.bottom - r.top, 2540, dpiY > 0 ? dpiY : 96)};
}

std::wstring HandleText(HWND hwnd) {
    wchar_t text[32];
    std::swprintf(text, 32, L"0x%08lx", static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(hwnd)));
    return text;
}

}  // namespace

ControlHost::~ControlHost() { Shutdown(); }

void ControlHost::CreateWindows(SIZE siteSize) {
    windows_.Create(L"VadAZ sample host", siteSize, this);
    frame_ = MakeObject<InPlaceFrame>(windows_.Frame());
    site_ = MakeObject<platform::ControlSite>(windows_.Site(), frame_.Get());
    adviseSink_ = MakeObject<AdviseSink>(windows_.Site());
}

void ControlHost::Embed(const std::wstring& progIdOrClsid, const std::wstring& streamFile) {
    const CLSID clsid = ClassIdOf(progIdOrClsid);
    CheckCall(::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject, control_.PutVoid()),
              L"cannot create " + progIdOrClsid);
    PrintLine(L"created " + progIdOrClsid + L" " + platform::GuidToString(clsid));
    site_->AttachControl(control_.Get());

    // Some controls need their site before they are initialised; the others get it afterwards.
    DWORD misc = 0;
    control_->GetMiscStatus(DVASPECT_CONTENT, &misc);
    const bool siteFirst = (misc & OLEMISC_SETCLIENTSITEFIRST) != 0;
    if (siteFirst) CheckCall(control_->SetClientSite(site_.Get()), L"SetClientSite");

    ComPtr<IPersistStreamInit> persist;
    if (FAILED(control_.As(persist))) {
        if (!streamFile.empty()) throw ComError(E_NOINTERFACE, L"the control has no IPersistStreamInit to load into");
        PrintLine(L"the control has no IPersistStreamInit: left uninitialised");
    } else if (!streamFile.empty()) {
        LoadStreamFromFile(persist.Get(), streamFile);
        PrintLine(L"loaded the control's stream from " + streamFile);
    } else {
        CheckCall(persist->InitNew(), L"InitNew");
        PrintLine(L"initialised (InitNew)");
    }

    if (!siteFirst) CheckCall(control_->SetClientSite(site_.Get()), L"SetClientSite");
    control_->SetHostNames(L"VadAZHost", nullptr);
    if (FAILED(control_->Advise(adviseSink_.Get(), &adviseCookie_))) adviseCookie_ = 0;
    ComPtr<IViewObject> view;
    if (SUCCEEDED(control_.As(view)) && SUCCEEDED(view->SetAdvise(DVASPECT_CONTENT, 0, adviseSink_.Get())))
        viewAdvised_ = true;

    events_ = MakeObject<EventSink>(control_.Get());
    events_->Connect();

    RECT position = windows_.SiteRect();
    SIZEL extent = HimetricOf(position);
    control_->SetExtent(DVASPECT_CONTENT, &extent);
    CheckCall(control_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site_.Get(), 0, windows_.Site(), &position),
              L"DoVerb(OLEIVERB_INPLACEACTIVATE)");
    ApplySize(position);
    PumpPending();
    PrintLine(L"in-place active: site window " + HandleText(windows_.Site()) + L", control window " +
              HandleText(ControlWindow()) + L", " + std::to_wstring(position.right) + L"x" +
              std::to_wstring(position.bottom) + L" pixels");
}

ComPtr<IDispatch> ControlHost::Automation() const {
    ComPtr<IDispatch> dispatch;
    if (!control_) throw ComError(E_UNEXPECTED, L"no control is embedded");
    if (FAILED(control_.As(dispatch))) throw ComError(E_NOINTERFACE, L"the control has no automation interface");
    return dispatch;
}

void ControlHost::LoadSettings(const std::wstring& path) { LoadSettingsDocument(Automation().Get(), path); }

void ControlHost::SaveSettings(const std::wstring& path) { SaveSettingsDocument(Automation().Get(), path); }

platform::Variant ControlHost::Call(const std::wstring& memberCall) {
    return CallByName(Automation().Get(), ParseMemberCall(memberCall));
}

void ControlHost::DisplayGeneratedDataset(const std::wstring& generator, long rows, const std::wstring& field) {
    CLSID clsid;
    if (FAILED(::CLSIDFromProgID(generator.c_str(), &clsid)))
        throw ComError(REGDB_E_CLASSNOTREG, L"no dataset generator " + generator + L" is registered");
    ComPtr<IDispatch> dataset;
    HRESULT hr = ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, dataset.PutVoid());
    if (FAILED(hr)) throw ComError(hr, L"cannot create " + generator);
    CallByName(dataset.Get(), {L"RowCount", {platform::Variant(rows)}});
    // One series, named by a GUID of its own, as the host names its series.
    CallByName(Automation().Get(), {L"DisplayDataset",
                                    {platform::Variant(static_cast<IDispatch*>(dataset.Get())), platform::Variant(field),
                                     platform::Variant(L"{5A3C1B2E-7F40-4D8A-9E61-2B7C0D4F8A13}")}});
}

size_t ControlHost::SaveStream(const std::wstring& path) {
    ComPtr<IPersistStreamInit> persist;
    if (!control_ || FAILED(control_.As(persist))) throw ComError(E_NOINTERFACE, L"the control has no IPersistStreamInit");
    return SaveStreamToFile(persist.Get(), path);
}

ImageSummary ControlHost::WriteImage(const std::wstring& path) {
    // The richest view interface first: the map control draws its own overlays through
    // IViewObjectEx and leaves the plain IViewObject to its engine.
    ComPtr<IViewObjectEx> viewEx;
    ComPtr<IViewObject> view;
    if (control_ && SUCCEEDED(control_.As(viewEx)))
        view = viewEx.Get();
    else if (!control_ || FAILED(control_.As(view)))
        throw ComError(E_NOINTERFACE, L"the control has no IViewObject");
    RECT r = windows_.SiteRect();
    return WriteViewImage(view.Get(), {r.right - r.left, r.bottom - r.top}, path);
}

HWND ControlHost::ControlWindow() const noexcept {
    return windows_.Site() ? ::GetWindow(windows_.Site(), GW_CHILD) : nullptr;
}

void ControlHost::PumpPending() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // Leave the quit for the message loop (or the end of the program) to see.
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

int ControlHost::RunMessageLoop() {
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        IOleInPlaceActiveObject* active = frame_ ? frame_->ActiveObject() : nullptr;
        if (active && msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST && active->TranslateAccelerator(&msg) == S_OK)
            continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

void ControlHost::ApplySize(const RECT& site) {
    if (!control_) return;
    SIZEL extent = HimetricOf(site);
    control_->SetExtent(DVASPECT_CONTENT, &extent);
    if (IOleInPlaceObject* inPlace = site_ ? site_->InPlaceObject() : nullptr) inPlace->SetObjectRects(&site, &site);
}

void ControlHost::OnSiteResized(const RECT& site) { ApplySize(site); }

void ControlHost::OnFrameClosing() { Shutdown(); }

void ControlHost::Shutdown() noexcept {
    if (events_) events_->Disconnect();
    events_.Reset();
    if (control_) {
        ComPtr<IViewObject> view;
        if (viewAdvised_ && SUCCEEDED(control_.As(view))) view->SetAdvise(DVASPECT_CONTENT, 0, nullptr);
        if (adviseCookie_) control_->Unadvise(adviseCookie_);
        // A copy: the site lets go of its own reference when the control reports the deactivation.
        ComPtr<IOleInPlaceObject> inPlace(site_ ? site_->InPlaceObject() : nullptr);
        if (inPlace) inPlace->InPlaceDeactivate();
        control_->Close(OLECLOSE_NOSAVE);
        control_->SetClientSite(nullptr);
    }
    viewAdvised_ = false;
    adviseCookie_ = 0;
    if (site_) site_->Detach();
    if (frame_) frame_->Detach();
    control_.Reset();
}

}  // namespace samplehost
