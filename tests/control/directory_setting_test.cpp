// Remembered folders of file dialogs.
#include "ZmaVOMap2/services/RegistrySettings.h"
#include "platform/Com.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

const wchar_t kKey[] = L"Software\\Zemro\\Terravex\\Directories";

TEST(DirectorySetting, AFilePathStoresItsFolderAndAFolderStaysAsItIs) {
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    std::wstring folder = std::wstring(temp) + L"vadaz-dirsetting";
    ::CreateDirectoryW(folder.c_str(), nullptr);
    std::wstring file = folder + L"\\map.png";
    HANDLE h = ::CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ::CloseHandle(h);

    RegistrySettings::WriteDirectorySetting(platform::ToAnsi(file), "TestImageDirectory");
    std::wstring stored;
    ASSERT_TRUE(testsupport::ReadString(HKEY_CURRENT_USER, kKey, L"TestImageDirectory", stored));
    EXPECT_EQ(stored, folder);

    RegistrySettings::WriteDirectorySetting(platform::ToAnsi(folder), "TestImageDirectory");
    ASSERT_TRUE(testsupport::ReadString(HKEY_CURRENT_USER, kKey, L"TestImageDirectory", stored));
    EXPECT_EQ(stored, folder);

    std::string read;
    EXPECT_TRUE(RegistrySettings::ReadDirectorySetting(read, "TestImageDirectory", "C:\\default"));
    EXPECT_EQ(read, platform::ToAnsi(folder));

    testsupport::DeleteValue(HKEY_CURRENT_USER, kKey, L"TestImageDirectory");
    ::DeleteFileW(file.c_str());
    ::RemoveDirectoryW(folder.c_str());
}

TEST(DirectorySetting, NothingStoredAnswersFalse) {
    std::string read = "unchanged";
    EXPECT_FALSE(RegistrySettings::ReadDirectorySetting(read, "NoSuchDirectoryValue", "terravex://Nowhere/"));
}

}  // namespace
