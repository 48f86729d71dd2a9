#include "ZmaVOMap2/printing/BitmapButton.h"

void ZmoBitmapButton::Attach(HWND button, HIMAGELIST images, bool radio) {
    images_ = images;
    radio_ = radio;
    Subclass(button);
}

void ZmoBitmapButton::Draw(const DRAWITEMSTRUCT& item) const {
    const bool pressed = check_ == BST_CHECKED || (item.itemState & ODS_SELECTED);
    ::FillRect(item.hDC, &item.rcItem, ::GetSysColorBrush(COLOR_BTNFACE));
    int width = 0, height = 0;
    if (images_ && ::ImageList_GetIconSize(images_, &width, &height)) {
        // The picture sits in the middle of the button, whatever size the button has.
        const int x = (item.rcItem.left + item.rcItem.right - width) / 2;
        const int y = (item.rcItem.top + item.rcItem.bottom - height) / 2;
        const UINT style = (item.itemState & ODS_DISABLED) ? ILD_BLEND50 : ILD_NORMAL;
        ::ImageList_Draw(images_, pressed ? 1 : 0, item.hDC, x, y, style);
    }
    if (item.itemState & ODS_FOCUS) {
        RECT focus = item.rcItem;
        ::InflateRect(&focus, -1, -1);
        ::DrawFocusRect(item.hDC, &focus);
    }
}

void ZmoBitmapButton::SetCheck(int state) {
    if (state < BST_UNCHECKED || state > BST_INDETERMINATE || state == check_) return;
    check_ = state;
    if (state == BST_CHECKED && radio_) UncheckGroup();
    ::InvalidateRect(Handle(), nullptr, FALSE);
    ::UpdateWindow(Handle());
}

void ZmoBitmapButton::UncheckGroup() {
    // The group runs from the control marked WS_GROUP at or before this one to the next one.
    HWND first = Handle();
    while (!(::GetWindowLongW(first, GWL_STYLE) & WS_GROUP)) {
        HWND previous = ::GetWindow(first, GW_HWNDPREV);
        if (!previous) break;
        first = previous;
    }
    for (HWND item = first; item; item = ::GetWindow(item, GW_HWNDNEXT)) {
        if (item != first && (::GetWindowLongW(item, GWL_STYLE) & WS_GROUP)) break;
        if (item != Handle() && (::SendMessageW(item, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON))
            ::SendMessageW(item, BM_SETCHECK, BST_UNCHECKED, 0);
    }
}

bool ZmoBitmapButton::ProcessWindowMessage(HWND, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    switch (msg) {
    case WM_GETDLGCODE:
        result = DLGC_BUTTON | (radio_ ? DLGC_RADIOBUTTON : 0);
        return true;
    case BM_GETCHECK:
        result = check_;
        return true;
    case BM_SETCHECK:
        SetCheck(static_cast<int>(wp));
        result = 0;
        return true;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        if (radio_) SetCheck(BST_CHECKED);
        return false;
    case WM_KEYDOWN:
        // Bit 30: the key was already down (a repeat).
        if (radio_ && wp == VK_SPACE && !(lp & (1 << 30))) SetCheck(BST_CHECKED);
        return false;
    default: return false;
    }
}
