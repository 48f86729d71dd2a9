// The container: the frame and site windows, the site objects, and the one embedded control with
// its creation, in-place activation, persistence, automation calls and drawing.
#pragma once

#include "samples/host/AdviseSink.h"
#include "platform/ControlSite.h"
#include "samples/host/EventSink.h"
#include "samples/host/FrameWindow.h"
#include "samples/host/InPlaceFrame.h"
#include "samples/host/ViewImage.h"

#include "platform/Com.h"

#include <string>

namespace samplehost {

class ControlHost : public FrameListener {
public:
    ControlHost() = default;
    ControlHost(const ControlHost&) = delete;
    ControlHost& operator=(const ControlHost&) = delete;
    ~ControlHost();

    // Creates the frame and site windows; the site gets `siteSize` pixels.
    void CreateWindows(SIZE siteSize);

    // Creates the control named by a ProgID or "{class id}", initialises it (InitNew, or Load from
    // `streamFile` when that is not empty), connects the event sink and activates it in place in
    // the site window. Throws platform::ComError.
    void Embed(const std::wstring& progIdOrClsid, const std::wstring& streamFile);

    void LoadSettings(const std::wstring& path);
    void SaveSettings(const std::wstring& path);
    platform::Variant Call(const std::wstring& memberCall);
    // Shows a generated drive-test dataset of `rows` rows (the class with ProgID `generator`),
    // coloured by `field`, through the control's DisplayDataset.
    void DisplayGeneratedDataset(const std::wstring& generator, long rows, const std::wstring& field);
    size_t SaveStream(const std::wstring& path);
    ImageSummary WriteImage(const std::wstring& path);

    HWND ControlWindow() const noexcept;
    // Dispatches what is queued now, so posted work of the control is done before the next step.
    void PumpPending();
    // Runs until the frame is closed; answers the exit code of WM_QUIT.
    int RunMessageLoop();
    // Deactivates and closes the control and breaks every reference between it and the sites.
    void Shutdown() noexcept;

    // FrameListener
    void OnSiteResized(const RECT& site) override;
    void OnFrameClosing() override;

private:
    platform::ComPtr<IDispatch> Automation() const;
    void ApplySize(const RECT& site);

    FrameWindow windows_;
    platform::ComPtr<InPlaceFrame> frame_;
    platform::ComPtr<platform::ControlSite> site_;
    platform::ComPtr<AdviseSink> adviseSink_;
    platform::ComPtr<EventSink> events_;
    platform::ComPtr<IOleObject> control_;
    DWORD adviseCookie_ = 0;
    bool viewAdvised_ = false;
};

}  // namespace samplehost
