#include "ZmaVOMap2/dialogs/UnitsPickerDlg.h"

#include "ZmaVOMap2/dialogs/DialogResources.h"
#include "platform/Module.h"

#include <cstring>

namespace {

const char* OfferedName(long code) {
    switch (code) {
    case 0: return "mile";
    case 1: return "kilometer";
    case 2: return "inch";
    case 3: return "foot";
    case 4: return "yard";
    case 5: return "millimeter";
    case 6: return "centimeter";
    case 7: return "meter";
    case 8: return "survey ft";
    default: return "degree";
    }
}

struct Abbreviation {
    const char* name;
    const char* abbreviation;
};
constexpr Abbreviation kAbbreviations[] = {
    {"degree", "degree"}, {"meter", "m"}, {"foot", "ft"},      {"millimeter", "mm"}, {"kilometer", "km"},
    {"mile", "mi"},       {"inch", "in"}, {"yard", "yd"},      {"centimeter", "cm"}, {"survey ft", "survey ft"}};

}  // namespace

CUnitsPickerDlg::CUnitsPickerDlg() : Dialog(platform::Module::Instance(), IDD_UNITS_PICKER) {}

BOOL CUnitsPickerDlg::OnInitDialog() {
    HWND combo = ::GetDlgItem(Handle(), IDC_UNITS_COMBO);
    if (!degreeHidden) ::SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("degree"));
    ::SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(OfferedName(unitCode)));
    if (initialSelection != -1) ::SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(initialSelection), 0);
    return TRUE;
}

bool CUnitsPickerDlg::OnMessage(UINT msg, WPARAM wp, LPARAM, INT_PTR&) {
    if (msg != WM_COMMAND) return false;
    if (LOWORD(wp) == IDOK) {
        HWND combo = ::GetDlgItem(Handle(), IDC_UNITS_COMBO);
        const LRESULT selected = ::SendMessageA(combo, CB_GETCURSEL, 0, 0);
        char text[64] = {};
        if (selected != CB_ERR && ::SendMessageA(combo, CB_GETLBTEXTLEN, selected, 0) < 64) {
            ::SendMessageA(combo, CB_GETLBTEXT, selected, reinterpret_cast<LPARAM>(text));
            for (const Abbreviation& a : kAbbreviations)
                if (std::strcmp(text, a.name) == 0) result = a.abbreviation;
        }
        ::EndDialog(Handle(), IDOK);
        return true;
    }
    if (LOWORD(wp) == IDCANCEL) {
        ::EndDialog(Handle(), IDCANCEL);
        return true;
    }
    return false;
}
