#include "ZmaVOMap2/dialogs/MapSeriesDlg.h"

#include "ZmaVOMap2/services/RegistryStrings.h"
#include "ZmaVOMap2/datalayers/ZmaVadAZDataLayer.h"
#include "ZmaVOMap2/dialogs/DialogResources.h"
#include "ZmaVOMap2/dialogs/DialogSupport.h"
#include "ZmaVOMap2/dialogs/LabelPropDlg.h"
#include "ZmaVOMap2/dialogs/LayerControlLinks.h"
#include "ZmaVOMap2/dialogs/LayerOffsetDlg.h"
#include "ZmaVOMap2/dialogs/LayerPropDlg.h"
#include "ZmaVOMap2/dialogs/LinesToCellsPropertiesDlg.h"
#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineIds.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayer.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"
#include "ZmaVOMap2/services/PathNames.h"
#include "ZmaVOMap2/workspaces/ZmaVOMapXWorkspaceGST.h"
#include "ZmaVOMap2/workspaces/ZmaVOMapXWorkspaceWOR.h"
#include "platform/Module.h"
#include "platform/Result.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

using platform::ComPtr;
using platform::Variant;
using namespace layerdialogs;

namespace {

constexpr DWORD_PTR kHelpTopic = 131194;
constexpr int kFileBufferLength = 2600;
constexpr int kColumnMargin = 51;

// The file dialog's filter: "All Map Files and Workspaces", tables, workspaces, geosets, lists.
constexpr wchar_t kLayerFilter[] =
    L"All Map Files and Workspaces (*.tab, *.wor, *.gst, *.atr)\0*.tab;*.wor;*.gst;*.atr\0"
    L"MapInfo Map Files (*.tab)\0*.tab\0"
    L"MapInfo Workspaces (*.wor)\0*.wor\0"
    L"MapInfo Geosets (*.gst)\0*.gst\0"
    L"Tiled Rasters (*.atr)\0*.atr\0";

enum class CellState { kChecked, kUnchecked, kUnavailable };

void DrawCell(HDC dc, const RECT& cell, CellState state) {
    if (cell.left < 0 || cell.top < 0 || cell.right < 0 || cell.bottom < 0) return;
    platform::UniqueHPen frame(::CreatePen(PS_SOLID, 1, RGB(0x80, 0x80, 0x80)));
    platform::UniqueHBrush fill(::CreateSolidBrush(state == CellState::kUnavailable ? RGB(0xD0, 0xD0, 0xD0)
                                                                                    : RGB(0xFF, 0xFF, 0xFF)));
    {
        platform::SelectObjectRestorer pen(dc, frame.Get());
        platform::SelectObjectRestorer brush(dc, fill.Get());
        ::Rectangle(dc, cell.left, cell.top, cell.right, cell.bottom);
    }
    if (state != CellState::kChecked) return;
    const int w = cell.right - cell.left, h = cell.bottom - cell.top;
    auto at = [&](int nx, int ny) { return POINT{cell.left + w * nx / 8, cell.top + h * ny / 8}; };
    const POINT tick[] = {at(2, 4), at(4, 6), at(7, 1)};
    platform::UniqueHPen black(::CreatePen(PS_SOLID, 1, RGB(0, 0, 0)));
    platform::SelectObjectRestorer pen(dc, black.Get());
    ::Polyline(dc, tick, 3);
}

std::string Extension(const std::string& path) {
    const size_t dot = path.rfind('.');
    const size_t slash = path.find_last_of("\\/");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return std::string();
    return platform::ToLower(path.substr(dot));
}

}  // namespace

CMapSeriesDlg::CMapSeriesDlg(IDispatch* engineMap, CZmaVadAZLayerCollection& layers, IUnknown* attributes,
                             LayerControlLinks* links)
    : Dialog(platform::Module::Instance(), IDD_LAYER_CONTROL),
      map_(engineMap),
      layers_(layers),
      attributes_(attributes),
      links_(links),
      clicks_(*this) {}

CMapSeriesDlg::~CMapSeriesDlg() = default;

RECT CMapSeriesDlg::CellRect(const RECT& row, int cell) {
    const int h = row.bottom - row.top;
    const int left = row.left + cell * (h + 2);
    return RECT{left + 2, row.top + 2, left + h - 2, row.bottom - 2};
}

