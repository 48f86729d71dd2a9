// Events from the engine window and from drawing, as a connected sink receives them.
#include "tests/standins/mapengine/EngineFixture.h"

#include "platform/UniqueHandle.h"

#include <memory>

namespace enginetest {
namespace {

class MapEvents : public ::testing::Test {
protected:
    void SetUp() override {
        unknown_ = CreateMap();
        ASSERT_TRUE(unknown_);
        map_ = MapDispatch(unknown_.Get());
        sink_ = platform::MakeObject<EventSink>();
        connection_ = std::make_unique<SinkConnection>(unknown_.Get(), sink_.Get());
        // The engine window exists from the map's creation on.
        LONG_PTR h = 0;
        Hooks(unknown_.Get())->EngineWindow(&h);
        window_ = reinterpret_cast<HWND>(h);
        ASSERT_TRUE(::IsWindow(window_));
    }
    void TearDown() override { connection_.reset(); }

    void Post(UINT msg, WPARAM wp, int x, int y) {
        ::PostMessageW(window_, msg, wp, MAKELPARAM(x, y));
        PumpMessages();
    }

    ComPtr<IUnknown> unknown_;
    ComPtr<IDispatch> map_;
    ComPtr<EventSink> sink_;
    std::unique_ptr<SinkConnection> connection_;
    HWND window_ = nullptr;
};

TEST_F(MapEvents, MouseMessagesArriveWithTheDeclaredTypes) {
    Post(WM_LBUTTONDOWN, MK_LBUTTON | MK_CONTROL, 30, 40);
    Post(WM_MOUSEMOVE, MK_LBUTTON, 31, 42);
    Post(WM_LBUTTONUP, 0, 32, 44);
    Post(WM_RBUTTONDOWN, MK_RBUTTON | MK_SHIFT, 5, 6);
    Post(WM_LBUTTONDBLCLK, 0, 7, 8);

    auto down = sink_->Of(-605);
    ASSERT_EQ(down.size(), 2u);
    EXPECT_EQ(down[0].types, (std::vector<VARTYPE>{VT_I2, VT_I2, VT_R4, VT_R4}));
    EXPECT_EQ(down[0].values[0].iVal, 1);  // left
    EXPECT_EQ(down[0].values[1].iVal, 2);  // Ctrl
    EXPECT_FLOAT_EQ(down[0].values[2].fltVal, 30.0f);
    EXPECT_FLOAT_EQ(down[0].values[3].fltVal, 40.0f);
    EXPECT_EQ(down[1].values[0].iVal, 2);  // right
    EXPECT_EQ(down[1].values[1].iVal, 1);  // Shift

    auto move = sink_->Of(-606);
    ASSERT_EQ(move.size(), 1u);
    EXPECT_EQ(move[0].values[0].iVal, 1);
    auto up = sink_->Of(-607);
    ASSERT_EQ(up.size(), 1u);
    EXPECT_FLOAT_EQ(up[0].values[3].fltVal, 44.0f);
    ASSERT_EQ(sink_->Of(-601).size(), 1u);
    EXPECT_TRUE(sink_->Of(-601)[0].types.empty());
}

TEST_F(MapEvents, KeyDownPassesTheKeyByReference) {
    sink_->onEvent = [](DISPID id, DISPPARAMS& p) {
        if (id == -602 && p.rgvarg[1].vt == (VT_I2 | VT_BYREF)) *p.rgvarg[1].piVal = 0;  // swallow the key
    };
    ::PostMessageW(window_, WM_KEYDOWN, 'A', 0);
    PumpMessages();
    auto keys = sink_->Of(-602);
    ASSERT_EQ(keys.size(), 1u);
    EXPECT_EQ(keys[0].types, (std::vector<VARTYPE>{VT_I2 | VT_BYREF, VT_I2}));
}

TEST_F(MapEvents, UserDrawLayersAreAskedBottomToTopThenTheStagesFollow) {
    ComPtr<IDispatch> layers = Object(Get(map_.Get(), map::kLayers));
    Call(layers.Get(), 8, {Variant(L"Lowest"), Variant(short{1})});
    Call(layers.Get(), 8, {Variant(L"Top"), Variant(short{1})});
    Call(layers.Get(), 8, {Variant(L"Middle"), Variant(short{2})});
    ComPtr<IDispatch> hidden = Object(Call(layers.Get(), 8, {Variant(L"Hidden"), Variant(short{4})}));
    Put(hidden.Get(), 2, Variant(false));

    std::vector<std::wstring> order;
    std::vector<int> dcTypes;
    sink_->onEvent = [&](DISPID id, DISPPARAMS& p) {
        if (id != 10) return;
        // Arguments arrive last first: layer is rgvarg[4], the output DC rgvarg[3].
        order.push_back(Text(Get(p.rgvarg[4].pdispVal, 1)));
        dcTypes.push_back(static_cast<int>(::GetObjectType(reinterpret_cast<HDC>(static_cast<LONG_PTR>(p.rgvarg[3].lVal)))));
    };
    platform::UniqueCreatedDC memory(::CreateCompatibleDC(nullptr));
    platform::UniqueHBitmap bitmap(::CreateCompatibleBitmap(memory.Get(), 64, 48));
    platform::SelectObjectRestorer select(memory.Get(), bitmap.Get());
    ComPtr<IViewObject> view;
    ASSERT_EQ(unknown_->QueryInterface(IID_IViewObject, view.PutVoid()), S_OK);
    RECTL bounds = {0, 0, 64, 48};
    ASSERT_EQ(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, memory.Get(), &bounds, nullptr, nullptr, 0), S_OK);

