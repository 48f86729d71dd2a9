#include "ZmaVOMap2/commands/ImageExport.h"

#include "ZmaVOMap2/commands/CommandResources.h"
#include "ZmaVOMap2/services/RegistryStrings.h"
#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineIds.h"
#include "ZmaVOMap2/services/PackageManager.h"
#include "platform/Module.h"
#include "platform/Result.h"
#include "platform/Window.h"

#include <cstdio>
#include <cwchar>

using platform::Variant;

namespace {

struct ExportFormat {
    UINT command;
    short code;
    // The dialog's filter: description, zero, pattern, zero, and the list's closing zero.
    const wchar_t* filter;
    size_t filterLength;
    const wchar_t* extension;
};

#define EXPORT_FILTER(text) text, sizeof(text) / sizeof(wchar_t)
const ExportFormat kFormats[] = {
    {ID_EXPORT_BMP, 1, EXPORT_FILTER(L"Bitmap images (*.bmp)\0*.bmp\0"), L"bmp"},
    {ID_EXPORT_JPG, 3, EXPORT_FILTER(L"JPEG images (*.jpg)\0*.jpg\0"), L"jpg"},
    {ID_EXPORT_WMF, 0, EXPORT_FILTER(L"Windows Metafile (*.wmf)\0*.wmf\0"), L"wmf"},
    {ID_EXPORT_PNG, 5, EXPORT_FILTER(L"PNG Image (*.png)\0*.png\0"), L"png"},
    {ID_EXPORT_TIF, 4, EXPORT_FILTER(L"TIF Image (*.tif)\0*.tif\0"), L"tif"},
    {ID_EXPORT_GIF, 2, EXPORT_FILTER(L"GIF Image (*.gif)\0*.gif\0"), L"gif"},
    {ID_EXPORT_PSD, 6, EXPORT_FILTER(L"PSD Image (*.psd)\0*.psd\0"), L"psd"},
};
#undef EXPORT_FILTER

const ExportFormat* FormatOfCode(short code) {
    for (const ExportFormat& f : kFormats)
        if (f.code == code) return &f;
    return nullptr;
}

struct FormatName {
    const wchar_t* name;
    long format;
};
constexpr FormatName kFormatNames[] = {{L"wmf", 0}, {L"bmp", 1}, {L"gif", 2}, {L"jpeg", 3},
                                       {L"jpg", 3}, {L"tif", 4}, {L"png", 5}, {L"psd", 6}};

// Tells the user why the engine could not write the picture, and logs it.
void ReportExportFailure(HRESULT hr) {
    platform::ComError error = platform::ComError::FromCall(hr);
    std::wstring text = error.Description();
    if (text.empty()) {
        wchar_t code[32];
        std::swprintf(code, 32, L"Error: 0x%08lx", static_cast<unsigned long>(hr));
        text = code;
    }
    const std::wstring caption = platform::LoadStringResource(platform::Module::Instance(), IDS_MAP_MODULE);
    platform::Prompts().MessageBox(::GetActiveWindow(), text, caption, MB_OK | MB_ICONEXCLAMATION);
    try {
        throw error;
    }
    COM_CATCH_LOG();
}

// Restores the engine's automatic redraw and the exporting flag, whatever way the export ends.
class ExportScope {
public:
    ExportScope(CommandTarget& target, const EngineDispatch& map) : target_(target), map_(map) {
        map_.Put(Engine::Map::kAutoRedraw, Variant(false));
        target_.SetExporting(true);
    }
    ~ExportScope() {
        target_.SetExporting(false);
        try {
            map_.Put(Engine::Map::kAutoRedraw, Variant(true));
        }
        COM_CATCH_LOG();
    }
    ExportScope(const ExportScope&) = delete;
    ExportScope& operator=(const ExportScope&) = delete;

private:
    CommandTarget& target_;
    const EngineDispatch& map_;
};

}  // namespace

short ExportFormatOfCommand(UINT id) {
    for (const ExportFormat& f : kFormats)
        if (f.command == id) return f.code;
    return -1;
}

