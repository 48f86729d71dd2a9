// The line and profile members of the control through IDispatch, as a host calls them: the line
// options and toggles, the fields of the serving and neighbour lines, and the calls that the
// profile members make on the host service.
#include "tests/datalayers/DisplayFixture.h"

#include "platform/ComObject.h"

#include <functional>

using namespace displaytest;
using platform::Bstr;
using platform::ComPtr;
using platform::Variant;

namespace {

enum : DISPID {
    kProfileName = 0x15,
    kApplyCurrentProfile = 0x16,
    kUpdateCellRefData = 0x17,
    kLinesVisibilityFlags = 0x1F,
    kLinesTargetFlags = 0x20,
    kUpdateLinesToCellsData = 0x21,
    kToggleLines = 0x34,
    kToggleLine = 0x73,
    kSetNeighbourColour = 0x7E,
    kGetNeighbourColour = 0x7F,
    kSetServerColour = 0x82,
    kGetServerColour = 0x83,
    kSetServerLabel = 0x84,
    kGetServerLabel = 0x85,
};

const wchar_t kSites[] = L"{517E5000-0000-0000-0000-0000000000AA}";

class LineMembers : public DisplayTest {
protected:
    void SetUp() override {
        DisplayTest::SetUp();
        ASSERT_EQ(::CoCreateInstance(CLSID_HostService, nullptr, CLSCTX_INPROC_SERVER, IID_IHostCallLog,
                                     serviceLog_.PutVoid()),
                  S_OK);
        ASSERT_EQ(::CoCreateInstance(CLSID_HostProfileComponent, nullptr, CLSCTX_INPROC_SERVER, IID_IHostProfileTest,
                                     component_.PutVoid()),
                  S_OK);
    }
    void TearDown() override {
        if (component_) component_->SetHandler(nullptr);
        DisplayTest::TearDown();
    }
    std::vector<std::wstring> ServiceCalls() {
        std::vector<std::wstring> calls;
        long count = 0;
        serviceLog_->get_CallCount(&count);
        for (long i = 0; i < count; ++i) {
            Bstr line;
            serviceLog_->CallAt(i, line.Put());
            calls.push_back(line.Wide());
        }
        return calls;
    }
    ComPtr<IDispatch> ShowSites() {
        ComPtr<IDispatch> sites = NewDataset({{L"Latitude", 13}, {L"Longitude", 12}, {L"Azimuth", 5}, {L"ElementHandle", 3}}, 3);
        EXPECT_EQ(Call(Control(), kCreateMultiDMapping,
                       {Variant(sites.Get()), Text(kSites),
                        Variant(FieldConfiguration(L"CellRefs", {L"Azimuth"}).Get())}),
                  S_OK);
        return sites;
    }
    bool SitesShown() {
        for (const std::wstring& name : EngineLayerNames())
            if (name.find(L"Azimuth") != std::wstring::npos) return true;
        return false;
    }

