// Registry key paths of the control, all under HKEY_CURRENT_USER.
#pragma once

#include <string>

namespace RegistrySettings {

constexpr const wchar_t* kRootKey = L"Software\\Zemro\\Terravex";
constexpr const wchar_t* kDirectoriesKey = L"Software\\Zemro\\Terravex\\Directories";
constexpr const wchar_t* kMapQuickPrintKey = L"Software\\Zemro\\Terravex\\MapQuickPrint";
constexpr const wchar_t* kMapInformationKey = L"Software\\Zemro\\Terravex\\MapInformation";
constexpr const wchar_t* kMapPrintingKey = L"Software\\Zemro\\Terravex\\MapPrinting";
constexpr const wchar_t* kHelpKey = L"Software\\Zemro\\TerravexHelp";

// The remembered folder of a file dialog (REG_SZ value `name` under "Directories"); false and the
// default (resolved when it is a "terravex://" address) when nothing is stored.
bool ReadDirectorySetting(std::string& result, const std::string& name, const std::string& defaultValue);
// Remembers the folder of `path` (the path itself when it is a folder) under `name`.
void WriteDirectorySetting(const std::string& path, const std::string& name);
// The same for folders outside the ANSI code page (no default: "" when nothing is stored).
bool ReadDirectorySetting(std::wstring& result, const std::wstring& name);
void WriteDirectorySetting(const std::wstring& path, const std::wstring& name);

}  // namespace RegistrySettings
