// The layer base's exports: copying a table layer's files, the frame of a KML document, and the
// names of exported files.
#include "ZmaVOMap2/layers/ZmaVadAZLayer.h"

#include "ZmaVOMap2/layers/FileNames.h"
#include "ZmaVOMap2/layers/FileSetReplacement.h"
#include "ZmaVOMap2/layers/KmlWriter.h"

#include "platform/Com.h"
#include "platform/Module.h"
#include "platform/Result.h"
#include "platform/UniqueHandle.h"
#include "platform/Window.h"

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

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

// How a file's copy ended: the system's error code (0 when it did not fail), whether it was the
// source that could not be read, and whether the copy was made (whole or not).
struct CopyOutcome {
    DWORD error = 0;
    bool reading = false;
    bool made = false;
};

CopyOutcome ReadFailure(DWORD error, bool made = false) { return {error, true, made}; }
CopyOutcome WriteFailure(DWORD error, bool made = true) { return {error, false, made}; }

// The source of a copy, shared with a program that has the table open.
platform::UniqueFile OpenSource(const std::wstring& from) {
    return platform::UniqueFile(::CreateFileW(from.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                              OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
}

platform::UniqueFile CreateCopy(const std::wstring& made) {
    return platform::UniqueFile(
        ::CreateFileW(made.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
}

CopyOutcome WriteAll(HANDLE file, const char* data, DWORD size) {
    DWORD written = 0;
    if (!::WriteFile(file, data, size, &written, nullptr)) return WriteFailure(::GetLastError());
    return written == size ? CopyOutcome{0, false, true} : WriteFailure(ERROR_WRITE_FAULT);
}

// Gives the copy its source's last-write time, as the system's own copy does: a table copied
// years after it was made still reads as made then. A file system that keeps no such time takes the
// copy without it.
void KeepLastWriteTime(HANDLE source, HANDLE copy) {
    FILETIME written = {};
    if (::GetFileTime(source, nullptr, nullptr, &written)) ::SetFileTime(copy, nullptr, nullptr, &written);
}

// Copies `from` into the new file `made`, telling a source that cannot be read from a copy that
// cannot be written.
CopyOutcome CopyWholeFile(const std::wstring& from, const std::wstring& made) {
    platform::UniqueFile source = OpenSource(from);
    if (!source) return ReadFailure(::GetLastError());
    platform::UniqueFile target = CreateCopy(made);
    if (!target) return WriteFailure(::GetLastError(), false);
    std::vector<char> block(1 << 16);
    for (;;) {
        DWORD read = 0;
        if (!::ReadFile(source.Get(), block.data(), static_cast<DWORD>(block.size()), &read, nullptr))
            return ReadFailure(::GetLastError(), true);
        if (read == 0) break;
        const CopyOutcome written = WriteAll(target.Get(), block.data(), read);
        if (written.error) return written;
    }
    KeepLastWriteTime(source.Get(), target.Get());
    return {0, false, true};
}

// A path as the system opens it: in full, its separators, "." and ".." resolved, and its short
// names made long where it is there.
std::wstring FullPath(const std::wstring& path) {
    std::wstring full(MAX_PATH, L'\0');
    DWORD length = ::GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), &full[0], nullptr);
    if (length >= full.size()) {
        full.resize(length);
        length = ::GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), &full[0], nullptr);
    }
    if (length == 0 || length >= full.size()) return path;
    full.resize(length);
    std::wstring longer(full.size() + MAX_PATH, L'\0');
    length = ::GetLongPathNameW(full.c_str(), &longer[0], static_cast<DWORD>(longer.size()));
    if (length == 0 || length >= longer.size()) return full;
    longer.resize(length);
    return longer;
}

bool FileIdentity(const std::wstring& path, BY_HANDLE_FILE_INFORMATION& information) {
    // Asking for no access, the file opens whoever holds it.
    platform::UniqueFile file(::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                            nullptr, OPEN_EXISTING, 0, nullptr));
    return file && ::GetFileInformationByHandle(file.Get(), &information);
}

// Whether two paths name one file as the system finds it: the same full path without regard to
// case ("C:\Maps\", "c:/maps" and "C:\Maps\Old\.." are one folder), or, for files that are there,
// one file under two names (a local folder reached through a share) where the file system gives
// files a real identity.
bool SamePath(const std::wstring& a, const std::wstring& b) {
    if (SameFileName(FullPath(a), FullPath(b))) return true;
    BY_HANDLE_FILE_INFORMATION x = {}, y = {};
    return FileIdentity(a, x) && FileIdentity(b, y) && SameFileIdentity(x, y);
}

// A raster table names its image on its "File" line. When that image is a file of the table's own
// set ("<old base>.bmp" beside it), the line is given the image's name under the copies' base; every
// other byte stays. False when the text names no such image.
bool RenameOwnImage(std::string& text, const std::wstring& oldBase, const std::wstring& newBase) {
    const UINT codePage = text.find("!charset WindowsLatin1") != std::string::npos ? 1252 : CP_ACP;
    for (size_t start = 0; start < text.size();) {
        const size_t end = std::min(text.find('\n', start), text.size());
        const size_t word = text.find_first_not_of(" \t", start);
        if (word < end && end - word > 4 && ::_strnicmp(&text[word], "File", 4) == 0 &&
            text[word + 4] != '\0' && std::strchr(" \t\"", text[word + 4])) {
            const size_t open = text.find('"', word + 4), close = open < end ? text.find('"', open + 1) : end;
            if (close >= end) return false;
            const std::string image = text.substr(open + 1, close - open - 1);
            const size_t dot = image.find_last_of('.');
            // An image named with its folder, or with another base, is found where it was.
            if (dot == std::string::npos || image.find_first_of("\\/:") != std::string::npos ||
                !SameFileName(platform::ToWide(image.substr(0, dot), codePage), oldBase))
                return false;
            bool changed = false;
            const std::string renamed = platform::ToAnsiStrict(newBase, codePage, &changed) + image.substr(dot);
            if (changed)
                throw ComError(E_FAIL, L"The table cannot name its image \"" + ShownName(newBase) + L"\": the name has "
                                       L"characters the table's character set cannot hold");
            text.replace(open + 1, close - open - 1, renamed);
            return true;
        }
        start = end + 1;
    }
    return false;
}

