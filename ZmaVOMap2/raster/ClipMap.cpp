#include "ZmaVOMap2/raster/ClipMap.h"

#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineIds.h"
#include "platform/Module.h"
#include "platform/Result.h"

using platform::ComPtr;
using platform::Variant;

namespace {

constexpr wchar_t kClassName[] = L"VadAZClipMap";
constexpr int kEngineId = 104;

ATOM RegisterClipMapClass(WNDPROC procedure) {
    static const ATOM atom = [procedure] {
        WNDCLASSEXW cls = {};
        cls.cbSize = sizeof cls;
        cls.lpfnWndProc = procedure;
        cls.hInstance = platform::Module::Instance();
        cls.lpszClassName = kClassName;
        return ::RegisterClassExW(&cls);
    }();
    return atom;
}

}  // namespace

CClipMap::~CClipMap() {
    engine_.Destroy();
    map_ = nullptr;
    if (window_ && ::IsWindow(window_)) ::DestroyWindow(window_);
}

HWND CClipMap::Create(HWND parent) {
    creation_ = S_OK;
    if (!RegisterClipMapClass(&Procedure)) {
        creation_ = HRESULT_FROM_WIN32(::GetLastError());
        return nullptr;
    }
    window_ = ::CreateWindowExW(0, kClassName, L"Clip map", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 1, 1, parent,
                                nullptr, platform::Module::Instance(), this);
    if (!window_ && SUCCEEDED(creation_)) creation_ = HRESULT_FROM_WIN32(::GetLastError());
    return window_;
}

LRESULT CALLBACK CClipMap::Procedure(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_CREATE) {
        auto* self = static_cast<CClipMap*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
        self->window_ = hwnd;
        self->creation_ = self->OnCreate();
        if (FAILED(self->creation_)) {
            self->engine_.Destroy();
            self->map_ = nullptr;
            self->window_ = nullptr;
            return -1;
        }
        return 0;
    }
    return ::DefWindowProcW(hwnd, msg, wp, lp);
}

// The engine covers the image's size less one pixel each way: its last pixel row and column
// fall on the window's edge.
HRESULT CClipMap::OnCreate() {
    try {
        const RECT position = {0, 0, imageWidth_ - 1, imageHeight_ - 1};
        engine_.Create(ExternalIds::kEngineMap, window_, position, kEngineId);
        THROW_IF_FAILED(engine_.Control()->QueryInterface(IID_IDispatch, map_.PutVoid()));
        return S_OK;
    }
    CATCH_RETURN_QUIET();
}

HRESULT CClipMap::OpenTable(const std::string& path) {
    if (!map_) return E_FAIL;
    try {
        EngineDispatch map(map_.Get());
        const Variant layers = map.Get(Engine::Map::kLayers);
        if (layers.vt != VT_DISPATCH || !layers.pdispVal) return E_FAIL;
        EngineDispatch list(layers.pdispVal);
        list.Call(Engine::Layers::kRemoveAll);
        const Variant added = list.Call(Engine::Layers::kAdd, {Variant(platform::ToWide(path))});
        if (added.vt != VT_DISPATCH || !added.pdispVal) return E_FAIL;
        // Conversions answer in the coordinate system the map shows.
        const Variant coordSys = map.Get(Engine::Map::kDisplayCoordSys);
        if (coordSys.vt != VT_DISPATCH || !coordSys.pdispVal) return E_FAIL;
        map.Put(Engine::Map::kNumericCoordSys, EngineDispatch(coordSys.pdispVal).Call(Engine::CoordSys::kClone));
        return S_OK;
    }
    CATCH_RETURN_QUIET();
}

void CClipMap::ConvertPixelToMap(long x, long y, double& mapX, double& mapY) {
    if (!map_) platform::ThrowHr(E_FAIL);
    EngineScreenToMap(EngineDispatch(map_.Get()), static_cast<float>(x), static_cast<float>(y), mapX, mapY);
}
