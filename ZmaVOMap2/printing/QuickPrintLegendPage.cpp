#include "ZmaVOMap2/printing/QuickPrintLegendPage.h"

#include "ZmaVOMap2/printing/PrintingResource.h"
#include "platform/Result.h"

#include "HostInterfaces.h"

namespace {

enum class Group { kCorners, kSides };

struct PositionButton {
    int id;
    long angle;
    Group group;
    int index;  // the place in its group, in the dialog's order
    int images;  // 0 top and bottom, 1 left and right, 2 corners
};

const PositionButton kButtons[8] = {
    {IDC_LEGEND_BOTTOM_RIGHT, 315, Group::kCorners, 0, 2}, {IDC_LEGEND_BOTTOM_LEFT, 225, Group::kCorners, 1, 2},
    {IDC_LEGEND_TOP_LEFT, 135, Group::kCorners, 2, 2},     {IDC_LEGEND_TOP_RIGHT, 45, Group::kCorners, 3, 2},
    {IDC_LEGEND_RIGHT, 0, Group::kSides, 0, 1},            {IDC_LEGEND_BOTTOM, 270, Group::kSides, 1, 0},
    {IDC_LEGEND_LEFT, 180, Group::kSides, 2, 1},           {IDC_LEGEND_TOP, 90, Group::kSides, 3, 0},
};

struct ImageStrip {
    UINT bitmap;
    int width;
};
const ImageStrip kImages[3] = {{IDB_LEGEND_TOP_BOTTOM, 101}, {IDB_LEGEND_SIDES, 20}, {IDB_LEGEND_CORNERS, 20}};

const int kEnabledWithLegend[] = {IDC_LEGEND_GROUP, IDC_LEGEND_PICTURE, IDC_LEGEND_OVERLAP, IDC_LEGEND_FIXED};

// The angle of a group's checked button: corners 315, 225, 135, else 45; sides 0, 270, 180,
// else 90.
long AngleOf(Group group, int index) {
    for (const PositionButton& b : kButtons)
        if (b.group == group && b.index == index) return b.angle;
    return group == Group::kCorners ? 45 : 90;
}

}  // namespace

CQuickPrintLegendPage::CQuickPrintLegendPage(CQuickPrintDlg& sheet, IUnknown* printLegend)
    : QuickPrintPage(sheet, IDD_QUICK_PRINT_LEGEND), legend_(printLegend) {}

CQuickPrintLegendPage::~CQuickPrintLegendPage() { OnDestroy(); }

void CQuickPrintLegendPage::SetPosition(long degrees) noexcept {
    if (degrees < 0 || degrees >= 360 || degrees % 45 != 0) return;
    position_ = degrees;
    overlap_ = degrees % 90 != 0;
}

bool CQuickPrintLegendPage::CurrentlyShown() const { return Handle() ? IsChecked(IDC_LEGEND_SHOW) : show_; }
bool CQuickPrintLegendPage::CurrentlyOverlapping() const { return Handle() ? IsChecked(IDC_LEGEND_OVERLAP) : overlap_; }
long CQuickPrintLegendPage::CurrentPosition() const { return Handle() ? AngleOfControls() : position_; }

int CQuickPrintLegendPage::CheckedIndex(bool corners) const {
    for (int i = 0; i < 8; ++i) {
        const PositionButton& b = kButtons[i];
        if ((b.group == Group::kCorners) == corners && ::SendMessageW(Item(b.id), BM_GETCHECK, 0, 0) == BST_CHECKED)
            return b.index;
    }
    return -1;
}

long CQuickPrintLegendPage::AngleOfControls() const {
    const bool corners = IsChecked(IDC_LEGEND_OVERLAP);
    return AngleOf(corners ? Group::kCorners : Group::kSides, CheckedIndex(corners));
}

SIZE CQuickPrintLegendPage::MeasureLegend(SIZE preset) const {
    platform::ComPtr<IHostPrintLegend> legend;
    if (!legend_ || FAILED(legend_.As(legend))) return {0, 0};
    THROW_IF_FAILED(legend->Measure(nullptr, &preset.cx, &preset.cy));
    return preset;
}

// --- The window ------------------------------------------------------------------------------------

BOOL CQuickPrintLegendPage::OnInitDialog() {
    for (int i = 0; i < 3; ++i)
        images_[i] = ::ImageList_LoadImageW(ModuleHandle(), MAKEINTRESOURCEW(kImages[i].bitmap), kImages[i].width, 1,
                                            RGB(255, 255, 255), IMAGE_BITMAP, LR_CREATEDIBSECTION);
    for (int i = 0; i < 8; ++i) buttons_[i].Attach(Item(kButtons[i].id), images_[kButtons[i].images], true);
    const std::wstring note = PrintingText(IDS_LEGEND_OVERLAP_NOTE, L"");
    if (!note.empty()) ::SetDlgItemTextW(Handle(), IDC_LEGEND_NOTE, note.c_str());
    LoadPicture();
    MarkInitialised();
    FieldsToControls();
    PostUpdate();
    return TRUE;
}

