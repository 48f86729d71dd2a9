#include "ZmaVOMap2/imagery/ProxyCredentialsDlg.h"

#include "ZmaVOMap2/imagery/ImageryResource.h"
#include "platform/Module.h"

#define SECURITY_WIN32
#include <security.h>

namespace imagery {

namespace {

// The edits take at most this many characters.
constexpr int kMaxText = 254;

std::string EditText(HWND dialog, int id) {
    char text[kMaxText + 1] = {};
    ::GetDlgItemTextA(dialog, id, text, kMaxText + 1);
    return text;
}

}  // namespace

CProxyCredentialsDlg::CProxyCredentialsDlg() : Dialog(platform::Module::Instance(), IDD_PROXY_CREDENTIALS) {}

BOOL CProxyCredentialsDlg::OnInitDialog() {
    char name[255] = {};
    ULONG size = sizeof name;
    if (::GetUserNameExA(NameSamCompatible, name, &size)) ::SetDlgItemTextA(Handle(), IDC_PROXY_USER, name);
    ::SendDlgItemMessageW(Handle(), IDC_PROXY_USER, EM_LIMITTEXT, kMaxText, 0);
    ::SendDlgItemMessageW(Handle(), IDC_PROXY_PASSWORD, EM_LIMITTEXT, kMaxText, 0);
    return TRUE;
}

bool CProxyCredentialsDlg::OnMessage(UINT msg, WPARAM wp, LPARAM, INT_PTR& result) {
    if (msg != WM_COMMAND) return false;
    switch (LOWORD(wp)) {
    case IDOK:
        user_ = EditText(Handle(), IDC_PROXY_USER);
        password_ = EditText(Handle(), IDC_PROXY_PASSWORD);
        ::EndDialog(Handle(), IDOK);
        break;
    case IDCANCEL: ::EndDialog(Handle(), IDCANCEL); break;
    default: return false;
    }
    result = 0;
    return true;
}

}  // namespace imagery