    EXPECT_EQ(order, (std::vector<std::wstring>{L"Lowest", L"Middle", L"Top"}));
    for (int t : dcTypes) EXPECT_EQ(t, OBJ_MEMDC);
    auto draw = sink_->Of(10);
    ASSERT_EQ(draw.size(), 3u);
    EXPECT_EQ(draw[0].types, (std::vector<VARTYPE>{VT_DISPATCH, VT_I4, VT_I4, VT_DISPATCH, VT_DISPATCH}));
    ComPtr<IDispatch> full = Object(draw[0].values[3]);
    EXPECT_DOUBLE_EQ(Number(Get(full.Get(), 3)), 64.0);  // XMax = right
    EXPECT_DOUBLE_EQ(Number(Get(full.Get(), 4)), 48.0);  // YMax = bottom

    auto stages = sink_->Of(15);
    ASSERT_EQ(stages.size(), 2u);
    EXPECT_EQ(stages.back().values[0].iVal, 2);
    // The stages come after the last user layer.
    size_t lastDraw = 0, firstStage = 0;
    for (size_t i = 0; i < sink_->events.size(); ++i) {
        if (sink_->events[i].id == 10) lastDraw = i;
        if (sink_->events[i].id == 15 && !firstStage) firstStage = i;
    }
    EXPECT_LT(lastDraw, firstStage);
}

TEST_F(MapEvents, ConversionsDuringTheDrawingReferToTheDrawing) {
    ComPtr<IDispatch> layers = Object(Get(map_.Get(), map::kLayers));
    Call(layers.Get(), 8, {Variant(L"Own"), Variant(short{1})});
    float width = 0;
    sink_->onEvent = [&](DISPID id, DISPPARAMS&) {
        if (id == 10) width = static_cast<float>(Number(Get(map_.Get(), map::kScreenWidth)));
    };
    platform::UniqueCreatedDC memory(::CreateCompatibleDC(nullptr));
    ComPtr<IViewObject> view;
    unknown_->QueryInterface(IID_IViewObject, view.PutVoid());
    RECTL bounds = {0, 0, 123, 45};
    view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, memory.Get(), &bounds, nullptr, nullptr, 0);
    EXPECT_FLOAT_EQ(width, 123.0f);
    EXPECT_FLOAT_EQ(static_cast<float>(Number(Get(map_.Get(), map::kScreenWidth))), 640.0f);
}

TEST_F(MapEvents, EveryViewChangeIsReported) {
    Call(map_.Get(), map::kZoomTo, {Variant(10.0), Variant(1.0), Variant(2.0)});
    Put(map_.Get(), map::kZoom, Variant(20.0));
    Put(map_.Get(), map::kCenterX, Variant(3.0));
    Put(map_.Get(), map::kBounds, Get(map_.Get(), map::kBounds));
    EXPECT_EQ(sink_->Of(6).size(), 4u);
    Call(map_.Get(), map::kSetSize, {Variant(320L), Variant(200L)});
    EXPECT_EQ(sink_->Of(6).size(), 5u);
}

