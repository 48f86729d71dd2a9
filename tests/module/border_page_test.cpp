// The border property page: created through its class id, it shows the stored choice, reports
// the first change to its site, and Apply stores the choice.
#include "ZmaVOMap2/printing/BorderDeterminator.h"
#include "platform/ComObject.h"
#include "tests/support/TestSupport.h"

#include "VadAZ.h"

#include <olectl.h>

#include <gtest/gtest.h>

#include <vector>

using platform::ComPtr;

namespace {

const wchar_t kKey[] = L"Software\\Zemro\\Terravex\\MapPrinting";
const int kNone = 123, kSingle = 126;

class RecordingSite : public platform::ComObject<RecordingSite, IPropertyPageSite> {
public:
    STDMETHODIMP OnStatusChange(DWORD flags) override { statusChanges.push_back(flags); return S_OK; }
    STDMETHODIMP GetLocaleID(LCID* lcid) override { *lcid = 0x409; return S_OK; }
    STDMETHODIMP GetPageContainer(IUnknown** out) override { *out = nullptr; return E_NOTIMPL; }
    STDMETHODIMP TranslateAccelerator(MSG*) override { return S_FALSE; }
    std::vector<DWORD> statusChanges;
};

class BorderPage : public ::testing::Test {
protected:
    void SetUp() override {
        parent_ = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 400, 300, nullptr, nullptr, nullptr, nullptr);
        ASSERT_TRUE(parent_);
        ASSERT_EQ(::CoCreateInstance(CLSID_ZmaPPGMapBorder, nullptr, CLSCTX_INPROC_SERVER, IID_IPropertyPage,
                                     page_.PutVoid()),
                  S_OK);
        site_ = platform::MakeObject<RecordingSite>();
        ASSERT_EQ(page_->SetPageSite(site_.Get()), S_OK);
    }
    void TearDown() override {
        if (page_) {
            page_->Deactivate();
            page_->SetPageSite(nullptr);
        }
        page_.Reset();
        ::DestroyWindow(parent_);
        testsupport::DeleteValue(HKEY_CURRENT_USER, kKey, L"MapBorder");
    }

    HWND Activate() {
        RECT r = {0, 0, 300, 100};
        EXPECT_EQ(page_->Activate(parent_, &r, FALSE), S_OK);
        return ::GetWindow(parent_, GW_CHILD);
    }

    void Click(HWND dlg, int id) {
        ::CheckRadioButton(dlg, kNone, kSingle, id);
        ::SendMessageW(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dlg, id)));
    }

    DWORD Stored() {
        DWORD v = 12345;
        return testsupport::ReadDword(HKEY_CURRENT_USER, kKey, L"MapBorder", v) ? v : 12345;
    }

    HWND parent_ = nullptr;
    ComPtr<IPropertyPage> page_;
    ComPtr<RecordingSite> site_;
};

TEST_F(BorderPage, PageInfoCarriesTheTitleAndTemplateSize) {
    PROPPAGEINFO info = {};
    ASSERT_EQ(page_->GetPageInfo(&info), S_OK);
    EXPECT_STREQ(info.pszTitle, L"Border");
    EXPECT_GT(info.size.cx, 0);
    EXPECT_GT(info.size.cy, 0);
    EXPECT_EQ(info.pszHelpFile, nullptr);
    EXPECT_EQ(info.pszDocString, nullptr);
    ::CoTaskMemFree(info.pszTitle);
}

TEST_F(BorderPage, ShowsTheStoredChoice) {
    testsupport::DeleteValue(HKEY_CURRENT_USER, kKey, L"MapBorder");
    HWND dlg = Activate();
    ASSERT_TRUE(dlg);
    EXPECT_EQ(::IsDlgButtonChecked(dlg, kSingle), BST_CHECKED);
    EXPECT_EQ(::IsDlgButtonChecked(dlg, kNone), BST_UNCHECKED);
    page_->Deactivate();

    testsupport::WriteDword(HKEY_CURRENT_USER, kKey, L"MapBorder", 0);
    dlg = Activate();
    EXPECT_EQ(::IsDlgButtonChecked(dlg, kNone), BST_CHECKED);
    EXPECT_EQ(::IsDlgButtonChecked(dlg, kSingle), BST_UNCHECKED);
    page_->Deactivate();

    testsupport::WriteDword(HKEY_CURRENT_USER, kKey, L"MapBorder", 7);
    dlg = Activate();
    EXPECT_EQ(::IsDlgButtonChecked(dlg, kSingle), BST_CHECKED);
}

TEST_F(BorderPage, FirstChangeTellsTheSiteAndApplyStoresTheChoice) {
    HWND dlg = Activate();
    ASSERT_TRUE(dlg);
    EXPECT_EQ(page_->IsPageDirty(), S_FALSE);

    Click(dlg, kNone);
    Click(dlg, kSingle);
    Click(dlg, kNone);
    ASSERT_EQ(site_->statusChanges.size(), 1u);
    EXPECT_EQ(site_->statusChanges[0], static_cast<DWORD>(PROPPAGESTATUS_DIRTY | PROPPAGESTATUS_VALIDATE));
    EXPECT_EQ(page_->IsPageDirty(), S_OK);

    ASSERT_EQ(page_->Apply(), S_OK);
    EXPECT_EQ(Stored(), 0u);
    EXPECT_EQ(page_->IsPageDirty(), S_FALSE);

    // A change after the apply is a first change again.
    Click(dlg, kSingle);
    EXPECT_EQ(site_->statusChanges.size(), 2u);
    ASSERT_EQ(page_->Apply(), S_OK);
    EXPECT_EQ(Stored(), 1u);

    // With no button checked the border stays on.
    ::CheckDlgButton(dlg, kNone, BST_UNCHECKED);
    ::CheckDlgButton(dlg, kSingle, BST_UNCHECKED);
    ASSERT_EQ(page_->Apply(), S_OK);
    EXPECT_EQ(Stored(), 1u);
}

TEST_F(BorderPage, KeepsTheControlParentStyleForTabbing) {
    HWND dlg = Activate();
    ASSERT_TRUE(dlg);
    ::SetWindowLongPtrW(dlg, GWL_EXSTYLE, 0);
    EXPECT_TRUE(::GetWindowLongPtrW(dlg, GWL_EXSTYLE) & WS_EX_CONTROLPARENT);
}

TEST(BorderDeterminator, StoresTheValueModulo256AndReadsZeroAsNoBorder) {
    {
        CBorderDeterminator b;
        b.SetMapBorder(256);
        EXPECT_FALSE(b.GetMapBorder());
        b.SetMapBorder(300);
        EXPECT_TRUE(b.GetMapBorder());
    }
    DWORD v = 0;
    ASSERT_TRUE(testsupport::ReadDword(HKEY_CURRENT_USER, kKey, L"MapBorder", v));
    EXPECT_EQ(v, 44u);
    testsupport::DeleteValue(HKEY_CURRENT_USER, kKey, L"MapBorder");
    EXPECT_TRUE(CBorderDeterminator().GetMapBorder());
}

}  // namespace