BOOL CMapSeriesDlg::OnInitDialog() {
    HWND list = List();
    clicks_.Subclass(list);

    // The list's own font with the Arial face.
    LOGFONTW logFont = {};
    HFONT current = reinterpret_cast<HFONT>(::SendMessageW(list, WM_GETFONT, 0, 0));
    if (!current) current = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
    ::GetObjectW(current, sizeof logFont, &logFont);
    ::lstrcpynW(logFont.lfFaceName, L"Arial", LF_FACESIZE);
    logFont.lfCharSet = DEFAULT_CHARSET;
    font_.Reset(::CreateFontIndirectW(&logFont));
    ::SendMessageW(list, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);

    FillList();

    ::SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_HEADERDRAGDROP | LVS_EX_FULLROWSELECT);
    LVCOLUMNA column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = const_cast<char*>("Dummy");
    column.cx = 400;
    ::SendMessageA(list, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));
    AutosizeColumn();

    picture_.Reset(static_cast<HBITMAP>(::LoadImageW(ModuleHandle(), MAKEINTRESOURCEW(IDB_LAYER_CONTROL), IMAGE_BITMAP,
                                                     0, 0, LR_LOADTRANSPARENT | LR_LOADMAP3DCOLORS)));
    ::SendDlgItemMessageW(Handle(), IDC_LAYER_PICTURE, STM_SETIMAGE, IMAGE_BITMAP,
                          reinterpret_cast<LPARAM>(picture_.Get()));

    // The map does not redraw by itself while the layers are worked on.
    try {
        SetAutoRedraw(map_.Get(), false);
    }
    COM_CATCH_LOG();
    return TRUE;
}

void CMapSeriesDlg::AutosizeColumn() {
    HWND list = List();
    ::SendMessageW(list, LVM_SETCOLUMNWIDTH, 0, MAKELPARAM(LVSCW_AUTOSIZE, 0));
    const LRESULT width = ::SendMessageW(list, LVM_GETCOLUMNWIDTH, 0, 0);
    ::SendMessageW(list, LVM_SETCOLUMNWIDTH, 0, MAKELPARAM(width + kColumnMargin, 0));
}

CZmaVadAZLayer* CMapSeriesDlg::LayerAt(int item) const {
    LVITEMA data = {};
    data.mask = LVIF_PARAM;
    data.iItem = item;
    if (!::SendMessageA(List(), LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&data))) return nullptr;
    return reinterpret_cast<CZmaVadAZLayer*>(data.lParam);
}

int CMapSeriesDlg::SelectedCount() const {
    return static_cast<int>(::SendMessageW(List(), LVM_GETSELECTEDCOUNT, 0, 0));
}

namespace {

void InsertRow(HWND list, int index, const std::string& text, LPARAM data) {
    LVITEMA item = {};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = index;
    item.pszText = const_cast<char*>(text.c_str());
    item.lParam = data;
    ::SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
}

void SetRowSelected(HWND list, int index, bool selected) {
    LVITEMW state = {};
    state.stateMask = LVIS_SELECTED;
    state.state = selected ? LVIS_SELECTED : 0;
    ::SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&state));
}

bool IsRowSelected(HWND list, int index) {
    return (::SendMessageW(list, LVM_GETITEMSTATE, static_cast<WPARAM>(index), LVIS_SELECTED) & LVIS_SELECTED) != 0;
}

// Each row put into a list that redraws updates its scroll bars, drawn anew every time by a
// themed window system: a list that takes many rows at once (a workspace of thousands of tables)
// is drawn once, after the last.
class RowsAtOnce {
public:
    explicit RowsAtOnce(HWND list) : list_(list) { ::SendMessageW(list_, WM_SETREDRAW, FALSE, 0); }
    ~RowsAtOnce() {
        ::SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
        ::InvalidateRect(list_, nullptr, TRUE);
    }
    RowsAtOnce(const RowsAtOnce&) = delete;
    RowsAtOnce& operator=(const RowsAtOnce&) = delete;

private:
    HWND list_;
};

}  // namespace

void CMapSeriesDlg::FillList() {
    HWND list = List();
    {
        RowsAtOnce rows(list);
        ::SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
        for (int i = 0; i < layers_.GetCount(); ++i) {
            layers_.SetCursor(i);
            if (CZmaVadAZLayer* layer = layers_.Current())
                InsertRow(list, i, layer->GetName(), reinterpret_cast<LPARAM>(layer));
        }
    }
    SetRowSelected(list, 0, true);
    ::SendMessageW(list, LVM_SETSELECTIONMARK, 0, 0);
    UpdateButtons();
}

