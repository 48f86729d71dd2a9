#include "ZmaVOMap2/printing/QuickPrintMapPage.h"

#include "ZmaVOMap2/engine/DistanceUnits.h"
#include "ZmaVOMap2/printing/MapPageLayout.h"
#include "ZmaVOMap2/printing/PrintingResource.h"
#include "ZmaVOMap2/printing/QuickPrintDlg.h"
#include "ZmaVOMap2/services/NumberInput.h"
#include "ZmaVOMap2/services/PackageManager.h"
#include "platform/Number.h"
#include "platform/Result.h"

#include <msxml2.h>

#include <algorithm>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>

using platform::Bstr;
using platform::ComPtr;

namespace {

const wchar_t kScalesAddress[] = L"terravex://Map/Printing/Layouts/mapPrintingScales.xml";

// The controls that the custom mode enables.
const int kCustomControls[] = {IDC_MAP_CUSTOM_GROUP, IDC_MAP_WIDTH_LABEL,  IDC_MAP_WIDTH,        IDC_MAP_WIDTH_UNIT,
                               IDC_MAP_HEIGHT_LABEL, IDC_MAP_HEIGHT,       IDC_MAP_HEIGHT_UNIT,  IDC_MAP_PRESET_LABEL,
                               IDC_MAP_RATIO_LABEL,  IDC_MAP_PRESETS};

bool IsValidScale(double scale) { return scale > 0.0 && scale <= DBL_MAX; }

// The longest side of a custom printed map, in hundredths of a millimetre: 500 cm, or 200 in
// where lengths are shown in inches.
long LargestMapSide() { return UsesUsMeasure() ? 508000 : 500000; }

// The name of the map's distance unit beside the scale; empty for a unit without one.
std::wstring DistanceUnitText(long unit) {
    switch (unit) {
    case DistanceUnits::kMile: return PrintingText(IDS_UNIT_MILES, L"miles");
    case DistanceUnits::kKilometer: return PrintingText(IDS_UNIT_KILOMETERS, L"kilometers");
    case DistanceUnits::kFoot: return PrintingText(IDS_UNIT_FEET, L"feet");
    case DistanceUnits::kYard: return PrintingText(IDS_UNIT_YARDS, L"yards");
    case DistanceUnits::kMeter: return PrintingText(IDS_UNIT_METERS, L"meters");
    default: return L"";
    }
}

// A denominator as the user's locale writes whole numbers ("50,000"); empty when it cannot.
std::wstring LocaleNumber(unsigned long number) {
    wchar_t digits[16] = {}, grouping[16] = {}, decimal[8] = {}, thousand[8] = {}, negative[4] = {}, text[64] = {};
    std::swprintf(digits, 16, L"%lu", number);
    ::GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SGROUPING, grouping, 16);
    ::GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, decimal, 8);
    ::GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, thousand, 8);
    ::GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_INEGNUMBER, negative, 4);
    NUMBERFMTW format = {};
    format.NumDigits = 0;
    format.Grouping = static_cast<UINT>(std::wcstoul(grouping, nullptr, 10));
    format.lpDecimalSep = decimal;
    format.lpThousandSep = thousand;
    format.NegativeOrder = static_cast<UINT>(std::wcstoul(negative, nullptr, 10));
    return ::GetNumberFormatW(LOCALE_USER_DEFAULT, 0, digits, &format, text, 64) > 0 ? text : L"";
}

