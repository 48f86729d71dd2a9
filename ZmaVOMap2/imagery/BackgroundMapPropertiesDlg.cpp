#include "ZmaVOMap2/imagery/BackgroundMapPropertiesDlg.h"

#include "ZmaVOMap2/imagery/DownloadStatusCallback.h"
#include "ZmaVOMap2/imagery/ImageryProcess.h"
#include "ZmaVOMap2/imagery/ImageryResource.h"
#include "ZmaVOMap2/imagery/ZmaVadAZBackgroundMapLayer.h"
#include "ZmaVOMap2/services/NumberInput.h"
#include "platform/Com.h"
#include "platform/Module.h"
#include "platform/Result.h"

namespace {

constexpr int kRadios[] = {IDC_MAP_ROAD, IDC_MAP_AERIAL, IDC_MAP_AERIAL_LABELS};
constexpr int kProxyTextLimit = 260;

std::string ItemText(HWND dialog, int id) {
    wchar_t text[kProxyTextLimit + 1] = {};
    ::GetDlgItemTextW(dialog, id, text, kProxyTextLimit + 1);
    // As a string: the array alone would be taken for a BSTR, whose length it does not have.
    return platform::ToAnsi(std::wstring(text));
}

bool IsChecked(HWND dialog, int id) { return ::IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

}  // namespace

CBackgroundMapPropertiesDlg::CBackgroundMapPropertiesDlg(CZmaVadAZBackgroundMapLayer& layer)
    : Dialog(platform::Module::Instance(), IDD_BACKGROUND_MAP_PROPERTIES), layer_(layer) {}

BOOL CBackgroundMapPropertiesDlg::OnInitDialog() {
    HWND d = Handle();
    const int type = layer_.GetImageryType();
    const int selected = type >= 0 && type < 3 ? kRadios[type] : kRadios[0];
    ::CheckRadioButton(d, IDC_MAP_ROAD, IDC_MAP_AERIAL_LABELS, selected);

    const imagery::ProcessState& process = imagery::Process();
    if (!process.proxyAddress.empty()) {
        ::CheckDlgButton(d, IDC_USE_PROXY, BST_CHECKED);
        ::SetDlgItemTextW(d, IDC_PROXY_ADDRESS, platform::ToWide(process.proxyAddress).c_str());
        ::SetDlgItemTextW(d, IDC_PROXY_PORT, platform::ToWide(process.proxyPort).c_str());
    }
    EnableProxyEdits();
    ::CheckDlgButton(d, IDC_DISABLE_MAP, process.imageryEnabled == 0 ? BST_CHECKED : BST_UNCHECKED);
    return TRUE;
}

bool CBackgroundMapPropertiesDlg::OnMessage(UINT msg, WPARAM wp, LPARAM, INT_PTR& result) {
    if (msg != WM_COMMAND || HIWORD(wp) != BN_CLICKED) return false;
    switch (LOWORD(wp)) {
    case IDC_USE_PROXY: EnableProxyEdits(); break;
    case IDOK:
        try {
            OnOK();
        }
        COM_CATCH_LOG();
        break;
    case IDCANCEL: ::EndDialog(Handle(), IDCANCEL); break;
    default: return false;
    }
    result = 0;
    return true;
}

void CBackgroundMapPropertiesDlg::EnableProxyEdits() {
    const bool on = IsChecked(Handle(), IDC_USE_PROXY);
    ::EnableWindow(::GetDlgItem(Handle(), IDC_PROXY_ADDRESS), on);
    ::EnableWindow(::GetDlgItem(Handle(), IDC_PROXY_PORT), on);
}

void CBackgroundMapPropertiesDlg::OnOK() {
    HWND d = Handle();
    const bool useProxy = IsChecked(d, IDC_USE_PROXY);
    const std::string address = ItemText(d, IDC_PROXY_ADDRESS), port = ItemText(d, IDC_PROXY_PORT);
    if (useProxy) {
        const struct {
            int id;
            std::wstring fault;
        } fields[] = {{IDC_PROXY_ADDRESS, imagery::ProxyAddressFault(platform::ToWide(address))},
                      {IDC_PROXY_PORT, imagery::ProxyPortFault(platform::ToWide(port))}};
        for (const auto& field : fields) {
            if (field.fault.empty()) continue;
            RefuseDialogText(d, field.id, field.fault);
            return;
        }
    }
    for (int i = 0; i < 3; ++i)
        if (IsChecked(d, kRadios[i])) layer_.SetImageryType(i);
    imagery::ProcessState& process = imagery::Process();
    if (useProxy) {
        process.proxyAddress = address;
        process.proxyPort = port;
    } else {
        process.proxyAddress.clear();
        process.proxyPort.clear();
    }
    const bool disable = IsChecked(d, IDC_DISABLE_MAP);
    ::EndDialog(d, IDOK);
    // The user confirmed the imagery settings, changed or not: a proxy that wants credentials may
    // ask for them again, though the user cancelled the last time.
    imagery::DownloadStatusCallback().AskAgainFromNowOn();
    // The new imagery type has tile addresses of its own.
    layer_.LoadMetaImageURLAndSubDomains();
    process.imageryEnabled = disable ? 0 : 1;
}
