#include "ZmaVOMap2/services/RegistryStrings.h"

#include "platform/UniqueHandle.h"

#include <windows.h>

#include <vector>

std::string GetRegistryKeyPath(const std::string& subkey) { return "Software\\Zemro\\Terravex\\" + subkey; }

std::string ReadRegistryString(const std::string& subkey, const std::string& name) {
    HKEY raw = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, GetRegistryKeyPath(subkey).c_str(), 0, KEY_QUERY_VALUE, &raw) != ERROR_SUCCESS)
        return std::string();
    platform::UniqueHKey key(raw);
    std::vector<char> buffer(32000, '\0');
    DWORD size = static_cast<DWORD>(buffer.size() - 1);  // room for a zero the value may lack
    if (::RegQueryValueExA(key.Get(), name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(buffer.data()), &size) !=
        ERROR_SUCCESS)
        return std::string();
    return std::string(buffer.data());
}

bool WriteRegistryString(const std::string& subkey, const std::string& name, const std::string& text) {
    HKEY raw = nullptr;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, GetRegistryKeyPath(subkey).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                          &raw, nullptr) != ERROR_SUCCESS)
        return false;
    platform::UniqueHKey key(raw);
    return ::RegSetValueExA(key.Get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                            static_cast<DWORD>(text.size() + 1)) == ERROR_SUCCESS;
}