TEST_F(MapEvents, ToolsReportTheirUseAndUnknownToolsAreRefused) {
    HRESULT hr = S_OK;
    Put(map_.Get(), map::kCurrentTool, Variant(4L), &hr);
    EXPECT_EQ(hr, E_INVALIDARG);  // not made yet
    Call(map_.Get(), map::kCreateCustomTool, {Variant(short{3}), Variant(short{1}), Variant(short{2})});
    Call(map_.Get(), map::kCreateCustomTool, {Variant(short{4}), Variant(short{5}), Variant(short{2})});

    // A line tool: press, drag, release.
    Put(map_.Get(), map::kCurrentTool, Variant(3L));
    Post(WM_LBUTTONDOWN, MK_LBUTTON, 100, 100);
    Post(WM_LBUTTONUP, 0, 200, 100);
    auto used = sink_->Of(3);
    ASSERT_EQ(used.size(), 1u);
    EXPECT_EQ(used[0].types[0], VT_I2);
    EXPECT_EQ(used[0].types[8], VT_BOOL | VT_BYREF);
    EXPECT_EQ(used[0].values[0].iVal, 3);
    double x1 = Number(used[0].values[1]), x2 = Number(used[0].values[3]);
    EXPECT_LT(x1, x2);
    double expected = Number(Call(map_.Get(), map::kDistance, {used[0].values[1], used[0].values[2], used[0].values[3], used[0].values[4]}));
    EXPECT_DOUBLE_EQ(Number(used[0].values[5]), expected);

    // A polygon tool: one event per point (the first flagged as the beginning, each later one as in
    // progress), and the finished ring on the double click.
    Put(map_.Get(), map::kCurrentTool, Variant(4L));
    Post(WM_LBUTTONDOWN, MK_LBUTTON, 10, 10);
    Post(WM_LBUTTONUP, 0, 10, 10);
    Post(WM_LBUTTONDOWN, MK_LBUTTON, 50, 10);
    Post(WM_LBUTTONUP, 0, 50, 10);
    Post(WM_LBUTTONDOWN, MK_LBUTTON, 50, 50);
    Post(WM_LBUTTONUP, 0, 50, 50);
    Post(WM_LBUTTONDBLCLK, MK_LBUTTON, 50, 50);
    auto poly = sink_->Of(11);
    std::vector<long> flags;
    for (const ReceivedEvent& e : poly) flags.push_back(e.values[1].lVal);
    EXPECT_EQ(flags, (std::vector<long>{0, 3, 3, 1}));
    ASSERT_GE(poly.size(), 2u);
    const ReceivedEvent& done = poly.back();
    EXPECT_EQ(done.types, (std::vector<VARTYPE>{VT_I2, VT_I4, VT_DISPATCH, VT_BOOL, VT_BOOL, VT_BOOL | VT_BYREF}));
    EXPECT_EQ(done.values[1].lVal, 1);
    ComPtr<IDispatch> points = Object(done.values[2]);
    EXPECT_EQ(Number(Get(points.Get(), 1)), 3.0);
    ComPtr<IDispatch> first = Object(Call(points.Get(), 2, {Variant(1L)}));
    // The first point is where the first click was.
    double fx, fy;
    ScreenToMap(map_.Get(), 10, 10, fx, fy);
    EXPECT_NEAR(Number(Get(first.Get(), 1)), fx, 1e-9);
    EXPECT_NEAR(Number(Get(first.Get(), 2)), fy, 1e-9);
}

TEST_F(MapEvents, TheZoomInToolChangesTheViewUnlessTheSinkRefuses) {
    Put(map_.Get(), map::kCurrentTool, Variant(1003L));
    double before = Number(Get(map_.Get(), map::kZoom));
    Post(WM_LBUTTONDOWN, MK_LBUTTON, 320, 240);
    Post(WM_LBUTTONUP, 0, 320, 240);
    EXPECT_DOUBLE_EQ(Number(Get(map_.Get(), map::kZoom)), before / 2);
    EXPECT_EQ(sink_->Of(3).size(), 1u);

    sink_->onEvent = [](DISPID id, DISPPARAMS& p) {
        if (id == 3) *p.rgvarg[0].pboolVal = VARIANT_FALSE;  // EnableDefault
    };
    Post(WM_LBUTTONDOWN, MK_LBUTTON, 320, 240);
    Post(WM_LBUTTONUP, 0, 320, 240);
    EXPECT_DOUBLE_EQ(Number(Get(map_.Get(), map::kZoom)), before / 2);
}