// The host's preset scales, in the order of its list; the ones read before a failure stay.
HRESULT ReadScales(std::vector<unsigned long>& scales) {
    try {
        ComPtr<IHostPackageManager> manager;
        THROW_IF_FAILED(FindPackageManager(manager));
        ComPtr<IUnknown> object;
        THROW_IF_FAILED(platform::ThrowIfNull(manager.Get())->Open(Bstr(kScalesAddress).Get(), object.Put()));
        ComPtr<IXMLDOMDocument2> document;
        THROW_IF_FAILED(platform::ThrowIfNull(object.Get())->QueryInterface(IID_IXMLDOMDocument2, document.PutVoid()));
        ComPtr<IXMLDOMNodeList> nodes;
        THROW_IF_FAILED(document->selectNodes(Bstr(L"scales/scale").Get(), nodes.Put()));
        long count = 0;
        THROW_IF_FAILED(platform::ThrowIfNull(nodes.Get())->get_length(&count));
        for (long i = 0; i < count; ++i) {
            ComPtr<IXMLDOMNode> node;
            THROW_IF_FAILED(nodes->get_item(i, node.Put()));
            Bstr text;
            THROW_IF_FAILED(platform::ThrowIfNull(node.Get())->get_text(text.Put()));
            platform::Variant value(text.Wide()), number;
            THROW_IF_FAILED(::VariantChangeType(number.Put(), &value, 0, VT_I4));
            scales.push_back(static_cast<unsigned long>(number.lVal));
        }
        return S_OK;
    }
    CATCH_RETURN_QUIET()
}

}  // namespace

CQuickPrintMapPage::CQuickPrintMapPage(CQuickPrintDlg& sheet) : QuickPrintPage(sheet, IDD_QUICK_PRINT_MAP) {
    LoadScales();
}

// --- Fields ----------------------------------------------------------------------------------------

void CQuickPrintMapPage::SetCustomSize(SIZE size) {
    const SIZE smallest = GetDefaultSize();
    custom_ = {std::max(size.cx, smallest.cx), std::max(size.cy, smallest.cy)};
}

void CQuickPrintMapPage::SetScaleDenominator(unsigned long denominator) {
    if (denominator > 0) scale_ = units_.Convert(denominator, QuickPrintUnits::PaperUnit(), MapUnitCode());
}

long CQuickPrintMapPage::ScaleDenominator() const {
    const double denominator = std::floor(units_.Convert(scale_, MapUnitCode(), QuickPrintUnits::PaperUnit()) + 0.5);
    return static_cast<long>(std::clamp(denominator, -2147483648.0, 2147483647.0));
}

void CQuickPrintMapPage::SetWindowSize(SIZE size) noexcept {
    if (size.cx >= 1 && size.cy >= 1) window_ = size;
}

double CQuickPrintMapPage::Aspect() const {
    return window_.cy > 0 ? static_cast<double>(window_.cx) / window_.cy : 1.0;
}

long CQuickPrintMapPage::MapUnitCode() const { return DistanceUnits::ToConverterUnit(Sheet().MapDistanceUnit()); }

double CQuickPrintMapPage::ViewWidth() const { return Sheet().ViewWidth(); }

void CQuickPrintMapPage::LoadScales() {
    // A missing or unreadable list leaves the presets short: the page works without them.
    (void)ReadScales(scales_);
}

// --- Setting the page up ---------------------------------------------------------------------------

BOOL CQuickPrintMapPage::OnInitDialog() {
    width_.Subclass(Item(IDC_MAP_WIDTH));
    height_.Subclass(Item(IDC_MAP_HEIGHT));
    scaleEdit_.Subclass(Item(IDC_MAP_SCALE));
    FillPresets();
    if (UsesUsMeasure()) {
        ::SetDlgItemTextW(Handle(), IDC_MAP_SCALE_LABEL, L"1 in =");
        ::SetDlgItemTextW(Handle(), IDC_MAP_WIDTH_UNIT, L"in");
        ::SetDlgItemTextW(Handle(), IDC_MAP_HEIGHT_UNIT, L"in");
    }
    ::SetDlgItemTextW(Handle(), IDC_MAP_SCALE_UNIT, DistanceUnitText(Sheet().MapDistanceUnit()).c_str());
    MarkInitialised();
    PostUpdate();
    FieldsToControls();
    return TRUE;
}

void CQuickPrintMapPage::OnDestroy() {
    width_.Unsubclass();
    height_.Unsubclass();
    scaleEdit_.Unsubclass();
    QuickPrintPage::OnDestroy();
}

