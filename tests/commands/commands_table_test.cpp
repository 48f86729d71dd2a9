// Each command of the engine window's message map, sent as the context menu sends it, and the
// identifiers the map leaves to the engine.
#include "tests/commands/CommandsFixture.h"
#include "tests/support/TestSupport.h"
#include "tests/commands/MenuReader.h"

#include <cstdio>


using platform::Variant;

namespace commandtest {
namespace {

using Commands = SitedMap;

TEST_F(Commands, ToolCommandsTellTheHostOnBothInterfacesThenSwitchTheEngine) {
    // The menu's tools, then the annotation tools (the new map has its annotations layer).
    const std::pair<UINT, long> tools[] = {{32771, 1000}, {32772, 1001}, {32773, 1002}, {32774, 1007}, {32775, 1008},
                                           {32776, 1009}, {32777, 1010}, {32782, 1003}, {32783, 1004}, {32786, 1015},
                                           {32787, 1006}, {32788, 1013}, {32789, 1014}, {32809, 1012}};
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

TEST_F(Commands, UnitAndSyncCommandsSetTheEngineAndTellTheHost) {
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
    // Sync Zoom: all streams, or this one.
    EXPECT_EQ(Command(32888), 0);
    EXPECT_EQ(Command(32889), 0);
    EXPECT_EQ(Take(), (Journal{"new:13:0", "new:13:-1"}));
}

TEST_F(Commands, SelectionAndViewCommandsReachTheEngine) {
    testsupport::RemoveBackgroundMap(control_.Get());
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

namespace commandtest {
namespace {

// A 3 x 3 pixel bitmap beside which the registration tool writes its raster table.
std::wstring WriteSmallBitmap(const std::wstring& folder) {
    const std::wstring path = folder + L"\\raster.bmp";
    BITMAPINFOHEADER info = {sizeof info, 3, 3, 1, 24, BI_RGB, 36, 0, 0, 0, 0};
    BITMAPFILEHEADER header = {0x4D42, sizeof header + sizeof info + 36, 0, 0, sizeof header + sizeof info};
    const std::string pixels(36, '\x40');
    FILE* file = _wfopen(path.c_str(), L"wb");
    std::fwrite(&header, sizeof header, 1, file);
    std::fwrite(&info, sizeof info, 1, file);
    std::fwrite(pixels.data(), 1, pixels.size(), file);
    std::fclose(file);
    return path;
}

TEST_F(Commands, NewRasterAddsATableLayerThatTheViewCommandsReach) {
    const std::wstring image = WriteSmallBitmap(TestFolder(L"raster"));
    std::wstring caption;
    WorkDialogs([&](HWND dialog) {
        wchar_t text[128] = {};
        ::GetWindowTextW(dialog, text, 128);
        caption = text;
        ::SetDlgItemTextW(dialog, 234, image.c_str());
        // Pixel centres one degree apart: the image covers 10 to 13 east and 49 to 52 north.
        ::SetDlgItemTextW(dialog, 236, L"10");
        ::SetDlgItemTextW(dialog, 240, L"52");
        ::SetDlgItemTextW(dialog, 175, L"12");
        ::SetDlgItemTextW(dialog, 177, L"50");
        ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    });
    EXPECT_EQ(Command(32820), 0);
    EXPECT_EQ(caption, L"Raster Image Registration");

    // The whole map is that layer's extent; its centre becomes the view's.
    EnginePut(kEngineCenterX, Variant(0.0));
    ClearEngineLog();
    EXPECT_EQ(Command(32781), 0);
    EXPECT_TRUE(EngineLogHas(L"Map.Bounds(29) put"));
    EXPECT_NEAR(EngineGet(kEngineCenterX).ToDouble(), 11.5, 1e-9);
    EXPECT_NEAR(EngineGet(kEngineCenterY).ToDouble(), 50.5, 1e-9);

    // With the raster table on top the projection cannot change.
    {
        MenuReader menu;
        ::SendMessageW(engine_, WM_RBUTTONUP, 0, MAKELPARAM(20, 20));
        ASSERT_TRUE(menu.Shown());
        EXPECT_TRUE(menu.Item(L"Projection").grayed);
        EXPECT_EQ(menu.Count(L"Zoom/Go to Layer"), 3);
        EXPECT_EQ(menu.Item(L"Zoom/Go to Layer/raster").id, 10000u);
    }

    // A cancelled dialog adds nothing.
    WorkDialogs([](HWND dialog) { ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0); });
    ClearEngineLog();
    EXPECT_EQ(Command(32820), 0);
    EXPECT_FALSE(EngineLogHas(L"Layers.Add"));
}

TEST_F(Commands, GoToLayerShowsALayerWithItsExtent) {
    CLSID generatorClass;
    ASSERT_EQ(::CLSIDFromProgID(L"VadazHost.SampleDataset", &generatorClass), S_OK);
    platform::ComPtr<IUnknown> dataset;
    ASSERT_EQ(::CoCreateInstance(generatorClass, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, dataset.PutVoid()), S_OK);
    ASSERT_EQ(controltest::As<IHostSampleDataset>(dataset.Get())->put_RowCount(200), S_OK);
    ASSERT_EQ(automation_->DisplayDataset(controltest::As<IDispatch>(dataset.Get()).Get(), Variant(L"RxLev"),
                                          platform::Bstr(L"{0C7E1A52-33B4-4F7B-8D0A-6E2A9B1C4D55}").Get()),
              S_OK);
    const double shown = EngineGet(kEngineZoom).ToDouble();
    EnginePut(kEngineZoom, Variant(shown * 50));
    bool moved = false;
    for (UINT id = 10000; id < 10004 && !moved; ++id) {
        ClearEngineLog();
        EXPECT_EQ(Command(id), 0);
        moved = EngineLogHas(L"Map.Bounds(29) put") && EngineLogHas(L"Map.Refresh(-550) call");
    }
    EXPECT_TRUE(moved);
    EXPECT_LT(EngineGet(kEngineZoom).ToDouble(), shown * 2);
}

}  // namespace
}  // namespace commandtest
