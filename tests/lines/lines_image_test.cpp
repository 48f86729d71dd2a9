// A host shows cell sites and a drive test through the control and clicks a point with the select
// tool: the image the control draws then holds the point's serving line, solid, from the point to
// its cell's symbol, and its neighbour line, dashed; the unselected point has no lines.
#include "tests/control/ControlFixture.h"
#include "tests/datalayers/DisplayFixture.h"
#include "tests/support/TestSupport.h"

#include <cmath>

using namespace controltest;
using displaytest::FieldConfiguration;
using displaytest::NewDataset;
using displaytest::SetValue;
using platform::Bstr;
using platform::ComPtr;
using platform::Variant;

namespace {

struct Position {
    double lat, lon;
};
const Position kCells[] = {{50.0, 10.0}, {50.004, 10.006}};
const Position kPoints[] = {{49.985, 9.985}, {50.015, 10.015}, {49.985, 10.015}, {50.015, 9.985}};

POINT ToScreen(IDispatch* map, const Position& p) {
    float x = 0, y = 0;
    double mapX = p.lon, mapY = p.lat;
    VARIANT args[5];
    args[4].vt = VT_R4 | VT_BYREF; args[4].pfltVal = &x;
    args[3].vt = VT_R4 | VT_BYREF; args[3].pfltVal = &y;
    args[2].vt = VT_R8 | VT_BYREF; args[2].pdblVal = &mapX;
    args[1].vt = VT_R8 | VT_BYREF; args[1].pdblVal = &mapY;
    args[0].vt = VT_I2; args[0].iVal = 0;
    DISPPARAMS params = {args, nullptr, 5, 0};
    EXPECT_EQ(map->Invoke(34, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr), S_OK);
    return {static_cast<LONG>(x), static_cast<LONG>(y)};
}

class Image {
public:
    Image() {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = 640;
        info.bmiHeader.biHeight = -480;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        dc_ = ::CreateCompatibleDC(nullptr);
        bitmap_ = ::CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits_, nullptr, 0);
        old_ = ::SelectObject(dc_, bitmap_);
    }
    ~Image() {
        ::SelectObject(dc_, old_);
        ::DeleteObject(bitmap_);
        ::DeleteDC(dc_);
    }
    void DrawFrom(IUnknown* control) {
        RECTL bounds = {0, 0, 640, 480};
        EXPECT_EQ(As<IViewObjectEx>(control)->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, dc_, dc_, &bounds, nullptr,
                                                   nullptr, 0),
                  S_OK);
        ::GdiFlush();
    }
    COLORREF Pixel(POINT p) const { return ::GetPixel(dc_, p.x, p.y); }

private:
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ old_;
    void* bits_ = nullptr;
};

POINT Along(POINT from, POINT to, double t) {
    const double dx = to.x - from.x, dy = to.y - from.y, length = std::sqrt(dx * dx + dy * dy);
    return {from.x + static_cast<long>(t * dx / length), from.y + static_cast<long>(t * dy / length)};
}

