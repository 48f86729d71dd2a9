#include "ZmaVOMap2/raster/RasterRegistrationDlg.h"

#include "ZmaVOMap2/dialogs/PickCoordSysDlg.h"
#include "ZmaVOMap2/services/RegistryStrings.h"
#include "ZmaVOMap2/dialogs/UnitsPickerDlg.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayer.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"
#include "ZmaVOMap2/raster/PictureFile.h"
#include "ZmaVOMap2/raster/RasterResources.h"
#include "ZmaVOMap2/raster/RasterTable.h"
#include "ZmaVOMap2/services/HelpPath.h"
#include "ZmaVOMap2/services/NumberInput.h"
#include "platform/Com.h"
#include "platform/Module.h"
#include "platform/Result.h"
#include "platform/UniqueHandle.h"

#include <ocidl.h>
#include <olectl.h>

using platform::ComPtr;

namespace {

constexpr wchar_t kCaption[] = L"Raster Registration Tool";
constexpr char kDirectories[] = "Directories";
constexpr char kImageFolderValue[] = "MapImageDirectory";
constexpr DWORD_PTR kHelpContext = 0x20000 + IDD_RASTER_REGISTRATION;
constexpr size_t kMaxRegistryFolder = 256;
// Where the map engine's set-up names its folder, which holds its list of coordinate systems.
constexpr wchar_t kEngineKey[] = L"SOFTWARE\\MapInfo\\MapX\\4.0";
constexpr wchar_t kEngineFolderValue[] = L"CommonDLLDir";

bool IsExistingFile(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring WindowText(HWND window) {
    const int length = ::GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(::GetWindowTextW(window, &text[0], length + 1)));
    return text;
}

// The folder the user last took an image from; the key is only written when it exists.
void RememberImageFolder(const std::string& folder) {
    HKEY raw = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, GetRegistryKeyPath(kDirectories).c_str(), 0, KEY_SET_VALUE, &raw) !=
        ERROR_SUCCESS)
        return;
    platform::UniqueHKey key(raw);
    ::RegSetValueExA(key.Get(), kImageFolderValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                     static_cast<DWORD>(folder.size() + 1));
}

std::wstring FullPath(const std::wstring& path) {
    wchar_t full[MAX_PATH] = {};
    const DWORD length = ::GetFullPathNameW(path.c_str(), MAX_PATH, full, nullptr);
    return length > 0 && length < MAX_PATH ? std::wstring(full) : path;
}

// A longitude / latitude system has no unit field: its coordinates are degrees.
bool IsDegreeClause(const std::string& clause) {
    return !raster::IsNonEarthClause(clause) && raster::UnitCodeOfClause(clause) == raster::kDegreeUnit;
}

// What keeps the user from picking from the engine's list `list` (empty when its folder is not
// registered), naming the registry value or the file; empty when the list can be read.
std::wstring ProjectionListFault(const std::wstring& list) {
    if (list.empty())
        return std::wstring(L"The map engine's list of coordinate systems cannot be found: the registry value \"") +
               kEngineFolderValue + L"\" of HKEY_LOCAL_MACHINE\\" + kEngineKey + L", the engine's folder, is missing.";
    if (::GetFileAttributesW(list.c_str()) == INVALID_FILE_ATTRIBUTES)
        return L"The map engine's list of coordinate systems \"" + list + L"\" does not exist.";
    if (CPickCoordSysDlg::ReadListFile(list).empty())
        return L"The map engine's list of coordinate systems \"" + list + L"\" cannot be read.";
    return std::wstring();
}

}  // namespace

CRasterRegistrationDlg::CRasterRegistrationDlg() : Dialog(platform::Module::Instance(), IDD_RASTER_REGISTRATION) {}

std::wstring CRasterRegistrationDlg::ProjectionListPath() {
    // The registry view of this library's own bitness: the engine it can load registered itself
    // there (a 32-bit engine in the 32-bit view, as this library when it is built for 32 bits).
    platform::UniqueHKey key;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kEngineKey, 0, KEY_QUERY_VALUE, key.Put()) != ERROR_SUCCESS)
        return std::wstring();
    wchar_t folder[MAX_PATH + 1] = {};
    DWORD size = MAX_PATH * sizeof(wchar_t);
    DWORD type = 0;
    if (::RegQueryValueExW(key.Get(), kEngineFolderValue, nullptr, &type, reinterpret_cast<BYTE*>(folder), &size) !=
            ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ) || !folder[0])
        return std::wstring();
    return std::wstring(folder) + L"\\Mapinfow.prj";
}