void CQuickPrintMapPage::FillPresets() {
    HWND combo = Item(IDC_MAP_PRESETS);
    const std::wstring custom = PrintingText(IDS_SCALE_CUSTOM, L"Other...");
    LRESULT at = ::SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(custom.c_str()));
    ::SendMessageW(combo, CB_SETITEMDATA, at, 0);
    for (unsigned long scale : scales_) {
        const std::wstring text = LocaleNumber(scale);
        at = ::SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
        ::SendMessageW(combo, CB_SETITEMDATA, at, scale);
    }
    SelectPreset(0);
}

void CQuickPrintMapPage::FieldsToControls() {
    Check(IDC_MAP_WINDOW, sizeMode_ == kWindowSize);
    Check(IDC_MAP_FIT, sizeMode_ == kFitToPage);
    Check(IDC_MAP_CUSTOM, sizeMode_ == kCustomSize);
    Check(IDC_MAP_SAME, contentCentred_ != 1);
    Check(IDC_MAP_CENTRED, contentCentred_ == 1);
    previousContent_ = contentCentred_;
    Check(IDC_MAP_BORDER, border_ != 0);
    if (sizeMode_ == kFitToPage) {
        // The size edits show what fitting to the page gives, as a click on the radio does.
        OnFitToPage();
    } else {
        const SIZE size = sizeMode_ == kWindowSize ? window_ : custom_;
        ShowSize(MeetsMinimum(size) ? size : EnlargeToMinimum(size));
    }
    SelectScalePreset(scale_);
    // Settings that hold no scale show 0 until the page computes one: 0 is no scale of theirs.
    if (IsValidScale(scale_))
        WriteDialogNumber(Handle(), IDC_MAP_SCALE, scale_, -1, 15);
    else
        WriteDialogStandIn(Handle(), IDC_MAP_SCALE, 0.0, -1, 15);
}

void CQuickPrintMapPage::ShowSize(SIZE size) {
    width_.SetValue(units_.ToPaper(size.cx));
    height_.SetValue(units_.ToPaper(size.cy));
}

void CQuickPrintMapPage::UpdateEnabling() {
    const bool custom = IsChecked(IDC_MAP_CUSTOM);
    for (int id : kCustomControls) Enable(id, custom);
    const bool typed = custom && SelectedPreset() == 0;
    Enable(IDC_MAP_SCALE_LABEL, typed);
    Enable(IDC_MAP_SCALE_UNIT, typed);
    Enable(IDC_MAP_SCALE, ScaleIsEditable());
    // A window smaller than the smallest printed map cannot be printed at its size.
    const bool windowFits = MeetsMinimum(window_);
    Enable(IDC_MAP_WINDOW, windowFits);
    if (!windowFits && IsChecked(IDC_MAP_WINDOW)) {
        Check(IDC_MAP_WINDOW, false);
        ::PostMessageW(Item(IDC_MAP_CUSTOM), BM_CLICK, 0, 0);
    }
    Enable(IDC_MAP_SAME, !IsChecked(IDC_MAP_WINDOW));
    Enable(IDC_MAP_CENTRED, !IsChecked(IDC_MAP_WINDOW));
}

// --- The scale ---------------------------------------------------------------------------------------

double CQuickPrintMapPage::ScaleFromWidth() {
    const double width = Handle() ? width_.GetValue() : 0.0;
    return ViewWidth() / (std::trunc(width * 100.0) * 0.01);
}

double CQuickPrintMapPage::ScaleFromSize() {
    if (!Item(IDC_MAP_SAME) || IsChecked(IDC_MAP_SAME)) return ScaleFromWidth();
    if (IsChecked(IDC_MAP_WINDOW) || !IsChecked(IDC_MAP_FIT)) return scale_;
    // Centred on the window over the page area: the map shows more ground than the window where
    // the area is wider than the window's shape.
    const SIZE area = Sheet().ComputeMapArea();
    double view = ViewWidth();
    if (area.cy > 0 && window_.cy > 0 && static_cast<double>(area.cx) / area.cy >= Aspect()) {
        const int fitted = ::MulDiv(window_.cx, area.cy, window_.cy);
        if (fitted > 0) view = area.cx * view / fitted;
    }
    return view / width_.GetValue();
}

