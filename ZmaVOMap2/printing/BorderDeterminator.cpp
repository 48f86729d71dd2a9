#include "ZmaVOMap2/printing/BorderDeterminator.h"

#include "ZmaVOMap2/services/RegistrySettings.h"

CBorderDeterminator::CBorderDeterminator() {
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, RegistrySettings::kMapPrintingKey, 0, nullptr, 0,
                          KEY_READ | KEY_WRITE, nullptr, key_.Put(), nullptr) != ERROR_SUCCESS)
        key_.Reset();
}

bool CBorderDeterminator::GetMapBorder() const {
    if (!key_) return true;
    DWORD value = 0, type = 0, size = sizeof value;
    if (::RegQueryValueExW(key_.Get(), L"MapBorder", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
        ERROR_SUCCESS)
        return true;
    return value != 0;
}

void CBorderDeterminator::SetMapBorder(DWORD value) {
    if (!key_) return;
    DWORD stored = value % 256;
    ::RegSetValueExW(key_.Get(), L"MapBorder", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&stored), sizeof stored);
}
