// The host's top-level frame window and, filling its client area, the site window that the
// embedded control's own window becomes a child of.
#pragma once

#include <windows.h>

namespace samplehost {

class FrameListener {
public:
    // The site window took a new size (client coordinates of the site window).
    virtual void OnSiteResized(const RECT& site) = 0;
    // The user closes the frame; the control is to be deactivated before the window goes.
    virtual void OnFrameClosing() = 0;

protected:
    ~FrameListener() = default;
};

class FrameWindow {
public:
    FrameWindow() = default;
    FrameWindow(const FrameWindow&) = delete;
    FrameWindow& operator=(const FrameWindow&) = delete;
    ~FrameWindow();

    // Creates both windows, the site with a client area of `siteSize`, and shows the frame.
    // Throws platform::ComError when a window cannot be made.
    void Create(const wchar_t* title, SIZE siteSize, FrameListener* listener);
    void Destroy() noexcept;

    HWND Frame() const noexcept { return frame_; }
    HWND Site() const noexcept { return site_; }
    RECT SiteRect() const noexcept;

private:
    static LRESULT CALLBACK FrameProcedure(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    static LRESULT CALLBACK SiteProcedure(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT OnFrameMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

    HWND frame_ = nullptr;
    HWND site_ = nullptr;
    FrameListener* listener_ = nullptr;
};

}  // namespace samplehost
