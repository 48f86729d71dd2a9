#include "tests/commands/MenuReader.h"

#include <gtest/gtest.h>

namespace commandtest {

namespace {

MenuReader* g_reader = nullptr;

}  // namespace

MenuReader::MenuReader() {
    hook_ = ::SetWindowsHookExW(WH_CALLWNDPROC, &Hook, nullptr, ::GetCurrentThreadId());
    g_reader = this;
}

MenuReader::~MenuReader() {
    if (hook_) ::UnhookWindowsHookEx(hook_);
    g_reader = nullptr;
}

void MenuReader::Read(HMENU menu, const std::wstring& prefix) {
    const int count = ::GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        wchar_t text[256] = {};
        MENUITEMINFOW info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_STRING;
        info.dwTypeData = text;
        info.cch = 255;
        if (!::GetMenuItemInfoW(menu, i, TRUE, &info)) continue;
        if (info.fType & MFT_SEPARATOR) {
            items_[prefix + L"-" + std::to_wstring(i)] = MenuItem{};
            continue;
        }
        MenuItem item;
        item.id = info.hSubMenu ? 0 : info.wID;
        item.checked = (info.fState & MFS_CHECKED) != 0;
        item.grayed = (info.fState & MFS_GRAYED) != 0;
        const std::wstring path = prefix + text;
        items_[path] = item;
        if (info.hSubMenu) Read(info.hSubMenu, path + L"/");
    }
}

int MenuReader::Count(const std::wstring& popupPath) const {
    int n = 0;
    const std::wstring prefix = popupPath + L"/";
    for (const auto& entry : items_) {
        if (entry.first.compare(0, prefix.size(), prefix) == 0 &&
            entry.first.find(L'/', prefix.size()) == std::wstring::npos)
            ++n;
    }
    return n;
}

const MenuItem& MenuReader::Item(const std::wstring& path) const {
    static const MenuItem missing{0xFFFFFFFF, false, false};
    auto it = items_.find(path);
    if (it == items_.end()) ADD_FAILURE() << "no menu item " << std::string(path.begin(), path.end());
    return it == items_.end() ? missing : it->second;
}

LRESULT CALLBACK MenuReader::Hook(int code, WPARAM wp, LPARAM lp) {
    auto* message = reinterpret_cast<const CWPSTRUCT*>(lp);
    MenuReader* self = g_reader;
    if (code == HC_ACTION && self && message->message == WM_INITMENUPOPUP && !self->shown_ && !HIWORD(message->lParam)) {
        self->shown_ = true;
        self->items_.clear();
        self->Read(reinterpret_cast<HMENU>(message->wParam), L"");
        // The menu loop ends at the next WM_CANCELMODE of this thread; a chosen item then
        // arrives as a click's command would.
        ::PostMessageW(message->hwnd, WM_CANCELMODE, 0, 0);
        if (self->choose_) ::PostMessageW(message->hwnd, WM_COMMAND, MAKEWPARAM(self->choose_, 0), 0);
    }
    return ::CallNextHookEx(nullptr, code, wp, lp);
}

}  // namespace commandtest