BOOL CRasterRegistrationDlg::OnInitDialog() {
    source_ = ::GetDlgItem(Handle(), IDC_REGISTER_SOURCE);
    const int edges[] = {IDC_REGISTER_LEFT, IDC_REGISTER_TOP, IDC_REGISTER_RIGHT, IDC_REGISTER_BOTTOM};
    for (int i = 0; i < 4; ++i) edges_[i] = ::GetDlgItem(Handle(), edges[i]);
    return TRUE;
}

bool CRasterRegistrationDlg::OnMessage(UINT msg, WPARAM wp, LPARAM, INT_PTR& result) {
    if (msg != WM_COMMAND) return false;
    switch (LOWORD(wp)) {
    case IDC_REGISTER_BROWSE: Browse(); break;
    case IDC_REGISTER_PROJECTION: PickProjection(); break;
    case IDC_REGISTER_UNITS: PickUnits(); break;
    case IDHELP: ShowHelp(); break;
    case IDOK: WriteRasterTable(); break;
    case IDCANCEL: ::EndDialog(Handle(), IDCANCEL); break;
    default: return false;
    }
    result = 0;
    return true;
}

void CRasterRegistrationDlg::Browse() {
    wchar_t file[MAX_PATH] = {};
    const std::string remembered = ReadRegistryString(kDirectories, kImageFolderValue);
    const std::wstring folder = remembered.size() < kMaxRegistryFolder ? platform::ToWide(remembered) : std::wstring();
    OPENFILENAMEW ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = ::GetActiveWindow();
    ofn.lpstrFilter = L"Bitmap images (*.bmp)\0*.bmp\0JPEG images (*.jpg)\0*.jpg\0";
    ofn.lpstrFile = file;
    ofn.nMaxFile = MAX_PATH;
    ofn.lpstrTitle = L"Open Layer";
    ofn.lpstrDefExt = L"*.bmp";
    ofn.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    ofn.Flags = OFN_HIDEREADONLY;
    if (!platform::Prompts().GetOpenFileName(ofn)) return;
    const std::wstring chosen(file);
    const std::wstring chosenFolder = raster::FolderOf(chosen);
    RememberImageFolder(platform::ToAnsi(chosenFolder.substr(0, chosenFolder.empty() ? 0 : chosenFolder.size() - 1)));
    ::SetWindowTextW(source_, chosen.c_str());
}

