// Registration through regsvr32 writes exactly the keys of both classes and the type library,
// and unregistration takes them away again.
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

using namespace testsupport;

namespace {

const std::wstring kControlClsid = L"{847E55A9-C5FA-4534-A733-6989C752423A}";
const std::wstring kPageClsid = L"{FD16798F-C2A8-4d29-BB84-C5FF538353BC}";  // spelled as registered
const std::wstring kLibId = L"{9927B746-A0BD-11D3-AF69-00A0C9CA6F53}";

std::wstring DllPath() { return WinePath(VADAZ_DLL_UNIX_PATH); }

int RegSvr32(const std::wstring& args) { return RunProcess(L"regsvr32.exe /s " + args + L" \"" + DllPath() + L"\""); }

std::wstring Str(const std::wstring& key, const wchar_t* name = nullptr) {
    std::wstring v;
    return ReadString(HKEY_CLASSES_ROOT, key, name, v) ? v : L"<missing>";
}

bool SameFile(const std::wstring& a, const std::wstring& b) { return ::lstrcmpiW(a.c_str(), b.c_str()) == 0; }

void ExpectControlRegistered() {
    EXPECT_EQ(Str(L"VadAZ2.ZmaVadAZ.1"), L"Map");
    EXPECT_EQ(Str(L"VadAZ2.ZmaVadAZ.1\\CLSID"), kControlClsid);
    EXPECT_EQ(Str(L"VadAZ2.ZmaVadAZ"), L"Map");
    EXPECT_EQ(Str(L"VadAZ2.ZmaVadAZ\\CLSID"), kControlClsid);
    EXPECT_EQ(Str(L"VadAZ2.ZmaVadAZ\\CurVer"), L"VadAZ2.ZmaVadAZ.1");

    const std::wstring c = L"CLSID\\" + kControlClsid;
    EXPECT_EQ(Str(c), L"Map");
    EXPECT_EQ(Str(c + L"\\ProgID"), L"VadAZ2.ZmaVadAZ.1");
    EXPECT_EQ(Str(c + L"\\VersionIndependentProgID"), L"VadAZ2.ZmaVadAZ");
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, c + L"\\Programmable"));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, c + L"\\Control"));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, c + L"\\Insertable"));
    EXPECT_TRUE(SameFile(Str(c + L"\\InprocServer32"), DllPath()));
    EXPECT_EQ(Str(c + L"\\InprocServer32", L"ThreadingModel"), L"Apartment");
    EXPECT_TRUE(SameFile(Str(c + L"\\ToolboxBitmap32"), DllPath() + L", 106"));
    EXPECT_EQ(Str(c + L"\\MiscStatus"), L"0");
    EXPECT_EQ(Str(c + L"\\MiscStatus\\1"), L"131473");
    EXPECT_EQ(Str(c + L"\\TypeLib"), kLibId);
    EXPECT_EQ(Str(c + L"\\Version"), L"1.0");
    auto categories = SubKeys(HKEY_CLASSES_ROOT, c + L"\\Implemented Categories");
    ASSERT_EQ(categories.size(), 3u);
    for (const wchar_t* cat : {L"{D3909741-3373-422D-9594-6F05ED4CE542}", L"{7DD95801-9882-11CF-9FA9-00AA006C42C4}",
                               L"{7DD95802-9882-11CF-9FA9-00AA006C42C4}"})
        EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, c + L"\\Implemented Categories\\" + cat)) << cat;
}

void ExpectPageRegistered() {
    EXPECT_EQ(Str(L"VadAZ.ZmaPPGMapBorder.1"), L"ZmaPPGMapBorder Class");
    EXPECT_EQ(Str(L"VadAZ.ZmaPPGMapBorder.1\\CLSID"), kPageClsid);
    EXPECT_EQ(Str(L"VadAZ.ZmaPPGMapBorder"), L"ZmaPPGMapBorder Class");
    EXPECT_EQ(Str(L"VadAZ.ZmaPPGMapBorder\\CurVer"), L"VadAZ.ZmaPPGMapBorder.1");
    const std::wstring c = L"CLSID\\" + kPageClsid;
    EXPECT_EQ(Str(c), L"ZmaPPGMapBorder Class");
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, c + L"\\Programmable"));
    EXPECT_TRUE(SameFile(Str(c + L"\\InprocServer32"), DllPath()));
    EXPECT_EQ(Str(c + L"\\InprocServer32", L"ThreadingModel"), L"Apartment");
    // Nothing of the control's extras on the page.
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, c + L"\\Control"));
}

// A type library is registered under the platform it was built for.
#ifdef _WIN64
const wchar_t* const kTypeLibPlatform = L"win64";
#else
const wchar_t* const kTypeLibPlatform = L"win32";
#endif

void ExpectTypeLibraryRegistered() {
    EXPECT_EQ(Str(L"TypeLib\\" + kLibId + L"\\1.0"), L"VadAZ 1.0 Type Library");
    EXPECT_TRUE(SameFile(Str(L"TypeLib\\" + kLibId + L"\\1.0\\0\\" + kTypeLibPlatform), DllPath()));
    // The dual interfaces are marshalled through the type library.
    EXPECT_EQ(Str(L"Interface\\{9927B755-A0BD-11D3-AF69-00A0C9CA6F53}\\TypeLib"), kLibId);
    EXPECT_EQ(Str(L"Interface\\{D65E984B-D2FC-402C-9D1F-DE67E8DABBC0}\\TypeLib"), kLibId);
}

void ExpectNothingRegistered() {
    for (const wchar_t* key : {L"VadAZ2.ZmaVadAZ.1", L"VadAZ2.ZmaVadAZ", L"VadAZ.ZmaPPGMapBorder.1",
                               L"VadAZ.ZmaPPGMapBorder"})
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, key)) << key;
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L"CLSID\\" + kControlClsid));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L"CLSID\\" + kPageClsid));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L"TypeLib\\" + kLibId));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L"Interface\\{D65E984B-D2FC-402C-9D1F-DE67E8DABBC0}"));
    // The shared parent keys stay.
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, L"CLSID"));
}

}  // namespace

// One test: the steps share the prefix's registry and must run in this order, and the library is
// left registered for the other programs.
TEST(Registration, RegisterUnregisterRegister) {
    ASSERT_EQ(RegSvr32(L""), 0);
    ExpectControlRegistered();
    ExpectPageRegistered();
    ExpectTypeLibraryRegistered();

    ASSERT_EQ(RegSvr32(L"/u"), 0);
    ExpectNothingRegistered();

    // Unregistering twice is harmless.
    EXPECT_EQ(RegSvr32(L"/u"), 0);

    ASSERT_EQ(RegSvr32(L""), 0);
    ExpectControlRegistered();
    ExpectPageRegistered();
    ExpectTypeLibraryRegistered();
}
