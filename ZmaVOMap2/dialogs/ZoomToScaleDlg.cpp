#include "ZmaVOMap2/dialogs/ZoomToScaleDlg.h"

#include "ZmaVOMap2/dialogs/DialogResources.h"
#include "ZmaVOMap2/engine/DistanceUnits.h"
#include "ZmaVOMap2/services/NumberInput.h"
#include "platform/Com.h"
#include "platform/Module.h"
#include "platform/Number.h"
#include "platform/Result.h"
#include "platform/UniqueHandle.h"

#include <algorithm>

namespace {

constexpr const char* kUnitSelectionKey = "Software\\Zemro\\Terravex\\MapInformation";
constexpr const char* kUnitSelectionValue = "ZoomToScaleUnitSel";
// The dialog's length units, in the order the combo box offers them.
constexpr long kLengthUnits[] = {DistanceUnits::kInch, DistanceUnits::kCentimeter};

platform::UniqueHKey OpenSelectionKey() {
    HKEY raw = nullptr;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, kUnitSelectionKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &raw, nullptr) !=
        ERROR_SUCCESS)
        return platform::UniqueHKey();
    return platform::UniqueHKey(raw);
}

}  // namespace

CZoomToScaleDlg::CZoomToScaleDlg() : Dialog(platform::Module::Instance(), IDD_ZOOM_TO_SCALE) {}

double CZoomToScaleDlg::PresetDenominator(int button) {
    switch (button) {
    case IDC_SCALE_12500: return 12500;
    case IDC_SCALE_25000: return 25000;
    case IDC_SCALE_50000: return 50000;
    case IDC_SCALE_100000: return 100000;
    case IDC_SCALE_200000: return 200000;
    default: return -1;
    }
}

void CZoomToScaleDlg::WriteText(int id, double value, bool number) {
    updating_ = true;
    if (number)
        WriteDialogNumber(Handle(), id, value);
    else
        WriteDialogStandIn(Handle(), id, value);
    updating_ = false;
}

void CZoomToScaleDlg::WriteScaleText() { WriteText(IDC_ZOOM_SCALE, windowWidth / screenLength, widthRead_); }

void CZoomToScaleDlg::ReadWidth() {
    widthRead_ = ReadEditNumber(Handle(), IDC_ZOOM_WIDTH, Widths(), windowWidth);
    if (!widthRead_) windowWidth = ReadText(IDC_ZOOM_WIDTH);
}

double CZoomToScaleDlg::ReadText(int id) const {
    char text[200] = {};
    ::GetDlgItemTextA(Handle(), id, text, sizeof text);
    double value = 0.0;
    platform::ReadNumber(text, value);
    return value;
}

BOOL CZoomToScaleDlg::OnInitDialog() {
    WriteText(IDC_ZOOM_CENTER_X, centerX, true);
    WriteText(IDC_ZOOM_CENTER_Y, centerY, true);
    WriteText(IDC_ZOOM_WIDTH, windowWidth, true);
    WriteScaleText();
    ::CheckDlgButton(Handle(), IDC_SCALE_CUSTOM, BST_CHECKED);
    const std::string unit = DistanceUnits::GetUnitAbbreviation(mapUnit);
    if (unit.empty()) platform::ThrowHr(E_FAIL);
    ::SetDlgItemTextA(Handle(), IDC_ZOOM_WIDTH_UNIT, unit.c_str());
    ::SetDlgItemTextA(Handle(), IDC_ZOOM_SCALE_UNIT, unit.c_str());
    LoadUnitSelection();
    return TRUE;
}

void CZoomToScaleDlg::LoadUnitSelection() {
    HWND combo = ::GetDlgItem(Handle(), IDC_ZOOM_LENGTH_UNIT);
    for (long code : kLengthUnits) {
        const std::string name = DistanceUnits::GetUnitAbbreviation(code);
        ::SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    }
    long selected = -1;
    platform::UniqueHKey key = OpenSelectionKey();
    DWORD stored = 0, size = sizeof stored, type = 0;
    if (key && ::RegQueryValueExA(key.Get(), kUnitSelectionValue, nullptr, &type, reinterpret_cast<BYTE*>(&stored),
                                  &size) == ERROR_SUCCESS &&
        type == REG_DWORD && (stored == kLengthUnits[0] || stored == kLengthUnits[1])) {
        selected = static_cast<long>(stored);
    } else {
        const bool imperial = mapUnit == DistanceUnits::kMile || mapUnit == DistanceUnits::kInch ||
                              mapUnit == DistanceUnits::kFoot || mapUnit == DistanceUnits::kYard;
        selected = imperial ? DistanceUnits::kInch : DistanceUnits::kCentimeter;
    }
    ::SendMessageA(combo, CB_SETCURSEL, selected == kLengthUnits[0] ? 0 : 1, 0);
    SelectLengthUnit(selected);
}

void CZoomToScaleDlg::SelectLengthUnit(long code) {
    screenLength = DistanceUnits::ConvertLength(screenLength, lengthUnit, code);
    lengthUnit = code;
    WriteScaleText();
}

