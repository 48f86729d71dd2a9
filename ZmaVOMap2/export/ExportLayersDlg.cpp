#include "ZmaVOMap2/export/ExportLayersDlg.h"

#include "ZmaVOMap2/services/HelpPath.h"

#include "ZmaVOMap2/export/ExportResource.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayer.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"
#include "ZmaVOMap2/services/RegistrySettings.h"
#include "platform/Com.h"
#include "platform/Module.h"
#include "platform/Result.h"

#include <commctrl.h>

namespace {

const wchar_t kCaption[] = L"Map Module";
const char kFolderSetting[] = "MapLayerExportDirectory";
const DWORD kHelpTab = 131213;
const DWORD kHelpKml = 131397;

void ShowHelp(HWND owner, const std::wstring& file, DWORD data) { CallHtmlHelp(owner, file, 0, data); }

std::string CurrentFolder() {
    char folder[MAX_PATH] = {};
    const DWORD n = ::GetCurrentDirectoryA(MAX_PATH, folder);
    return n > 0 && n < MAX_PATH ? std::string(folder, n) : std::string();
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
    std::string folder;
    if (!RegistrySettings::ReadDirectorySetting(folder, kFolderSetting, std::string()) || folder.empty())
        folder = CurrentFolder();
    ::SetDlgItemTextW(Handle(), IDC_EXPORT_FOLDER, platform::ToWide(folder).c_str());
}

void ExportLayersDlg::Browse() {
    std::wstring folder;
    if (!platform::Prompts().BrowseForFolder(Handle(), L"Choose the destination folder", folder)) return;
    RegistrySettings::WriteDirectorySetting(platform::ToAnsi(folder), kFolderSetting);
    ::SetDlgItemTextW(Handle(), IDC_EXPORT_FOLDER, folder.c_str());
}

void ExportLayersDlg::ExportChecked() {
    wchar_t text[MAX_PATH] = {};
    ::GetDlgItemTextW(Handle(), IDC_EXPORT_FOLDER, text, MAX_PATH);
    const std::string folder = platform::ToAnsi(std::wstring(text));

    HCURSOR previous = ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
    ::EnableWindow(Handle(), FALSE);
    HWND list = ::GetDlgItem(Handle(), IDC_EXPORT_LAYERS);
    int exported = 0;
    std::wstring failed;
    for (int i = 0; i < ListView_GetItemCount(list); ++i) {
        if (!ListView_GetCheckState(list, i)) continue;
        LVITEMW item = {};
        item.mask = LVIF_PARAM;
        item.iItem = i;
        ListView_GetItem(list, &item);
        auto* layer = reinterpret_cast<CZmaVadAZLayer*>(item.lParam);
        if (!layer) continue;
        const HRESULT hr = [&]() -> HRESULT {
            try {
                return Export(*layer, folder);
            }
            CATCH_RETURN_QUIET();
        }();
        if (hr == S_OK)
            ++exported;
        else
            failed += (failed.empty() ? L"" : L", ") + platform::ToWide(layer->GetName());
    }
    ::EnableWindow(Handle(), TRUE);
    ::SetCursor(previous);

    // A layer that could not be written is named, so that nobody takes the folder for complete.
    if (!failed.empty())
        platform::Prompts().MessageBox(Handle(), L"These layers could not be exported: " + failed + L".", kCaption,
                                       MB_OK | MB_ICONEXCLAMATION);
    else if (exported > 0)
        platform::Prompts().MessageBox(Handle(), L"File export complete.", kCaption, MB_OK);
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
        ExportChecked();
        End(IDOK);
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

bool CExportTABDlg::Admits(CZmaVadAZLayer& layer) { return layer.GetType() != CZmaVadAZLayer::kTypeRegion; }

HRESULT CExportTABDlg::Export(CZmaVadAZLayer& layer, const std::string& folder) { return layer.ExportTab(folder); }

CExportKMLDlg::CExportKMLDlg(CZmaVadAZLayerCollection* layers, std::wstring helpFile)
    : ExportLayersDlg(IDD_EXPORTKML, layers, kHelpKml, std::move(helpFile)) {}

bool CExportKMLDlg::Admits(CZmaVadAZLayer& layer) { return layer.CanExportKml(); }

HRESULT CExportKMLDlg::Export(CZmaVadAZLayer& layer, const std::string& folder) { return layer.ExportKml(folder); }