void CMapSeriesDlg::UpdateButtons() {
    HWND list = List();
    const int selected = SelectedCount();
    const int first = static_cast<int>(::SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    const int count = static_cast<int>(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    const bool one = selected == 1, any = selected > 0;
    bool up = any, down = any, add = selected <= 1, remove = any, display = one, labels = one, lines = one,
         offset = any;
    if (first == 0) up = false;
    if (count > 0 && IsRowSelected(list, count - 1)) down = false;
    if (one) {
        if (CZmaVadAZLayer* layer = LayerAt(first)) {
            const int type = layer->GetType();
            display = type != CZmaVadAZLayer::kTypeAnnotations;
            labels = layer->HasFeatures();
            lines = type == CZmaVadAZLayer::kTypeCellSites;
            // Asked before the cursor moves to the row: a layer never lets the current layer go,
            // and the cursor always rests on the selected row.
            layers_.SetCursor(-1);
            remove = layer->CanRemove();
            offset = type == CZmaVadAZLayer::kTypeDataset;
        }
    }
    layers_.SetCursor(first);
    HWND d = Handle();
    Enable(d, IDC_LAYER_UP, up);
    Enable(d, IDC_LAYER_DOWN, down);
    Enable(d, IDC_LAYER_ADD, add);
    Enable(d, IDC_LAYER_REMOVE, remove);
    Enable(d, IDC_LAYER_DISPLAY, display);
    Enable(d, IDC_LAYER_LABELS, labels);
    Enable(d, IDC_LAYER_LINES, lines);
    Enable(d, IDC_LAYER_OFFSET, offset);
}

bool CMapSeriesDlg::OnMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR& result) {
    switch (msg) {
    case WM_DRAWITEM: {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
        if (item->CtlID != IDC_LAYER_LIST) return false;
        DrawRow(*item);
        result = TRUE;
        return true;
    }
    case WM_MEASUREITEM: return false;
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lp);
        if (header->idFrom != IDC_LAYER_LIST) return false;
        if (header->code == LVN_ITEMCHANGED) {
            const auto* change = reinterpret_cast<const NMLISTVIEW*>(lp);
            if ((change->uNewState & LVIS_SELECTED) && !(change->uOldState & LVIS_SELECTED)) UpdateButtons();
        } else if (header->code == NM_CLICK) {
            UpdateButtons();
        }
        return false;
    }
    case WM_COMMAND: break;
    default: return false;
    }
    if (HIWORD(wp) != BN_CLICKED) return false;
    switch (LOWORD(wp)) {
    case IDOK: Close(IDOK); break;
    case IDCANCEL: Close(IDCANCEL); break;
    case IDC_LAYER_ADD: Add(); break;
    case IDC_LAYER_REMOVE: Remove(); break;
    case IDC_LAYER_UP: MoveSelection(true); break;
    case IDC_LAYER_DOWN: MoveSelection(false); break;
    case IDC_LAYER_DISPLAY: ShowDisplayProperties(); break;
    case IDC_LAYER_LABELS: ShowLabelProperties(); break;
    case IDC_LAYER_LINES: ShowLines(); break;
    case IDC_LAYER_OFFSET: ShowOffset(); break;
    case IDC_LAYER_RASTER_TILER:
        if (links_) links_->ShowRasterTiler(::GetActiveWindow());
        result = 1;
        return true;
    case IDC_LAYER_EXPORT_TAB:
        if (links_) links_->ShowTabExport(Handle(), layers_);
        break;
    case IDC_LAYER_EXPORT_KML:
        try {
            if (links_) links_->ShowKmlExport(Handle(), layers_);
        }
        COM_CATCH_LOG();
        break;
    case IDC_LAYER_HELP:
        if (links_) links_->ShowHelp(Handle(), kHelpTopic);
        break;
    default: return false;
    }
    result = 0;
    return true;
}

void CMapSeriesDlg::Close(int result) {
    try {
        SetAutoRedraw(map_.Get(), true);
        layers_.RefreshMap();
    }
    COM_CATCH_LOG();
    ::EndDialog(Handle(), result);
}

