#include "ZmaVOMap2/services/HelpPath.h"

#include "platform/Com.h"

#include "ZmaVOMap2/services/RegistrySettings.h"
#include "platform/UniqueHandle.h"

namespace {
std::wstring g_helpPath;
}

std::wstring ComputeHelpPath(const std::wstring& modulePath, HKEY userRoot) {
    std::wstring folder = modulePath;
    size_t slash = folder.find_last_of(L'\\');
    folder = slash == std::wstring::npos ? std::wstring() : folder.substr(0, slash + 1);
    std::wstring path = folder + L"Help\\MAPS.CHM";
    if (path.size() >= MAX_PATH) path.clear();

    platform::UniqueHKey key;
    if (::RegOpenKeyExW(userRoot, RegistrySettings::kHelpKey, 0, KEY_READ, key.Put()) != ERROR_SUCCESS) return path;
    const std::wstring fileName = L"MAPS.CHM";

    // Read at most MAX_PATH characters; a longer value fails the read and keeps the default.
    wchar_t value[MAX_PATH + 1] = {};
    DWORD type = 0, size = MAX_PATH * sizeof(wchar_t);
    if (::RegQueryValueExW(key.Get(), L"HelpPath", nullptr, &type, reinterpret_cast<BYTE*>(value), &size) !=
            ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return path;
    value[size / sizeof(wchar_t)] = L'\0';
    std::wstring joined = std::wstring(value) + fileName;  // "HelpPath" is expected to end in a backslash
    if (joined.size() >= MAX_PATH) return path;
    return joined;
}

const std::wstring& HelpFilePath() { return g_helpPath; }
void SetHelpFilePath(const std::wstring& path) { g_helpPath = path; }

void CallHtmlHelp(HWND window, const std::wstring& helpFile, UINT command, DWORD_PTR data) {
    using HtmlHelpEntry = HWND(WINAPI*)(HWND, LPCSTR, UINT, DWORD_PTR);
    static bool looked = false;
    static HtmlHelpEntry entry = nullptr;
    if (!looked) {
        looked = true;
        if (HMODULE library = ::LoadLibraryW(L"hhctrl.ocx")) {
            FARPROC found = ::GetProcAddress(library, "HtmlHelpA");
            if (!found) found = ::GetProcAddress(library, MAKEINTRESOURCEA(14));
            entry = reinterpret_cast<HtmlHelpEntry>(reinterpret_cast<void*>(found));
        }
    }
    if (!entry || helpFile.empty()) return;
    const std::string file = platform::ToAnsi(helpFile);
    entry(window, file.c_str(), command, data);
}
