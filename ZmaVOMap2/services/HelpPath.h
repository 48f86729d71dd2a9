// The help file that the dialogs open: "<module folder>\Help\MAPS.CHM", or the folder that the
// "HelpPath" value names followed directly by "MAPS.CHM".
#pragma once

#include <windows.h>

#include <string>

// Works out the help path for a module at `modulePath`, reading "HelpPath" under `userRoot`
// (HKEY_CURRENT_USER in the product). A value too long for a path leaves the default.
std::wstring ComputeHelpPath(const std::wstring& modulePath, HKEY userRoot);

// The path worked out when the library was loaded.
const std::wstring& HelpFilePath();
void SetHelpFilePath(const std::wstring& path);

// Opens the help file at `data` (a context: 0x20000 plus a dialog's resource number) through the
// HTML Help library, loaded on first use; without the library, or with an empty path, nothing
// happens and the library is not looked for again.
void CallHtmlHelp(HWND window, const std::wstring& helpFile, UINT command, DWORD_PTR data);
