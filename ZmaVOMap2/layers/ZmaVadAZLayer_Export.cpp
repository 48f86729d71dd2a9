// The layer base's exports: copying a table layer's files, the frame of a KML document, and the
// names of exported files.
#include "ZmaVOMap2/layers/ZmaVadAZLayer.h"

#include "ZmaVOMap2/layers/KmlWriter.h"

#include "platform/Com.h"
#include "platform/Module.h"
#include "platform/Result.h"
#include "platform/Window.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

const wchar_t kCaption[] = L"Map Module";
const char kKmlNamespace[] = "http://www.opengis.net/kml/2.2";

std::string RemoveNameCharacters(const std::string& text) {
    std::string clean;
    for (char c : text)
        if (!std::strchr("<>:\"/\\| ", c) || c == '\0') clean += c;
    return clean;
}

std::string WithSeparator(const std::string& folder) {
    return !folder.empty() && folder.back() == '\\' ? folder : folder + "\\";
}

bool FileExists(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The extension of a file name with its dot, "" when it has none.
std::string ExtensionOf(const std::string& name) {
    const size_t dot = name.find_last_of('.');
    return dot == std::string::npos ? std::string() : name.substr(dot);
}

}  // namespace

std::string CZmaVadAZLayer::CleanLayerName(const std::string& name) { return RemoveNameCharacters(name); }

void CZmaVadAZLayer::GetTabFileName(std::string& result, const std::string& folder, const char* suffix) const {
    std::string suffixText;
    if (suffix && IS_INTRESOURCE(suffix))
        suffixText = platform::ToAnsi(platform::LoadStringResource(platform::Module::Instance(),
                                                                   static_cast<UINT>(reinterpret_cast<ULONG_PTR>(suffix))));
    else if (suffix)
        suffixText = suffix;
    suffixText = RemoveNameCharacters(suffixText);
    result = WithSeparator(folder) + CleanLayerName(GetName());
    if (GetType() == kTypeLines && !suffixText.empty()) result += "-" + suffixText;
    result += ".TAB";
}

HRESULT CZmaVadAZLayer::ExportTab(const std::string& folder) {
    try {
        std::vector<std::string> sources;
        GetSourceFiles(sources);
        HRESULT result = S_OK;
        for (const std::string& source : sources) {
            const HRESULT hr = CopyTabFiles(folder, source, GetName());
            if (FAILED(hr)) {
                platform::Prompts().MessageBox(nullptr, platform::ToWide("Failed to copy " + GetName() + ".TAB"), kCaption, MB_OK);
                result = hr;
            }
        }
        return result;
    } catch (const platform::ComError& e) {
        e.Restore();  // the reason stays with the thread for whoever reports the failure
        return e.Error();
    } CATCH_RETURN_QUIET()
}

HRESULT CZmaVadAZLayer::CopyTabFiles(const std::string& folder, const std::string& source, const std::string& layerName) {
    try {
        char drive[_MAX_DRIVE] = {}, directory[_MAX_DIR] = {}, base[_MAX_FNAME] = {}, extension[_MAX_EXT] = {};
        _splitpath(source.c_str(), drive, directory, base, extension);
        const std::string sourceFolder = std::string(drive) + directory;
        const std::string clean = CleanLayerName(layerName);
        const std::string targetFolder = folder.empty() || folder.back() != '\\' ? folder : folder.substr(0, folder.size() - 1);

        // The set is listed first, so that the question comes before any file is replaced.
        std::vector<std::string> files;
        WIN32_FIND_DATAA found = {};
        HANDLE search = ::FindFirstFileA((sourceFolder + base + ".*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return S_OK;
        do {
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
            // Temporary files of the engine's own are never part of a table.
            if (_stricmp(ExtensionOf(found.cFileName).c_str(), ".tmp") == 0) continue;
            files.push_back(found.cFileName);
        } while (::FindNextFileA(search, &found));
        ::FindClose(search);

        const std::string targetTable = targetFolder + "\\" + clean + ".TAB";
        if (FileExists(targetTable) && _stricmp(targetTable.c_str(), source.c_str()) != 0) {
            const std::string question = "File \"" + clean + ".TAB\" already exists. Replace?";
            if (platform::Prompts().MessageBox(nullptr, platform::ToWide(question), kCaption, MB_YESNO) != IDYES)
                return S_OK;
        }
        for (const std::string& name : files) {
            const std::string from = sourceFolder + name;
            const std::string to = targetFolder + "\\" + clean + ExtensionOf(name);
            if (from == to) continue;
            if (!::CopyFileA(from.c_str(), to.c_str(), FALSE))
                throw platform::ComError(HRESULT_FROM_WIN32(::GetLastError()),
                                         platform::ToWide("Cannot copy \"" + from + "\" to \"" + to + "\""));
        }
        return S_OK;
    } catch (const platform::ComError& e) {
        e.Restore();  // the reason stays with the thread for whoever reports the failure
        return e.Error();
    } CATCH_RETURN_QUIET()
}

bool CZmaVadAZLayer::CanExportKml() { return false; }

void CZmaVadAZLayer::AddKmlContent(KmlWriter&) {}

HRESULT CZmaVadAZLayer::ExportKml(const std::string& folder) {
    if (!CanExportKml()) return S_OK;
    const std::string path = WithSeparator(folder) + CleanLayerName(GetName()) + ".kml";
    HRESULT made = E_FAIL;
    std::unique_ptr<KmlWriter> document;
    try {
        document = std::make_unique<KmlWriter>(path);
    } catch (const platform::ComError& e) {
        made = e.Error();
    }
    // A folder that cannot take the file answers as a failed save does, with nothing written.
    if (!document) return made;
    document->Open("kml", "xmlns", kKmlNamespace);
    document->Open("Document");
    AddKmlContent(*document);
    return document->Finish();
}
