#include "tests/standins/mapengine/EngineFixture.h"

#include <algorithm>

namespace enginetest {

namespace {

HRESULT InvokeWith(IDispatch* object, DISPID id, WORD flags, std::vector<Variant>& args, VARIANT* result,
                   EXCEPINFO* info) {
    std::vector<VARIANT> reversed(args.rbegin(), args.rend());  // borrowed copies
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params = {reversed.empty() ? nullptr : reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
        params.rgdispidNamedArgs = &named;
        params.cNamedArgs = 1;
    }
    return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, info, nullptr);
}

Variant Run(IDispatch* object, DISPID id, WORD flags, std::vector<Variant> args, HRESULT* hr) {
    Variant result;
    EXCEPINFO info = {};
    if (!object) {
        ADD_FAILURE() << "no object for DISPID " << id;
        return result;
    }
    HRESULT got = InvokeWith(object, id, flags, args, &result, &info);
    if (hr) {
        *hr = got == DISP_E_EXCEPTION ? info.scode : got;
    } else if (FAILED(got)) {
        ADD_FAILURE() << "DISPID " << id << " failed: 0x" << std::hex << got << " "
                      << platform::ToAnsi(info.bstrDescription ? info.bstrDescription : L"");
    }
    ::SysFreeString(info.bstrSource);
    ::SysFreeString(info.bstrDescription);
    ::SysFreeString(info.bstrHelpFile);
    return result;
}

}  // namespace

Variant Get(IDispatch* object, DISPID id, std::vector<Variant> args, HRESULT* hr) {
    return Run(object, id, DISPATCH_PROPERTYGET, std::move(args), hr);
}

void Put(IDispatch* object, DISPID id, const Variant& value, HRESULT* hr) {
    Run(object, id, DISPATCH_PROPERTYPUT, {value}, hr);
}

Variant Call(IDispatch* object, DISPID id, std::vector<Variant> args, HRESULT* hr) {
    return Run(object, id, DISPATCH_METHOD, std::move(args), hr);
}

HRESULT Invoke(IDispatch* object, DISPID id, WORD flags, std::vector<Variant> args, VARIANT* result, EXCEPINFO* info) {
    return InvokeWith(object, id, flags, args, result, info);
}

namespace {

// The engine's conversion between a point of the view and a map position, every value passed by
// reference: direction 1 is screen to map, 0 map to screen.
void Convert(IDispatch* engineMap, float& x, float& y, double& mapX, double& mapY, short direction) {
    Variant fx, fy, mx, my;
    fx.vt = VT_R4 | VT_BYREF, fx.pfltVal = &x;
    fy.vt = VT_R4 | VT_BYREF, fy.pfltVal = &y;
    mx.vt = VT_R8 | VT_BYREF, mx.pdblVal = &mapX;
    my.vt = VT_R8 | VT_BYREF, my.pdblVal = &mapY;
    Call(engineMap, map::kConvertCoord, {fx, fy, mx, my, Variant(direction)});
    fx.vt = fy.vt = mx.vt = my.vt = VT_EMPTY;  // they point at the caller's values
}

}  // namespace

void ScreenToMap(IDispatch* engineMap, float x, float y, double& mapX, double& mapY) {
    mapX = mapY = 0;
    Convert(engineMap, x, y, mapX, mapY, 1);
}

void MapToScreen(IDispatch* engineMap, double mapX, double mapY, float& x, float& y) {
    x = y = 0;
    Convert(engineMap, x, y, mapX, mapY, 0);
}

ComPtr<IDispatch> Object(const Variant& v) { return v.vt == VT_DISPATCH ? ComPtr<IDispatch>(v.pdispVal) : nullptr; }
double Number(const Variant& v) { return v.ToDouble(); }
std::wstring Text(const Variant& v) { return v.ToWide(); }

ComPtr<IUnknown> CreateMap(HRESULT* hr) {
    ComPtr<IClassFactory> factory;
    HRESULT got = ::CoGetClassObject(CLSID_EngineMap, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, factory.PutVoid());
    ComPtr<IUnknown> map;
    if (SUCCEEDED(got)) got = factory->CreateInstance(nullptr, IID_IUnknown, map.PutVoid());
    if (hr) {
        *hr = got;
    } else {
        EXPECT_EQ(got, S_OK);
    }
    return map;
}

ComPtr<IDispatch> MapDispatch(IUnknown* map) {
    ComPtr<IDispatch> d;
    EXPECT_EQ(map->QueryInterface(IID_IDispatch, d.PutVoid()), S_OK);
    return d;
}

