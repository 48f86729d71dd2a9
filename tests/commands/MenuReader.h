// Reads the context menu as the user sees it: a hook catches the menu when it is about to be
// shown, records every item, and closes the menu again (or chooses an item, as a click would).
#pragma once

#include <windows.h>

#include <map>
#include <string>

namespace commandtest {

struct MenuItem {
    UINT id = 0;  // 0 for popups and separators
    bool checked = false;
    bool grayed = false;
};

class MenuReader {
public:
    MenuReader();
    ~MenuReader();
    MenuReader(const MenuReader&) = delete;
    MenuReader& operator=(const MenuReader&) = delete;

    // After the menu was closed, the command sent as if the user had clicked it; 0 for none.
    void Choose(UINT id) noexcept { choose_ = id; }

    // The items of the last menu shown, by path ("Zoom/Go to Layer/Layer1"); empty when none
    // was shown.
    const std::map<std::wstring, MenuItem>& Items() const noexcept { return items_; }
    bool Shown() const noexcept { return shown_; }
    int Count(const std::wstring& popupPath) const;
    const MenuItem& Item(const std::wstring& path) const;

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wp, LPARAM lp);
    void Read(HMENU menu, const std::wstring& prefix);

    HHOOK hook_ = nullptr;
    bool shown_ = false;
    UINT choose_ = 0;
    std::map<std::wstring, MenuItem> items_;
};

}  // namespace commandtest
