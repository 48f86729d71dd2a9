#include "ZmaVOMap2/layers/FileNames.h"

#include "platform/Com.h"
#include "platform/Result.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <vector>

void MakeUniqueTempFileName(const char* folder, const char* prefix, const char* extension, char* result) {
    if (!result) return;
    result[0] = '\0';

    char directory[MAX_PATH] = {};
    DWORD attributes = folder ? ::GetFileAttributesA(folder) : INVALID_FILE_ATTRIBUTES;
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        std::snprintf(directory, sizeof directory, "%s", folder);
    } else {
        DWORD length = ::GetTempPathA(MAX_PATH, directory);
        if (length == 0 || length >= MAX_PATH) return;
    }

    char unique[MAX_PATH] = {};
    if (!::GetTempFileNameA(directory, prefix ? prefix : "", 0, unique)) return;

    char drive[_MAX_DRIVE], dir[_MAX_DIR], base[_MAX_FNAME], ext[_MAX_EXT];
    _splitpath(unique, drive, dir, base, ext);
    std::snprintf(result, MAX_PATH, "%s%s%s.%s", drive, dir, base, extension ? extension : "");
}

namespace {

void RemoveWithExtension(const std::string& path, const char* extension) {
    char drive[_MAX_DRIVE], dir[_MAX_DIR], base[_MAX_FNAME], ext[_MAX_EXT];
    _splitpath(path.c_str(), drive, dir, base, ext);
    if (!base[0]) return;
    char file[MAX_PATH] = {};
    std::snprintf(file, sizeof file, "%s%s%s.%s", drive, dir, base, extension);
    ::DeleteFileA(file);
}

}  // namespace

void RemoveNamePlaceholder(const std::string& tablePath) {
    if (!tablePath.empty()) RemoveWithExtension(tablePath, "tmp");
}

void RemoveTableFiles(const std::string& tablePath) {
    if (tablePath.empty()) return;
    for (const char* extension : {"TAB", "DAT", "MAP", "ID", "IND", "tmp"}) RemoveWithExtension(tablePath, extension);
}

