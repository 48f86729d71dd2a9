#include "ZmaVOMap2/control/ControlEngine.h"

#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineIds.h"
#include "platform/Gdiplus.h"
#include "platform/Result.h"

using platform::Variant;

void ControlEngine::Create() {
    Gdiplus::GdiplusStartupInput gdiplusInput;
    Gdiplus::GdiplusStartup(&gdiplusToken_, &gdiplusInput, nullptr);

    platform::ComPtr<IClassFactory> factory;
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
    query(IID_IDispatch, dispatch_.PutVoid());
    query(IID_IDispatch, mergeDispatch_.PutVoid());
    query(IID_IOleObject, oleObject_.PutVoid());
    query(IID_IPersistStreamInit, persist_.PutVoid());
    query(IID_IViewObjectEx, view_.PutVoid());

    CreateHostObject(CLSID_HostService, hostService_);
    if (!dispatch_ || !mergeDispatch_ || !oleObject_ || !persist_ || !hostService_) platform::ThrowHr(E_FAIL);
}

HRESULT ControlEngine::CreateUnitConverter() { return CreateHostObject(CLSID_HostUnitConverter, unitConverter_); }

void ControlEngine::Release() noexcept {
    if (gdiplusToken_) {
        Gdiplus::GdiplusShutdown(gdiplusToken_);
        gdiplusToken_ = 0;
    }
    unitConverter_.Reset();
    dispatch_.Reset();
    mergeDispatch_.Reset();
    oleObject_.Reset();
    engine_.Reset();
}

void ControlEngine::Reset() noexcept {
    Release();
    persist_.Reset();
    view_.Reset();
    hostService_.Reset();
}

IDispatch* ControlEngine::MapOrThrow() const { return platform::ThrowIfNull(dispatch_.Get(), E_POINTER); }

long ControlEngine::CurrentTool() const { return EngineDispatch(MapOrThrow()).Get(Engine::Map::kCurrentTool).ToLong(); }

ZmaPointD ControlEngine::ScreenToMap(float x, float y) const {
    ZmaPointD p;
    EngineScreenToMap(EngineDispatch(MapOrThrow()), x, y, p.x, p.y);
    return p;
}

HWND ControlEngine::WindowHandle() const {
    return reinterpret_cast<HWND>(
        static_cast<intptr_t>(EngineDispatch(MapOrThrow()).Get(Engine::Map::kWindowHandle).ToLong()));
}

void ControlEngine::InvalidateWindow() const {
    if (HWND window = WindowHandle()) ::InvalidateRect(window, nullptr, TRUE);
}

void ControlEngine::Repaint() const {
    EngineDispatch(MapOrThrow()).Put(Engine::Map::kAutoRedraw, Variant(true));
    InvalidateWindow();
}