// Copies a table's .TAB into the new file `made`, its own image renamed (RenameOwnImage).
CopyOutcome CopyTableFile(const std::wstring& from, const std::wstring& made, const std::wstring& oldBase,
                          const std::wstring& newBase) {
    std::string text;
    {
        platform::UniqueFile file = OpenSource(from);
        LARGE_INTEGER size = {};
        if (!file || !::GetFileSizeEx(file.Get(), &size)) return ReadFailure(::GetLastError());
        // A raster table's definition is a few lines: a larger .TAB is no such table, and is copied
        // as it is.
        if (size.QuadPart > 1 << 20) return CopyWholeFile(from, made);
        text.resize(static_cast<size_t>(size.QuadPart));
        DWORD read = 0;
        if (!text.empty() && !::ReadFile(file.Get(), &text[0], static_cast<DWORD>(text.size()), &read, nullptr))
            return ReadFailure(::GetLastError());
        if (read != text.size()) return ReadFailure(ERROR_READ_FAULT);
    }
    if (!RenameOwnImage(text, oldBase, newBase)) return CopyWholeFile(from, made);
    platform::UniqueFile file = CreateCopy(made);
    if (!file) return WriteFailure(::GetLastError(), false);
    return WriteAll(file.Get(), text.data(), static_cast<DWORD>(text.size()));
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
                if (!source.empty()) tables.push_back({source, CleanLayerName(GetName())});
        CopyTables(folder, tables);
        return S_OK;
    }
    // The reason stays with the thread for whoever reports the failure.
    CATCH_RETURN_KEEP_INFO()
}

HRESULT CZmaVadAZLayer::CopyTabFiles(const std::wstring& folder, const std::string& source, const std::string& layerName) {
    try {
        CopyTables(folder, {{source, CleanLayerName(layerName)}});
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
        std::wstring source, sourceFolder, sourceBase, name, targetTable;
        std::vector<std::wstring> files;
    };
    const std::wstring targetFolder = WithSeparator(folder);
    std::vector<TableCopy> copies;
    std::wstring existing;
    // Every set is listed first, so that the question comes before any file is replaced.
    for (const ExportedTable& table : tables) {
        // The table's files are found under the names the system opened it by: a short name or a
        // trailing dot names the file whose long name its other files share.
        const std::wstring source = FullPath(platform::ToWide(table.source));
        // A table a list names twice, in whatever spelling, is one table, copied once.
        if (std::any_of(copies.begin(), copies.end(),
                        [&](const TableCopy& earlier) { return SameFileName(earlier.source, source); }))
            continue;
        const size_t slash = source.find_last_of(L"\\/:");
        const std::wstring file = source.substr(slash == std::wstring::npos ? 0 : slash + 1);
        TableCopy copy;
        copy.source = source;
        copy.sourceFolder = source.substr(0, slash == std::wstring::npos ? 0 : slash + 1);
        copy.sourceBase = file.substr(0, file.find_last_of(L'.'));
        copy.name = platform::ToWide(table.name);
        copy.targetTable = targetFolder + copy.name + L".TAB";
        JudgeExportFile(copy.targetTable);
        for (const TableCopy& earlier : copies)
            if (SameFileName(earlier.name, copy.name))
                throw ComError(E_FAIL, L"Two tables would be exported as \"" + ShownName(copy.name) + L".TAB\"");

        // A table is its .TAB: the other files of its name left without it are no table.
        copy.files = TableFileNames(copy.sourceFolder, copy.sourceBase);
        const auto tab = std::find_if(copy.files.begin(), copy.files.end(), [](const std::wstring& name) {
            return SameFileName(FileExtensionOf(name), L".TAB");
        });
        if (tab == copy.files.end())
            throw ComError(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND),
                           L"The table \"" + ShownName(platform::ToWide(table.source)) + L"\" is not there");
        if (existing.empty() && FileExists(copy.targetTable) && !SamePath(copy.targetTable, copy.sourceFolder + *tab))
            existing = copy.name;
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
            const std::wstring extension = FileExtensionOf(name);
            const std::wstring from = copy.sourceFolder + name;
            const std::wstring to = targetFolder + copy.name + extension;
            // Into its own folder under its own name, a table is there already.
            if (SamePath(from, to)) continue;
            if (temporary.empty() && !replacement.ReserveNameBeside(copy.targetTable, L"tab", temporary))
                ThrowCannotWrite(copy.name + L".TAB", ::GetLastError());
            const std::wstring made = temporary + extension;
            // A renamed raster table still finds its image under the copies' name.
            const CopyOutcome outcome = SameFileName(extension, L".TAB") && copy.name != copy.sourceBase
                                            ? CopyTableFile(from, made, copy.sourceBase, copy.name)
                                            : CopyWholeFile(from, made);
            // A file made, whole or not, goes with the replacement; one that was there is left alone.
            if (outcome.made) replacement.Add(made, to);
            if (outcome.reading)
                throw ComError(HRESULT_FROM_WIN32(outcome.error),
                               L"\"" + ShownName(from, 200) + L"\" cannot be read: " + SystemMessage(outcome.error));
            if (outcome.error) ThrowCannotWrite(copy.name + extension, outcome.error);
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
