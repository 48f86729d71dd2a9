#include "ZmaVOMap2/layers/FileNames.h"

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