void CQuickPrintMapPage::ApplyScale(double scale) {
    const bool invalid = !IsValidScale(scale);
    if (invalid) {
        // No scale can be had: the edit shows 0, which stands for none, and the scale stays.
        scaleEdit_.SetStandIn(0.0);
    } else {
        scaleEdit_.SetValue(scale);
        scale_ = scale;
    }
    if (invalid != scaleInvalid_) {
        scaleInvalid_ = invalid;
        PostUpdate();
    }
}

void CQuickPrintMapPage::SelectScalePreset(double scale) {
    const double denominator = std::floor(units_.Convert(scale, MapUnitCode(), QuickPrintUnits::PaperUnit()) + 0.5);
    HWND combo = Item(IDC_MAP_PRESETS);
    const LRESULT count = ::SendMessageW(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 1; i < count; ++i) {
        if (static_cast<double>(static_cast<unsigned long>(::SendMessageW(combo, CB_GETITEMDATA, i, 0))) == denominator) {
            SelectPreset(static_cast<long>(i));
            return;
        }
    }
    SelectPreset(0);
}

void CQuickPrintMapPage::SelectPreset(long index) { ::SendMessageW(Item(IDC_MAP_PRESETS), CB_SETCURSEL, index, 0); }

unsigned long CQuickPrintMapPage::SelectedPreset() const {
    HWND combo = Item(IDC_MAP_PRESETS);
    const LRESULT selected = ::SendMessageW(combo, CB_GETCURSEL, 0, 0);
    return selected == CB_ERR ? 0 : static_cast<unsigned long>(::SendMessageW(combo, CB_GETITEMDATA, selected, 0));
}

// --- Messages and commands ------------------------------------------------------------------------

bool CQuickPrintMapPage::OnNotify(const NMHDR& header, INT_PTR& result) {
    if (header.code == PSN_SETACTIVE) PostUpdate();
    if (header.code != PSN_KILLACTIVE) return false;
    result = OnKillActive() ? FALSE : TRUE;
    return true;
}

void CQuickPrintMapPage::OnCommand(int id, int code) {
    const bool clicked = code == BN_CLICKED;
    const bool typing = code == EN_CHANGE && ::GetFocus() == Item(id) && IsChecked(IDC_MAP_SAME);
    switch (id) {
    case IDC_MAP_WINDOW:
        if (clicked && IsChecked(IDC_MAP_WINDOW)) OnWindowSize();
        break;
    case IDC_MAP_FIT:
        if (clicked) OnFitToPage();
        break;
    case IDC_MAP_CUSTOM:
        if (clicked) OnCustom();
        break;
    case IDC_MAP_SAME:
        if (clicked && previousContent_ == 1 && IsChecked(IDC_MAP_SAME)) OnSameAsWindow();
        break;
    case IDC_MAP_CENTRED:
        if (clicked && previousContent_ == 0 && IsChecked(IDC_MAP_CENTRED)) OnCentred();
        break;
    case IDC_MAP_WIDTH:
        if (!typing) break;
        height_.SetValue(width_.GetValue() / Aspect());
        SelectPreset(0);
        PostUpdate();
        ApplyScale(ScaleFromSize());
        break;
    case IDC_MAP_HEIGHT:
        if (!typing) break;
        width_.SetValue(height_.GetValue() * Aspect());
        SelectPreset(0);
        PostUpdate();
        ApplyScale(ScaleFromWidth());
        break;
    case IDC_MAP_SCALE: {
        // A text that is no scale the print can use leaves the size alone: leaving the page says
        // why, of the scale and not of a size it gave.
        double scale = 0;
        if (!typing || !ReadNumber(EditText(Handle(), IDC_MAP_SCALE), ScaleRange(), scale)) break;
        width_.SetValue(ViewWidth() / scale);
        height_.SetValue(width_.GetValue() / Aspect());
        break;
    }
    case IDC_MAP_PRESETS:
        if (code == CBN_SELENDOK) OnPresetChosen();
        break;
    default: break;
    }
}