ComPtr<IEngineTestHooks> Hooks(IUnknown* map) {
    ComPtr<IEngineTestHooks> h;
    EXPECT_EQ(map->QueryInterface(IID_IEngineTestHooks, h.PutVoid()), S_OK);
    return h;
}

std::vector<std::wstring> CallLines(IUnknown* map) {
    ComPtr<IEngineTestHooks> hooks = Hooks(map);
    LONG count = 0;
    hooks->CallCount(&count);
    std::vector<std::wstring> lines;
    for (LONG i = 0; i < count; ++i) {
        BSTR text = nullptr;
        if (SUCCEEDED(hooks->CallText(i, &text))) lines.push_back(platform::Bstr::Attach(text).Wide());
    }
    return lines;
}

STDMETHODIMP EventSink::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT EventSink::QueryInterfaceImpl(REFIID iid, void** out) {
    if (IsEqualIID(iid, DIID_DMapEvents)) {
        *out = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    return InternalQueryInterface(iid, out);
}

STDMETHODIMP EventSink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) {
    if (onEvent) onEvent(id, *params);
    ReceivedEvent e{id, {}, {}};
    for (UINT i = params->cArgs; i > 0; --i) {
        const VARIANT& arg = params->rgvarg[i - 1];
        e.types.push_back(arg.vt);
        Variant value;
        ::VariantCopyInd(&value, const_cast<VARIANT*>(&arg));
        e.values.push_back(value);
    }
    events.push_back(e);
    return S_OK;
}

std::vector<ReceivedEvent> EventSink::Of(DISPID id) const {
    std::vector<ReceivedEvent> out;
    std::copy_if(events.begin(), events.end(), std::back_inserter(out), [id](const ReceivedEvent& e) { return e.id == id; });
    return out;
}

SinkConnection::SinkConnection(IUnknown* map, EventSink* sink) {
    ComPtr<IConnectionPointContainer> container;
    EXPECT_EQ(map->QueryInterface(IID_IConnectionPointContainer, container.PutVoid()), S_OK);
    if (!container) return;
    EXPECT_EQ(container->FindConnectionPoint(DIID_DMapEvents, point_.Put()), S_OK);
    if (point_) {
        EXPECT_EQ(point_->Advise(static_cast<IDispatch*>(sink), &cookie_), S_OK);
    }
}

SinkConnection::~SinkConnection() {
    if (point_ && cookie_) point_->Unadvise(cookie_);
}

TestContainer::TestContainer(int width, int height) : position_{10, 20, 10 + width, 20 + height} {
    window_ = ::CreateWindowExW(0, L"STATIC", L"container", WS_POPUP | WS_CLIPCHILDREN, 0, 0, width + 40, height + 60,
                                nullptr, nullptr, nullptr, nullptr);
    // A child that was there before the map: the map's window must still become the first one.
    ::CreateWindowExW(0, L"STATIC", L"sibling", WS_CHILD | WS_VISIBLE, 0, 0, 5, 5, window_, nullptr, nullptr, nullptr);
}

TestContainer::~TestContainer() {
    if (window_) ::DestroyWindow(window_);
}

STDMETHODIMP TestContainer::GetMoniker(DWORD, DWORD, IMoniker** out) {
    if (out) *out = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP TestContainer::GetContainer(IOleContainer** out) {
    if (out) *out = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP TestContainer::GetWindow(HWND* out) {
    if (!out) return E_POINTER;
    *out = window_;
    return S_OK;
}

STDMETHODIMP TestContainer::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, LPRECT pos,
                                             LPRECT clip, LPOLEINPLACEFRAMEINFO) {
    if (frame) *frame = nullptr;
    if (doc) *doc = nullptr;
    if (pos) *pos = position_;
    if (clip) *clip = position_;
    return S_OK;
}

ScopedEnvironment::ScopedEnvironment(const wchar_t* name, const wchar_t* value) : name_(name) {
    ::SetEnvironmentVariableW(name, value);
}

ScopedEnvironment::~ScopedEnvironment() { ::SetEnvironmentVariableW(name_.c_str(), nullptr); }

TempFile::TempFile(const std::wstring& suffix) {
    wchar_t folder[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, folder);
    static int counter = 0;
    path_ = std::wstring(folder) + L"mapengine_" + std::to_wstring(::GetCurrentProcessId()) + L"_" +
            std::to_wstring(++counter) + suffix;
    ::DeleteFileW(path_.c_str());
}

TempFile::~TempFile() { ::DeleteFileW(path_.c_str()); }

void PumpMessages() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

}  // namespace enginetest