void CMapSeriesDlg::DrawRow(const DRAWITEMSTRUCT& item) {
    if (!(item.itemAction & (ODA_DRAWENTIRE | ODA_SELECT | ODA_FOCUS))) return;
    HDC dc = item.hDC;
    const RECT& row = item.rcItem;
    itemHeight_ = row.bottom - row.top;
    auto* layer = reinterpret_cast<CZmaVadAZLayer*>(item.itemData);
    const bool selected = (item.itemState & ODS_SELECTED) != 0;

    platform::UniqueHBrush background(::CreateSolidBrush(selected ? ::GetSysColor(COLOR_ACTIVECAPTION) : RGB(255, 255, 255)));
    ::FillRect(dc, &row, background.Get());
    if (layer) {
        const bool visible = layer->IsVisible();
        const CellState states[] = {
            visible ? CellState::kChecked : CellState::kUnchecked,
            !layer->IsSelectableKind() ? CellState::kUnavailable
            : visible && layer->IsSelectable() ? CellState::kChecked : CellState::kUnchecked,
            !layer->IsEditableKind() ? CellState::kUnavailable
            : visible && layer->IsEditable() ? CellState::kChecked : CellState::kUnchecked,
            layer->GetLabelsVisible() ? CellState::kChecked : CellState::kUnchecked};
        for (int cell = 0; cell < 4; ++cell) DrawCell(dc, CellRect(row, cell), states[cell]);

        const int h = row.bottom - row.top;
        RECT text = row;
        text.left = row.left + 4 * h + 3 * 2 + 2;
        ::SetBkMode(dc, TRANSPARENT);
        ::SetTextColor(dc, selected ? RGB(255, 255, 255) : RGB(0, 0, 0));
        ::DrawTextA(dc, layer->GetName().c_str(), -1, &text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    }
    if (item.itemAction & ODA_FOCUS) ::DrawFocusRect(dc, &row);
}

bool CMapSeriesDlg::ListClicks::ProcessWindowMessage(HWND, UINT msg, WPARAM, LPARAM lp, LRESULT&) {
    if (msg == WM_LBUTTONDOWN) owner_.OnListClick(POINT{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))});
    return false;  // the list's own processing still runs
}

void CMapSeriesDlg::OnListClick(POINT point) {
    HWND list = List();
    const int count = static_cast<int>(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int item = 0; item < count; ++item) {
        RECT row = {};
        row.left = LVIR_BOUNDS;
        if (!::SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&row))) continue;
        if (!::PtInRect(&row, point)) continue;
        itemHeight_ = row.bottom - row.top;
        for (int cell = 0; cell < 4; ++cell) {
            const RECT square = CellRect(row, cell);
            if (!::PtInRect(&square, point)) continue;
            const int topBefore = static_cast<int>(::SendMessageW(list, LVM_GETTOPINDEX, 0, 0));
            bool labelsAlone = false;
            if (!ToggleCell(item, cell, labelsAlone)) return;
            FillList();
            if (labelsAlone) ::SendMessageW(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(item), FALSE);
            const int topAfter = static_cast<int>(::SendMessageW(list, LVM_GETTOPINDEX, 0, 0));
            if (topAfter != topBefore) ::SendMessageW(list, LVM_SCROLL, 0, (topBefore - topAfter) * itemHeight_);
            return;
        }
        return;
    }
}

bool CMapSeriesDlg::ToggleCell(int item, int cell, bool& labelsAlone) {
    CZmaVadAZLayer* clicked = LayerAt(item);
    if (!clicked) return false;
    HWND list = List();
    // Several selected rows that include the clicked one all take the clicked row's new state.
    std::vector<CZmaVadAZLayer*> targets;
    if (SelectedCount() > 1 && IsRowSelected(list, item)) {
        for (int i = -1; (i = static_cast<int>(::SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(i), LVNI_SELECTED))) != -1;)
            if (CZmaVadAZLayer* layer = LayerAt(i)) targets.push_back(layer);
    }
    const bool several = !targets.empty();

    switch (cell) {
    case kCellVisible: {
        const bool on = !clicked->IsVisible();
        if (several) {
            for (CZmaVadAZLayer* layer : targets) layer->SetVisible(on);
        } else {
            clicked->SetVisible(on);
            layers_.SyncLegendVisibility(clicked, on ? 1 : 0);
        }
        return true;
    }
    case kCellSelectable: {
        if (!clicked->IsSelectableKind()) return false;
        const bool on = !clicked->IsSelectable();
        if (!several) targets.assign(1, clicked);
        for (CZmaVadAZLayer* layer : targets)
            if (layer->IsSelectableKind()) layer->SetSelectable(on);
        return true;
    }
    case kCellEditable: {
        // One layer at a time is edited: a click takes editing from whichever layer has it, or
        // from the clicked one itself.
        if (!clicked->IsEditableKind()) return false;
        if (clicked->IsEditable())
            clicked->SetAsInsertionLayer(nullptr);
        else
            layers_.EditOnly(clicked);
        return true;
    }
    case kCellLabels: {
        const bool on = !clicked->GetLabelsVisible();
        if (several) {
            for (CZmaVadAZLayer* layer : targets) layer->SetLabelsVisible(on);
        } else {
            clicked->SetLabelsVisible(on);
            labelsAlone = true;
        }
        return true;
    }
    default: return false;
    }
}

