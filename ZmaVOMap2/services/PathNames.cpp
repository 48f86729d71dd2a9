#include "ZmaVOMap2/services/PathNames.h"

#include <windows.h>

#include <vector>

namespace {

bool IsSeparator(char c) noexcept { return c == '\\' || c == '/'; }

bool HasDriveLetter(const std::string& path) noexcept {
    return path.size() >= 2 && path[1] == ':' && ::IsCharAlphaA(path[0]);
}

bool IsNetworkPath(const std::string& path) noexcept {
    return path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1]);
}

// Where the file name starts: after the last separator, or after the drive ("C:name").
size_t FileNameStart(const std::string& path) noexcept {
    const size_t separator = path.find_last_of("\\/");
    if (separator != std::string::npos) return separator + 1;
    return HasDriveLetter(path) ? 2 : 0;
}

// The full form of a path, or the path as it is when the system cannot give one.
std::string Normalised(const std::string& path) {
    std::vector<char> full(MAX_PATH + 1, '\0');
    const DWORD length = ::GetFullPathNameA(path.c_str(), MAX_PATH, full.data(), nullptr);
    if (length == 0 || length >= MAX_PATH) return path;
    return std::string(full.data(), length);
}

}  // namespace

std::string GetFolderOfPath(const std::string& path) { return path.substr(0, FileNameStart(path)); }

std::string GetFileNameOfPath(const std::string& path) { return path.substr(FileNameStart(path)); }

std::string MakeAbsolutePath(const std::string& base, const std::string& path) {
    if (HasDriveLetter(path) || IsNetworkPath(path)) return path;
    if (!GetFileNameOfPath(base).empty()) return path;
    // A path rooted without a drive stays on the drive of the folder it is read against.
    if (!path.empty() && IsSeparator(path[0])) {
        const std::string drive = HasDriveLetter(base) ? base.substr(0, 2) : std::string();
        return Normalised(drive + path);
    }
    return Normalised(base + path);
}