void CQuickPrintMapPage::OnWindowSize() {
    if (IsChecked(IDC_MAP_CENTRED)) {
        ::SendMessageW(Item(IDC_MAP_SAME), BM_CLICK, 0, 0);
        ::SetFocus(Item(IDC_MAP_WINDOW));
    }
    ShowSize(window_);
    if (!Item(IDC_MAP_SAME) || IsChecked(IDC_MAP_SAME)) ApplyScale(ScaleFromSize());
    SelectScalePreset(scale_);
    PostUpdate();
}

void CQuickPrintMapPage::OnFitToPage() {
    const SIZE area = Sheet().ComputeMapArea();
    SIZE size = area;
    if (!IsChecked(IDC_MAP_CENTRED)) size = FitShape(Aspect(), area);
    if (!MeetsMinimum(size)) size = window_;
    // The custom size stays the user's: fitting to the page only shows what the page gives.
    ShowSize(size);
    ApplyScale(ScaleFromSize());
    SelectScalePreset(scale_);
    PostUpdate();
}

void CQuickPrintMapPage::OnCustom() {
    const SIZE typed = {units_.FromPaper(width_.GetValue()), units_.FromPaper(height_.GetValue())};
    if (!MeetsMinimum(typed)) {
        ShowSize(EnlargeToMinimum(typed));
        ApplyScale(ScaleFromSize());
    }
    PostUpdate();
}

void CQuickPrintMapPage::OnSameAsWindow() {
    if (IsChecked(IDC_MAP_WINDOW) || IsChecked(IDC_MAP_FIT)) {
        ShowSize(FitShape(Aspect(), custom_));
        ApplyScale(ScaleFromWidth());
    } else if (const double scale = scaleEdit_.GetValue(); IsValidScale(scale)) {
        width_.SetValue(ViewWidth() / scale);
        height_.SetValue(width_.GetValue() / Aspect());
    } else {
        // The edit shows no scale (the 0 that stands for none): the scale follows the width.
        height_.SetValue(width_.GetValue() / Aspect());
        ApplyScale(ScaleFromWidth());
    }
    previousContent_ = 0;
    PostUpdate();
}

void CQuickPrintMapPage::OnCentred() {
    if (!IsChecked(IDC_MAP_WINDOW) && IsChecked(IDC_MAP_FIT)) OnFitToPage();
    previousContent_ = 1;
    PostUpdate();
}

void CQuickPrintMapPage::OnPresetChosen() {
    const unsigned long denominator = SelectedPreset();
    if (denominator != 0) {
        const double scale = units_.Convert(denominator, QuickPrintUnits::PaperUnit(), MapUnitCode());
        scaleEdit_.SetValue(scale);
        if (IsChecked(IDC_MAP_SAME)) {
            width_.SetValue(ViewWidth() / scale);
            height_.SetValue(width_.GetValue() / Aspect());
        }
    }
    PostUpdate();
}

// --- Checks and OK ---------------------------------------------------------------------------------

