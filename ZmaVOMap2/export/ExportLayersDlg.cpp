#include "ZmaVOMap2/export/ExportLayersDlg.h"

#include "ZmaVOMap2/services/HelpPath.h"

#include "ZmaVOMap2/export/ExportResource.h"
#include "ZmaVOMap2/layers/FileNames.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayer.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"
#include "ZmaVOMap2/services/RegistrySettings.h"
#include "platform/Com.h"
#include "platform/Module.h"
#include "platform/Result.h"

#include <commctrl.h>

#include <cwchar>

namespace {

const wchar_t kCaption[] = L"Map Module";
const wchar_t kFolderSetting[] = L"MapLayerExportDirectory";
const DWORD kHelpTab = 131213;
const DWORD kHelpKml = 131397;

void ShowHelp(HWND owner, const std::wstring& file, DWORD data) { CallHtmlHelp(owner, file, 0, data); }

std::wstring CurrentFolder() {
    wchar_t folder[MAX_PATH] = {};
    const DWORD n = ::GetCurrentDirectoryW(MAX_PATH, folder);
    return n > 0 && n < MAX_PATH ? std::wstring(folder, n) : std::wstring();
}

std::wstring ItemText(HWND dialog, int id) {
    HWND item = ::GetDlgItem(dialog, id);
    std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(item)) + 1, L'\0');
    text.resize(static_cast<size_t>(::GetWindowTextW(item, &text[0], static_cast<int>(text.size()))));
    return text;
}

// Why a layer's export failed, in words: its own error information, else the system's words.
std::wstring ReasonOf(HRESULT hr, const std::wstring& description) {
    std::wstring reason = description;
    if (reason.empty()) reason = SystemMessage(hr);
    if (reason.empty()) {
        wchar_t code[40];
        std::swprintf(code, 40, L"The export failed (0x%08X)", static_cast<unsigned>(hr));
        reason = code;
    }
    reason = ShownName(reason, 200);
    return reason.back() == L'.' ? reason : reason + L".";
}

// The error information a failing call left on the thread.
std::wstring ThreadErrorDescription() {
    platform::ComPtr<IErrorInfo> info;
    if (::GetErrorInfo(0, info.Put()) != S_OK || !info) return std::wstring();
    platform::Bstr text;
    info->GetDescription(text.Put());
    return text.Wide();
}

}  // namespace

ExportLayersDlg::ExportLayersDlg(UINT templateId, CZmaVadAZLayerCollection* layers, DWORD helpData, std::wstring helpFile)
    : Dialog(platform::Module::Instance(), templateId), layers_(layers), helpData_(helpData), helpFile_(std::move(helpFile)) {}