TEST(LinesImage, AClickedPointGetsItsServingAndNeighbourLinesInTheControlsImage) {
    ComPtr<IUnknown> unknown;
    ASSERT_EQ(CreateControl(unknown), S_OK);
    auto site = platform::MakeObject<testsupport::TestSite>(640, 480);
    ComPtr<IOleObject> ole = As<IOleObject>(unknown.Get());
    ASSERT_EQ(ole->SetClientSite(site.Get()), S_OK);
    ASSERT_EQ(As<IPersistStreamInit>(unknown.Get())->InitNew(), S_OK);
    RECT r = site->Rect();
    ASSERT_EQ(ole->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site.Get(), 0, site->Window(), &r), S_OK);
    ComPtr<IZmaVadAZ2> control = As<IZmaVadAZ2>(unknown.Get());
    ASSERT_EQ(control->put_EnhancedDrawingMode(VARIANT_FALSE), S_OK);

    ComPtr<IDispatch> sites = NewDataset({{L"Latitude", 13}, {L"Longitude", 12}, {L"Azimuth", 5}, {L"ElementHandle", 3}}, 2);
    for (long row = 0; row < 2; ++row) {
        SetValue(sites.Get(), row, L"Latitude", Variant(kCells[row].lat));
        SetValue(sites.Get(), row, L"Longitude", Variant(kCells[row].lon));
        SetValue(sites.Get(), row, L"ElementHandle", Variant(row + 1));
    }
    ComPtr<IDispatch> points = NewDataset({{L"Latitude", 13}, {L"Longitude", 12}, {L"RxLev", 5},
                                           {L"ServingSectorHandle", 3}, {L"NeighborSectorHandle_1", 3}},
                                          4);
    for (long row = 0; row < 4; ++row) {
        SetValue(points.Get(), row, L"Latitude", Variant(kPoints[row].lat));
        SetValue(points.Get(), row, L"Longitude", Variant(kPoints[row].lon));
        SetValue(points.Get(), row, L"RxLev", Variant(-70.0));
        SetValue(points.Get(), row, L"ServingSectorHandle", Variant(1L));
        SetValue(points.Get(), row, L"NeighborSectorHandle_1", Variant(2L));
    }
    ASSERT_EQ(control->CreateMultiDMapping(sites.Get(), Bstr(L"{517E5000-0000-0000-0000-0000000000B1}").Get(),
                                           FieldConfiguration(L"CellRefs", {L"Azimuth"}).Get()),
              S_OK);
    ASSERT_EQ(control->DisplayDataset(points.Get(), Variant(L"RxLev"), Bstr(L"{901175A0-0000-0000-0000-0000000000B2}").Get()),
              S_OK);

    ComPtr<IDispatch> map;
    ASSERT_EQ(control->get_MapX(map.Put()), S_OK);
    Image before;
    before.DrawFrom(unknown.Get());
    const POINT point = ToScreen(map.Get(), kPoints[0]);
    POINT serving = ToScreen(map.Get(), kCells[0]);
    POINT neighbour = ToScreen(map.Get(), kCells[1]);
    serving.y -= 6;  // the lines end at the cell symbols, drawn above the sites
    neighbour.y -= 6;
    const POINT middle = {(point.x + serving.x) / 2, (point.y + serving.y) / 2};
    const COLORREF background = before.Pixel({5, 5});
    EXPECT_EQ(before.Pixel(middle), background) << "nothing selected, no lines";

    // A left click with the select tool on the first point.
    ASSERT_EQ(displaytest::Put(map.Get(), 20, Variant(static_cast<long>(VO_MAP_TOOL_SELECT))), S_OK);
    VARIANT down[4];
    for (VARIANT& v : down) ::VariantInit(&v);
    down[0].vt = VT_I2; down[0].iVal = 1;
    down[1].vt = VT_I2; down[1].iVal = 0;
    down[2].vt = VT_R4; down[2].fltVal = static_cast<float>(point.x);
    down[3].vt = VT_R4; down[3].fltVal = static_cast<float>(point.y);
    ASSERT_EQ(EngineHooks(unknown.Get())->FireEvent(-605, 4, down), S_OK);

    Image after;
    after.DrawFrom(unknown.Get());
    int solid = 0;
    for (double f = 0.2; f < 0.81; f += 0.1) {
        POINT p = {point.x + static_cast<long>((serving.x - point.x) * f), point.y + static_cast<long>((serving.y - point.y) * f)};
        if (after.Pixel(p) == RGB(0, 0, 0)) ++solid;
    }
    EXPECT_EQ(solid, 7);
    EXPECT_EQ(after.Pixel(Along(neighbour, point, 10)), RGB(0, 0, 0)) << "the first dash";
    EXPECT_EQ(after.Pixel(Along(neighbour, point, 30)), background) << "the first gap";
    // The other points were not clicked: no line leaves them.
    const POINT other = ToScreen(map.Get(), kPoints[1]);
    EXPECT_EQ(after.Pixel(Along(other, serving, 20)), background);

    ole->Close(OLECLOSE_NOSAVE);
    ole->SetClientSite(nullptr);
}

}  // namespace