    ComPtr<IHostCallLog> serviceLog_;
    ComPtr<IHostProfileTest> component_;
};

TEST_F(LineMembers, OptionsAndTogglesNeedTheLayerCollection) {
    EXPECT_EQ(Call(Control(), kToggleLines, {Variant(true), Variant(0L)}), E_UNEXPECTED);
    EXPECT_EQ(Put(Control(), kLinesVisibilityFlags, Variant(99L)), E_UNEXPECTED);
    Initialise();
    EXPECT_EQ(Put(Control(), kLinesVisibilityFlags, Variant(99L)), S_OK);
    EXPECT_EQ(Get(Control(), kLinesVisibilityFlags).ToLong(), 99);
    EXPECT_EQ(Put(Control(), kLinesTargetFlags, Variant(1L)), S_OK);
    EXPECT_EQ(Get(Control(), kLinesTargetFlags).ToLong(), 1);
    EXPECT_EQ(Get(Control(), kLinesVisibilityFlags).ToLong(), 99);
    EXPECT_EQ(Call(Control(), kToggleLines, {Variant(false), Variant(7L)}), S_OK);
    EXPECT_EQ(Call(Control(), kToggleLine, {Variant(3L), Variant(true), Variant(0L)}), S_OK);
}

TEST_F(LineMembers, FieldsOfTheServingAndNeighbourLinesAreSetAndReadPerSeries) {
    Initialise();
    ShowSites();
    Variant read;
    ASSERT_EQ(Call(Control(), kGetServerColour, {Text(kSites)}, &read), S_OK);
    EXPECT_EQ(read.ToWide(), L"None");

    EXPECT_EQ(Call(Control(), kSetServerColour, {Text(kSites), Text(L"RxQual")}), S_OK);
    EXPECT_EQ(Call(Control(), kSetServerLabel, {Text(kSites), Text(L"RxLev")}), S_OK);
    EXPECT_EQ(Call(Control(), kSetNeighbourColour, {Text(kSites), Text(L"NeighborRxLev_")}), S_OK);
    ASSERT_EQ(Call(Control(), kGetServerColour, {Text(kSites)}, &read), S_OK);
    EXPECT_EQ(read.ToWide(), L"RxQual");
    ASSERT_EQ(Call(Control(), kGetServerLabel, {Text(kSites)}, &read), S_OK);
    EXPECT_EQ(read.ToWide(), L"RxLev");
    ASSERT_EQ(Call(Control(), kGetNeighbourColour, {Text(kSites)}, &read), S_OK);
    EXPECT_EQ(read.ToWide(), L"NeighborRxLev_");

    // A series without line layers: the setter changes nothing, the getter answers nothing.
    EXPECT_EQ(Call(Control(), kSetServerColour, {Text(L"{00000000-0000-0000-0000-000000000000}"), Text(L"X")}), S_OK);
    ASSERT_EQ(Call(Control(), kGetServerColour, {Text(L"{00000000-0000-0000-0000-000000000000}")}, &read), S_OK);
    // Through IDispatch a null text arrives as an empty one.
    EXPECT_TRUE(read.vt == VT_EMPTY || (read.vt == VT_BSTR && ::SysStringLen(read.bstrVal) == 0));
}

TEST_F(LineMembers, ProfileMembersCallTheHostServiceInOrder) {
    Initialise();
    EXPECT_EQ(Put(Control(), kProfileName, Text(L"Drive")), S_OK);
    serviceLog_->ClearCalls();
    EXPECT_EQ(Call(Control(), kApplyCurrentProfile, {}), S_OK);
    EXPECT_EQ(Call(Control(), kUpdateLinesToCellsData, {}), S_OK);
    const std::vector<std::wstring> expected = {
        L"OpenProfile(ZmaAOMapXDLL.ZmaAOMapX, Drive, <object>)",
        L"LoadProfile(ZmaAOMapXDLL.ZmaAOMapX, Drive, <object>)",
        L"ApplyProfile(ZmaAOMapXDLL.ZmaAOMapX, Drive, <object>)",
        L"UpdateLinesToCells(ZmaAOMapXDLL.ZmaAOMapX, Drive, <object>, 0)",
        L"UpdateLinesToCells(ZmaAOMapXDLL.ZmaAOMapX, Drive, <object>, 1)"};
    EXPECT_EQ(ServiceCalls(), expected);

    EXPECT_EQ(Put(Control(), kProfileName, Text(L"")), S_OK);
    Variant name = Get(Control(), kProfileName);
    EXPECT_TRUE(name.vt == VT_BSTR && ::SysStringLen(name.bstrVal) == 0);
}

TEST_F(LineMembers, UpdateCellRefDataRemovesTheCellSitesBeforeTheComponentRebuildsThem) {
    Initialise();
    ComPtr<IDispatch> sites = ShowSites();
    ASSERT_TRUE(SitesShown());
    bool shownDuringCall = true;
    auto handler = platform::MakeObject<ComponentHandler>();
    handler->onCall = [&](const std::wstring& method) {
        if (method != L"LoadProfile") return;
        shownDuringCall = SitesShown();
        ShowSites();
    };
    ASSERT_EQ(component_->SetHandler(handler.Get()), S_OK);
    serviceLog_->ClearCalls();
    EXPECT_EQ(Call(Control(), kUpdateCellRefData, {}), S_OK);
    EXPECT_FALSE(shownDuringCall);
    EXPECT_TRUE(SitesShown());
    EXPECT_EQ(ServiceCalls(), (std::vector<std::wstring>{
                                  L"LoadProfile(ZmaAOMapXDLL.ZmaAOMapX.1, %##CurrentSettings##%, <object>)"}));
}

}  // namespace
