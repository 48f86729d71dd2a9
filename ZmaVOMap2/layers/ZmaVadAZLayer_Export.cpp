// The layer base's exports: copying a table layer's files, the frame of a KML document, and the
// names of exported files.
#include "ZmaVOMap2/layers/ZmaVadAZLayer.h"

#include "ZmaVOMap2/layers/FileNames.h"
#include "ZmaVOMap2/layers/FileSetReplacement.h"
#include "ZmaVOMap2/layers/KmlWriter.h"

#include "platform/Com.h"
#include "platform/Module.h"
#include "platform/Result.h"
#include "platform/Window.h"

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

using platform::ComError;

namespace {

const wchar_t kCaption[] = L"Map Module";
const char kKmlNamespace[] = "http://www.opengis.net/kml/2.2";

std::string RemoveNameCharacters(const std::string& text) {
    std::string clean;
    for (char c : text)
        if (!std::strchr("<>:\"/\\| ", c) || c == '\0') clean += c;
    return clean;
}

std::wstring WithSeparator(const std::wstring& folder) {
    return !folder.empty() && folder.back() == L'\\' ? folder : folder + L"\\";
}

bool FileExists(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

[[noreturn]] void ThrowCannotWrite(const std::wstring& name, DWORD error) {
    throw ComError(HRESULT_FROM_WIN32(error), L"\"" + ShownName(name) + L"\" cannot be written: " + SystemMessage(error));
}

}  // namespace

std::string CZmaVadAZLayer::CleanLayerName(const std::string& name) { return RemoveNameCharacters(name); }

void CZmaVadAZLayer::GetTabFileName(std::wstring& result, const std::wstring& folder, const char* suffix) const {
    std::string suffixText;
    if (suffix && IS_INTRESOURCE(suffix))
        suffixText = platform::ToAnsi(platform::LoadStringResource(platform::Module::Instance(),
                                                                   static_cast<UINT>(reinterpret_cast<ULONG_PTR>(suffix))));
    else if (suffix)
        suffixText = suffix;
    suffixText = RemoveNameCharacters(suffixText);
    std::string name = CleanLayerName(GetName());
    if (GetType() == kTypeLines && !suffixText.empty()) name += "-" + suffixText;
    result = WithSeparator(folder) + platform::ToWide(name) + L".TAB";
}

HRESULT CZmaVadAZLayer::ExportTab(const std::wstring& folder) {
    try {
        std::vector<std::string> sources;
        GetSourceFiles(sources);
        std::vector<ExportedTable> tables;
        if (CanExportTab())
            for (const std::string& source : sources)
                if (!source.empty()) tables.push_back({source, GetName()});
        CopyTables(folder, tables);
        return S_OK;
    }
    // The reason stays with the thread for whoever reports the failure.
    CATCH_RETURN_KEEP_INFO()
}

HRESULT CZmaVadAZLayer::CopyTabFiles(const std::wstring& folder, const std::string& source, const std::string& layerName) {
    try {
        CopyTables(folder, {{source, layerName}});
        return S_OK;
    }
    // The reason stays with the thread for whoever reports the failure.
    CATCH_RETURN_KEEP_INFO()
}

void CZmaVadAZLayer::CopyTables(const std::wstring& folder, const std::vector<ExportedTable>& tables) {
    // A layer without a table (imagery, shapes, markers) has nothing to export: saying it was
    // exported would leave the user a folder without it.
    if (tables.empty()) throw ComError(E_FAIL, L"The layer has no table to export");
    struct TableCopy {
        std::wstring sourceFolder, sourceBase, clean, targetTable;
        std::vector<std::wstring> files;
    };
    const std::wstring targetFolder = WithSeparator(folder);
    std::vector<TableCopy> copies;
    std::wstring existing;
    // Every set is listed first, so that the question comes before any file is replaced.
    for (const ExportedTable& table : tables) {
        const std::wstring source = platform::ToWide(table.source);
        const size_t slash = source.find_last_of(L"\\/:");
        const std::wstring file = source.substr(slash == std::wstring::npos ? 0 : slash + 1);
        TableCopy copy;
        copy.sourceFolder = source.substr(0, slash == std::wstring::npos ? 0 : slash + 1);
        copy.sourceBase = file.substr(0, file.find_last_of(L'.'));
        copy.clean = platform::ToWide(CleanLayerName(table.name));
        copy.targetTable = targetFolder + copy.clean + L".TAB";
        JudgeExportFile(copy.targetTable);
        for (const TableCopy& earlier : copies)
            if (_wcsicmp(earlier.clean.c_str(), copy.clean.c_str()) == 0)
                throw ComError(E_FAIL, L"Two tables would be exported as \"" + ShownName(copy.clean) + L".TAB\"");

        // A table is its .TAB: the other files of its name left without it are no table.
        copy.files = TableFileNames(copy.sourceFolder, copy.sourceBase);
        const auto tab = std::find_if(copy.files.begin(), copy.files.end(), [](const std::wstring& name) {
            return SameFileName(FileExtensionOf(name), L".TAB");
        });
        if (tab == copy.files.end())
            throw ComError(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND),
                           L"The table \"" + ShownName(source) + L"\" is not there");
        if (existing.empty() && FileExists(copy.targetTable) && _wcsicmp(copy.targetTable.c_str(), source.c_str()) != 0)
            existing = copy.clean;
        copies.push_back(std::move(copy));
    }
    // One question for the whole export: "No" leaves the folder as it is.
    if (!existing.empty()) {
        const std::wstring question = L"File \"" + existing + L".TAB\" already exists. Replace?";
        if (platform::Prompts().MessageBox(nullptr, question, kCaption, MB_YESNO) != IDYES) return;
    }
    // Copied under temporary names first, the sets replace the earlier files together once all are
    // whole.
    FileSetReplacement replacement;
    for (const TableCopy& copy : copies) {
        std::wstring temporary;
        for (const std::wstring& name : copy.files) {
            const std::wstring from = copy.sourceFolder + name;
            const std::wstring to = targetFolder + copy.clean + FileExtensionOf(name);
            if (from == to) continue;
            if (temporary.empty() && !replacement.ReserveNameBeside(copy.targetTable, L"tab", temporary))
                ThrowCannotWrite(copy.clean + L".TAB", ::GetLastError());
            const std::wstring made = temporary + FileExtensionOf(name);
            replacement.Add(made, to);
            if (!::CopyFileW(from.c_str(), made.c_str(), FALSE))
                ThrowCannotWrite(copy.clean + FileExtensionOf(name), ::GetLastError());
        }
    }
    replacement.Commit();
}

bool CZmaVadAZLayer::CanExportKml() { return false; }

void CZmaVadAZLayer::AddKmlContent(KmlWriter&) {}

HRESULT CZmaVadAZLayer::ExportKml(const std::wstring& folder) {
    if (!CanExportKml()) return S_OK;
    const std::wstring path = WithSeparator(folder) + platform::ToWide(CleanLayerName(GetName())) + L".kml";
    std::unique_ptr<KmlWriter> document;
    try {
        JudgeExportFile(path);
        document = std::make_unique<KmlWriter>(path);
    }
    // A folder that cannot take the file answers as a failed save does, with nothing written; the
    // reason stays with the thread.
    CATCH_RETURN_KEEP_INFO()
    try {
        document->Open("kml", "xmlns", kKmlNamespace);
        document->Open("Document");
        AddKmlContent(*document);
    }
    // The unfinished document goes with the writer; the reason stays with the thread.
    CATCH_RETURN_KEEP_INFO()
    return document->Finish();
}
