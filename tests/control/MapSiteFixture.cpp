#include "tests/control/MapSiteFixture.h"

#include "tests/support/TestSupport.h"

#include "platform/ComObject.h"

#include <cstdio>
#include <fstream>

using platform::ComPtr;
using platform::Variant;

namespace sitetest {

namespace {
constexpr DISPID kEngineWindow = -515;
constexpr DISPID kEngineConvert = 34;
constexpr DISPID kEngineTool = 20;
}  // namespace

void MapSiteTest::SetUp() { Embed(nullptr); }

void MapSiteTest::Reopen(IStream* saved, const std::function<void()>& beforeActivation) {
    view_.reset();
    testsupport::CloseInPlace(unknown_.Get());
    map_.Reset();
    control_.Reset();
    unknown_.Reset();
    Embed(saved, beforeActivation);
}

void MapSiteTest::Embed(IStream* saved, const std::function<void()>& beforeActivation) {
    ASSERT_EQ(MakeControl(unknown_), S_OK);
    control_ = controltest::As<IZmaVadAZ2>(unknown_.Get());
    ASSERT_TRUE(control_);
    ComPtr<IConnectionPointContainer> container = controltest::As<IConnectionPointContainer>(unknown_.Get());
    ComPtr<IConnectionPoint> point;
    ASSERT_EQ(container->FindConnectionPoint(DIID__IZmaVOMapXEvents2, point.Put()), S_OK);
    events_ = platform::MakeObject<displaytest::EventJournal>();
    DWORD cookie = 0;
    ASSERT_EQ(point->Advise(events_.Get(), &cookie), S_OK);

    site_ = platform::MakeObject<testsupport::TestSite>(kWidth, kHeight);
    ASSERT_EQ(testsupport::ActivateInPlace(unknown_.Get(), *site_.Get(), saved, beforeActivation), S_OK);
    ASSERT_EQ(control_->get_MapX(map_.Put()), S_OK);
    // Plain GDI drawing: pixels then do not depend on anti-aliasing.
    ASSERT_EQ(control_->put_EnhancedDrawingMode(VARIANT_FALSE), S_OK);
}

void MapSiteTest::TearDown() {
    view_.reset();
    if (unknown_) testsupport::CloseInPlace(unknown_.Get());
}

HWND MapSiteTest::EngineWindow() {
    return reinterpret_cast<HWND>(static_cast<intptr_t>(displaytest::Get(map_.Get(), kEngineWindow).ToLong()));
}

std::vector<std::wstring> MapSiteTest::EngineLayerNames() {
    std::vector<std::wstring> names;
    Variant layers = displaytest::Get(map_.Get(), 5);
    const long count = displaytest::Get(layers.pdispVal, 1).ToLong();
    for (long i = 1; i <= count; ++i) {
        Variant layer;
        displaytest::Invoke(layers.pdispVal, 6, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {Variant(i)}, &layer);
        names.push_back(displaytest::Get(layer.pdispVal, 1).ToWide());
    }
    return names;
}

MapPoint MapSiteTest::ToMap(float x, float y) {
    double mapX = 0, mapY = 0;
    VARIANT args[5];
    args[4].vt = VT_R4 | VT_BYREF, args[4].pfltVal = &x;
    args[3].vt = VT_R4 | VT_BYREF, args[3].pfltVal = &y;
    args[2].vt = VT_R8 | VT_BYREF, args[2].pdblVal = &mapX;
    args[1].vt = VT_R8 | VT_BYREF, args[1].pdblVal = &mapY;
    args[0].vt = VT_I2, args[0].iVal = 1;  // screen to map
    DISPPARAMS params = {args, nullptr, 5, 0};
    EXPECT_EQ(map_->Invoke(kEngineConvert, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr), S_OK);
    return {mapX, mapY};
}

POINT MapSiteTest::ToPixel(const MapPoint& p) {
    float x = 0, y = 0;
    double mapX = p.x, mapY = p.y;
    VARIANT args[5];
    args[4].vt = VT_R4 | VT_BYREF, args[4].pfltVal = &x;
    args[3].vt = VT_R4 | VT_BYREF, args[3].pfltVal = &y;
    args[2].vt = VT_R8 | VT_BYREF, args[2].pdblVal = &mapX;
    args[1].vt = VT_R8 | VT_BYREF, args[1].pdblVal = &mapY;
    args[0].vt = VT_I2, args[0].iVal = 0;  // map to screen
    DISPPARAMS params = {args, nullptr, 5, 0};
    EXPECT_EQ(map_->Invoke(kEngineConvert, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr), S_OK);
    return {static_cast<LONG>(x), static_cast<LONG>(y)};
}

void MapSiteTest::ShowArea(double xmin, double ymin, double xmax, double ymax) {
    ASSERT_EQ(displaytest::PutEngineBounds(map_.Get(), xmin, ymin, xmax, ymax), S_OK);
}

std::wstring MapSiteTest::WriteTable(const std::wstring& name, const std::vector<MapPoint>& points) {
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring path = std::wstring(temp) + name + L"_" + std::to_wstring(::GetCurrentProcessId()) + L".tab";
    std::ofstream out(path.c_str(), std::ios::binary);
    out << "!table\n!version 300\n!charset WindowsLatin1\n\nDefinition Table\n"
           "  Type NATIVE Charset \"WindowsLatin1\"\n  Fields 1\n    Name Char (64) ;\n";
    int i = 0;
    for (const MapPoint& p : points) {
        char line[200];
        ++i;
        std::snprintf(line, sizeof line, "!feature\t2\tk%d\tv%d\t\t%.6f\t%.6f\t\t0\t\n", i, i, p.x, p.y);
        out << line;
    }
    return path;
}

void MapSiteTest::SetEngineTool(long tool) { ASSERT_EQ(displaytest::Put(map_.Get(), kEngineTool, Variant(tool)), S_OK); }

void MapSiteTest::Post(UINT message, WPARAM wp, int x, int y) {
    ::PostMessageW(EngineWindow(), message, wp, MAKELPARAM(x, y));
    testsupport::PumpMessages();
}

void MapSiteTest::Click(int x, int y) {
    Post(WM_LBUTTONDOWN, MK_LBUTTON, x, y);
    Post(WM_LBUTTONUP, 0, x, y);
}

void MapSiteTest::Drag(int fromX, int fromY, int toX, int toY) {
    Post(WM_LBUTTONDOWN, MK_LBUTTON, fromX, fromY);
    Post(WM_MOUSEMOVE, MK_LBUTTON, toX, toY);
    Post(WM_LBUTTONUP, 0, toX, toY);
}

void MapSiteTest::DoubleClick(int x, int y) { Post(WM_LBUTTONDBLCLK, MK_LBUTTON, x, y); }

void MapSiteTest::PressKey(WPARAM key) {
    ::PostMessageW(EngineWindow(), WM_KEYDOWN, key, 0);
    ::PostMessageW(EngineWindow(), WM_KEYUP, key, 0);
    testsupport::PumpMessages();
}

void MapSiteTest::DrawView() {
    view_ = std::make_unique<testsupport::DibCanvas>(kWidth, kHeight);
    ASSERT_EQ(view_->DrawView(unknown_.Get()), S_OK);
}

COLORREF MapSiteTest::Pixel(int x, int y) const { return view_ ? view_->Pixel(x, y) : CLR_INVALID; }

int MapSiteTest::TakeMarkerEvents() {
    int count = 0;
    for (const std::wstring& entry : events_->Take())
        if (entry == L"6") ++count;
    return count;
}

}  // namespace sitetest