void CMapSeriesDlg::Add() {
    try {
        std::vector<wchar_t> buffer(kFileBufferLength, L'\0');
        std::wstring folder = platform::ToWide(ReadRegistryString("Directories", "MapLayerDirectory"));
        if (folder.empty()) folder = L"terravex://";
        OPENFILENAMEW ofn = {};
        ofn.lStructSize = sizeof ofn;
        ofn.hwndOwner = Handle();
        ofn.lpstrFilter = kLayerFilter;
        ofn.lpstrFile = buffer.data();
        ofn.nMaxFile = kFileBufferLength;
        ofn.lpstrInitialDir = folder.c_str();
        ofn.lpstrTitle = L"Open Layer";
        ofn.lpstrDefExt = L"*.tab";
        ofn.Flags = OFN_EXPLORER | OFN_ALLOWMULTISELECT | OFN_HIDEREADONLY;
        if (!platform::Prompts().GetOpenFileName(ofn)) return;

        // One file: its full path. Several: the folder, then each name, each ended by a zero.
        const std::wstring first = buffer.data();
        const wchar_t* next = buffer.data() + first.size() + 1;
        if (!*next) {
            const size_t slash = first.rfind(L'\\');
            WriteRegistryString("Directories", "MapLayerDirectory",
                                platform::ToAnsi(slash == std::wstring::npos ? std::wstring() : first.substr(0, slash)));
            const std::string path = platform::ToAnsi(first);
            AddFile(path, GetFolderOfPath(path), true);
        } else {
            const std::string folder = platform::ToAnsi(first);
            WriteRegistryString("Directories", "MapLayerDirectory", folder);
            bool openedWorkspace = false;
            for (; *next; next += std::wcslen(next) + 1)
                openedWorkspace |= AddFile(folder + "\\" + platform::ToAnsi(next), folder + "\\", false);
            // Workspaces opened among several files list no layers one by one; the list is made
            // again so that its rows stay the collection's layers, row for layer.
            if (openedWorkspace) FillList();
        }

        ComPtr<IDispatch> engineLayers = GetObjectProperty(map_.Get(), Engine::Map::kLayers);
        const long engineCount = EngineDispatch(platform::ThrowIfNull(engineLayers.Get())).Get(Engine::Layers::kCount).ToLong();
        if (engineCount >= 1) Enable(Handle(), IDC_LAYER_REMOVE, true);
        AutosizeColumn();
    }
    CATCH_SWALLOW("the command ends: the collection has told the user what it could not open");
}

bool CMapSeriesDlg::AddFile(const std::string& path, const std::string& folder, bool rowPerLayer) {
    const std::string ext = Extension(path);
    std::shared_ptr<CZmaVOMapXWorkspace> reader;
    if (ext == ".wor") reader = std::make_shared<CZmaVOMapXWorkspaceWOR>();
    if (ext == ".gst") reader = std::make_shared<CZmaVOMapXWorkspaceGST>();
    if (reader) {
        if (rowPerLayer) reader->SetTarget(&CMapSeriesDlg::AddRowForLayer, this);
        RowsAtOnce rows(List());
        reader->Open(folder, path, layers_);
        return true;
    }
    if (CZmaVadAZLayer* layer = layers_.AddTemporaryTabLayer(CZmaVadAZLayer::kTypeOtherTable, path.c_str()))
        InsertRow(List(), 0, layer->GetName(), reinterpret_cast<LPARAM>(layer));
    return false;
}

