#include "platform/Window.h"

#include "platform/Result.h"
#include "platform/SlimLock.h"

#include <shlobj.h>

#include <map>
#include <mutex>
#include <shared_mutex>

namespace platform {

namespace {

// Subclassed windows of this module. Maps on several user-interface threads subclass and look up
// their windows at the same time; the lock is never held while a window procedure runs.
SlimLock g_subclassLock;

std::map<HWND, SubclassedWindow*>& SubclassMap() {
    static std::map<HWND, SubclassedWindow*> map;
    return map;
}

SubclassedWindow* FindSubclassed(HWND hwnd) {
    std::shared_lock<SlimLock> shared(g_subclassLock);
    const auto it = SubclassMap().find(hwnd);
    return it == SubclassMap().end() ? nullptr : it->second;
}

// Remembers the window's object, or forgets the window when `window` is null.
void SetSubclassed(HWND hwnd, SubclassedWindow* window) {
    std::lock_guard<SlimLock> exclusive(g_subclassLock);
    if (window)
        SubclassMap()[hwnd] = window;
    else
        SubclassMap().erase(hwnd);
}

// Window classes are registered one at a time, so that no two threads both find a class missing
// or left behind.
SlimLock g_classLock;

class RealPrompts final : public UserPrompts {
public:
    int MessageBox(HWND owner, const std::wstring& text, const std::wstring& caption, UINT flags) override {
        return ::MessageBoxW(owner, text.c_str(), caption.c_str(), flags);
    }
    bool GetOpenFileName(OPENFILENAMEW& ofn) override { return ::GetOpenFileNameW(&ofn) != FALSE; }
    bool GetSaveFileName(OPENFILENAMEW& ofn) override { return ::GetSaveFileNameW(&ofn) != FALSE; }
};

RealPrompts g_realPrompts;
UserPrompts* g_prompts = &g_realPrompts;

}  // namespace

SubclassedWindow::~SubclassedWindow() { Unsubclass(); }

bool SubclassedWindow::Subclass(HWND hwnd) {
    if (hwnd_ || !::IsWindow(hwnd)) return false;
    SetSubclassed(hwnd, this);
    ::SetLastError(0);
    LONG_PTR previous = ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Procedure));
    if (!previous && ::GetLastError() != 0) {
        SetSubclassed(hwnd, nullptr);
        return false;
    }
    previous_ = reinterpret_cast<WNDPROC>(previous);
    hwnd_ = hwnd;
    return true;
}

void SubclassedWindow::Unsubclass() {
    if (!hwnd_) return;
    if (::IsWindow(hwnd_) &&
        ::GetWindowLongPtrW(hwnd_, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&Procedure))
        ::SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_));
    SetSubclassed(hwnd_, nullptr);
    hwnd_ = nullptr;
}

LRESULT SubclassedWindow::CallPrevious(UINT msg, WPARAM wp, LPARAM lp) {
    return previous_ ? ::CallWindowProcW(previous_, hwnd_, msg, wp, lp) : ::DefWindowProcW(hwnd_, msg, wp, lp);
}

LRESULT CALLBACK SubclassedWindow::Procedure(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    SubclassedWindow* self = FindSubclassed(hwnd);
    if (!self) return ::DefWindowProcW(hwnd, msg, wp, lp);
    WNDPROC previous = self->previous_;
    self->BeginMessage();
    LRESULT result = 0;
    bool handled = false;
    try {
        handled = self->ProcessWindowMessage(hwnd, msg, wp, lp, result);
    }
    COM_CATCH_LOG();
    // The window goes away: give it back its procedure and forget it before it is destroyed.
    if (msg == WM_NCDESTROY) {
        self->Unsubclass();
        handled = false;
    }
    if (!handled) result = ::CallWindowProcW(previous, hwnd, msg, wp, lp);
    // Last: this may be where the owner goes.
    self->EndMessage();
    return result;
}

Dialog::~Dialog() { Destroy(); }

INT_PTR Dialog::DoModal(HWND parent) {
    modeless_ = false;
    return ::DialogBoxParamW(module_, MAKEINTRESOURCEW(templateId_), parent, &Procedure, reinterpret_cast<LPARAM>(this));
}

HWND Dialog::Create(HWND parent) {
    modeless_ = true;
    return ::CreateDialogParamW(module_, MAKEINTRESOURCEW(templateId_), parent, &Procedure, reinterpret_cast<LPARAM>(this));
}

void Dialog::Destroy() {
    if (hwnd_ && modeless_ && ::IsWindow(hwnd_)) ::DestroyWindow(hwnd_);
    hwnd_ = nullptr;
}

bool Dialog::OnMessage(UINT, WPARAM, LPARAM, INT_PTR&) { return false; }

INT_PTR CALLBACK Dialog::Procedure(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    Dialog* self = nullptr;
    if (msg == WM_INITDIALOG) {
        self = reinterpret_cast<Dialog*>(lp);
        ::SetWindowLongPtrW(hwnd, DWLP_USER, lp);
        self->hwnd_ = hwnd;
        try {
            return self->OnInitDialog();
        }
        COM_CATCH_LOG();
        return TRUE;
    }
    self = reinterpret_cast<Dialog*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
    if (!self) return FALSE;
    if (msg == WM_NCDESTROY) {
        self->hwnd_ = nullptr;
        return FALSE;
    }
    try {
        INT_PTR result = 0;
        if (self->OnMessage(msg, wp, lp, result)) {
            ::SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, result);
            return TRUE;
        }
    }
    COM_CATCH_LOG();
    return FALSE;
}

std::wstring LoadStringResource(HINSTANCE module, UINT id) {
    const wchar_t* text = nullptr;
    int n = ::LoadStringW(module, id, reinterpret_cast<LPWSTR>(&text), 0);
    return n > 0 && text ? std::wstring(text, static_cast<size_t>(n)) : std::wstring();
}

bool RegisterWindowClass(const WNDCLASSEXW& cls) {
    std::lock_guard<SlimLock> exclusive(g_classLock);
    if (::RegisterClassExW(&cls)) return true;
    if (::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
    WNDCLASSEXW existing = {};
    existing.cbSize = sizeof existing;
    if (::GetClassInfoExW(cls.hInstance, cls.lpszClassName, &existing) && existing.lpfnWndProc == cls.lpfnWndProc)
        return true;
    ::UnregisterClassW(cls.lpszClassName, cls.hInstance);
    return ::RegisterClassExW(&cls) != 0;
}

bool UserPrompts::BrowseForFolder(HWND owner, const std::wstring& title, std::wstring& folder) {
    BROWSEINFOW info = {};
    info.hwndOwner = owner;
    info.lpszTitle = title.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    PIDLIST_ABSOLUTE chosen = ::SHBrowseForFolderW(&info);
    if (!chosen) return false;
    wchar_t path[MAX_PATH] = {};
    const bool ok = ::SHGetPathFromIDListW(chosen, path) != FALSE;
    ::CoTaskMemFree(chosen);
    if (ok) folder = path;
    return ok;
}

UserPrompts& Prompts() { return *g_prompts; }
void SetPrompts(UserPrompts* prompts) noexcept { g_prompts = prompts ? prompts : &g_realPrompts; }

}  // namespace platform
