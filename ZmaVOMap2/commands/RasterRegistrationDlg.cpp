#include "ZmaVOMap2/commands/RasterRegistrationDlg.h"

#include "ZmaVOMap2/commands/CommandResources.h"
#include "platform/Module.h"

CRasterRegistrationDlg::CRasterRegistrationDlg() : Dialog(platform::Module::Instance(), IDD_RASTER_REGISTRATION) {}

bool CRasterRegistrationDlg::OnMessage(UINT msg, WPARAM wp, LPARAM, INT_PTR&) {
    if (msg != WM_COMMAND) return false;
    if (LOWORD(wp) == IDOK) {
        wchar_t path[MAX_PATH] = {};
        ::GetDlgItemTextW(Handle(), IDC_RASTER_TABLE, path, MAX_PATH);
        tablePath_ = path;
        ::EndDialog(Handle(), IDOK);
        return true;
    }
    if (LOWORD(wp) == IDCANCEL) {
        ::EndDialog(Handle(), IDCANCEL);
        return true;
    }
    return false;
}
