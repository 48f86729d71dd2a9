#include "ZmaVOMap2/printing/BatchPrintDialog.h"

#include "ZmaVOMap2/printing/BatchPrintResource.h"
#include "platform/Module.h"
#include "platform/UniqueHandle.h"

#include <olectl.h>

#include <algorithm>

namespace {

constexpr int kColumnPadding = 15;
constexpr int kNameIndent = 2;

HINSTANCE Instance() { return platform::Module::Instance(); }

std::wstring Text(UINT id) { return platform::LoadStringResource(Instance(), id); }

// The width of a text in the window's font.
int TextWidth(HWND window, const std::wstring& text) {
    platform::WindowDC dc(window);
    if (!dc) return 0;
    platform::SelectObjectRestorer font(dc.Get(), reinterpret_cast<HFONT>(::SendMessageW(window, WM_GETFONT, 0, 0)));
    const int mode = ::SetMapMode(dc.Get(), MM_TEXT);
    RECT r = {0, 0, 0, 0};
    ::DrawTextW(dc.Get(), text.c_str(), static_cast<int>(text.size()), &r, DT_CALCRECT | DT_SINGLELINE);
    ::SetMapMode(dc.Get(), mode);
    return r.right - r.left;
}

}  // namespace

// --- The list ------------------------------------------------------------------------------------

BatchPrintListView::~BatchPrintListView() {
    Unsubclass();
    if (images_) ::ImageList_Destroy(images_);
}

bool BatchPrintListView::Attach(HWND list) {
    if (!Subclass(list)) return false;
    // Image 0 an empty box, image 1 a ticked one; magenta is transparent.
    images_ = ::ImageList_LoadImageW(Instance(), MAKEINTRESOURCEW(IDB_BATCH_CHECKS), 11, 0, RGB(255, 0, 255),
                                     IMAGE_BITMAP, LR_CREATEDIBSECTION);
    int cx = 11, cy = 11;
    if (images_) ::ImageList_GetIconSize(images_, &cx, &cy);
    image_ = {cx, cy};
    return true;
}

int BatchPrintListView::ColumnLeft(int rowLeft, int column) const {
    int left = rowLeft;
    for (int c = 0; c < column; ++c) left += static_cast<int>(::SendMessageW(Handle(), LVM_GETCOLUMNWIDTH, c, 0));
    return left;
}

RECT BatchPrintListView::CheckRect(int row, int column) const {
    RECT bounds = {LVIR_BOUNDS, 0, 0, 0};
    if (!::SendMessageW(Handle(), LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&bounds))) return {0, 0, 0, 0};
    const int left = ColumnLeft(bounds.left, column);
    const int width = static_cast<int>(::SendMessageW(Handle(), LVM_GETCOLUMNWIDTH, column, 0));
    RECT check;
    check.left = left + (width - image_.cx) / 2;
    check.top = bounds.top + (bounds.bottom - bounds.top - image_.cy) / 2;
    check.right = check.left + image_.cx;
    check.bottom = check.top + image_.cy;
    return check;
}

int BatchPrintListView::WidestName() const {
    int widest = 0;
    for (const BatchPrintEntry& entry : entries_) widest = std::max(widest, TextWidth(Handle(), entry.name));
    return widest + 2 * kNameIndent;
}

bool BatchPrintListView::ProcessWindowMessage(HWND, UINT msg, WPARAM, LPARAM lp, LRESULT& result) {
    switch (msg) {
    case OCM_DRAWITEM:
        DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp));
        result = TRUE;
        return true;
    case OCM_MEASUREITEM: {
        auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lp);
        TEXTMETRICW metrics = {};
        platform::WindowDC dc(Handle());
        platform::SelectObjectRestorer font(dc.Get(), reinterpret_cast<HFONT>(::SendMessageW(Handle(), WM_GETFONT, 0, 0)));
        ::GetTextMetricsW(dc.Get(), &metrics);
        measure->itemHeight = static_cast<UINT>(std::max<long>(metrics.tmHeight, image_.cy) + 4);
        result = TRUE;
        return true;
    }
    case WM_LBUTTONDOWN:
        OnLeftButtonDown({static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))});
        return false;  // the click goes on to the list as usual
    case WM_NOTIFY:
        return OnHeaderNotify(*reinterpret_cast<const NMHEADERW*>(lp), result);
    case WM_KILLFOCUS:
        ::InvalidateRect(Handle(), nullptr, TRUE);
        return false;
    default:
        return false;
    }
}