bool CQuickPrintMapPage::CheckLength(int id, long minimum, const wchar_t* side) {
    const long paper = QuickPrintUnits::PaperUnit();
    const NumberRange lengths = NumberRange::Between(units_.Convert(minimum, kUnitHundredthMillimetre, paper),
                                                     units_.Convert(LargestMapSide(), kUnitHundredthMillimetre, paper),
                                                     units_.UnitName(paper));
    const std::wstring what = std::wstring(L"The map ") + side;
    const wchar_t caption[] = L"An invalid map dimension has been chosen";
    // Any finite number first: what is no number at all, or is too large, is told with the range.
    double value = 0;
    if (!ReadNumber(EditText(Handle(), id), NumberRange::Between(-DBL_MAX, DBL_MAX), value) ||
        std::floor(units_.Convert(value, paper, kUnitHundredthMillimetre)) > LargestMapSide()) {
        ::MessageBeep(MB_ICONHAND);
        RefuseDialogNumber(Handle(), id, what, lengths, caption);
        return false;
    }
    const double typed = std::ceil(units_.Convert(value, paper, kUnitHundredthMillimetre));
    if (typed >= minimum) return true;
    const std::wstring least = platform::ToWide(platform::FormatFixed(units_.Convert(minimum, kUnitHundredthMillimetre, paper), 2));
    ::MessageBeep(MB_ICONHAND);
    Tell(what + L" that you have chosen is too small.  It must be at least " + least + L" " + units_.UnitName(paper) + L".",
         caption, MB_OK | MB_ICONHAND);
    ::SetFocus(Item(id));
    ::SendMessageW(Item(id), EM_SETSEL, 0, -1);
    return false;
}

bool CQuickPrintMapPage::ScaleIsEditable() const {
    return IsChecked(IDC_MAP_CUSTOM) && SelectedPreset() == 0 && !scaleInvalid_;
}

NumberRange CQuickPrintMapPage::ScaleRange() const {
    const long paper = QuickPrintUnits::PaperUnit(), map = MapUnitCode();
    return NumberRange::Between(units_.Convert(1, paper, map), units_.Convert(LONG_MAX, paper, map),
                                DistanceUnitText(Sheet().MapDistanceUnit()));
}

bool CQuickPrintMapPage::OnKillActive() {
    if (IsChecked(IDC_MAP_WINDOW) || IsChecked(IDC_MAP_FIT)) return true;
    const SIZE smallest = GetDefaultSize();
    double scale = 0;
    // Only a scale the user typed is checked: one the page wrote is the settings' or the size's.
    // Where the settings hold none, the page's own 0 is no scale either: a custom map needs one, so
    // the user is told as of a typed 0, rather than a print that would fail for want of it.
    const bool checkScale = (ScaleIsEditable() && !ShowsWrittenText(Handle(), IDC_MAP_SCALE)) || !IsValidScale(scale_);
    return CheckLength(IDC_MAP_WIDTH, smallest.cx, L"width") && CheckLength(IDC_MAP_HEIGHT, smallest.cy, L"height") &&
           (!checkScale || ReadDialogNumber(Handle(), IDC_MAP_SCALE, L"The scale", ScaleRange(), scale));
}

void CQuickPrintMapPage::ControlsToFields() {
    if (!IsInitialised()) return;
    if (IsChecked(IDC_MAP_WINDOW)) sizeMode_ = kWindowSize;
    if (IsChecked(IDC_MAP_FIT)) sizeMode_ = kFitToPage;
    if (IsChecked(IDC_MAP_CUSTOM)) sizeMode_ = kCustomSize;
    if (IsChecked(IDC_MAP_SAME)) contentCentred_ = 0;
    if (IsChecked(IDC_MAP_CENTRED)) contentCentred_ = 1;
    border_ = IsChecked(IDC_MAP_BORDER) ? 1 : 0;
    // A scale the settings cannot hold keeps the one before: leaving the page told the user of
    // one typed, and the 0 the page shows where it has no scale stands for none.
    double scale = 0;
    if (ReadEditNumber(Handle(), IDC_MAP_SCALE, ScaleRange(), scale)) scale_ = scale;
    // Only a custom size the user chose replaces the one the settings hold: the sizes the window
    // and the page give are not the user's.
    if (sizeMode_ == kCustomSize) custom_ = {units_.FromPaper(width_.GetValue()), units_.FromPaper(height_.GetValue())};
}
