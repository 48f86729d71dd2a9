#include "platform/SheetPage.h"

#include "platform/Guard.h"

namespace platform {

std::wstring CurrentErrorDescription() {
    IErrorInfo* info = nullptr;
    if (::GetErrorInfo(0, &info) != S_OK || !info) return L"";
    BSTR text = nullptr;
    info->GetDescription(&text);
    // GetErrorInfo took the information off the thread: put it back for whoever asks next.
    ::SetErrorInfo(0, info);
    info->Release();
    std::wstring description = text ? text : L"";
    ::SysFreeString(text);
    return description;
}

HPROPSHEETPAGE SheetPage::Create() {
    PROPSHEETPAGEW page = {};
    page.dwSize = sizeof page;
    page.hInstance = module_;
    page.pszTemplate = MAKEINTRESOURCEW(templateId_);
    page.pfnDlgProc = &Procedure;
    page.lParam = reinterpret_cast<LPARAM>(this);
    return ::CreatePropertySheetPageW(&page);
}

bool SheetPage::OnMessage(UINT, WPARAM, LPARAM, INT_PTR&) { return false; }

INT_PTR CALLBACK SheetPage::Procedure(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    SheetPage* self = nullptr;
    if (msg == WM_INITDIALOG) {
        self = reinterpret_cast<SheetPage*>(reinterpret_cast<const PROPSHEETPAGEW*>(lp)->lParam);
        ::SetWindowLongPtrW(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
        self->hwnd_ = hwnd;
        BOOL focus = TRUE;
        Guarded([&] { focus = self->OnInitDialog(); }, [&](HRESULT hr) { self->OnFailure(hr); });
        return focus;
    }
    self = reinterpret_cast<SheetPage*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
    if (!self) return FALSE;
    INT_PTR result = 0;
    bool handled = false;
    Guarded([&] { handled = self->OnMessage(msg, wp, lp, result); }, [&](HRESULT hr) { self->OnFailure(hr); });
    if (msg == WM_DESTROY) Guarded([&] { self->OnDestroy(); }, [](HRESULT) {});
    if (msg == WM_NCDESTROY) {
        self->hwnd_ = nullptr;
        ::SetWindowLongPtrW(hwnd, DWLP_USER, 0);
    }
    if (!handled) return FALSE;
    // These answer with the procedure's own return value, not with DWLP_MSGRESULT.
    if ((msg >= WM_CTLCOLORMSGBOX && msg <= WM_CTLCOLORSTATIC) || msg == WM_COMPAREITEM || msg == WM_VKEYTOITEM ||
        msg == WM_CHARTOITEM || msg == WM_QUERYDRAGICON)
        return result;
    ::SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, result);
    return TRUE;
}

}  // namespace platform