void CRasterRegistrationDlg::PickProjection() {
    const std::wstring list = ProjectionListPath();
    const std::wstring fault = ProjectionListFault(list);
    if (!fault.empty()) {
        platform::Prompts().MessageBox(Handle(), fault, kCaption, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    CPickCoordSysDlg picker(list, HelpFilePath());
    if (picker.DoModal(Handle()) != IDOK) return;
    const CPickCoordSysDlg::Category* category = picker.Result();
    if (!category || category->selectedMember < 0 ||
        static_cast<size_t>(category->selectedMember) >= category->members.size())
        return;
    clause_ = category->members[static_cast<size_t>(category->selectedMember)].definition;
    nonEarth_ = raster::IsNonEarthClause(clause_);
    if (nonEarth_) degreeChosen_ = false;
    if (!degreeChosen_) units_ = raster::UnitAbbreviation(raster::UnitCodeOfClause(clause_));
}

void CRasterRegistrationDlg::PickUnits() {
    CUnitsPickerDlg picker;
    picker.unitCode = raster::UnitCodeOfClause(clause_);
    // Degrees are offered for earth systems; a longitude / latitude system offers nothing else.
    const bool degreeOnly = IsDegreeClause(clause_);
    picker.degreeHidden = nonEarth_ || degreeOnly;
    if (nonEarth_ || degreeChosen_ || degreeOnly)
        picker.initialSelection = 0;
    else
        picker.initialSelection = units_ != "degree" ? 1 : -1;
    if (picker.DoModal(Handle()) != IDOK || picker.result.empty()) return;
    units_ = picker.result;
    degreeChosen_ = units_ == "degree";
}

void CRasterRegistrationDlg::ShowHelp() { CallHtmlHelp(Handle(), HelpFilePath(), 0, kHelpContext); }

void CRasterRegistrationDlg::Refuse(int edge, const std::wstring& message) {
    HWND control = edge < 0 ? source_ : edges_[edge];
    if (!message.empty()) platform::Prompts().MessageBox(Handle(), message, kCaption, MB_OK);
    ::SetFocus(control);
    ::SendMessageW(control, EM_SETSEL, 0, -1);
}

bool CRasterRegistrationDlg::MeasureImage(const std::wstring& path, long& width, long& height) const {
    // A bitmap file is read whole or not at all, as the tiler reads it.
    if (raster::CheckBitmapFile(path) != raster::PictureFault::kNone) return false;
    ComPtr<IPicture> picture;
    if (FAILED(::OleLoadPicturePath(const_cast<LPOLESTR>(path.c_str()), nullptr, 0, 0, IID_IPicture,
                                    picture.PutVoid())) ||
        !picture)
        return false;
    OLE_XSIZE_HIMETRIC x = 0;
    OLE_YSIZE_HIMETRIC y = 0;
    if (FAILED(picture->get_Width(&x)) || FAILED(picture->get_Height(&y))) return false;
    platform::WindowDC screen(nullptr);
    width = ::MulDiv(x, ::GetDeviceCaps(screen.Get(), LOGPIXELSX), 2540);
    height = ::MulDiv(y, ::GetDeviceCaps(screen.Get(), LOGPIXELSY), 2540);
    return width > 0 && height > 0;
}

void CRasterRegistrationDlg::WriteRasterTable() {
    const std::wstring typed = WindowText(source_);
    const std::wstring source = typed.empty() ? typed : FullPath(typed);
    if (source.empty() || !IsExistingFile(source)) return Refuse(-1, L"Invalid pathname");
    // The table names its image in its own character set; a name it cannot spell would name
    // another file, or none.
    const std::wstring folder = raster::FolderOf(source);
    const std::wstring imageName = source.substr(folder.size());
    std::string imageText;
    if (!raster::TableText(imageName, imageText))
        return Refuse(-1, L"A raster table cannot name the image \"" + imageName +
                              L"\": its character set (WindowsLatin1) lacks some of the name's characters.");
    long width = 0, height = 0;
    if (!MeasureImage(source, width, height)) return Refuse(-1, std::wstring());
    // The control points are the corner pixels: one row or column puts two of them in one place.
    if (width < 2 || height < 2)
        return Refuse(-1, L"The image is " + std::to_wstring(width) + L" x " + std::to_wstring(height) +
                              L" pixels: a raster table needs an image at least 2 pixels wide and 2 pixels high.");

    // Edges in degrees are longitudes (left, right) and latitudes (top, bottom): a raster off the
    // world would take the map's view off it.
    const int ids[] = {IDC_REGISTER_LEFT, IDC_REGISTER_TOP, IDC_REGISTER_RIGHT, IDC_REGISTER_BOTTOM};
    const wchar_t* const names[] = {L"The left edge", L"The top edge", L"The right edge", L"The bottom edge"};
    double edges[4] = {};
    for (int i = 0; i < 4; ++i) {
        std::string edge;
        if (!platform::ToAnsiExact(WindowText(edges_[i]), edge) || !raster::ParseEdgeValue(edge, edges[i]))
            return Refuse(i, L"Missing coordinate value");
        const double bound = i % 2 == 0 ? 180.0 : 90.0;
        const NumberRange degrees = NumberRange::Between(-bound, bound, L"degrees");
        if (units_ == "degree" && !degrees.Holds(edges[i]))
            return RefuseDialogNumber(Handle(), ids[i], names[i], degrees, kCaption);
    }

    const std::wstring table = folder + raster::BaseNameOf(source) + L".TAB";
    if (table.size() >= MAX_PATH) return Refuse(-1, L"Invalid pathname");
    const std::string text =
        raster::FormatRasterTable(imageText, raster::CornerPoints(edges[0], edges[1], edges[2], edges[3], width, height),
                                  raster::CoordSysLines(clause_, nonEarth_, units_));
    if (!raster::WriteTextFile(table, text)) return Refuse(-1, L"The raster table " + table + L" cannot be written.");
    tablePath_ = table;
    ::EndDialog(Handle(), IDOK);
}

void RunNewRaster(CZmaVadAZLayerCollection* layers, HWND owner) {
    CRasterRegistrationDlg dialog;
    if (dialog.DoModal(owner) != IDOK) return;
    if (!layers) platform::ThrowHr(E_UNEXPECTED);
    std::string table;
    if (!platform::ToAnsiExact(dialog.TablePath(), table) ||
        !layers->AddTemporaryTabLayer(CZmaVadAZLayer::kTypeRasterTable, table.c_str()))
        platform::ThrowHr(E_FAIL);
}
