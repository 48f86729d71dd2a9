#include "standins/mapengine/MapWindow.h"

#include "standins/mapengine/CallLog.h"
#include "standins/mapengine/EngineDispatch.h"
#include "platform/Module.h"
#include "platform/Result.h"
#include "platform/Window.h"

#include <windowsx.h>

namespace mapengine {

namespace {

const wchar_t kClassName[] = L"MapEngineStandInWindow";

// Maps made on several threads at the same moment all find the class.
void RegisterClassOnce() {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = &::DefWindowProcW;
    wc.hInstance = platform::Module::Instance();
    wc.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.lpszClassName = kClassName;
    if (!platform::RegisterWindowClass(wc))
        Fail(HRESULT_FROM_WIN32(::GetLastError()), L"Cannot register the map window class");
}

short ShiftState() {
    short s = 0;
    if (::GetKeyState(VK_SHIFT) < 0) s |= 1;
    if (::GetKeyState(VK_CONTROL) < 0) s |= 2;
    if (::GetKeyState(VK_MENU) < 0) s |= 4;
    return s;
}

// Mouse messages carry their own key state, so posted messages work without a real keyboard.
short ShiftFromMouse(WPARAM wp) {
    short s = 0;
    if (wp & MK_SHIFT) s |= 1;
    if (wp & MK_CONTROL) s |= 2;
    if (::GetKeyState(VK_MENU) < 0) s |= 4;
    return s;
}

short ButtonsFromMouse(WPARAM wp) {
    short b = 0;
    if (wp & MK_LBUTTON) b |= 1;
    if (wp & MK_RBUTTON) b |= 2;
    if (wp & MK_MBUTTON) b |= 4;
    return b;
}

}  // namespace

void MapWindow::Create(int width, int height) {
    RegisterClassOnce();
    hwnd_ = ::CreateWindowExW(0, kClassName, L"", WS_POPUP | WS_CLIPCHILDREN, 0, 0, width, height, nullptr, nullptr,
                              platform::Module::Instance(), nullptr);
    if (!hwnd_) Fail(HRESULT_FROM_WIN32(::GetLastError()), L"Cannot create the map window");
    ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    ::SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&MapWindow::Procedure));
}

void MapWindow::PlaceIn(HWND parent, const RECT& rect) {
    if (!hwnd_) Create(rect.right - rect.left, rect.bottom - rect.top);
    LONG_PTR style = ::GetWindowLongPtrW(hwnd_, GWL_STYLE);
    style = (style & ~static_cast<LONG_PTR>(WS_POPUP)) | WS_CHILD | WS_CLIPSIBLINGS;
    ::SetWindowLongPtrW(hwnd_, GWL_STYLE, style);
    ::SetParent(hwnd_, parent);
    // The container finds the engine window as the first child of its own window.
    ::SetWindowPos(hwnd_, HWND_TOP, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                   SWP_NOACTIVATE | SWP_FRAMECHANGED | SWP_SHOWWINDOW);
}

void MapWindow::Move(const RECT& rect) {
    if (hwnd_) {
        ::SetWindowPos(hwnd_, nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                       SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void MapWindow::Resize(int width, int height) {
    if (hwnd_) ::SetWindowPos(hwnd_, nullptr, 0, 0, width, height, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
}

void MapWindow::Destroy() noexcept {
    if (!hwnd_) return;
    HWND h = hwnd_;
    hwnd_ = nullptr;
    ::SetWindowLongPtrW(h, GWLP_USERDATA, 0);
    ::DestroyWindow(h);
}

void MapWindow::Invalidate() noexcept {
    if (hwnd_) ::InvalidateRect(hwnd_, nullptr, TRUE);
}

LRESULT CALLBACK MapWindow::Procedure(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = reinterpret_cast<MapWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self) return ::DefWindowProcW(hwnd, msg, wp, lp);
    try {
        return self->Handle(msg, wp, lp);
    } catch (...) {
        // Nothing may unwind into the window manager; the failure is logged and the message ends.
        platform::HandleCaughtException(__FILE__, __LINE__);
        return 0;
    }
}

LRESULT MapWindow::Handle(UINT msg, WPARAM wp, LPARAM lp) {
    const int x = GET_X_LPARAM(lp), y = GET_Y_LPARAM(lp);
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = ::BeginPaint(hwnd_, &ps);
        RECT client;
        ::GetClientRect(hwnd_, &client);
        if (dc) handler_.OnPaint(dc, client);
        ::EndPaint(hwnd_, &ps);
        return 0;
    }
    case WM_ERASEBKGND: return 1;  // the paint fills everything
    case WM_SIZE: handler_.OnSize(LOWORD(lp), HIWORD(lp)); return 0;
    case WM_LBUTTONDOWN: handler_.OnMouseDown(1, ShiftFromMouse(wp), x, y); return 0;
    case WM_RBUTTONDOWN: handler_.OnMouseDown(2, ShiftFromMouse(wp), x, y); return 0;
    case WM_MBUTTONDOWN: handler_.OnMouseDown(4, ShiftFromMouse(wp), x, y); return 0;
    case WM_LBUTTONUP: handler_.OnMouseUp(1, ShiftFromMouse(wp), x, y); return 0;
    case WM_RBUTTONUP: handler_.OnMouseUp(2, ShiftFromMouse(wp), x, y); return 0;
    case WM_MBUTTONUP: handler_.OnMouseUp(4, ShiftFromMouse(wp), x, y); return 0;
    case WM_MOUSEMOVE: handler_.OnMouseMove(ButtonsFromMouse(wp), ShiftFromMouse(wp), x, y); return 0;
    case WM_LBUTTONDBLCLK: handler_.OnDoubleClick(ShiftFromMouse(wp), x, y); return 0;
    case WM_KEYDOWN: handler_.OnKeyDown(static_cast<short>(wp), ShiftState()); return 0;
    case WM_KEYUP: handler_.OnKeyUp(static_cast<short>(wp), ShiftState()); return 0;
    case WM_CHAR: handler_.OnChar(static_cast<short>(wp)); return 0;
    case WM_GETDLGCODE: return DLGC_WANTALLKEYS | DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_COMMAND:
        // Commands its container leaves to the map: logged so that tests see they arrived.
        CallLog::Append(L"Window.WM_COMMAND " + std::to_wstring(LOWORD(wp)));
        return 0;
    case WM_NCDESTROY: {
        // Destroyed with the container's window: the map must not use the handle any more.
        HWND gone = hwnd_;
        ::SetWindowLongPtrW(gone, GWLP_USERDATA, 0);
        hwnd_ = nullptr;
        return ::DefWindowProcW(gone, msg, wp, lp);
    }
    default: return ::DefWindowProcW(hwnd_, msg, wp, lp);
    }
}

}  // namespace mapengine
