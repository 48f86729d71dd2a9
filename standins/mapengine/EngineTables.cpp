#include "standins/mapengine/EngineTables.h"

#include "platform/UniqueHandle.h"

#include <cstdio>
#include <cstring>

namespace mapengine {

namespace {
const wchar_t kEngineKey[] = L"SOFTWARE\\MapInfo\\MapX\\4.0";
const wchar_t kFolderValue[] = L"CommonDLLDir";
}  // namespace

const char* ProjectionListText() {
    // Line ends are plain LF: a category line loses its last two characters (the blank and the
    // line end after the closing quote) when it is read.
    return "\"--- Longitude / Latitude ---\"\n"
           "\"Longitude / Latitude\", 1, 0\n"
           "\"Longitude / Latitude (WGS 84)\", 1, 104\n"
           "\n"
           "\"--- Universal Transverse Mercator (WGS 84) ---\"\n"
           "\"UTM Zone 31, Northern Hemisphere (WGS 84)\", 8, 104, 7, 3, 0, 0.9996, 500000, 0\n"
           "\"UTM Zone 32, Northern Hemisphere (WGS 84)\", 8, 104, 7, 9, 0, 0.9996, 500000, 0\n"
           "\"UTM Zone 33, Northern Hemisphere (WGS 84)\", 8, 104, 7, 15, 0, 0.9996, 500000, 0\n"
           "\n"
           "\"--- Non-Earth ---\"\n"
           "\"Non-Earth (metres)\", 0, 7\n";
}

HRESULT InstallEngineTables(const std::wstring& folder) {
    std::wstring path = folder + L"\\Mapinfow.prj";
    FILE* file = _wfopen(path.c_str(), L"wb");
    if (!file) return HRESULT_FROM_WIN32(ERROR_CANNOT_MAKE);
    const char* text = ProjectionListText();
    bool ok = std::fwrite(text, 1, std::strlen(text), file) == std::strlen(text);
    ok = std::fclose(file) == 0 && ok;
    if (!ok) return HRESULT_FROM_WIN32(ERROR_WRITE_FAULT);

    platform::UniqueHKey key;
    LONG rc = ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kEngineKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.Put(), nullptr);
    if (rc != ERROR_SUCCESS) return HRESULT_FROM_WIN32(rc);
    rc = ::RegSetValueExW(key.Get(), kFolderValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                          static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t)));
    return HRESULT_FROM_WIN32(rc);
}

HRESULT RemoveEngineTables() {
    platform::UniqueHKey key;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kEngineKey, 0, KEY_SET_VALUE, key.Put()) != ERROR_SUCCESS) return S_OK;
    LONG rc = ::RegDeleteValueW(key.Get(), kFolderValue);
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND ? S_OK : HRESULT_FROM_WIN32(rc);
}

}  // namespace mapengine