bool SameFileName(const std::wstring& a, const std::wstring& b) {
    return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

bool HasRealFileIdentity(const BY_HANDLE_FILE_INFORMATION& file) {
    return file.dwVolumeSerialNumber != 0 && (file.nFileIndexHigh != 0 || file.nFileIndexLow != 0);
}

bool SameFileIdentity(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b) {
    const auto sameTime = [](const FILETIME& x, const FILETIME& y) {
        return x.dwLowDateTime == y.dwLowDateTime && x.dwHighDateTime == y.dwHighDateTime;
    };
    return HasRealFileIdentity(a) && a.dwVolumeSerialNumber == b.dwVolumeSerialNumber &&
           a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow &&
           a.nFileSizeHigh == b.nFileSizeHigh && a.nFileSizeLow == b.nFileSizeLow &&
           sameTime(a.ftCreationTime, b.ftCreationTime) && sameTime(a.ftLastWriteTime, b.ftLastWriteTime);
}

std::vector<std::wstring> NamesMatching(const std::wstring& pattern, bool filesOnly) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found = {};
    HANDLE search = ::FindFirstFileW(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        if (!filesOnly || !(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
    return names;
}

std::vector<std::wstring> TableFileNames(const std::wstring& folder, const std::wstring& base) {
    std::vector<std::wstring> names;
    // The pattern also finds "<base>.<more>.<extension>" (and short names): each name is judged
    // whole.
    for (const std::wstring& name : NamesMatching(folder + base + L".*", true)) {
        const size_t dot = name.find_last_of(L'.');
        if (dot == std::wstring::npos || dot + 1 == name.size() || !SameFileName(name.substr(0, dot), base)) continue;
        if (SameFileName(name.substr(dot), L".tmp")) continue;
        names.push_back(name);
    }
    return names;
}

std::string SanitizeFileName(const std::string& text) {
    std::string out = text;
    for (char& c : out)
        if (std::strchr("\\/*:?\"<>", c) && c != '\0') c = '_';
    return out;
}

namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool IsLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

// Whether the last part of a path, before its first dot and without trailing spaces, is one of
// the names the system keeps for devices in every folder.
bool IsDeviceName(const std::wstring& part) {
    std::wstring base = part.substr(0, part.find(L'.'));
    while (!base.empty() && (base.back() == L' ' || base.back() == L'.')) base.pop_back();
    for (const wchar_t* name : {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$", L"CLOCK$"})
        if (::lstrcmpiW(base.c_str(), name) == 0) return true;
    if (base.size() != 4) return false;
    const std::wstring stem = base.substr(0, 3);
    const wchar_t digit = base[3];
    const bool numbered = (digit >= L'0' && digit <= L'9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3;
    return numbered && (::lstrcmpiW(stem.c_str(), L"COM") == 0 || ::lstrcmpiW(stem.c_str(), L"LPT") == 0);
}

// A name as the system opens it: without its trailing dots and blanks ("pipe." and
// "roads.tab " are "pipe" and "roads.tab").
std::wstring WithoutTrailingDotsAndBlanks(std::wstring name) {
    while (!name.empty() && (name.back() == L'.' || name.back() == L' ')) name.pop_back();
    return name;
}

// The names of a path as the system reads them before it opens anything: "/" is "\", a run of
// separators is one, each name loses its trailing dots and blanks, "." goes and ".." takes the
// name before it away, but never a network path's server or share, nor a root. A relative path
// keeps the ".." it starts with. Only the text is read.
struct SystemPath {
    bool network = false;  // "\\server\share\...": the server is the first name, the share the second
    std::vector<std::wstring> names;
};

SystemPath AsTheSystemReadsIt(const std::wstring& path) {
    SystemPath read;
    read.network = path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1]);
    const size_t start = path.size() >= 2 && IsLetter(path[0]) && path[1] == L':' ? 2 : 0;
    const bool rooted = start < path.size() && IsSeparator(path[start]);
    const size_t kept = read.network ? 2 : 0;
    for (size_t at = start; at <= path.size();) {
        const size_t separator = path.find_first_of(L"\\/", at);
        const size_t end = separator == std::wstring::npos ? path.size() : separator;
        const std::wstring name = path.substr(at, end - at);
        at = end + 1;
        if (name.empty()) continue;
        // Whatever stands where the server does is the server: "\\.\" is no server's.
        const bool server = read.network && read.names.empty();
        if (name == L"." && !server) continue;
        if (name == L".." && !server) {
            if (read.names.size() > kept && read.names.back() != L"..")
                read.names.pop_back();
            else if (!rooted)
                read.names.push_back(name);
            continue;
        }
        const std::wstring trimmed = WithoutTrailingDotsAndBlanks(name);
        if (!trimmed.empty() || server) read.names.push_back(trimmed);
    }
    return read;
}

}  // namespace

bool IsPlainFilePath(const std::string& path) { return IsPlainFilePath(platform::ToWide(path)); }

bool IsPlainFilePath(const std::wstring& path) {
    if (path.empty() || IsSeparator(path.back())) return false;
    if (path.size() >= 4 && IsSeparator(path[0]) && (path[1] == L'?' || IsSeparator(path[1])) &&
        (path[2] == L'.' || path[2] == L'?') && IsSeparator(path[3]))
        return false;
    for (size_t i = 0; i < path.size(); ++i) {
        const wchar_t c = path[i];
        if (c < 32 || std::wcschr(L"*?\"<>|", c)) return false;
        if (c == L':' && !(i == 1 && IsLetter(path[0]))) return false;
    }
    // Judged as the system will open it, so that every spelling of a path is judged alike.
    const SystemPath read = AsTheSystemReadsIt(path);
    if (read.names.empty() || read.names.back() == L"..") return false;
    if (read.network) {
        // A server, a share and a file in it. A server offers its named pipes and mailslots as
        // the shares "pipe" and "mailslot", and serves its pipes through "IPC$": opening one
        // waits on whatever serves it.
        if (read.names.size() < 3 || read.names[0].empty()) return false;
        const std::wstring& share = read.names[1];
        for (const wchar_t* pipes : {L"pipe", L"mailslot", L"IPC$"})
            if (::lstrcmpiW(share.c_str(), pipes) == 0) return false;
    }
    return !IsDeviceName(read.names.back());
}

bool IsFullFolderPath(const std::wstring& folder) {
    if (folder.size() >= 3 && IsLetter(folder[0]) && folder[1] == L':' && IsSeparator(folder[2])) return true;
    // A share, but not the device or object namespaces ("\\.\", "\\?\").
    return folder.size() >= 3 && IsSeparator(folder[0]) && IsSeparator(folder[1]) && folder[2] != L'.' &&
           folder[2] != L'?' && !IsSeparator(folder[2]);
}

void JudgeExportFile(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    const std::wstring folder = slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
    const std::wstring name = path.substr(slash == std::wstring::npos ? 0 : slash + 1);
    // The folder as the user typed it: without the separator the file name was joined with.
    const std::wstring shownFolder = ShownName(folder.size() > 3 ? folder.substr(0, folder.size() - 1) : folder, 200);
    if (folder.empty() || (folder.size() == 1 && IsSeparator(folder[0])))
        throw platform::ComError(E_INVALIDARG, L"No folder to export into is given");
    if (!IsFullFolderPath(folder))
        throw platform::ComError(E_INVALIDARG, L"The folder \"" + shownFolder + L"\" is not a full path (such as C:\\Exports)");
    // Judged as the system reads it before anything there is asked: asking a server's pipe or
    // mailslot for its attributes opens it.
    if (!IsPlainFilePath(folder + L"_"))
        throw platform::ComError(E_INVALIDARG, L"The folder \"" + shownFolder + L"\" is no folder of files");
    const DWORD attributes = ::GetFileAttributesW(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        throw platform::ComError(E_FAIL, L"The folder \"" + shownFolder + L"\" does not exist");
    if (name.empty() || name.find_last_of(L'.') == 0)
        throw platform::ComError(E_INVALIDARG, L"The name gives no file name");
    if (IsDeviceName(name))
        throw platform::ComError(E_INVALIDARG, L"\"" + ShownName(name) + L"\" is the name of a device, not of a file");
    if (!IsPlainFilePath(path))
        throw platform::ComError(E_INVALIDARG, L"\"" + ShownName(name) + L"\" holds characters that no file name may hold");
}

std::wstring ShownName(const std::wstring& name, size_t most) {
    std::wstring shown;
    for (wchar_t c : name) {
        if (shown.size() >= most) {
            shown += L"...";
            break;
        }
        if (c == L'\t')
            shown += L"\\t";
        else if (c == L'\n')
            shown += L"\\n";
        else if (c == L'\r')
            shown += L"\\r";
        else if (c < 32 || c == 127) {
            wchar_t escaped[8];
            std::swprintf(escaped, 8, L"\\x%02X", static_cast<unsigned>(c));
            shown += escaped;
        } else
            shown += c;
    }
    return shown;
}

bool HasTableExtension(const std::string& path) {
    return path.size() >= 4 && ::lstrcmpiA(path.c_str() + path.size() - 4, ".tab") == 0;
}

void LogLeftOutFile(const std::string& path, const char* reason) {
    platform::ErrorLog* log = platform::GetErrorLog();
    if (!log || !log->IsEnabledFor(platform::kLogLevelError)) return;
    std::string shown = path.substr(0, 260);
    for (char& c : shown)
        if (static_cast<unsigned char>(c) < 32) c = '?';
    log->Write(platform::kLogLevelError, __FILE__, __LINE__,
               "Error: the layer file \"" + shown + "\" is left out: " + reason);
}

std::wstring SystemMessage(HRESULT hr) {
    wchar_t* text = nullptr;
    DWORD length = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                        FORMAT_MESSAGE_IGNORE_INSERTS,
                                    nullptr, static_cast<DWORD>(hr), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message = length && text ? std::wstring(text, length) : std::wstring();
    if (text) ::LocalFree(text);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r')) message.pop_back();
    return message;
}

std::wstring FileExtensionOf(const std::wstring& path) {
    const size_t dot = path.find_last_of(L'.');
    return dot == std::wstring::npos ? std::wstring() : path.substr(dot);
}
