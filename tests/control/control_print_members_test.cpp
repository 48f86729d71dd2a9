// What printing asks of the control object itself: the window the map draws in, the batch-print
// flags of a measurement layer, and the quick-print title (stored in the registry) with its
// fallback to the top visible measurement layer.
#include "tests/control/MapSiteFixture.h"

#include "ZmaVOMap2/control/ZmaVadAZ.h"
#include "ZmaVOMap2/services/RegistrySettings.h"
#include "tests/support/TestSupport.h"

using platform::Bstr;
using platform::ComPtr;
using platform::Variant;

namespace {

const wchar_t kGuid[] = L"{5E71E500-0000-4000-8000-00000000B001}";

class ControlForPrinting : public sitetest::MapSiteTest {
protected:
    HRESULT Show(const wchar_t* guid) {
        return displaytest::Call(Control(), displaytest::kDisplayDataset,
                                 {Variant(displaytest::MakeSampleDataset(20).Get()), displaytest::Text(L"RxLev"),
                                  displaytest::Text(guid)});
    }
};

// The control object of this program's own library, in a site.
class InProcessControl : public ControlForPrinting {
protected:
    HRESULT MakeControl(ComPtr<IUnknown>& control) override {
        return platform::CreateInstanceOf<CZmaVadAZ>(IID_IUnknown, control.PutVoid());
    }
    CZmaVadAZ& Self() { return *static_cast<CZmaVadAZ*>(Control()); }
};

TEST_F(InProcessControl, TheMapWindowIsTheEnginesWindowInTheSite) {
    ASSERT_TRUE(EngineWindow());
    EXPECT_EQ(Self().GetMapWindow(), EngineWindow());
    EXPECT_EQ(Self().GetMapWindow(), ::GetWindow(site_->Window(), GW_CHILD));
    // A map that was never activated has only the engine's own window, if any.
    ComPtr<IUnknown> unsited;
    ASSERT_EQ(MakeControl(unsited), S_OK);
    CZmaVadAZ& other = *static_cast<CZmaVadAZ*>(controltest::As<IZmaVadAZ2>(unsited.Get()).Get());
    EXPECT_EQ(other.GetMapWindow(),
              reinterpret_cast<HWND>(static_cast<intptr_t>(displaytest::Get(other.EngineMap(), -515).ToLong())));
}

TEST_F(InProcessControl, ASetTitleIsStoredForTheNextMap) {
    EXPECT_TRUE(Self().SetQuickPrintTitle(L"Drive test north"));
    std::wstring stored;
    EXPECT_TRUE(testsupport::ReadString(HKEY_CURRENT_USER, RegistrySettings::kMapQuickPrintKey, L"MapTitle", stored));
    EXPECT_EQ(stored, L"Drive test north");
    ComPtr<IUnknown> other;
    Bstr title;
    ASSERT_EQ(MakeControl(other), S_OK);
    EXPECT_EQ(controltest::As<IZmaVadAZ2>(other.Get())->get_Title(title.Put()), S_OK);
    EXPECT_EQ(title.Wide(), L"Drive test north");
    testsupport::DeleteValue(HKEY_CURRENT_USER, RegistrySettings::kMapQuickPrintKey, L"MapTitle");
}

TEST_F(ControlForPrinting, WithoutAStoredTitleTheMapIsNamedAfterItsTopVisibleLayer) {
    testsupport::DeleteValue(HKEY_CURRENT_USER, RegistrySettings::kMapQuickPrintKey, L"MapTitle");
    ASSERT_EQ(Show(kGuid), S_OK);
    Bstr title;
    EXPECT_EQ(Control()->get_Title(title.Put()), S_OK);
    EXPECT_FALSE(title.Wide().empty());
    EXPECT_EQ(title.Wide(), EngineLayerNames().front());
}

TEST_F(ControlForPrinting, BatchFlagsNeedTheSeriesLayer) {
    ASSERT_EQ(Show(kGuid), S_OK);
    EXPECT_EQ(Control()->SetDefaultBatchPrintFlagsForDataLayer(Bstr(kGuid).Get(), VARIANT_TRUE, 1), S_OK);
    EXPECT_EQ(Control()->SetDefaultBatchPrintFlagsForDataLayer(Bstr(L"{unknown}").Get(), VARIANT_TRUE, VARIANT_TRUE),
              E_FAIL);
    ComPtr<IUnknown> uninitialised;
    ASSERT_EQ(controltest::CreateControl(uninitialised), S_OK);
    EXPECT_EQ(controltest::As<IZmaVadAZ2>(uninitialised.Get())
                  ->SetDefaultBatchPrintFlagsForDataLayer(Bstr(kGuid).Get(), VARIANT_TRUE, VARIANT_TRUE),
              E_UNEXPECTED);
}

}  // namespace
