#include "ZmaVOMap2/raster/RasterTileDlg.h"

#include "ZmaVOMap2/raster/BitmapTiler.h"
#include "ZmaVOMap2/raster/RasterResources.h"
#include "ZmaVOMap2/raster/RasterTable.h"
#include "ZmaVOMap2/services/HelpPath.h"
#include "platform/Com.h"
#include "platform/Module.h"
#include "platform/Result.h"
#include "platform/UniqueHandle.h"

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

constexpr wchar_t kReaderCaption[] = L"Map Raster Tiler";
constexpr wchar_t kTilerCaption[] = L"Raster Tiling Tool";
constexpr DWORD_PTR kHelpContext = 0x20000 + IDD_RASTER_TILE;
constexpr int kPathLength = MAX_PATH;

void Tell(const std::wstring& text, const wchar_t* caption, UINT icon = 0) {
    platform::Prompts().MessageBox(nullptr, text, caption, MB_OK | icon);
}

std::string ItemText(HWND dialog, int id, int length) {
    std::string text(static_cast<size_t>(length) + 1, '\0');
    text.resize(static_cast<size_t>(::GetDlgItemTextA(dialog, id, &text[0], length + 1)));
    return text;
}

struct FileCloser {
    void operator()(FILE* file) const noexcept { std::fclose(file); }
};
using UniqueStdFile = std::unique_ptr<FILE, FileCloser>;

}  // namespace

CRasterTileDlg::CRasterTileDlg(long tileWidth, long tileHeight)
    : Dialog(platform::Module::Instance(), IDD_RASTER_TILE), tileWidth_(tileWidth), tileHeight_(tileHeight) {
    INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_PROGRESS_CLASS};
    ::InitCommonControlsEx(&classes);
}

CRasterTileDlg::~CRasterTileDlg() = default;

BOOL CRasterTileDlg::OnInitDialog() {
    progress_ = ::GetDlgItem(Handle(), IDC_TILE_PROGRESS);
    ::CheckDlgButton(Handle(), IDC_TILE_BY_COUNT, BST_UNCHECKED);
    for (int id : {IDC_TILE_ACROSS_LABEL, IDC_TILE_DOWN_LABEL, IDC_TILE_ACROSS, IDC_TILE_DOWN})
        ::EnableWindow(::GetDlgItem(Handle(), id), FALSE);
    char folder[kPathLength] = {};
    ::GetCurrentDirectoryA(kPathLength, folder);
    outputFolder_ = folder;
    ::SetDlgItemTextA(Handle(), IDC_TILE_FOLDER, folder);
    return TRUE;
}

bool CRasterTileDlg::OnMessage(UINT msg, WPARAM wp, LPARAM, INT_PTR& result) {
    if (msg != WM_COMMAND) return false;
    const int id = LOWORD(wp);
    if (HIWORD(wp) == EN_UPDATE &&
        (id == IDC_TILE_TABLE || id == IDC_TILE_ACROSS || id == IDC_TILE_DOWN || id == IDC_TILE_FOLDER)) {
        OnEditUpdate(id);
    } else {
        switch (id) {
        case IDC_TILE_BROWSE_TABLE: BrowseForTable(); break;
        case IDC_TILE_BROWSE_FOLDER: BrowseForFolder(); break;
        case IDC_TILE_BY_COUNT: ToggleTileCounts(); break;
        case IDOK: TileRaster(); break;
        case IDCANCEL: ::EndDialog(Handle(), IDCANCEL); break;
        case IDHELP: ShowHelp(); break;
        default: return false;
        }
    }
    result = 0;
    return true;
}

void CRasterTileDlg::OnEditUpdate(int id) {
    switch (id) {
    case IDC_TILE_ACROSS: tilesAcross_ = std::strtol(ItemText(Handle(), id, 9).c_str(), nullptr, 10); break;
    case IDC_TILE_DOWN: tilesDown_ = std::strtol(ItemText(Handle(), id, 9).c_str(), nullptr, 10); break;
    case IDC_TILE_TABLE: tablePath_ = ItemText(Handle(), id, kPathLength - 1); break;
    case IDC_TILE_FOLDER: outputFolder_ = ItemText(Handle(), id, kPathLength - 1); break;
    default: break;
    }
}

