#include "ZmaVOMap2/services/RegistrySettings.h"

#include "ZmaVOMap2/services/PackageManager.h"
#include "platform/Com.h"
#include "platform/UniqueHandle.h"

#include <algorithm>

namespace RegistrySettings {

bool ReadDirectorySetting(std::string& result, const std::string& name, const std::string& defaultValue) {
    result = platform::ToAnsi(ResolvePackagePath(platform::ToWide(defaultValue)));
    platform::UniqueHKey key;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Zemro\\Terravex\\Directories", 0, KEY_READ, key.Put()) !=
        ERROR_SUCCESS)
        return false;
    char value[257] = {};
    DWORD type = 0, size = 256;
    if (::RegQueryValueExA(key.Get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(value), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ)
        return false;
    value[size < 256 ? size : 256] = '\0';
    result = value;
    return true;
}

void WriteDirectorySetting(const std::string& path, const std::string& name) {
    std::string folder = path;
    DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        size_t slash = folder.find_last_of('\\');
        if (slash != std::string::npos) folder.resize(slash);
    }
    platform::UniqueHKey key;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Zemro\\Terravex\\Directories", 0, nullptr, 0, KEY_ALL_ACCESS,
                          nullptr, key.Put(), nullptr) != ERROR_SUCCESS)
        return;
    ::RegSetValueExA(key.Get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                     static_cast<DWORD>(folder.size() + 1));
}

bool ReadDirectorySetting(std::wstring& result, const std::wstring& name) {
    result.clear();
    platform::UniqueHKey key;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, kDirectoriesKey, 0, KEY_READ, key.Put()) != ERROR_SUCCESS) return false;
    wchar_t value[257] = {};
    DWORD type = 0, size = 256 * sizeof(wchar_t);
    if (::RegQueryValueExW(key.Get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(value), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ)
        return false;
    value[std::min<DWORD>(size / sizeof(wchar_t), 256)] = L'\0';
    result = value;
    return true;
}

void WriteDirectorySetting(const std::wstring& path, const std::wstring& name) {
    std::wstring folder = path;
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        const size_t slash = folder.find_last_of(L'\\');
        if (slash != std::wstring::npos) folder.resize(slash);
    }
    platform::UniqueHKey key;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, kDirectoriesKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.Put(), nullptr) !=
        ERROR_SUCCESS)
        return;
    ::RegSetValueExW(key.Get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                     static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t)));
}

}  // namespace RegistrySettings