void CQuickPrintLegendPage::LoadPicture() {
    const LANGID language = LANGIDFROMLCID(::GetThreadLocale());
    const bool usEnglish = PRIMARYLANGID(language) == LANG_ENGLISH && SUBLANGID(language) == SUBLANG_ENGLISH_US;
    HWND frame = Item(IDC_LEGEND_PICTURE);
    picture_ = static_cast<HBITMAP>(::LoadImageW(ModuleHandle(), MAKEINTRESOURCEW(usEnglish ? IDB_LEGEND_PAGE_US : IDB_LEGEND_PAGE),
                                                 IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (!picture_ || !frame) return;
    BITMAP info = {};
    ::GetObjectW(picture_, sizeof info, &info);
    pictureSize_ = {info.bmWidth, info.bmHeight};
    pictureDc_ = ::CreateCompatibleDC(platform::WindowDC(Handle()).Get());
    pictureOld_ = ::SelectObject(pictureDc_, picture_);
    ::GetClientRect(frame, &pictureRect_);
    ::MapWindowPoints(frame, Handle(), reinterpret_cast<POINT*>(&pictureRect_), 2);
}

void CQuickPrintLegendPage::OnDestroy() {
    if (pictureDc_) {
        ::SelectObject(pictureDc_, pictureOld_);
        ::DeleteDC(pictureDc_);
    }
    if (picture_) ::DeleteObject(picture_);
    pictureDc_ = nullptr;
    picture_ = nullptr;
    for (ZmoBitmapButton& button : buttons_) button.Unsubclass();
    for (HIMAGELIST& images : images_) {
        if (images) ::ImageList_Destroy(images);
        images = nullptr;
    }
    QuickPrintPage::OnDestroy();
}

void CQuickPrintLegendPage::FieldsToControls() {
    Check(IDC_LEGEND_SHOW, show_);
    Check(IDC_LEGEND_OVERLAP, overlap_);
    Check(IDC_LEGEND_FIXED, fixed_);
    // Each group shows a choice: the angle's button, or the group's first one.
    const bool cornerNamed = position_ % 90 != 0;
    for (const PositionButton& b : kButtons) {
        const bool named = b.angle == position_;
        const bool otherGroupFirst = b.index == 0 && (b.group == Group::kCorners) != cornerNamed;
        if (named || otherGroupFirst) ::SendMessageW(Item(b.id), BM_SETCHECK, BST_CHECKED, 0);
    }
}

void CQuickPrintLegendPage::ControlsToFields() {
    if (!IsInitialised()) return;
    show_ = IsChecked(IDC_LEGEND_SHOW);
    overlap_ = IsChecked(IDC_LEGEND_OVERLAP);
    fixed_ = IsChecked(IDC_LEGEND_FIXED);
    position_ = AngleOfControls();
}

void CQuickPrintLegendPage::UpdateEnabling() {
    const bool shown = IsChecked(IDC_LEGEND_SHOW);
    const bool overlap = IsChecked(IDC_LEGEND_OVERLAP);
    for (int id : kEnabledWithLegend) Enable(id, shown);
    for (const PositionButton& b : kButtons) {
        Enable(b.id, shown);
        ::ShowWindow(Item(b.id), (b.group == Group::kCorners) == overlap ? SW_SHOW : SW_HIDE);
    }
    ::ShowWindow(Item(IDC_LEGEND_NOTE), overlap ? SW_SHOW : SW_HIDE);
    Enable(IDC_LEGEND_NOTE, shown);
    ::InvalidateRect(Handle(), &pictureRect_, TRUE);
}

void CQuickPrintLegendPage::Paint() {
    PAINTSTRUCT paint;
    HDC dc = ::BeginPaint(Handle(), &paint);
    if (pictureDc_) {
        // Greyed out while the legend is not printed.
        const DWORD operation = ::IsWindowEnabled(Item(IDC_LEGEND_PICTURE)) ? SRCCOPY : MERGEPAINT;
        ::StretchBlt(dc, pictureRect_.left, pictureRect_.top, pictureRect_.right - pictureRect_.left,
                     pictureRect_.bottom - pictureRect_.top, pictureDc_, 0, 0, pictureSize_.cx - 1, pictureSize_.cy - 1,
                     operation);
    }
    ::EndPaint(Handle(), &paint);
}

void CQuickPrintLegendPage::OnCommand(int id, int code) {
    if (code != BN_CLICKED) return;
    if (id == IDC_LEGEND_SHOW) {
        show_ = IsChecked(IDC_LEGEND_SHOW);
        PostUpdate();
    } else if (id == IDC_LEGEND_OVERLAP) {
        overlap_ = IsChecked(IDC_LEGEND_OVERLAP);
        PostUpdate();
    } else if (id == IDC_LEGEND_FIXED) {
        fixed_ = IsChecked(IDC_LEGEND_FIXED);
    }
}

bool CQuickPrintLegendPage::OnPageMessage(UINT msg, WPARAM, LPARAM lp, INT_PTR& result) {
    switch (msg) {
    case WM_PAINT:
        Paint();
        return true;
    case WM_CTLCOLORSTATIC:
        if (reinterpret_cast<HWND>(lp) != Item(IDC_LEGEND_PICTURE)) return false;
        result = reinterpret_cast<INT_PTR>(::GetStockObject(HOLLOW_BRUSH));
        return true;
    case WM_DRAWITEM: {
        const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
        for (int i = 0; i < 8; ++i) {
            if (static_cast<int>(item.CtlID) != kButtons[i].id) continue;
            buttons_[i].Draw(item);
            result = TRUE;
            return true;
        }
        return false;
    }
    default: return false;
    }
}
