// The context menu as a right-button release over the map opens it: its items, identifiers,
// checks and greys follow the map's state.
#include "tests/commands/CommandsFixture.h"
#include "tests/commands/MenuReader.h"


using platform::Variant;

namespace commandtest {
namespace {

class ContextMenu : public SitedMap {
protected:
    // A right-button release over the map, as the user makes it; then the posted messages run.
    bool Open(MenuReader& reader) {
        ::SendMessageW(engine_, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(20, 20));
        ::SendMessageW(engine_, WM_RBUTTONUP, 0, MAKELPARAM(20, 20));
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
        return reader.Shown();
    }
};

TEST_F(ContextMenu, HoldsEveryPopupAndItemWithItsIdentifier) {
    MenuReader menu;
    ASSERT_TRUE(Open(menu));
    // One item of each popup and of the top level, with the identifier it sends.
    const std::pair<const wchar_t*, UINT> items[] = {
        {L"Tool/Radius Select", 32775},        {L"Tool/Feature Style", 32818},
        {L"Zoom/Zoom to Scale...", 32784},     {L"Zoom/Sync Zoom (stream)", 32889},
        {L"Projection", 32795},                {L"Map Units/Distance/Yard", 32802},
        {L"Export Map/PSD", 32817},            {L"New Raster", 32820},
        {L"&Enhanced Drawing Mode", 32885},    {L"Location/Show Meters", 32884},
        {L"Show &Overview", 32886},            {L"Overview/Set current view as overview", 32887},
    };
    for (const auto& item : items) EXPECT_EQ(menu.Item(item.first).id, item.second) << platform::ToAnsi(item.first);
    // Popups, items and separators in the order of the menu.
    EXPECT_EQ(menu.Count(L"Tool") , 14);
    EXPECT_EQ(menu.Count(L"Zoom"), 12);
    EXPECT_EQ(menu.Count(L"Export Map"), 7);
    EXPECT_EQ(menu.Items().count(L"-2"), 1u);
    EXPECT_EQ(menu.Items().count(L"-16"), 1u);
    EXPECT_EQ(menu.Items().count(L"-19"), 0u);
    // "Go to Layer" lists the map's own layers by name, from the top (the annotations layer, the
    // imagery).
    const int layers = menu.Count(L"Zoom/Go to Layer");
    EXPECT_EQ(layers, 2);
    EXPECT_EQ(menu.Items().count(L"Zoom/Go to Layer/Layer1"), 0u);
}

TEST_F(ContextMenu, ChecksFollowToolUnitsAndDisplay) {
    EnginePut(kEngineTool, Variant(1001L));
    EnginePut(kEngineUnit, Variant(4L));
    {
        MenuReader menu;
        ASSERT_TRUE(Open(menu));
        EXPECT_TRUE(menu.Item(L"Tool/Pan").checked);
        EXPECT_FALSE(menu.Item(L"Tool/Arrow").checked);
        EXPECT_FALSE(menu.Item(L"Zoom/Zoom In").checked);
        EXPECT_TRUE(menu.Item(L"Map Units/Distance/Yard").checked);
        EXPECT_FALSE(menu.Item(L"Map Units/Distance/Mile").checked);
        // A new map shows its scale bar, no coordinates and no overview frame.
        EXPECT_TRUE(menu.Item(L"Show Scale").checked);
        EXPECT_FALSE(menu.Item(L"Location/Show Lat/Lon in Decimal Degrees").checked);
        EXPECT_FALSE(menu.Item(L"Show &Overview").checked);
        // Metres need a coordinate system in metres; the projection may change without rasters.
        EXPECT_TRUE(menu.Item(L"Location/Show Meters").grayed);
        EXPECT_FALSE(menu.Item(L"Projection").grayed);
    }
    EnginePut(kEngineTool, Variant(1004L));
    EnginePut(kEngineUnit, Variant(2L));  // inch: not in the popup
    Command(32834);                                            // coordinates in degrees, minutes, seconds
    Command(32886);                                            // overview frame on
    Command(32830);                                            // scale bar off
    {
        MenuReader menu;
        ASSERT_TRUE(Open(menu));
        EXPECT_TRUE(menu.Item(L"Zoom/Zoom Out").checked);
        for (const wchar_t* tool : {L"Tool/Arrow", L"Tool/Pan", L"Tool/Select"}) EXPECT_FALSE(menu.Item(tool).checked);
        for (const wchar_t* unit : {L"Mile", L"Yard", L"Foot", L"Kilometer", L"Meter"})
            EXPECT_FALSE(menu.Item(std::wstring(L"Map Units/Distance/") + unit).checked);
        EXPECT_TRUE(menu.Item(L"Location/Show Lat/Lon in Degrees Minutes Seconds").checked);
        EXPECT_FALSE(menu.Item(L"Location/Show Lat/Lon in Decimal Degrees").checked);
        EXPECT_TRUE(menu.Item(L"Show &Overview").checked);
        EXPECT_FALSE(menu.Item(L"Show Scale").checked);
    }
}

TEST_F(ContextMenu, ShowMetersTogglesTheCoordinatesAndProjectionFallsBackToDegrees) {
    auto metres = [&] {
        MenuReader menu;
        EXPECT_TRUE(Open(menu));
        return menu.Item(L"Location/Show Meters").checked;
    };
    Command(32884);
    EXPECT_TRUE(metres());
    Command(32884);  // the active format again: hidden
    EXPECT_FALSE(metres());
    Command(32884);
    EXPECT_TRUE(metres());

    // A picked system that is not in metres takes the readout back to decimal degrees.
    EXPECT_EQ(Command(32795), 0);
    EXPECT_TRUE(EngineLogHas(L"CoordSys.PickCoordSys(16) call missing missing"));
    MenuReader menu;
    ASSERT_TRUE(Open(menu));
    EXPECT_TRUE(menu.Item(L"Location/Show Lat/Lon in Decimal Degrees").checked);
    EXPECT_FALSE(menu.Item(L"Location/Show Meters").checked);
}

TEST_F(ContextMenu, AChosenItemComesBackAsItsCommand) {
    MenuReader menu;
    menu.Choose(32802);  // Yard
    ASSERT_TRUE(Open(menu));
    EXPECT_EQ(EngineGet(kEngineUnit).ToLong(), 4);
    EXPECT_EQ(Take(), (Journal{"new:12:yard"}));
}

}  // namespace
}  // namespace commandtest
