#include "samples/host/FrameWindow.h"

#include "platform/Result.h"

namespace samplehost {

namespace {

constexpr wchar_t kFrameClass[] = L"VadAZHostFrame";
constexpr wchar_t kSiteClass[] = L"VadAZHostSite";

void RegisterClasses(WNDPROC frameProc, WNDPROC siteProc) {
    static bool registered = false;
    if (registered) return;
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = frameProc;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hIcon = ::LoadIconW(nullptr, IDI_APPLICATION);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1);
    wc.lpszClassName = kFrameClass;
    if (!::RegisterClassExW(&wc)) platform::ThrowHr(HRESULT_FROM_WIN32(::GetLastError()));
    // The control paints all of the site; the site never erases under it.
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = siteProc;
    wc.hbrBackground = nullptr;
    wc.hIcon = nullptr;
    wc.lpszClassName = kSiteClass;
    if (!::RegisterClassExW(&wc)) platform::ThrowHr(HRESULT_FROM_WIN32(::GetLastError()));
    registered = true;
}

}  // namespace

FrameWindow::~FrameWindow() { Destroy(); }

void FrameWindow::Create(const wchar_t* title, SIZE siteSize, FrameListener* listener) {
    RegisterClasses(&FrameProcedure, &SiteProcedure);
    listener_ = listener;
    const DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
    RECT outer = {0, 0, siteSize.cx, siteSize.cy};
    ::AdjustWindowRectEx(&outer, style, FALSE, 0);
    frame_ = ::CreateWindowExW(0, kFrameClass, title, style, CW_USEDEFAULT, CW_USEDEFAULT, outer.right - outer.left,
                               outer.bottom - outer.top, nullptr, nullptr, ::GetModuleHandleW(nullptr), this);
    if (!frame_) platform::ThrowHr(HRESULT_FROM_WIN32(::GetLastError()));
    RECT client = {};
    ::GetClientRect(frame_, &client);
    site_ = ::CreateWindowExW(0, kSiteClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, 0, 0,
                              client.right, client.bottom, frame_, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    if (!site_) platform::ThrowHr(HRESULT_FROM_WIN32(::GetLastError()));
    ::ShowWindow(frame_, SW_SHOW);
    ::UpdateWindow(frame_);
}

void FrameWindow::Destroy() noexcept {
    if (frame_ && ::IsWindow(frame_)) ::DestroyWindow(frame_);
    frame_ = site_ = nullptr;
}

RECT FrameWindow::SiteRect() const noexcept {
    RECT r = {};
    if (site_) ::GetClientRect(site_, &r);
    return r;
}

LRESULT CALLBACK FrameWindow::FrameProcedure(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    try {
        if (msg == WM_NCCREATE) {
            auto* create = reinterpret_cast<CREATESTRUCTW*>(lp);
            ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        }
        auto* self = reinterpret_cast<FrameWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (self) return self->OnFrameMessage(hwnd, msg, wp, lp);
    }
    COM_CATCH_LOG();
    return ::DefWindowProcW(hwnd, msg, wp, lp);
}

LRESULT FrameWindow::OnFrameMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_SIZE:
        if (site_ && wp != SIZE_MINIMIZED) {
            ::MoveWindow(site_, 0, 0, LOWORD(lp), HIWORD(lp), TRUE);
            if (listener_) listener_->OnSiteResized(SiteRect());
        }
        return 0;
    case WM_SETFOCUS:
        // Keystrokes belong to the control's window, the first child of the site.
        if (site_ && ::GetWindow(site_, GW_CHILD)) ::SetFocus(::GetWindow(site_, GW_CHILD));
        return 0;
    case WM_CLOSE:
        if (listener_) listener_->OnFrameClosing();
        ::DestroyWindow(hwnd);
        return 0;
    case WM_DESTROY:
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        frame_ = site_ = nullptr;
        ::PostQuitMessage(0);
        return 0;
    default:
        return ::DefWindowProcW(hwnd, msg, wp, lp);
    }
}

LRESULT CALLBACK FrameWindow::SiteProcedure(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    try {
        if (msg == WM_PAINT) {
            // Validate what the control leaves uncovered, so no endless WM_PAINT arrives.
            PAINTSTRUCT ps;
            if (::BeginPaint(hwnd, &ps)) {
                if (!::GetWindow(hwnd, GW_CHILD)) ::FillRect(ps.hdc, &ps.rcPaint, ::GetSysColorBrush(COLOR_WINDOW));
                ::EndPaint(hwnd, &ps);
            }
            return 0;
        }
    }
    COM_CATCH_LOG();
    return ::DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace samplehost