void CZoomToScaleDlg::EnableEditing(bool enable) {
    for (int id : {IDC_ZOOM_WIDTH, IDC_ZOOM_SCALE, IDC_ZOOM_LENGTH_UNIT}) ::EnableWindow(::GetDlgItem(Handle(), id), enable);
}

bool CZoomToScaleDlg::OnMessage(UINT msg, WPARAM wp, LPARAM, INT_PTR&) {
    if (msg != WM_COMMAND) return false;
    const WORD id = LOWORD(wp), code = HIWORD(wp);
    const bool handled = OnCommand(id, code);
    if (id == IDOK) {
        OnOK();
        return true;
    }
    if (id == IDCANCEL) {
        ::EndDialog(Handle(), IDCANCEL);
        return true;
    }
    return handled;
}

bool CZoomToScaleDlg::OnCommand(WORD id, WORD code) {
    if (updating_) return false;
    // A text the dialog wrote, typed again as it was, stands for the number it wrote.
    if (id == IDC_ZOOM_WIDTH && code == EN_CHANGE) {
        ReadWidth();
        WriteScaleText();
        return true;
    }
    if (id == IDC_ZOOM_SCALE && code == EN_CHANGE) {
        // A scale the map can use gives a width it can show, however the product rounds.
        double scale = 0;
        widthRead_ = ReadEditNumber(Handle(), IDC_ZOOM_SCALE, Scales(), scale);
        windowWidth = widthRead_ ? std::min(scale * screenLength, Widths().givenHigh)
                                 : ReadText(IDC_ZOOM_SCALE) * screenLength;
        WriteText(IDC_ZOOM_WIDTH, windowWidth, widthRead_);
        return true;
    }
    if (id == IDC_ZOOM_LENGTH_UNIT && code == CBN_SELCHANGE) {
        const LRESULT index = ::SendDlgItemMessageA(Handle(), IDC_ZOOM_LENGTH_UNIT, CB_GETCURSEL, 0, 0);
        if (index < 0 || index > 1) platform::ThrowHr(E_FAIL);
        SelectLengthUnit(kLengthUnits[index]);
        return true;
    }
    if (code == BN_CLICKED && (id == IDC_SCALE_CUSTOM || PresetDenominator(id) > 0)) {
        OnScaleChoice(id);
        return true;
    }
    return false;
}

void CZoomToScaleDlg::OnScaleChoice(int button) {
    if (::IsDlgButtonChecked(Handle(), IDC_SCALE_CUSTOM) == BST_CHECKED) {
        EnableEditing(true);
        windowWidth = initialWindowWidth;
    } else {
        const double denominator = PresetDenominator(button);
        if (denominator > 0) {
            EnableEditing(false);
            windowWidth = DistanceUnits::ConvertLength(denominator * screenLength, lengthUnit, mapUnit);
        }
    }
    // The width keeps the precision of its text, and is the one OK takes: the world's width
    // stays the world's, though its text rounds it past.
    WriteText(IDC_ZOOM_WIDTH, windowWidth, true);
    ReadWidth();
    WriteScaleText();
}

NumberRange CZoomToScaleDlg::Widths() const {
    return NumberRange::AboveZero(DistanceUnits::WorldWidth(mapUnit),
                                  platform::ToWide(DistanceUnits::GetUnitAbbreviation(mapUnit)));
}

NumberRange CZoomToScaleDlg::Scales() const {
    const NumberRange widths = Widths();
    return NumberRange::AboveZero(widths.givenHigh / screenLength, widths.unit);
}

void CZoomToScaleDlg::OnOK() {
    // The view must be one the map can show and a saved map can take back: a width up to the
    // world's, a centre on the world. A scale the user typed is read as typed and arrives here as
    // the width it gives; a scale the dialog wrote follows the width, which is read for itself.
    HWND d = Handle();
    const NumberRange widths = Widths();
    double width = 0, x = 0, y = 0, scale = 0;
    const bool scaleRead = ShowsWrittenText(d, IDC_ZOOM_SCALE) || !(screenLength > 0) ||
                           ReadDialogNumber(d, IDC_ZOOM_SCALE, L"The scale", Scales(), scale);
    if (!scaleRead || !ReadDialogNumber(d, IDC_ZOOM_WIDTH, L"The window width", widths, width) ||
        !ReadDialogNumber(d, IDC_ZOOM_CENTER_X, L"The X coordinate", NumberRange::Between(-180.0, 180.0), x) ||
        !ReadDialogNumber(d, IDC_ZOOM_CENTER_Y, L"The Y coordinate", NumberRange::Between(-90.0, 90.0), y))
        return;
    windowWidth = width;
    centerX = x;
    centerY = y;
    if (platform::UniqueHKey key = OpenSelectionKey()) {
        const DWORD value = static_cast<DWORD>(lengthUnit);
        ::RegSetValueExA(key.Get(), kUnitSelectionValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    }
    ::EndDialog(Handle(), IDOK);
}
