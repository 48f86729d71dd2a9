// Where the help file is looked for: beside the library, or in the folder "HelpPath" names.
#include "ZmaVOMap2/services/HelpPath.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

const wchar_t kKey[] = L"Software\\Zemro\\TerravexHelp";
const std::wstring kModule = L"C:\\Program Files\\Terravex\\Bin\\VadAZ.dll";

class HelpPath : public ::testing::Test {
protected:
    void TearDown() override { testsupport::DeleteTree(HKEY_CURRENT_USER, kKey); }
};

TEST_F(HelpPath, DefaultsToTheHelpFolderBesideTheLibrary) {
    testsupport::DeleteTree(HKEY_CURRENT_USER, kKey);
    EXPECT_EQ(ComputeHelpPath(kModule, HKEY_CURRENT_USER), L"C:\\Program Files\\Terravex\\Bin\\Help\\MAPS.CHM");
    // The key without the value keeps the default too.
    testsupport::WriteString(HKEY_CURRENT_USER, kKey, L"Other", L"x");
    EXPECT_EQ(ComputeHelpPath(kModule, HKEY_CURRENT_USER), L"C:\\Program Files\\Terravex\\Bin\\Help\\MAPS.CHM");
}

TEST_F(HelpPath, HelpPathValueIsJoinedWithoutSeparator) {
    testsupport::WriteString(HKEY_CURRENT_USER, kKey, L"HelpPath", L"D:\\Docs\\");
    EXPECT_EQ(ComputeHelpPath(kModule, HKEY_CURRENT_USER), L"D:\\Docs\\MAPS.CHM");
    testsupport::WriteString(HKEY_CURRENT_USER, kKey, L"HelpPath", L"D:\\Docs");
    EXPECT_EQ(ComputeHelpPath(kModule, HKEY_CURRENT_USER), L"D:\\DocsMAPS.CHM");
}

TEST_F(HelpPath, ValuesTooLongForAPathKeepTheDefault) {
    // Fits exactly: 251 characters plus "MAPS.CHM" is 259.
    std::wstring fits = L"D:\\" + std::wstring(247, L'a') + L"\\";
    testsupport::WriteString(HKEY_CURRENT_USER, kKey, L"HelpPath", fits);
    EXPECT_EQ(ComputeHelpPath(kModule, HKEY_CURRENT_USER), fits + L"MAPS.CHM");

    for (size_t length : {252u, 259u, 260u, 1000u}) {
        std::wstring tooLong = L"D:\\" + std::wstring(length - 4, L'b') + L"\\";
        testsupport::WriteString(HKEY_CURRENT_USER, kKey, L"HelpPath", tooLong);
        EXPECT_EQ(ComputeHelpPath(kModule, HKEY_CURRENT_USER), L"C:\\Program Files\\Terravex\\Bin\\Help\\MAPS.CHM")
            << length;
    }
}

}  // namespace
