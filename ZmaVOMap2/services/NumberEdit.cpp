#include "ZmaVOMap2/services/NumberEdit.h"

#include "ZmaVOMap2/services/NumberInput.h"
#include "platform/Number.h"

#include <cstring>

namespace {

// The standard edit commands a menu or accelerator may send to the box.
enum : UINT {
    kEditClear = 0xE120,
    kEditClearAll = 0xE121,
    kEditCopy = 0xE122,
    kEditCut = 0xE123,
    kEditPaste = 0xE125,
    kEditSelectAll = 0xE12A,
    kEditUndo = 0xE12B,
};

}  // namespace

double CNumberEdit::GetValue() const {
    char text[30] = {};
    ::GetWindowTextA(Handle(), text, sizeof text);
    double value = 0.0;
    platform::ReadNumber(text, value);
    return value;
}

void CNumberEdit::SetValue(double value) { WriteEditNumber(Handle(), value, decimals_); }

void CNumberEdit::SetStandIn(double shown) { WriteEditStandIn(Handle(), shown, decimals_); }

bool CNumberEdit::Accepts(wchar_t character) const {
    if (character == 8 || (character >= L'0' && character <= L'9')) return true;
    char text[256] = {};
    ::GetWindowTextA(Handle(), text, sizeof text);
    if (character == L'-') {
        DWORD start = 0;
        ::SendMessageW(Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), 0);
        return start == 0 && !std::strchr(text, '-');
    }
    if (character == L'.') return !std::strchr(text, '.');
    return false;
}

bool CNumberEdit::ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM, LRESULT& result) {
    if (msg == WM_CHAR) {
        if (Accepts(static_cast<wchar_t>(wp))) return false;
        result = 0;
        return true;
    }
    if (msg != WM_COMMAND) return false;
    switch (LOWORD(wp)) {
    case kEditClear: ::SendMessageW(hwnd, WM_CLEAR, 0, 0); break;
    case kEditClearAll:
        ::SendMessageW(hwnd, EM_SETSEL, 0, -1);
        ::SendMessageW(hwnd, WM_CLEAR, 0, 0);
        break;
    case kEditCopy: ::SendMessageW(hwnd, WM_COPY, 0, 0); break;
    case kEditCut: ::SendMessageW(hwnd, WM_CUT, 0, 0); break;
    case kEditPaste: ::SendMessageW(hwnd, WM_PASTE, 0, 0); break;
    case kEditSelectAll: ::SendMessageW(hwnd, EM_SETSEL, 0, -1); break;
    case kEditUndo: ::SendMessageW(hwnd, EM_UNDO, 0, 0); break;
    default: return false;
    }
    result = 0;
    return true;
}