void BatchPrintListView::DrawItem(const DRAWITEMSTRUCT& item) {
    if (item.CtlType != ODT_LISTVIEW || item.itemData >= entries_.size()) return;
    const BatchPrintEntry& entry = entries_[item.itemData];
    HDC dc = item.hDC;
    const bool highlighted = (item.itemState & ODS_SELECTED) && ::GetFocus() == Handle();
    ::FillRect(dc, &item.rcItem, ::GetSysColorBrush(highlighted ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    if (item.itemState & ODS_FOCUS) ::DrawFocusRect(dc, &item.rcItem);
    const bool flags[2] = {entry.batchPrint, entry.includeOnAll};
    for (int column = 0; column < 2; ++column) {
        const RECT check = CheckRect(static_cast<int>(item.itemID), column);
        if (images_) ::ImageList_Draw(images_, flags[column] ? 1 : 0, dc, check.left, check.top, ILD_TRANSPARENT);
    }
    RECT name = item.rcItem;
    name.left = ColumnLeft(item.rcItem.left, 2) + kNameIndent;
    const COLORREF text = ::SetTextColor(dc, ::GetSysColor(highlighted ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    const COLORREF back = ::SetBkColor(dc, ::GetSysColor(highlighted ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    ::DrawTextW(dc, entry.name.c_str(), static_cast<int>(entry.name.size()), &name,
                DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
    ::SetTextColor(dc, text);
    ::SetBkColor(dc, back);
}

void BatchPrintListView::OnLeftButtonDown(POINT point) {
    LVHITTESTINFO hit = {};
    hit.pt = point;
    const int row = static_cast<int>(::SendMessageW(Handle(), LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    if (row < 0) return;
    LVITEMW item = {};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    if (!::SendMessageW(Handle(), LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)) ||
        static_cast<size_t>(item.lParam) >= entries_.size())
        return;
    BatchPrintEntry& entry = entries_[static_cast<size_t>(item.lParam)];
    for (int column = 0; column < 2; ++column) {
        const RECT check = CheckRect(row, column);
        if (!::PtInRect(&check, point)) continue;
        bool& flag = column == 0 ? entry.batchPrint : entry.includeOnAll;
        flag = !flag;
        callback_.OnCheckStateChanged();
        ::InvalidateRect(Handle(), nullptr, TRUE);
        return;
    }
}

bool BatchPrintListView::OnHeaderNotify(const NMHEADERW& header, LRESULT& result) {
    const int narrowest = image_.cx + 4;
    switch (header.hdr.code) {
    case HDN_ITEMCHANGINGW:
    case HDN_ITEMCHANGINGA:
        // The check columns never get narrower than their image.
        if (header.iItem < 2 && header.pitem && (header.pitem->mask & HDI_WIDTH) && header.pitem->cxy < narrowest) {
            result = TRUE;
            return true;
        }
        return false;
    case HDN_DIVIDERDBLCLICKW:
    case HDN_DIVIDERDBLCLICKA:
        ::SendMessageW(Handle(), LVM_SETCOLUMNWIDTH, 0, narrowest);
        ::SendMessageW(Handle(), LVM_SETCOLUMNWIDTH, 1, narrowest);
        ::SendMessageW(Handle(), LVM_SETCOLUMNWIDTH, 2, WidestName());
        result = 0;
        return true;
    default:
        return false;
    }
}

// --- The dialog ----------------------------------------------------------------------------------

BatchPrintDialog::BatchPrintDialog(BatchPrintLayers& layers, BatchPrintActions& actions)
    : platform::Dialog(Instance(), IDD_BATCH_PRINT), layers_(layers), actions_(actions) {}

BatchPrintDialog::~BatchPrintDialog() = default;

HWND BatchPrintDialog::List() const { return ::GetDlgItem(Handle(), IDC_BATCH_LIST); }

std::vector<std::wstring> BatchPrintDialog::GetCheckedNames() const {
    std::vector<std::wstring> names;
    for (const BatchPrintEntry& entry : entries_)
        if (entry.batchPrint) names.push_back(entry.name);
    return names;
}

std::vector<std::wstring> BatchPrintDialog::GetSecondCheckedNames() const {
    std::vector<std::wstring> names;
    for (const BatchPrintEntry& entry : entries_)
        if (entry.includeOnAll) names.push_back(entry.name);
    return names;
}

BOOL BatchPrintDialog::OnInitDialog() {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES};
    ::InitCommonControlsEx(&controls);
    list_.Attach(List());
    SyncEntries();
    SetUpColumns();
    FillList();
    CentreOnOwner();
    return TRUE;
}

void BatchPrintDialog::SyncEntries() {
    const std::vector<BatchPrintLayer> layers = layers_.DataLayers();
    auto hasLayer = [&](const BatchPrintEntry& entry) {
        return std::any_of(layers.begin(), layers.end(), [&](const BatchPrintLayer& l) { return l.name == entry.name; });
    };
    entries_.erase(std::remove_if(entries_.begin(), entries_.end(), [&](const BatchPrintEntry& e) { return !hasLayer(e); }),
                   entries_.end());
    for (const BatchPrintLayer& layer : layers) {
        const bool known = std::any_of(entries_.begin(), entries_.end(),
                                       [&](const BatchPrintEntry& e) { return e.name == layer.name; });
        if (!known) entries_.push_back({layer.name, layer.batchPrint, layer.printOnAllPages, layer.key});
    }
}

void BatchPrintDialog::FillList() {
    HWND list = List();
    ::SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    for (size_t i = 0; i < entries_.size(); ++i) {
        LVITEMW item = {};
        item.mask = LVIF_PARAM | LVIF_TEXT;
        item.iItem = static_cast<int>(i);
        item.lParam = static_cast<LPARAM>(i);
        item.pszText = const_cast<wchar_t*>(L"");
        const int row = static_cast<int>(::SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
        LVITEMW name = {};
        name.iSubItem = 2;
        name.pszText = const_cast<wchar_t*>(entries_[i].name.c_str());
        ::SendMessageW(list, LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&name));
    }
    OnCheckStateChanged();
}

void BatchPrintDialog::OnCheckStateChanged() {
    const bool any = std::any_of(entries_.begin(), entries_.end(), [](const BatchPrintEntry& e) { return e.batchPrint; });
    ::EnableWindow(::GetDlgItem(Handle(), IDOK), any);
    ::EnableWindow(::GetDlgItem(Handle(), IDC_BATCH_PREVIEW), any);
}

void BatchPrintDialog::SetUpColumns() {
    HWND list = List();
    // A first column cannot be centred: a dummy one goes first and is deleted after.
    const struct {
        UINT text;
        int format;
    } columns[] = {{IDS_BATCH_DUMMY, LVCFMT_LEFT},
                   {IDS_BATCH_PRINT, LVCFMT_CENTER},
                   {IDS_BATCH_ALL, LVCFMT_CENTER},
                   {IDS_BATCH_NAME, LVCFMT_LEFT}};
    int index = 0;
    for (const auto& c : columns) {
        std::wstring caption = Text(c.text);
        LVCOLUMNW column = {};
        column.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH;
        column.fmt = c.format;
        column.pszText = &caption[0];
        column.cx = TextWidth(list, caption) + kColumnPadding;
        ::SendMessageW(list, LVM_INSERTCOLUMNW, index++, reinterpret_cast<LPARAM>(&column));
    }
    ::SendMessageW(list, LVM_DELETECOLUMN, 0, 0);
    ::SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_SUBITEMIMAGES, LVS_EX_SUBITEMIMAGES);
    // Sized to their headers, but never narrower than their captions.
    for (int column = 0; column < 3; ++column) {
        const LRESULT captioned = ::SendMessageW(list, LVM_GETCOLUMNWIDTH, column, 0);
        ::SendMessageW(list, LVM_SETCOLUMNWIDTH, column, LVSCW_AUTOSIZE_USEHEADER);
        if (::SendMessageW(list, LVM_GETCOLUMNWIDTH, column, 0) < captioned)
            ::SendMessageW(list, LVM_SETCOLUMNWIDTH, column, captioned);
    }
    // The names are shown whole; an empty list keeps the header's width.
    const int header = static_cast<int>(::SendMessageW(list, LVM_GETCOLUMNWIDTH, 2, 0));
    ::SendMessageW(list, LVM_SETCOLUMNWIDTH, 2, std::max(header, list_.WidestName()));
}

void BatchPrintDialog::CentreOnOwner() {
    HWND owner = ::GetWindow(Handle(), GW_OWNER);
    RECT area, dialog;
    if (!owner || !::GetWindowRect(owner, &area)) ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    ::GetWindowRect(Handle(), &dialog);
    const int width = dialog.right - dialog.left, height = dialog.bottom - dialog.top;
    ::SetWindowPos(Handle(), nullptr, area.left + (area.right - area.left - width) / 2,
                   area.top + (area.bottom - area.top - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool BatchPrintDialog::Reflect(UINT msg, WPARAM wp, LPARAM lp, INT_PTR& result) {
    HWND child = nullptr;
    if (msg == WM_DRAWITEM && wp) child = reinterpret_cast<const DRAWITEMSTRUCT*>(lp)->hwndItem;
    if (msg == WM_MEASUREITEM && wp) child = ::GetDlgItem(Handle(), static_cast<int>(wp));
    if (msg == WM_NOTIFY) child = reinterpret_cast<const NMHDR*>(lp)->hwndFrom;
    if (!child || !::IsWindow(child)) return false;
    result = ::SendMessageW(child, OCM__BASE + msg, wp, lp);
    return true;
}

bool BatchPrintDialog::OnMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR& result) {
    if (msg != WM_COMMAND) return Reflect(msg, wp, lp, result);
    switch (LOWORD(wp)) {
    case IDOK:
    case IDCANCEL:
        ::EndDialog(Handle(), LOWORD(wp));
        break;
    case IDC_BATCH_SETUP:
        actions_.PageSetup(Handle());
        ::SetFocus(Handle());
        break;
    case IDC_BATCH_PREVIEW:
        actions_.PreviewBatch(GetCheckedNames(), GetSecondCheckedNames());
        break;
    case IDC_BATCH_ATTRIBUTES:
        actions_.EditAttributes();
        if (!Handle()) return true;
        SyncEntries();
        FillList();
        ::SetFocus(Handle());
        break;
    default:
        return false;
    }
    result = 0;
    return true;
}
