#include "ZmaVOMap2/module/ZmaPPGMapBorder.h"

#include "ZmaVOMap2/printing/BorderDeterminator.h"
#include "ZmaVOMap2/module/resource.h"
#include "platform/Module.h"

namespace {
const int kRadioIds[] = {IDC_BORDER_NONE, IDC_BORDER_SINGLE};
}

CZmaPPGMapBorder::CZmaPPGMapBorder()
    : PropertyPageImpl(platform::Module::Instance(), IDD_ZMAPPGMAPBORDER, IDS_TITLE_ZMAPPGMAPBORDER), dialog_(*this) {}

void CZmaPPGMapBorder::OnPageActivated() {
    int index = CBorderDeterminator().GetMapBorder() ? 1 : 0;
    ::CheckRadioButton(dialog_.Handle(), IDC_BORDER_NONE, IDC_BORDER_SINGLE, kRadioIds[index]);
}

int CZmaPPGMapBorder::CheckedIndex() const {
    for (int i = 0; i < 2; ++i)
        if (dialog_.Handle() && ::IsDlgButtonChecked(dialog_.Handle(), kRadioIds[i]) == BST_CHECKED) return i;
    return -1;
}

HRESULT CZmaPPGMapBorder::ApplyChanges() {
    // No button checked counts as a border, like every choice but "&None".
    CBorderDeterminator().SetMapBorder(CheckedIndex() == 0 ? 0 : 1);
    SetDirty(false);
    return S_OK;
}

CZmaPPGMapBorder::PageDialogImpl::PageDialogImpl(CZmaPPGMapBorder& page)
    : Dialog(platform::Module::Instance(), IDD_ZMAPPGMAPBORDER), page_(page) {}

bool CZmaPPGMapBorder::PageDialogImpl::OnMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR& result) {
    switch (msg) {
    case WM_COMMAND:
        if (HIWORD(wp) == BN_CLICKED && (LOWORD(wp) == IDC_BORDER_NONE || LOWORD(wp) == IDC_BORDER_SINGLE)) {
            page_.SetDirty(true);
            result = 0;
            return true;
        }
        return false;
    case WM_STYLECHANGED:
        // Let the host's tab order enter the page, whatever extended style a host gives it.
        if (wp == static_cast<WPARAM>(GWL_EXSTYLE)) {
            auto* style = reinterpret_cast<STYLESTRUCT*>(lp);
            if (!(style->styleNew & WS_EX_CONTROLPARENT)) {
                style->styleNew |= WS_EX_CONTROLPARENT;
                ::SetWindowLongPtrW(Handle(), GWL_EXSTYLE, static_cast<LONG_PTR>(style->styleNew));
            }
        }
        return false;
    default:
        return false;
    }
}
