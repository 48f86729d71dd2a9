#include "ZmaVOMap2/layers/FileNames.h"

#include "platform/Com.h"
#include "platform/Result.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

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

std::string SanitizeFileName(const std::string& text) {
    std::string out = text;
    for (char& c : out)
        if (std::strchr("\\/*:?\"<>", c) && c != '\0') c = '_';
    return out;
}

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Whether the last part of a path, before its first dot and without trailing spaces, is one of
// the names the system keeps for devices in every folder.
bool IsDeviceName(const std::string& part) {
    std::string base = part.substr(0, part.find('.'));
    while (!base.empty() && (base.back() == ' ' || base.back() == '.')) base.pop_back();
    for (const char* name : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"})
        if (::lstrcmpiA(base.c_str(), name) == 0) return true;
    if (base.size() != 4) return false;
    const std::string stem = base.substr(0, 3);
    const unsigned char digit = static_cast<unsigned char>(base[3]);
    const bool numbered = (digit >= '0' && digit <= '9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3;
    return numbered && (::lstrcmpiA(stem.c_str(), "COM") == 0 || ::lstrcmpiA(stem.c_str(), "LPT") == 0);
}

}  // namespace

bool IsPlainFilePath(const std::string& path) {
    if (path.empty() || IsSeparator(path.back())) return false;
    if (path.size() >= 4 && IsSeparator(path[0]) && (path[1] == '?' || IsSeparator(path[1])) &&
        (path[2] == '.' || path[2] == '?') && IsSeparator(path[3]))
        return false;
    for (size_t i = 0; i < path.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(path[i]);
        if (c < 32 || std::strchr("*?\"<>|", c)) return false;
        const bool drive = i == 1 && ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
        if (c == ':' && !drive) return false;
    }
    const size_t slash = path.find_last_of("\\/");
    const std::string last = slash == std::string::npos ? path : path.substr(slash + 1);
    return !IsDeviceName(last.size() > 2 && last[1] == ':' ? last.substr(2) : last);
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
