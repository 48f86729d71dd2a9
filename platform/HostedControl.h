// An ActiveX control hosted in a window of ours (a dialog or a property page): created by class
// id at a position in the window, sited and in-place active, with event sinks on its outgoing
// dispinterfaces. Destroyed (sinks disconnected, deactivated, closed) with the object or Destroy.
#pragma once

#include "platform/ComObject.h"
#include "platform/ControlSite.h"

#include <oleidl.h>

#include <functional>
#include <memory>
#include <vector>

namespace platform {

class HostedControl {
public:
    // An event: its DISPID and arguments (last first, as Invoke has them).
    using EventHandler = std::function<void(DISPID id, const DISPPARAMS& params)>;

    HostedControl() = default;
    HostedControl(const HostedControl&) = delete;
    HostedControl& operator=(const HostedControl&) = delete;
    ~HostedControl();

    // Creates the control as a child of `parent` covering `position` (pixels of the parent's
    // client area); its window takes `controlId` as its id. Raises ComError on failure.
    void Create(REFCLSID clsid, HWND parent, const RECT& position, int controlId);
    // Connects `handler` to the control's outgoing interface `events`.
    void Advise(REFIID events, EventHandler handler);
    void Destroy() noexcept;

    IUnknown* Control() const noexcept { return control_.Get(); }
    HWND Window() const noexcept { return window_; }

private:
    struct Connection {
        ComPtr<IConnectionPoint> point;
        DWORD cookie = 0;
    };

    ComPtr<IUnknown> control_;
    ComPtr<IOleObject> object_;
    ComPtr<ControlSite> site_;
    std::vector<Connection> connections_;
    HWND window_ = nullptr;
};

}  // namespace platform
