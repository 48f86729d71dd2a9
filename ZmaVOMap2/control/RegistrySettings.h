// Registry key paths of the control, all under HKEY_CURRENT_USER.
#pragma once

namespace RegistrySettings {

constexpr const wchar_t* kRootKey = L"Software\\Zemro\\Terravex";
constexpr const wchar_t* kDirectoriesKey = L"Software\\Zemro\\Terravex\\Directories";
constexpr const wchar_t* kMapQuickPrintKey = L"Software\\Zemro\\Terravex\\MapQuickPrint";
constexpr const wchar_t* kMapInformationKey = L"Software\\Zemro\\Terravex\\MapInformation";
constexpr const wchar_t* kMapPrintingKey = L"Software\\Zemro\\Terravex\\MapPrinting";
constexpr const wchar_t* kHelpKey = L"Software\\Zemro\\TerravexHelp";

}  // namespace RegistrySettings
