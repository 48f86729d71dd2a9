// The map engine inside the control: its object and the interfaces the control hands on as its
// own, the host's services the control works with from the start, and the few engine calls
// every part of the control makes.
#pragma once

#include "ZmaVOMap2/engine/Geometry.h"
#include "platform/Com.h"

#include "HostInterfaces.h"

#include <ocidl.h>

class ControlEngine {
public:
    ControlEngine() = default;
    ControlEngine(const ControlEngine&) = delete;
    ControlEngine& operator=(const ControlEngine&) = delete;

    // Creates the engine and the host service and asks the engine for its interfaces; raises
    // when the engine or a required interface is missing.
    void Create();
    // The host's unit converter: a control whose converter cannot be created is not created.
    HRESULT CreateUnitConverter();
    // Lets go of the engine (final release); Reset lets go of everything.
    void Release() noexcept;
    void Reset() noexcept;

    IUnknown* Object() const noexcept { return engine_.Get(); }
    // The engine's map object (no reference added); null once the engine is gone.
    IDispatch* Map() const noexcept { return dispatch_.Get(); }
    IDispatch* MergedDispatch() const noexcept { return mergeDispatch_.Get(); }
    IOleObject* OleObject() const noexcept { return oleObject_.Get(); }
    IPersistStreamInit* Persist() const noexcept { return persist_.Get(); }
    IViewObjectEx* View() const noexcept { return view_.Get(); }
    IHostService* HostService() const noexcept { return hostService_.Get(); }
    IHostUnitConverter* UnitConverter() const noexcept { return unitConverter_.Get(); }

    // The map object; E_POINTER is raised without the engine.
    IDispatch* MapOrThrow() const;
    long CurrentTool() const;
    ZmaPointD ScreenToMap(float x, float y) const;
    // The engine's own window, null when it has none yet.
    HWND WindowHandle() const;
    void InvalidateWindow() const;
    // Redraw on and the engine window invalidated.
    void Repaint() const;

    // Creates a host class with any server context, runs it and asks for `iid`.
    template <class I>
    static HRESULT CreateHostObject(REFCLSID clsid, platform::ComPtr<I>& out) {
        platform::ComPtr<IUnknown> object;
        HRESULT hr = ::CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IUnknown, object.PutVoid());
        if (SUCCEEDED(hr)) hr = ::OleRun(object.Get());
        if (SUCCEEDED(hr)) hr = object->QueryInterface(__uuidof(I), out.PutVoid());
        return hr;
    }

private:
    platform::ComPtr<IUnknown> engine_;
    platform::ComPtr<IDispatch> dispatch_;
    platform::ComPtr<IDispatch> mergeDispatch_;
    platform::ComPtr<IOleObject> oleObject_;
    platform::ComPtr<IPersistStreamInit> persist_;
    platform::ComPtr<IViewObjectEx> view_;
    platform::ComPtr<IHostService> hostService_;
    platform::ComPtr<IHostUnitConverter> unitConverter_;
    ULONG_PTR gdiplusToken_ = 0;
};