void CMapSeriesDlg::AddRowForLayer(void* dialog, CZmaVadAZLayer* layer) {
    if (!dialog || !layer) return;
    InsertRow(static_cast<CMapSeriesDlg*>(dialog)->List(), 0, layer->GetName(), reinterpret_cast<LPARAM>(layer));
}

void CMapSeriesDlg::Remove() {
    HWND list = List();
    int mark = static_cast<int>(::SendMessageW(list, LVM_GETSELECTIONMARK, 0, 0));
    for (;;) {
        const int item = static_cast<int>(::SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
        if (item == -1) break;
        CZmaVadAZLayer* layer = LayerAt(item);
        if (!layer) break;
        const int type = layer->GetType();
        if (type == CZmaVadAZLayer::kTypeDirection || type == CZmaVadAZLayer::kTypeRegion) {
            platform::Prompts().MessageBox(Handle(), platform::LoadStringResource(ModuleHandle(), IDS_CANNOT_REMOVE_LAYER),
                                           platform::LoadStringResource(ModuleHandle(), IDS_MAP_CAPTION),
                                           MB_OK | MB_ICONINFORMATION);
            break;
        }
        ::SendMessageW(list, LVM_DELETEITEM, static_cast<WPARAM>(item), 0);
        layers_.RemoveLayer(layer, true, true);
    }
    const int count = static_cast<int>(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    if (mark < 0 || mark >= count) mark = count - 1;
    if (mark >= 0) {
        SetRowSelected(list, mark, true);
        ::SendMessageW(list, LVM_SETSELECTIONMARK, 0, mark);
    }
    UpdateButtons();
}

void CMapSeriesDlg::MoveSelection(bool up) {
    HWND list = List();
    const int count = static_cast<int>(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    auto moveRow = [&](int from, int to) -> bool {
        CZmaVadAZLayer* layer = LayerAt(from);
        if (!layer) return false;
        layers_.SetCursor(from);
        if (up)
            layers_.MoveCurrentLayerUp();
        else
            layers_.MoveCurrentLayerDown();
        char text[201] = {};
        LVITEMA item = {};
        item.iSubItem = 0;
        item.pszText = text;
        item.cchTextMax = 201;
        ::SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(from), reinterpret_cast<LPARAM>(&item));
        ::SendMessageW(list, LVM_DELETEITEM, static_cast<WPARAM>(from), 0);
        InsertRow(list, to, text, reinterpret_cast<LPARAM>(layer));
        SetRowSelected(list, to, true);
        ::SendMessageW(list, LVM_SETSELECTIONMARK, 0, to);
        ::SendMessageW(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(to), FALSE);
        UpdateButtons();
        return true;
    };
    if (up) {
        for (int i = 1; i < count; ++i)
            if (IsRowSelected(list, i) && !moveRow(i, i - 1)) return;
    } else {
        for (int i = count - 2; i >= 0; --i)
            if (IsRowSelected(list, i) && !moveRow(i, i + 1)) return;
    }
}

void CMapSeriesDlg::ShowDisplayProperties() {
    const int item = static_cast<int>(::SendMessageW(List(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    CZmaVadAZLayer* layer = item == -1 ? nullptr : LayerAt(item);
    if (!layer || !map_) return;
    CLayerPropDlg dialog(*layer, map_.Get());
    dialog.DoModal(Handle());
}

void CMapSeriesDlg::ShowLabelProperties() {
    const int item = static_cast<int>(::SendMessageW(List(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    CZmaVadAZLayer* layer = item == -1 ? nullptr : LayerAt(item);
    if (!layer) return;
    CLabelPropDlg dialog(map_.Get(), layer);
    dialog.DoModal(Handle());
    layers_.RefreshMap();
}

void CMapSeriesDlg::ShowLines() {
    const int item = static_cast<int>(::SendMessageW(List(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    CZmaVadAZLayer* layer = item == -1 ? nullptr : LayerAt(item);
    CZmaVadAZDataLayer* data = AsDataLayer(layer);
    if (!data) return;
    ShowLinesConfiguration(Handle(), *data, layers_, attributes_.Get());
}

void CMapSeriesDlg::ShowOffset() {
    CZmaVOMapXLayerOffsetDlg dialog(List(), layers_, map_.Get());
    if (dialog.DoModal(Handle()) == IDC_OFFSET_TOOL) Close(IDOK);
}