BOOL ExportLayersDlg::OnInitDialog() {
    try {
        if (!layers_) platform::ThrowHr(E_UNEXPECTED);
        HWND list = ::GetDlgItem(Handle(), IDC_EXPORT_LAYERS);
        ListView_SetExtendedListViewStyle(list, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
        LVCOLUMNW column = {};
        column.mask = LVCF_WIDTH;
        RECT r = {};
        ::GetClientRect(list, &r);
        column.cx = r.right - r.left - ::GetSystemMetrics(SM_CXVSCROLL);
        ListView_InsertColumn(list, 0, &column);
        FillLayers();
    }
    COM_CATCH_LOG();
    ShowFolder();
    return TRUE;
}

void ExportLayersDlg::FillLayers() {
    HWND list = ::GetDlgItem(Handle(), IDC_EXPORT_LAYERS);
    for (int i = 0; i < layers_->GetCount(); ++i) {
        CZmaVadAZLayer* layer = layers_->GetAt(i);
        if (!layer) platform::ThrowHr(E_FAIL);
        if (!Admits(*layer)) continue;
        const std::wstring name = platform::ToWide(layer->GetName());
        LVITEMW item = {};
        item.mask = LVIF_TEXT | LVIF_PARAM;
        item.iItem = ListView_GetItemCount(list);
        item.pszText = const_cast<wchar_t*>(name.c_str());
        item.lParam = reinterpret_cast<LPARAM>(layer);
        ListView_InsertItem(list, &item);
    }
}

void ExportLayersDlg::ShowFolder() {
    std::wstring folder;
    if (!RegistrySettings::ReadDirectorySetting(folder, kFolderSetting) || folder.empty()) folder = CurrentFolder();
    ::SetDlgItemTextW(Handle(), IDC_EXPORT_FOLDER, folder.c_str());
}

void ExportLayersDlg::Browse() {
    std::wstring folder;
    if (!platform::Prompts().BrowseForFolder(Handle(), L"Choose the destination folder", folder)) return;
    RegistrySettings::WriteDirectorySetting(folder, kFolderSetting);
    ::SetDlgItemTextW(Handle(), IDC_EXPORT_FOLDER, folder.c_str());
}

std::vector<CZmaVadAZLayer*> ExportLayersDlg::CheckedLayers() const {
    HWND list = ::GetDlgItem(Handle(), IDC_EXPORT_LAYERS);
    std::vector<CZmaVadAZLayer*> checked;
    for (int i = 0; i < ListView_GetItemCount(list); ++i) {
        if (!ListView_GetCheckState(list, i)) continue;
        LVITEMW item = {};
        item.mask = LVIF_PARAM;
        item.iItem = i;
        ListView_GetItem(list, &item);
        if (auto* layer = reinterpret_cast<CZmaVadAZLayer*>(item.lParam)) checked.push_back(layer);
    }
    return checked;
}

bool ExportLayersDlg::AcceptsFolder(const std::wstring& folder) {
    // A folder not given in full would put the files in whatever folder the process works in, or
    // the root of its drive; the user chooses again.
    if (IsFullFolderPath(folder)) return true;
    const std::wstring text = folder.empty() ? std::wstring(L"Choose the folder to export into.")
                                             : L"The folder \"" + ShownName(folder, 200) +
                                                   L"\" is not a full path (such as C:\\Exports). Choose the folder to "
                                                   L"export into.";
    platform::Prompts().MessageBox(Handle(), text, kCaption, MB_OK | MB_ICONEXCLAMATION);
    ::SetFocus(::GetDlgItem(Handle(), IDC_EXPORT_FOLDER));
    return false;
}

bool ExportLayersDlg::ExportChecked() {
    const std::wstring folder = ItemText(Handle(), IDC_EXPORT_FOLDER);
    const std::vector<CZmaVadAZLayer*> checked = CheckedLayers();
    if (checked.empty()) return true;
    if (!AcceptsFolder(folder)) return false;

    HCURSOR previous = ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
    ::EnableWindow(Handle(), FALSE);
    int exported = 0;
    std::wstring failed;
    for (CZmaVadAZLayer* layer : checked) {
        // The layer's reason is the error information its failure leaves, whether answered or
        // raised.
        ::SetErrorInfo(0, nullptr);
        const HRESULT hr = [&]() -> HRESULT {
            try {
                return Export(*layer, folder);
            }
            CATCH_RETURN_KEEP_INFO()
        }();
        const std::wstring description = hr == S_OK ? std::wstring() : ThreadErrorDescription();
        ::SetErrorInfo(0, nullptr);
        if (hr == S_OK)
            ++exported;
        else
            failed += L"\n" + ShownName(platform::ToWide(layer->GetName())) + L": " + ReasonOf(hr, description);
    }
    ::EnableWindow(Handle(), TRUE);
    ::SetCursor(previous);

    // A layer that could not be written is named, with the reason, so that nobody takes the
    // folder for complete.
    if (!failed.empty())
        platform::Prompts().MessageBox(Handle(), L"These layers could not be exported:" + failed, kCaption,
                                       MB_OK | MB_ICONEXCLAMATION);
    else if (exported > 0)
        platform::Prompts().MessageBox(Handle(), L"File export complete.", kCaption, MB_OK);
    return true;
}

// Checking one of several selected items checks them all alike.
void ExportLayersDlg::OnItemChanged(const NMLISTVIEW& change) {
    if (spreadingCheck_ || !(change.uChanged & LVIF_STATE)) return;
    const UINT before = change.uOldState & LVIS_STATEIMAGEMASK, after = change.uNewState & LVIS_STATEIMAGEMASK;
    if (before == after || before == 0 || after == 0) return;
    HWND list = change.hdr.hwndFrom;
    if (!(ListView_GetItemState(list, change.iItem, LVIS_SELECTED) & LVIS_SELECTED)) return;
    const BOOL checked = ListView_GetCheckState(list, change.iItem);
    spreadingCheck_ = true;
    for (int i = -1; (i = ListView_GetNextItem(list, i, LVNI_SELECTED)) != -1;)
        if (i != change.iItem) ListView_SetCheckState(list, i, checked);
    spreadingCheck_ = false;
}

void ExportLayersDlg::End(INT_PTR result) {
    result_ = result;
    ::EndDialog(Handle(), result);
}

bool ExportLayersDlg::OnMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR& result) {
    if (msg == WM_NOTIFY) {
        const auto* header = reinterpret_cast<const NMHDR*>(lp);
        if (header && header->idFrom == IDC_EXPORT_LAYERS && header->code == LVN_ITEMCHANGED)
            OnItemChanged(*reinterpret_cast<const NMLISTVIEW*>(lp));
        return false;
    }
    if (msg != WM_COMMAND || HIWORD(wp) != BN_CLICKED) return false;
    switch (LOWORD(wp)) {
    case IDC_EXPORT_BROWSE:
        Browse();
        break;
    case IDOK:
        if (ExportChecked()) End(IDOK);
        break;
    case IDCANCEL:
        End(IDCANCEL);
        break;
    case IDHELP:
        ShowHelp(Handle(), helpFile_, helpData_);
        break;
    default:
        return false;
    }
    result = 0;
    return true;
}

CExportTABDlg::CExportTABDlg(CZmaVadAZLayerCollection* layers, std::wstring helpFile)
    : ExportLayersDlg(IDD_EXPORTTAB, layers, kHelpTab, std::move(helpFile)) {}

bool CExportTABDlg::Admits(CZmaVadAZLayer& layer) { return layer.CanExportTab(); }

HRESULT CExportTABDlg::Export(CZmaVadAZLayer& layer, const std::wstring& folder) { return layer.ExportTab(folder); }

CExportKMLDlg::CExportKMLDlg(CZmaVadAZLayerCollection* layers, std::wstring helpFile)
    : ExportLayersDlg(IDD_EXPORTKML, layers, kHelpKml, std::move(helpFile)) {}

bool CExportKMLDlg::Admits(CZmaVadAZLayer& layer) { return layer.CanExportKml(); }

HRESULT CExportKMLDlg::Export(CZmaVadAZLayer& layer, const std::wstring& folder) { return layer.ExportKml(folder); }
