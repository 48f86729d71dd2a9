#include "tests/support/DialogAnswerer.h"

namespace testsupport {

namespace {

DialogAnswerer* g_current = nullptr;

BOOL CALLBACK CollectText(HWND child, LPARAM lp) {
    wchar_t cls[32] = {};
    ::GetClassNameW(child, cls, 32);
    if (::lstrcmpiW(cls, L"Static") == 0) {
        wchar_t text[1024] = {};
        ::GetWindowTextW(child, text, 1024);
        auto* out = reinterpret_cast<std::wstring*>(lp);
        if (*text) {
            if (!out->empty()) *out += L"\n";
            *out += text;
        }
    }
    return TRUE;
}

}  // namespace

DialogAnswerer::DialogAnswerer() {
    hook_ = ::SetWindowsHookExW(WH_CBT, &Hook, nullptr, ::GetCurrentThreadId());
    g_current = this;
}

DialogAnswerer::~DialogAnswerer() {
    if (hook_) ::UnhookWindowsHookEx(hook_);
    if (g_current == this) g_current = nullptr;
}

DialogAnswerer* DialogAnswerer::Current() noexcept { return g_current; }

LRESULT CALLBACK DialogAnswerer::Hook(int code, WPARAM wp, LPARAM lp) {
    DialogAnswerer* self = g_current;
    HWND window = reinterpret_cast<HWND>(wp);
    // When a window closes, Wine activates the next window of the desktop from the closing
    // window's thread, even a window of another program: only this thread's own dialogs are
    // answered, or one test would press the buttons of another test's dialog.
    if (code == HCBT_ACTIVATE && self && ::GetWindowThreadProcessId(window, nullptr) == ::GetCurrentThreadId()) {
        wchar_t cls[32] = {};
        ::GetClassNameW(window, cls, 32);
        // Only modal dialog boxes are answered; property pages and other child dialogs are left alone.
        if (::lstrcmpW(cls, L"#32770") == 0 && !(::GetWindowLongW(window, GWL_STYLE) & WS_CHILD)) {
            Answered a;
            wchar_t caption[512] = {};
            ::GetWindowTextW(window, caption, 512);
            a.caption = caption;
            ::EnumChildWindows(window, &CollectText, reinterpret_cast<LPARAM>(&a.text));
            self->answered_.push_back(a);
            if (self->action_) {
                self->action_(window);
                return ::CallNextHookEx(nullptr, code, wp, lp);
            }
            int button = self->answer_;
            if (!button) {
                LRESULT def = ::SendMessageW(window, DM_GETDEFID, 0, 0);
                button = HIWORD(def) == DC_HASDEFID ? LOWORD(def) : IDOK;
            }
            ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
        }
    }
    return ::CallNextHookEx(nullptr, code, wp, lp);
}

}  // namespace testsupport