void CRasterTileDlg::BrowseForTable() {
    wchar_t file[kPathLength] = {};
    OPENFILENAMEW ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = Handle();
    ofn.lpstrFilter = L"MapInfo Tables (*.tab)\0*.tab\0";
    ofn.lpstrFile = file;
    ofn.nMaxFile = kPathLength;
    ofn.lpstrTitle = L"Select Raster Layer";
    ofn.lpstrDefExt = L"*.tab";
    ofn.Flags = OFN_HIDEREADONLY | OFN_FILEMUSTEXIST;
    if (!platform::Prompts().GetOpenFileName(ofn)) return;
    tablePath_ = platform::ToAnsi(std::wstring(file));
    ::SetDlgItemTextA(Handle(), IDC_TILE_TABLE, tablePath_.c_str());
    if (!ReadRasterTable()) {
        tablePath_.clear();
        ::SetDlgItemTextA(Handle(), IDC_TILE_TABLE, "");
    }
}

bool CRasterTileDlg::ReadRasterTable() {
    if (tablePath_.empty()) return false;
    UniqueStdFile file(std::fopen(tablePath_.c_str(), "r"));
    if (!file) return false;
    const raster::SourceTable table = raster::ReadSourceTable(file.get(), raster::FolderOf(tablePath_));
    long width = 0, height = 0;
    if (table.hasFile) {
        platform::UniqueHBitmap image(CBitmapTiler::LoadImageFile(table.imagePath));
        if (!image) {
            Tell(L"Failed to load the registered image.", kReaderCaption, MB_ICONEXCLAMATION);
            return false;
        }
        BITMAP info = {};
        ::GetObjectW(image.Get(), sizeof info, &info);
        width = info.bmWidth;
        height = info.bmHeight;
    }
    if (table.hasType && !table.isRaster) {
        Tell(L"The specified layer is not a raster.", kReaderCaption, MB_ICONEXCLAMATION);
        return false;
    }
    if (!table.hasFile || !table.hasType) return false;
    // Tiles of an image that lies nowhere could not be placed either.
    std::optional<raster::PixelMapping> mapping = raster::PixelMapping::Fit(table.controlPoints);
    if (!mapping) {
        Tell(L"The control points of the table do not place its image on the map.", kReaderCaption,
             MB_ICONEXCLAMATION);
        return false;
    }
    pixelMapping_ = mapping;
    imagePath_ = table.imagePath;
    coordSysText_ = table.coordSysText;
    imageWidth_ = width;
    imageHeight_ = height;
    return true;
}

void CRasterTileDlg::BrowseForFolder() {
    std::wstring folder;
    if (!platform::Prompts().BrowseForFolder(Handle(), L"Choose a folder", folder)) return;
    outputFolder_ = platform::ToAnsi(folder);
    ::SetDlgItemTextA(Handle(), IDC_TILE_FOLDER, outputFolder_.c_str());
}

void CRasterTileDlg::ToggleTileCounts() {
    const bool enable = !::IsWindowEnabled(::GetDlgItem(Handle(), IDC_TILE_ACROSS));
    for (int id : {IDC_TILE_ACROSS_LABEL, IDC_TILE_DOWN_LABEL, IDC_TILE_ACROSS, IDC_TILE_DOWN})
        ::EnableWindow(::GetDlgItem(Handle(), id), enable);
    if (!enable) return;
    tilesAcross_ = imageWidth_ / 200;
    tilesDown_ = imageHeight_ / 200;
    ::SetDlgItemTextA(Handle(), IDC_TILE_ACROSS, std::to_string(tilesAcross_).c_str());
    ::SetDlgItemTextA(Handle(), IDC_TILE_DOWN, std::to_string(tilesDown_).c_str());
}

