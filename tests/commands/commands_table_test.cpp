// Each command of the engine window's message map, sent as the context menu sends it, and the
// identifiers the map leaves to the engine.
#include "tests/commands/CommandsFixture.h"


using platform::Variant;

namespace commandtest {
namespace {

using Commands = SitedMap;

TEST_F(Commands, ToolCommandsTellTheHostOnBothInterfacesThenSwitchTheEngine) {
    const std::pair<UINT, long> tools[] = {{32771, 1000}, {32772, 1001}, {32773, 1002}, {32774, 1007}, {32775, 1008},
                                           {32776, 1009}, {32777, 1010}, {32782, 1003}, {32783, 1004}};
    for (const auto& t : tools) {
        EXPECT_EQ(Command(t.first), 0);
        const std::string n = std::to_string(t.second);
        EXPECT_EQ(Take(), (Journal{"new:3:" + n, "old:3:" + n})) << t.first;
        EXPECT_EQ(EngineGet(kEngineTool).ToLong(), t.second);
    }
    // The distance tool is the control's own: the host hears 3 first.
    EXPECT_EQ(Command(32778), 0);
    Journal distance = Take();
    ASSERT_GE(distance.size(), 2u);
    EXPECT_EQ(distance[0], "new:3:3");
    EXPECT_EQ(distance[1], "old:3:3");
}

TEST_F(Commands, AnnotationToolsWorkOnTheAnnotationsLayer) {
    const std::pair<UINT, long> tools[] = {{32786, 1015}, {32787, 1006}, {32788, 1013}, {32789, 1014}, {32809, 1012}};
    for (const auto& t : tools) {
        EXPECT_EQ(Command(t.first), 0);
        const std::string n = std::to_string(t.second);
        EXPECT_EQ(Take(), (Journal{"new:3:" + n, "old:3:" + n}));
        EXPECT_EQ(EngineGet(kEngineTool).ToLong(), t.second);
    }
}

TEST_F(Commands, UnitCommandsSetTheEngineUnitAndNameItToTheHost) {
    const struct {
        UINT id;
        long unit;
        const char* name;
    } units[] = {{32801, 0, "mile"}, {32802, 4, "yard"}, {32803, 3, "foot"}, {32804, 1, "kilometer"}, {32805, 7, "meter"}};
    for (const auto& u : units) {
        EXPECT_EQ(Command(u.id), 0);
        EXPECT_EQ(EngineGet(kEngineUnit).ToLong(), u.unit);
        EXPECT_EQ(Take(), (Journal{std::string("new:12:") + u.name}));
    }
}

TEST_F(Commands, SyncZoomSendsAllOrTheStream) {
    EXPECT_EQ(Command(32888), 0);
    EXPECT_EQ(Command(32889), 0);
    EXPECT_EQ(Take(), (Journal{"new:13:0", "new:13:-1"}));
}

TEST_F(Commands, SelectionAndViewCommandsReachTheEngine) {
    EXPECT_EQ(Command(32779), 0);
    EXPECT_TRUE(EngineLogHas(L"Layers.ClearSelection(2) call"));

    // Two view changes: the previous view is the first one.
    EnginePut(kEngineZoom, Variant(40.0));
    const double firstZoom = EngineGet(kEngineZoom).ToDouble();
    EnginePut(kEngineZoom, Variant(400.0));
    EXPECT_EQ(Command(32780), 0);
    EXPECT_TRUE(EngineLogHas(L"Map.ZoomTo(35) call"));
    EXPECT_NEAR(EngineGet(kEngineZoom).ToDouble(), firstZoom, 1e-6);

    // Only the empty annotations layer: no extent, so the view stays.
    ClearEngineLog();
    EXPECT_EQ(Command(32781), 0);
    EXPECT_FALSE(EngineLogHas(L"put"));
    // Nothing selected anywhere: the view stays.
    EXPECT_EQ(Command(32785), 0);
    EXPECT_FALSE(EngineLogHas(L"Map.Bounds"));
    // The top layer has no bounds of its own: "Go to Layer" leaves the view.
    EXPECT_EQ(Command(10000), 0);
    EXPECT_FALSE(EngineLogHas(L"Refresh"));
}

TEST_F(Commands, IdentifiersOutsideTheMapReachTheEngineWindow) {
    for (UINT id : {32790u, 32791u, 32792u, 32793u, 10101u, 40000u}) {
        ClearEngineLog();
        Command(id);
        EXPECT_TRUE(EngineLogHas(L"Window.WM_COMMAND " + std::to_wstring(id))) << id;
    }
    ClearEngineLog();
    Command(10100);
    EXPECT_FALSE(EngineLogHas(L"Window.WM_COMMAND"));
    // The imagery download notice is the control's, even with no tile waiting.
    EXPECT_EQ(::SendMessageW(engine_, WM_APP + 100, 0, 0), 0);
}

TEST_F(Commands, ViewOptionsToggleScaleOverviewAndEnhancedDrawing) {
    VARIANT_BOOL value = VARIANT_FALSE;
    ASSERT_EQ(automation_->get_ScaleVisible(&value), S_OK);
    ASSERT_EQ(value, VARIANT_TRUE);
    Command(32830);
    automation_->get_ScaleVisible(&value);
    EXPECT_EQ(value, VARIANT_FALSE);
    Command(32830);
    automation_->get_ScaleVisible(&value);
    EXPECT_EQ(value, VARIANT_TRUE);

    automation_->get_OverviewRegionVisible(&value);
    ASSERT_EQ(value, VARIANT_FALSE);
    Command(32886);
    automation_->get_OverviewRegionVisible(&value);
    EXPECT_EQ(value, VARIANT_TRUE);

    automation_->get_EnhancedDrawingMode(&value);
    const bool wasOn = value != VARIANT_FALSE;
    Command(32885);
    automation_->get_EnhancedDrawingMode(&value);
    EXPECT_EQ(value != VARIANT_FALSE, !wasOn);
    // The event carries VARIANT_TRUE or VARIANT_FALSE as a 16-bit integer.
    EXPECT_EQ(Take(), (Journal{std::string("new:10:") + (wasOn ? "0" : "-1")}));

    // The current view becomes the overview region.
    ClearEngineLog();
    EXPECT_EQ(Command(32887), 0);
    EXPECT_TRUE(EngineLogHas(L"Map.Bounds(29) get"));
}

TEST_F(Commands, CopyToClipboardPutsTheMapPictureThere) {
    EXPECT_EQ(Command(32810), 0);
    EXPECT_TRUE(EngineLogHas(L"CLIPBOARD"));
    EXPECT_TRUE(EngineLogHas(L"I2:1"));
    ASSERT_TRUE(::OpenClipboard(nullptr));
    HBITMAP bitmap = static_cast<HBITMAP>(::GetClipboardData(CF_BITMAP));
    BITMAP info = {};
    EXPECT_TRUE(bitmap && ::GetObjectW(bitmap, sizeof info, &info));
    RECT client = {};
    ::GetClientRect(engine_, &client);
    EXPECT_EQ(info.bmWidth, client.right);
    EXPECT_EQ(info.bmHeight, client.bottom);
    ::EmptyClipboard();
    ::CloseClipboard();
}

}  // namespace
}  // namespace commandtest
