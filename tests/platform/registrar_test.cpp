// Registration scripts: keys, default and named values, %NAME% replacement, and removal that
// keeps NoRemove keys and takes everything else with its subtree.
#include "platform/Com.h"
#include "platform/Registrar.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

const wchar_t kRoot[] = L"Software\\VadAZTests\\Registrar";

const wchar_t kScript[] = LR"(
HKCU
{
    NoRemove Software
    {
        NoRemove VadAZTests
        {
            NoRemove Registrar
            {
                val Shared = s 'keep?'
                Thing.1 = s 'It''s a thing'
                {
                    CLSID = s '{11111111-2222-3333-4444-555555555555}'
                }
                ForceRemove {11111111-2222-3333-4444-555555555555} = s 'Thing'
                {
                    InprocServer32 = s '%MODULE%'
                    {
                        val ThreadingModel = s 'Apartment'
                        val Count = d 42
                    }
                    'Implemented Categories'
                    {
                        {7DD95801-9882-11CF-9FA9-00AA006C42C4}
                    }
                }
            }
        }
    }
})";

class Registrar : public ::testing::Test {
protected:
    void TearDown() override { testsupport::DeleteTree(HKEY_CURRENT_USER, L"Software\\VadAZTests"); }
    platform::RegistrarReplacements replacements_{{L"MODULE", L"C:\\x\\thing.dll"}};
};

TEST_F(Registrar, WritesKeysAndValuesWithReplacements) {
    ASSERT_EQ(platform::RunRegistrationScript(kScript, true, replacements_), S_OK);
    std::wstring root = kRoot, v;
    DWORD d = 0;
    ASSERT_TRUE(testsupport::ReadString(HKEY_CURRENT_USER, root + L"\\Thing.1", nullptr, v));
    EXPECT_EQ(v, L"It's a thing");
    std::wstring server = root + L"\\{11111111-2222-3333-4444-555555555555}\\InprocServer32";
    ASSERT_TRUE(testsupport::ReadString(HKEY_CURRENT_USER, server, nullptr, v));
    EXPECT_EQ(v, L"C:\\x\\thing.dll");
    ASSERT_TRUE(testsupport::ReadString(HKEY_CURRENT_USER, server, L"ThreadingModel", v));
    EXPECT_EQ(v, L"Apartment");
    ASSERT_TRUE(testsupport::ReadDword(HKEY_CURRENT_USER, server, L"Count", d));
    EXPECT_EQ(d, 42u);
    EXPECT_TRUE(testsupport::KeyExists(HKEY_CURRENT_USER, root +
        L"\\{11111111-2222-3333-4444-555555555555}\\Implemented Categories\\{7DD95801-9882-11CF-9FA9-00AA006C42C4}"));
}

TEST_F(Registrar, ForceRemoveReplacesStaleContent) {
    std::wstring stale = std::wstring(kRoot) + L"\\{11111111-2222-3333-4444-555555555555}\\Stale";
    testsupport::WriteString(HKEY_CURRENT_USER, stale, nullptr, L"old");
    ASSERT_EQ(platform::RunRegistrationScript(kScript, true, replacements_), S_OK);
    EXPECT_FALSE(testsupport::KeyExists(HKEY_CURRENT_USER, stale));
}

TEST_F(Registrar, UnregistrationKeepsNoRemoveKeysOnly) {
    std::wstring root = kRoot;
    testsupport::WriteString(HKEY_CURRENT_USER, root, L"Unrelated", L"stays");
    ASSERT_EQ(platform::RunRegistrationScript(kScript, true, replacements_), S_OK);
    ASSERT_EQ(platform::RunRegistrationScript(kScript, false, replacements_), S_OK);
    EXPECT_TRUE(testsupport::KeyExists(HKEY_CURRENT_USER, root));
    EXPECT_FALSE(testsupport::KeyExists(HKEY_CURRENT_USER, root + L"\\Thing.1"));
    EXPECT_FALSE(testsupport::KeyExists(HKEY_CURRENT_USER, root + L"\\{11111111-2222-3333-4444-555555555555}"));
    std::wstring v;
    EXPECT_FALSE(testsupport::ReadString(HKEY_CURRENT_USER, root, L"Shared", v));
    EXPECT_TRUE(testsupport::ReadString(HKEY_CURRENT_USER, root, L"Unrelated", v));
    // Removing what is already gone is not a failure.
    EXPECT_EQ(platform::RunRegistrationScript(kScript, false, replacements_), S_OK);
}

TEST_F(Registrar, MalformedScriptsAreRefused) {
    for (const wchar_t* bad : {L"HKCU { NoRemove Software { Foo = s 'unterminated } }", L"HKCU { Foo = x 'y' }",
                               L"HKXX { Foo }", L"HKCU { Foo { }"}) {
        EXPECT_EQ(platform::RunRegistrationScript(bad, true, replacements_), DISP_E_EXCEPTION) << platform::ToAnsi(bad);
    }
}

}  // namespace
