#include "ZmaVOMap2/raster/RasterTileDlg.h"

#include "ZmaVOMap2/raster/BitmapTiler.h"
#include "ZmaVOMap2/raster/PictureFile.h"
#include "ZmaVOMap2/raster/RasterResources.h"
#include "ZmaVOMap2/services/HelpPath.h"
#include "ZmaVOMap2/services/NumberInput.h"
#include "platform/Com.h"
#include "platform/Module.h"
#include "platform/Result.h"
#include "platform/UniqueHandle.h"

#include <commctrl.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

constexpr wchar_t kReaderCaption[] = L"Map Raster Tiler";
constexpr wchar_t kTilerCaption[] = L"Raster Tiling Tool";
constexpr wchar_t kLoaderCaption[] = L"Map Tiling Tool";
constexpr DWORD_PTR kHelpContext = 0x20000 + IDD_RASTER_TILE;
constexpr int kPathLength = MAX_PATH;

void Tell(const std::wstring& text, const wchar_t* caption, UINT icon = 0) {
    platform::Prompts().MessageBox(nullptr, text, caption, MB_OK | icon);
}

std::wstring ItemText(HWND dialog, int id, int length) {
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(::GetDlgItemTextW(dialog, id, &text[0], length + 1)));
    return text;
}

bool IsFolder(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Why a picture could not be read, after its name.
std::wstring Reason(raster::PictureFault fault) {
    switch (fault) {
    case raster::PictureFault::kDamaged: return L": the file does not hold what its header describes";
    case raster::PictureFault::kOutOfMemory: return L": out of memory";
    default: return std::wstring();
    }
}

struct FileCloser {
    void operator()(FILE* file) const noexcept { std::fclose(file); }
};
using UniqueStdFile = std::unique_ptr<FILE, FileCloser>;

// While tiles are cut only Close is at the user's hand; the other controls come back as they were.
class ControlsHeld {
public:
    explicit ControlsHeld(HWND dialog) : dialog_(dialog) {
        ::SetFocus(::GetDlgItem(dialog, IDCANCEL));
        for (int id : kHeld) {
            HWND control = ::GetDlgItem(dialog, id);
            enabled_.push_back(::IsWindowEnabled(control));
            ::EnableWindow(control, FALSE);
        }
    }
    ~ControlsHeld() {
        if (!::IsWindow(dialog_)) return;
        for (size_t i = 0; i < enabled_.size(); ++i) ::EnableWindow(::GetDlgItem(dialog_, kHeld[i]), enabled_[i]);
        ::SetFocus(::GetDlgItem(dialog_, IDOK));
    }
    ControlsHeld(const ControlsHeld&) = delete;
    ControlsHeld& operator=(const ControlsHeld&) = delete;

private:
    static constexpr int kHeld[] = {IDOK,          IDC_TILE_BROWSE_TABLE, IDC_TILE_BROWSE_FOLDER, IDC_TILE_TABLE,
                                    IDC_TILE_FOLDER, IDC_TILE_BY_COUNT,   IDC_TILE_ACROSS,        IDC_TILE_DOWN};
    HWND dialog_;
    std::vector<BOOL> enabled_;
};

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
    wchar_t folder[kPathLength] = {};
    ::GetCurrentDirectoryW(kPathLength, folder);
    outputFolder_ = folder;
    ::SetDlgItemTextW(Handle(), IDC_TILE_FOLDER, folder);
    return TRUE;
}

bool CRasterTileDlg::OnMessage(UINT msg, WPARAM wp, LPARAM, INT_PTR& result) {
    if (msg != WM_COMMAND) return false;
    const int id = LOWORD(wp);
    result = 0;
    if (tiling_) {
        // Close (or Escape) stops the tiling between two tiles; nothing else is taken meanwhile.
        if (id == IDCANCEL) stopAsked_ = true;
        return true;
    }
    if (HIWORD(wp) == EN_UPDATE &&
        (id == IDC_TILE_TABLE || id == IDC_TILE_ACROSS || id == IDC_TILE_DOWN || id == IDC_TILE_FOLDER)) {
        OnEditUpdate(id);
        return true;
    }
    switch (id) {
    case IDC_TILE_BROWSE_TABLE: BrowseForTable(); break;
    case IDC_TILE_BROWSE_FOLDER: BrowseForFolder(); break;
    case IDC_TILE_BY_COUNT: ToggleTileCounts(); break;
    case IDOK: TileRaster(); break;
    case IDCANCEL: ::EndDialog(Handle(), IDCANCEL); break;
    case IDHELP: ShowHelp(); break;
    default: return false;
    }
    return true;
}