void ExportMapAsImage(CommandTarget& target, IDispatch* engineMap, short format) {
    const ExportFormat* f = FormatOfCode(format);
    if (!engineMap || !f) return;
    wchar_t file[MAX_PATH] = {};
    const std::wstring folder = platform::ToWide(ReadRegistryString("Directories", "MapImageDirectory"));
    const std::wstring filter(f->filter, f->filterLength);
    OPENFILENAMEW ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = ::GetActiveWindow();
    ofn.lpstrFilter = filter.c_str();
    ofn.lpstrFile = file;
    ofn.nMaxFile = MAX_PATH;
    ofn.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    ofn.lpstrTitle = L"Export Map as Image";
    ofn.Flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
    ofn.lpstrDefExt = f->extension;
    if (!platform::Prompts().GetSaveFileName(ofn)) return;

    const std::wstring path = file;
    const size_t slash = path.rfind(L'\\');
    WriteRegistryString("Directories", "MapImageDirectory",
                        platform::ToAnsi(slash == std::wstring::npos ? std::wstring() : path.substr(0, slash)));
    platform::Bstr chosen(path);
    const HRESULT hr = target.ExportMapImage(engineMap, chosen.Get(), format);
    if (FAILED(hr)) ReportExportFailure(hr);
}

bool GetImageFormatFromExtension(BSTR name, long& format) {
    if (!name || !*name) return false;
    const std::wstring lower = platform::ToLower(std::wstring(name, ::SysStringLen(name)));
    for (const FormatName& n : kFormatNames) {
        if (lower == n.name) {
            format = n.format;
            return true;
        }
    }
    return false;
}

HRESULT ExportToFile(CommandTarget& target, BSTR filePath, BSTR fileFormat) {
    if (!filePath || !*filePath) throw platform::ComError(E_INVALIDARG, L"No file path was given for the export");
    if (!fileFormat || !*fileFormat) throw platform::ComError(E_INVALIDARG, L"No image format was given for the export");
    long format = 0;
    if (!GetImageFormatFromExtension(fileFormat, format))
        throw platform::ComError(E_INVALIDARG, L"Unknown image format: " + std::wstring(fileFormat));
    std::wstring path(filePath, ::SysStringLen(filePath));
    if (path.size() >= 11 && ::CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, path.c_str(), 11, L"terravex://", 11) ==
                                 CSTR_EQUAL)
        path = ResolvePackagePath(path, 0);
    if (path.empty()) throw platform::ComError(E_INVALIDARG, L"The address could not be resolved to a file path");
    platform::Bstr resolved(path);
    const HRESULT hr = target.ExportMapImage(target.EngineMap(), resolved.Get(), static_cast<short>(format));
    if (FAILED(hr)) platform::ThrowCall(hr);
    return hr;
}

HRESULT ExportAsPictureAtScale(CommandTarget& target, BSTR path, double scale) {
    IDispatch* engineMap = target.EngineMap();
    if (!engineMap) platform::ThrowHr(E_UNEXPECTED);
    EngineDispatch map(engineMap);
    const float width = static_cast<float>(map.Get(Engine::Map::kScreenWidth).ToDouble());
    const float height = static_cast<float>(map.Get(Engine::Map::kScreenHeight).ToDouble());
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    EngineScreenToMap(map, 0, 0, x0, y0);
    EngineScreenToMap(map, width, height, x1, y1);
    const double groundWidth =
        map.Call(Engine::Map::kDistance, {Variant(x0), Variant(y1), Variant(x1), Variant(y1)}).ToDouble() * scale;
    const double groundHeight =
        map.Call(Engine::Map::kDistance, {Variant(x0), Variant(y0), Variant(x0), Variant(y1)}).ToDouble() * scale;
    ExportScope exporting(target, map);
    map.Call(Engine::Map::kExportMap, {Variant(path ? static_cast<const wchar_t*>(path) : L""), Variant(short{1}),
                                     Variant(groundWidth), Variant(groundHeight)});
    return S_OK;
}