void CRasterTileDlg::ShowHelp() { CallHtmlHelp(Handle(), HelpFilePath(), 0, kHelpContext); }

bool CRasterTileDlg::CheckTileCounts() {
    if (tilesAcross_ >= 1 && tilesDown_ >= 1 && tilesAcross_ <= imageWidth_ && tilesDown_ <= imageHeight_) return true;
    Tell(L"The number of tiles must be from 1 to " + std::to_wstring(imageWidth_) + L" across and from 1 to " +
             std::to_wstring(imageHeight_) + L" down.",
         kTilerCaption);
    return false;
}

void CRasterTileDlg::TileRaster() {
    CBitmapTiler tiler;
    if (!tiler.LoadBitmap(imagePath_)) {
        Tell(L"Tiling failed.", kTilerCaption);
        return;
    }
    const bool byCount = ::IsDlgButtonChecked(Handle(), IDC_TILE_BY_COUNT) == BST_CHECKED;
    if (byCount && !CheckTileCounts()) return;
    const std::string base = raster::BaseNameOf(imagePath_);
    // The index comes first: when it cannot be created (a folder that does not exist), nothing
    // at all is written.
    const std::string indexPath = outputFolder_ + "\\" + base + ".atr";
    UniqueStdFile index(std::fopen(indexPath.c_str(), "w"));
    if (!index) {
        Tell(L"The index " + platform::ToWide(indexPath) + L" cannot be created.", kTilerCaption);
        return;
    }

    const std::vector<raster::TileRect> tiles = byCount ? raster::TilesByCount(imageWidth_, imageHeight_, tilesAcross_, tilesDown_)
                                                        : raster::TilesOfSize(imageWidth_, imageHeight_, tileWidth_, tileHeight_);
    StartProgress(progress_, tiles.size());

    int number = 1;
    int skippedColumn = -1;
    for (const raster::TileRect& tile : tiles) {
        if (tile.column == skippedColumn) continue;
        const std::string name = base + "tl" + std::to_string(number);
        const RECT rect = {tile.left, tile.top, tile.right, tile.bottom};
        if (!tiler.CopyTile(outputFolder_ + "\\" + name + ".bmp", rect) ||
            !WriteTileTable(outputFolder_ + "\\" + name + ".tab", name + ".bmp", rect)) {
            Tell(L"Tiling failed.", kTilerCaption);
            skippedColumn = tile.column;
            continue;
        }
        ::SendMessageW(progress_, PBM_STEPIT, 0, 0);
        std::fputs((name + ".tab\n").c_str(), index.get());
        ++number;
    }
    ::SendMessageW(progress_, PBM_SETPOS, 0, 0);
}

// Each corner of the tile where the source puts that pixel position: the tile's pixels lie where
// the source's do, whatever their shape and the image's rotation.
bool CRasterTileDlg::WriteTileTable(const std::string& tablePath, const std::string& bitmapName, const RECT& rect) {
    if (!pixelMapping_) return false;
    const long width = rect.right - rect.left, height = rect.bottom - rect.top;
    raster::ControlPoints points = {raster::ControlPoint{0, 0, 0, 0}, raster::ControlPoint{0, 0, 0, height},
                                    raster::ControlPoint{0, 0, width, 0}, raster::ControlPoint{0, 0, width, height}};
    for (raster::ControlPoint& p : points)
        pixelMapping_->ToMap(static_cast<double>(rect.left + p.column), static_cast<double>(rect.top + p.row), p.x,
                             p.y);
    return raster::WriteTextFile(tablePath, raster::FormatRasterTable(bitmapName, points, coordSysText_));
}

void StartProgress(HWND bar, size_t count) {
    ::SendMessageW(bar, PBM_SETRANGE32, 0, static_cast<LPARAM>(count));
    ::SendMessageW(bar, PBM_SETSTEP, 1, 0);
    ::SendMessageW(bar, PBM_SETPOS, 0, 0);
}

void RunRasterTiler(HWND owner) {
    CRasterTileDlg dialog(200, 200);
    dialog.DoModal(owner);
}