TEST_F(MapEvents, TestHooksFireAnyEventWithCoercedArguments) {
    VARIANT args[9];
    Variant values[9] = {Variant(1009L), Variant(1.0), Variant(2.0), Variant(3.0), Variant(4.0),
                         Variant(5.0),   Variant(true), Variant(false), Variant(true)};
    for (int i = 0; i < 9; ++i) {
        ::VariantInit(&args[i]);
        ::VariantCopy(&args[i], &values[i]);
    }
    sink_->onEvent = [](DISPID id, DISPPARAMS& p) {
        if (id == 3) *p.rgvarg[0].pboolVal = VARIANT_FALSE;
    };
    ASSERT_EQ(Hooks(unknown_.Get())->FireEvent(3, 9, args), S_OK);
    auto used = sink_->Of(3);
    ASSERT_EQ(used.size(), 1u);
    EXPECT_EQ(used[0].types[0], VT_I2);
    EXPECT_EQ(used[0].values[0].iVal, 1009);
    EXPECT_EQ(args[8].vt, VT_BOOL);
    EXPECT_EQ(args[8].boolVal, VARIANT_FALSE);
    for (VARIANT& a : args) ::VariantClear(&a);
    EXPECT_TRUE(FAILED(Hooks(unknown_.Get())->FireEvent(3, 2, args)));
}

TEST_F(MapEvents, ThePaintedWindowAsksForUserLayersWithItsOwnDC) {
    ComPtr<IDispatch> layers = Object(Get(map_.Get(), map::kLayers));
    Call(layers.Get(), 8, {Variant(L"Own"), Variant(short{1})});
    std::vector<DWORD> dcTypes;
    sink_->onEvent = [&](DISPID id, DISPPARAMS& p) {
        if (id == 10) dcTypes.push_back(::GetObjectType(reinterpret_cast<HDC>(static_cast<LONG_PTR>(p.rgvarg[3].lVal))));
    };
    ::InvalidateRect(window_, nullptr, TRUE);
    ::SendMessageW(window_, WM_PAINT, 0, 0);
    ASSERT_EQ(dcTypes.size(), 1u);
    EXPECT_EQ(dcTypes[0], static_cast<DWORD>(OBJ_DC));
}

TEST_F(MapEvents, SelectAndAddFeatureToolsWorkOnTheEngineLayers) {
    ComPtr<IDispatch> layers = Object(Get(map_.Get(), map::kLayers));
    ComPtr<IDispatch> layer = Object(Call(layers.Get(), 10, {Variant(L"Editable")}));
    Put(layers.Get(), 15, Variant(layer.Get()));  // the insertion layer

    // The add-region tool: three clicks and a double click make a region in the insertion layer.
    Put(map_.Get(), map::kCurrentTool, Variant(1014L));
    const POINT ring[] = {{100, 100}, {200, 100}, {150, 200}};
    for (POINT p : ring) {
        Post(WM_LBUTTONDOWN, MK_LBUTTON, p.x, p.y);
        Post(WM_LBUTTONUP, 0, p.x, p.y);
    }
    Post(WM_LBUTTONDBLCLK, MK_LBUTTON, 150, 200);
    ComPtr<IDispatch> all = Object(Get(layer.Get(), 26));
    ASSERT_EQ(Get(all.Get(), 1).ToLong(), 1);
    auto added = sink_->Of(16);
    ASSERT_EQ(added.size(), 1u);
    EXPECT_EQ(added[0].values[0].iVal, 1014);
    EXPECT_EQ(added[0].values[1].lVal, 1);
    EXPECT_EQ(Get(Object(added[0].values[2]).Get(), 2).ToLong(), 0);  // a region

    // The select tool picks it with a click inside; Escape cancels a polygon in progress.
    Put(map_.Get(), map::kCurrentTool, Variant(1007L));
    Post(WM_LBUTTONDOWN, MK_LBUTTON, 150, 130);
    Post(WM_LBUTTONUP, 0, 150, 130);
    EXPECT_EQ(Get(Object(Get(layer.Get(), 12)).Get(), 65537).ToLong(), 1);  // the selection's count
    EXPECT_EQ(sink_->Of(1).size(), 1u);  // SelectionChanged

    Put(map_.Get(), map::kCurrentTool, Variant(1010L));
    Post(WM_LBUTTONDOWN, MK_LBUTTON, 10, 10);
    Post(WM_LBUTTONUP, 0, 10, 10);
    ::PostMessageW(window_, WM_KEYDOWN, VK_ESCAPE, 0);
    PumpMessages();
    EXPECT_EQ(sink_->Of(11).back().values[1].lVal, 2);  // cancelled
}

}  // namespace
}  // namespace enginetest
