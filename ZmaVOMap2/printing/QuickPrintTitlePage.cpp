#include "ZmaVOMap2/printing/QuickPrintTitlePage.h"

#include "ZmaVOMap2/printing/PrintingResource.h"

#include <commdlg.h>

namespace {

const int kEnabledWithTitle[] = {IDC_TITLE_GROUP, IDC_TITLE_TEXT,   IDC_TITLE_FONT,  IDC_TITLE_DISPLAY_GROUP,
                                 IDC_TITLE_ABOVE, IDC_TITLE_BELOW,  IDC_TITLE_BORDER, IDC_TITLE_ALIGNMENT_GROUP,
                                 IDC_TITLE_LEFT,  IDC_TITLE_CENTRE, IDC_TITLE_RIGHT};

UINT_PTR CALLBACK FontDialogHook(HWND, UINT, WPARAM, LPARAM) { return 0; }

}  // namespace

CQuickPrintTitlePage::CQuickPrintTitlePage(CQuickPrintDlg& sheet) : QuickPrintPage(sheet, IDD_QUICK_PRINT_TITLE) {
    // Until the settings give one: Arial bold, 14 points on a screen of 96 pixels per inch.
    font_.lfHeight = -19;
    font_.lfWeight = FW_BOLD;
    font_.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(font_.lfFaceName, L"Arial", LF_FACESIZE);
}

std::wstring CQuickPrintTitlePage::CurrentTitle() const { return Handle() ? TextOf(IDC_TITLE_TEXT) : title_; }

bool CQuickPrintTitlePage::CurrentlyPrinted() const { return Handle() ? IsChecked(IDC_TITLE_PRINT) : printTitle_; }

BOOL CQuickPrintTitlePage::OnInitDialog() {
    FieldsToControls();
    MarkInitialised();
    PostUpdate();
    return TRUE;
}

void CQuickPrintTitlePage::FieldsToControls() {
    ::SetDlgItemTextW(Handle(), IDC_TITLE_TEXT, title_.c_str());
    Check(IDC_TITLE_PRINT, printTitle_);
    Check(IDC_TITLE_BORDER, border_);
    Check(above_ ? IDC_TITLE_ABOVE : IDC_TITLE_BELOW, true);
    Check(alignment_ == kLeft ? IDC_TITLE_LEFT : alignment_ == kRight ? IDC_TITLE_RIGHT : IDC_TITLE_CENTRE, true);
}

void CQuickPrintTitlePage::ControlsToFields() {
    if (!IsInitialised()) return;
    title_ = TextOf(IDC_TITLE_TEXT);
    if (title_.size() > kLongestTitle) {
        // Too long to print whole: the user hears it, and the text stays as typed.
        ::MessageBeep(static_cast<UINT>(-1));
        ::SetFocus(Item(IDC_TITLE_TEXT));
    }
    printTitle_ = IsChecked(IDC_TITLE_PRINT);
    border_ = IsChecked(IDC_TITLE_BORDER);
    above_ = IsChecked(IDC_TITLE_ABOVE);
    if (IsChecked(IDC_TITLE_LEFT)) alignment_ = kLeft;
    if (IsChecked(IDC_TITLE_CENTRE)) alignment_ = kCentre;
    if (IsChecked(IDC_TITLE_RIGHT)) alignment_ = kRight;
}

void CQuickPrintTitlePage::UpdateEnabling() {
    const bool printed = IsChecked(IDC_TITLE_PRINT);
    for (int id : kEnabledWithTitle) Enable(id, printed);
}

void CQuickPrintTitlePage::ChooseTitleFont() {
    LOGFONTW chosen = font_;
    CHOOSEFONTW choose = {};
    choose.lStructSize = sizeof choose;
    choose.hwndOwner = ::GetActiveWindow();
    choose.lpLogFont = &chosen;
    choose.Flags = CF_SCREENFONTS | CF_EFFECTS | CF_INITTOLOGFONTSTRUCT | CF_ENABLEHOOK;
    choose.rgbColors = colour_;
    choose.lpfnHook = &FontDialogHook;
    if (::ChooseFontW(&choose)) {
        font_ = chosen;
        colour_ = choose.rgbColors;
    }
    PostUpdate();
}

void CQuickPrintTitlePage::OnCommand(int id, int code) {
    if (code != BN_CLICKED) return;
    if (id == IDC_TITLE_PRINT) PostUpdate();
    if (id == IDC_TITLE_FONT) ChooseTitleFont();
}

bool CQuickPrintTitlePage::OnNotify(const NMHDR& header, INT_PTR& result) {
    if (header.code != PSN_KILLACTIVE) return false;
    const bool refused = IsChecked(IDC_TITLE_PRINT) && ::GetWindowTextLengthW(Item(IDC_TITLE_TEXT)) == 0;
    if (refused)
        Tell(PrintingText(IDS_TITLE_EMPTY, L"\"Map Title\" cannot be empty."), PrintingText(IDS_PAGE_SETUP, L"Page Setup"),
             MB_OK | MB_ICONEXCLAMATION);
    result = refused ? TRUE : FALSE;
    return true;
}
