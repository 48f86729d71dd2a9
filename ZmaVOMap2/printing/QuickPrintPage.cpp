#include "ZmaVOMap2/printing/QuickPrintPage.h"

#include "ZmaVOMap2/printing/PrintingResource.h"
#include "ZmaVOMap2/printing/QuickPrintDlg.h"
#include "platform/Guard.h"
#include "platform/Module.h"
#include "platform/Window.h"

#include <cstdio>
#include <vector>

std::wstring PrintingText(UINT id, const wchar_t* fallback) {
    std::wstring text = platform::LoadStringResource(platform::Module::Instance(), id);
    return text.empty() ? fallback : text;
}

void TellPrintingFailure(HWND owner, HRESULT hr) {
    std::wstring text = platform::CurrentErrorDescription();
    if (text.empty()) {
        wchar_t code[64] = {};
        std::swprintf(code, 64, L"The action failed (error 0x%08lX).", static_cast<unsigned long>(hr));
        text = code;
    }
    platform::Prompts().MessageBox(owner, text, PrintingText(IDS_PRINT_MESSAGE_CAPTION, L"Map Module"), MB_OK | MB_ICONHAND);
}

QuickPrintPage::QuickPrintPage(CQuickPrintDlg& sheet, UINT templateId)
    : platform::SheetPage(platform::Module::Instance(), templateId), sheet_(sheet) {}

void QuickPrintPage::PostUpdate() {
    if (Handle()) ::PostMessageW(Handle(), WM_QUICKPRINT_UPDATE, 0, 0);
}

bool QuickPrintPage::OnMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR& result) {
    switch (msg) {
    case WM_QUICKPRINT_UPDATE:
        UpdateEnabling();
        return true;
    case WM_COMMAND:
        OnCommand(LOWORD(wp), HIWORD(wp));
        return false;
    case WM_NOTIFY: {
        const auto& header = *reinterpret_cast<const NMHDR*>(lp);
        if (header.hwndFrom != Handle() && header.hwndFrom != ::GetParent(Handle())) return false;
        // The sheet applies its pages only when it closes with OK.
        if (header.code == PSN_APPLY) sheet_.NoteApplied();
        return OnNotify(header, result);
    }
    default: return OnPageMessage(msg, wp, lp, result);
    }
}

std::wstring QuickPrintPage::TextOf(int id) const {
    HWND item = Item(id);
    std::vector<wchar_t> text(static_cast<size_t>(::GetWindowTextLengthW(item)) + 1, L'\0');
    ::GetWindowTextW(item, text.data(), static_cast<int>(text.size()));
    return text.data();
}

int QuickPrintPage::Tell(const std::wstring& text, const std::wstring& caption, UINT flags) {
    return platform::Prompts().MessageBox(::GetParent(Handle()), text, caption, flags);
}

void QuickPrintPage::OnFailure(HRESULT hr) {
    if (told_) {
        ::MessageBeep(MB_ICONHAND);
        return;
    }
    told_ = true;
    TellPrintingFailure(::GetParent(Handle()), hr);
}

void QuickPrintPage::OnDestroy() {
    initialised_ = false;
    told_ = false;
}