void CRasterTileDlg::OnEditUpdate(int id) {
    // A count is read whole, as every number typed into a dialog: "2abc" or "1,5" counts as none,
    // which Start refuses with the range, instead of tiling by the digits in front.
    auto count = [&] {
        double value = 0;
        return ReadNumber(EditText(Handle(), id), NumberRange::Whole(1, LONG_MAX), value) ? static_cast<long>(value) : 0L;
    };
    switch (id) {
    case IDC_TILE_ACROSS: tilesAcross_ = count(); break;
    case IDC_TILE_DOWN: tilesDown_ = count(); break;
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
    tablePath_ = file;
    ::SetDlgItemTextW(Handle(), IDC_TILE_TABLE, tablePath_.c_str());
    if (ReadRasterTable() != TableRead::kRead) {
        tablePath_.clear();
        ::SetDlgItemTextW(Handle(), IDC_TILE_TABLE, L"");
    }
}

CRasterTileDlg::TableRead CRasterTileDlg::ReadRasterTable() {
    if (tablePath_.empty()) return TableRead::kUnusable;
    UniqueStdFile file(::_wfopen(tablePath_.c_str(), L"r"));
    if (!file) return TableRead::kUnusable;
    const raster::SourceTable table = raster::ReadSourceTable(file.get(), raster::FolderOf(tablePath_));
    long width = 0, height = 0;
    if (table.hasFile) {
        const raster::PictureFault fault = raster::MeasurePicture(table.imagePath, width, height);
        if (fault != raster::PictureFault::kNone) {
            Tell(fault == raster::PictureFault::kUnreadable
                     ? L"Failed to load the registered image."
                     : L"Failed to load the registered image " + table.imagePath + Reason(fault) + L".",
                 kReaderCaption, MB_ICONEXCLAMATION);
            return TableRead::kRefused;
        }
    }
    if (table.hasType && !table.isRaster) {
        Tell(L"The specified layer is not a raster.", kReaderCaption, MB_ICONEXCLAMATION);
        return TableRead::kRefused;
    }
    if (!table.hasFile || !table.hasType) return TableRead::kUnusable;
    // Tiles of an image that lies nowhere could not be placed either.
    std::optional<raster::PixelMapping> mapping = raster::PixelMapping::Fit(table.controlPoints);
    if (!mapping) {
        Tell(L"The control points of the table do not place its image on the map.", kReaderCaption,
             MB_ICONEXCLAMATION);
        return TableRead::kRefused;
    }
    pixelMapping_ = mapping;
    imagePath_ = table.imagePath;
    coordSysText_ = table.coordSysText;
    imageWidth_ = width;
    imageHeight_ = height;
    return TableRead::kRead;
}

void CRasterTileDlg::BrowseForFolder() {
    std::wstring folder;
    if (!platform::Prompts().BrowseForFolder(Handle(), L"Choose a folder", folder)) return;
    outputFolder_ = folder;
    ::SetDlgItemTextW(Handle(), IDC_TILE_FOLDER, outputFolder_.c_str());
}

void CRasterTileDlg::ToggleTileCounts() {
    const bool enable = !::IsWindowEnabled(::GetDlgItem(Handle(), IDC_TILE_ACROSS));
    for (int id : {IDC_TILE_ACROSS_LABEL, IDC_TILE_DOWN_LABEL, IDC_TILE_ACROSS, IDC_TILE_DOWN})
        ::EnableWindow(::GetDlgItem(Handle(), id), enable);
    if (!enable) return;
    tilesAcross_ = imageWidth_ / 200;
    tilesDown_ = imageHeight_ / 200;
    ::SetDlgItemTextW(Handle(), IDC_TILE_ACROSS, std::to_wstring(tilesAcross_).c_str());
    ::SetDlgItemTextW(Handle(), IDC_TILE_DOWN, std::to_wstring(tilesDown_).c_str());
}

void CRasterTileDlg::ShowHelp() { CallHtmlHelp(Handle(), HelpFilePath(), 0, kHelpContext); }

bool CRasterTileDlg::CheckTileCounts() {
    if (tilesAcross_ >= 1 && tilesDown_ >= 1 && tilesAcross_ <= imageWidth_ && tilesDown_ <= imageHeight_) return true;
    Tell(L"The number of tiles must be from 1 to " + std::to_wstring(imageWidth_) + L" across and from 1 to " +
             std::to_wstring(imageHeight_) + L" down.",
         kTilerCaption);
    return false;
}

// Everything that can be known before a tile is cut is checked first, so that a refused tiling
// writes nothing. The table is read again, so that Start tiles the table and image as they are
// now, and a table typed rather than browsed for. The index is written last, and only when
// every tile was: a failed or stopped tiling leaves no index that looks complete.
void CRasterTileDlg::TileRaster() {
    const TableRead read = ReadRasterTable();
    if (read == TableRead::kRefused) return;
    if (read != TableRead::kRead)
        return Tell(L"A raster table must be chosen: choose the registered raster to cut into tiles.", kTilerCaption);
    const bool byCount = ::IsDlgButtonChecked(Handle(), IDC_TILE_BY_COUNT) == BST_CHECKED;
    if (byCount && !CheckTileCounts()) return;
    const long long count = byCount ? static_cast<long long>(tilesAcross_) * tilesDown_
                                    : raster::CountTilesOfSize(imageWidth_, imageHeight_, tileWidth_, tileHeight_);
    if (count > kMaxTiles)
        return Tell(L"The tiling would make " + std::to_wstring(count) + L" tiles; a tiling makes at most " +
                        std::to_wstring(kMaxTiles) + L". Choose fewer tiles.",
                    kTilerCaption);
    const std::wstring base = raster::BaseNameOf(imagePath_);
    std::string baseText;
    if (!raster::TableText(base, baseText))
        return Tell(L"A raster table cannot name the tiles of \"" + base +
                        L"\": its character set (WindowsLatin1) lacks some of the name's characters.",
                    kTilerCaption);
    const std::wstring indexPath = outputFolder_ + L"\\" + base + L".atr";
    if (!IsFolder(outputFolder_) || IsFolder(indexPath))
        return Tell(L"The index " + indexPath + L" cannot be created.", kTilerCaption);
    CBitmapTiler tiler;
    const raster::PictureFault fault = tiler.LoadBitmap(imagePath_);
    if (fault != raster::PictureFault::kNone) {
        const std::wstring reason = fault == raster::PictureFault::kUnreadable ? std::wstring() : Reason(fault) + L".";
        return Tell(L"Failed to load " + imagePath_ + reason + L"\n", kLoaderCaption);
    }

    // An earlier index goes as soon as the tiles it lists may be overwritten.
    ::DeleteFileW(indexPath.c_str());
    const std::vector<raster::TileRect> tiles =
        byCount ? raster::TilesByCount(imageWidth_, imageHeight_, tilesAcross_, tilesDown_)
                : raster::TilesOfSize(imageWidth_, imageHeight_, tileWidth_, tileHeight_);
    std::string index;
    size_t written = 0;
    std::wstring failedPath;
    Outcome outcome = Outcome::kStopped;
    {
        ControlsHeld held(Handle());
        tiling_ = true;
        struct Running {
            bool& tiling;
            ~Running() { tiling = false; }
        } running{tiling_};
        stopAsked_ = false;
        StartProgress(progress_, tiles.size());
        outcome = CutTiles(tiler, tiles, base, baseText, index, written, failedPath);
        ::SendMessageW(progress_, PBM_SETPOS, 0, 0);
    }

    const std::wstring noIndex = L"; no index was written.";
    switch (outcome) {
    case Outcome::kComplete:
        if (!raster::WriteTextFile(indexPath, index)) {
            ::DeleteFileW(indexPath.c_str());
            Tell(L"Tiling failed: the index " + indexPath + L" cannot be written.", kTilerCaption);
        }
        return;
    case Outcome::kFailed:
        return Tell(L"Tiling failed: " + failedPath + L" cannot be written" + noIndex, kTilerCaption);
    case Outcome::kOutOfMemory: return Tell(L"Tiling failed: out of memory" + noIndex, kTilerCaption);
    case Outcome::kStopped:
        Tell(L"Tiling stopped after " + std::to_wstring(written) + L" of " + std::to_wstring(tiles.size()) + L" tiles" +
                 noIndex,
             kTilerCaption);
        if (::IsWindow(Handle())) ::EndDialog(Handle(), IDCANCEL);
        return;
    }
}

CRasterTileDlg::Outcome CRasterTileDlg::CutTiles(CBitmapTiler& tiler, const std::vector<raster::TileRect>& tiles,
                                                 const std::wstring& base, const std::string& baseText,
                                                 std::string& index, size_t& written, std::wstring& failedPath) {
    for (const raster::TileRect& tile : tiles) {
        if (!KeepResponsive()) return Outcome::kStopped;
        const std::wstring number = std::to_wstring(written + 1);
        const std::wstring path = outputFolder_ + L"\\" + base + L"tl" + number;
        const std::string name = baseText + "tl" + platform::ToAnsi(number);
        const RECT rect = {tile.left, tile.top, tile.right, tile.bottom};
        failedPath = path + L".bmp";
        const CBitmapTiler::CopyResult copied = tiler.CopyTile(failedPath, rect);
        if (copied == CBitmapTiler::CopyResult::kOutOfMemory) return Outcome::kOutOfMemory;
        if (copied != CBitmapTiler::CopyResult::kCopied) return Outcome::kFailed;
        failedPath = path + L".tab";
        if (!WriteTileTable(failedPath, name + ".bmp", rect)) return Outcome::kFailed;
        ::SendMessageW(progress_, PBM_STEPIT, 0, 0);
        index += name + ".tab\n";
        ++written;
    }
    failedPath.clear();
    return Outcome::kComplete;
}

bool CRasterTileDlg::KeepResponsive() {
    MSG msg;
    while (!stopAsked_ && ::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // The application is ending: the tiling stops, and the loop that waits for the quit
            // gets it back.
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            stopAsked_ = true;
            break;
        }
        if (!::IsWindow(Handle()) || !::IsDialogMessageW(Handle(), &msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    return !stopAsked_ && ::IsWindow(Handle());
}

// Each corner of the tile where the source puts that pixel position: the tile's pixels lie where
// the source's do, whatever their shape and the image's rotation.
bool CRasterTileDlg::WriteTileTable(const std::wstring& tablePath, const std::string& bitmapName, const RECT& rect) {
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
