// A host shows cell sites and a drive test through the control and clicks a point with the select
// tool: the image the control draws then holds the point's serving line, solid, from the point to
// its cell's symbol, and its neighbour line, dashed; the unselected point has no lines. And the
// lines a host draws itself through IDispatch, between positions, cell sites and cell sectors:
// where they show, how they are replaced, hidden and cleared, what a click on one tells the host,
// that a line to a cell site the map leaves out is refused or left out alone, which colour every
// form of a colour argument gives (also from a VBScript client), and that no form of any argument
// takes the process down.
#include "tests/control/ControlFixture.h"
#include "tests/datalayers/DisplayFixture.h"
#include "tests/support/DibCanvas.h"
#include "tests/support/ScriptHost.h"
#include "tests/support/TestSupport.h"
#include "tests/support/Watchdog.h"

#include <cfloat>
#include <climits>
#include <cmath>
#include <cwchar>
#include <limits>

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

// The control's view as 640x480 pixels.
class Image : public testsupport::DibCanvas {
public:
    Image() : DibCanvas(640, 480, false) {}
    void DrawFrom(IUnknown* control) { EXPECT_EQ(DrawView(control), S_OK); }
    COLORREF Pixel(POINT p) const { return DibCanvas::Pixel(p.x, p.y); }
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

// --- Lines the host draws --------------------------------------------------------------------------

enum : DISPID {
    kUpdateCellRefData = 0x17,
    kToggleLines = 0x34,
    kDrawLineBetweenCellsites = 0x50,
    kDrawLineBetweenPoints = 0x51,
    kClearLinesBetweenCellsites = 0x56,
    kClearLinesBetweenPoints = 0x57,
    kDrawLineBetweenCellSectors = 0x67,
    kClearLinesBetweenCellSectors = 0x68,
    kToggleLine = 0x73,
    kGetLayerBounds = 0x7B,
};
const wchar_t kSectorsName[] = L"Lines between Cell Sectors";
const wchar_t kSiteSeries[] = L"{517E5000-0000-0000-0000-0000000000C1}";
const COLORREF kRed = RGB(255, 0, 0), kBlue = RGB(0, 0, 255), kGreen = RGB(0, 255, 0);

Position FromScreen(IDispatch* map, float x, float y) {
    double mapX = 0, mapY = 0;
    VARIANT args[5];
    args[4].vt = VT_R4 | VT_BYREF; args[4].pfltVal = &x;
    args[3].vt = VT_R4 | VT_BYREF; args[3].pfltVal = &y;
    args[2].vt = VT_R8 | VT_BYREF; args[2].pdblVal = &mapX;
    args[1].vt = VT_R8 | VT_BYREF; args[1].pdblVal = &mapY;
    args[0].vt = VT_I2; args[0].iVal = 1;
    DISPPARAMS params = {args, nullptr, 5, 0};
    EXPECT_EQ(map->Invoke(34, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr), S_OK);
    return {mapY, mapX};
}

// Whether a pixel at or next to `p` has the colour: the ends of a drawn segment are truncated.
bool Near(const Image& image, POINT p, COLORREF colour) {
    for (long y = p.y - 1; y <= p.y + 1; ++y)
        for (long x = p.x - 1; x <= p.x + 1; ++x)
            if (image.Pixel({x, y}) == colour) return true;
    return false;
}

// How many of the points at 20 %, 30 % ... 80 % of the way from `a` to `b` show the colour.
int AlongCount(const Image& image, POINT a, POINT b, COLORREF colour) {
    int n = 0;
    for (int i = 2; i <= 8; ++i)
        if (Near(image, {a.x + (b.x - a.x) * i / 10, a.y + (b.y - a.y) * i / 10}, colour)) ++n;
    return n;
}

// Records each event of the second event interface with its arguments in their declared order.
class FeatureSink : public platform::ComObject<FeatureSink, IDispatch> {
public:
    HRESULT QueryInterfaceImpl(REFIID iid, void** out) {
        if (IsEqualIID(iid, DIID__IZmaVOMapXEvents2)) {
            *out = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        return InternalQueryInterface(iid, out);
    }
    STDMETHODIMP GetTypeInfoCount(UINT* n) override { *n = 0; return S_OK; }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) override {
        std::wstring entry = std::to_wstring(id);
        for (UINT i = params ? params->cArgs : 0; i > 0; --i) {
            const VARIANT& arg = params->rgvarg[i - 1];
            entry += L"|" + std::to_wstring(arg.vt) + L":" + Variant(arg).ToWide();
        }
        events.push_back(entry);
        return S_OK;
    }
    std::vector<std::wstring> events;
};

class HostLines : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(CreateControl(unknown_), S_OK);
        site_ = platform::MakeObject<testsupport::TestSite>(640, 480);
        ole_ = As<IOleObject>(unknown_.Get());
        ASSERT_EQ(ole_->SetClientSite(site_.Get()), S_OK);
        ASSERT_EQ(As<IPersistStreamInit>(unknown_.Get())->InitNew(), S_OK);
        RECT r = site_->Rect();
        ASSERT_EQ(ole_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site_.Get(), 0, site_->Window(), &r), S_OK);
        control_ = As<IDispatch>(unknown_.Get());
        ASSERT_EQ(As<IZmaVadAZ2>(unknown_.Get())->put_EnhancedDrawingMode(VARIANT_FALSE), S_OK);
        ASSERT_EQ(As<IZmaVadAZ2>(unknown_.Get())->get_MapX(map_.Put()), S_OK);
        ComPtr<IConnectionPoint> point;
        ASSERT_EQ(As<IConnectionPointContainer>(unknown_.Get())->FindConnectionPoint(DIID__IZmaVOMapXEvents2, point.Put()),
                  S_OK);
        sink_ = platform::MakeObject<FeatureSink>();
        DWORD cookie = 0;
        ASSERT_EQ(point->Advise(sink_.Get(), &cookie), S_OK);
        Image plain;
        plain.DrawFrom(unknown_.Get());
        background_ = plain.Pixel({5, 5});
    }
    void TearDown() override {
        if (ole_) {
            ole_->Close(OLECLOSE_NOSAVE);
            ole_->SetClientSite(nullptr);
        }
    }
    HRESULT Call(DISPID id, std::vector<Variant> args) { return displaytest::Call(control_.Get(), id, std::move(args)); }
    HRESULT Points(const Position& a, const Position& b, const Variant& colour, long type = 0) {
        return Call(kDrawLineBetweenPoints,
                    {Variant(a.lon), Variant(a.lat), Variant(b.lon), Variant(b.lat), Variant(2L), Variant(type), colour});
    }
    // Three cell sites at the given pixels of the view, one without a position (0, 0), and rows of
    // the given latitudes and longitudes after them.
    // `longName` gives the dataset its technology (the name up to its first '_').
    void ShowSites(std::vector<POINT> at, const std::vector<std::pair<Variant, Variant>>& more = {},
                   const wchar_t* series = kSiteSeries, const wchar_t* longName = nullptr) {
        ComPtr<IDispatch> sites = NewDataset({{L"Latitude", 13}, {L"Longitude", 12}, {L"Azimuth", 5}, {L"ElementHandle", 3}},
                                             4 + static_cast<long>(more.size()));
        if (longName) displaytest::SetDatasetLongName(sites.Get(), longName);
        for (size_t i = 0; i < more.size(); ++i) {
            SetValue(sites.Get(), 4 + static_cast<long>(i), L"Latitude", more[i].first);
            SetValue(sites.Get(), 4 + static_cast<long>(i), L"Longitude", more[i].second);
        }
        for (long row = 0; row < 4; ++row) {
            const Position p = row < 3 ? FromScreen(map_.Get(), static_cast<float>(at[row].x), static_cast<float>(at[row].y))
                                       : Position{0, 0};
            sites_.push_back(p);
            SetValue(sites.Get(), row, L"Latitude", Variant(p.lat));
            SetValue(sites.Get(), row, L"Longitude", Variant(p.lon));
            SetValue(sites.Get(), row, L"ElementHandle", Variant(row + 1));
        }
        ASSERT_EQ(As<IZmaVadAZ2>(unknown_.Get())
                      ->CreateMultiDMapping(sites.Get(), Bstr(series).Get(), FieldConfiguration(L"CellRefs", {L"Azimuth"}).Get()),
                  S_OK);
    }
    // The pixel of a sector's symbol: drawn above its site.
    POINT Symbol(long row) {
        POINT p = ToScreen(map_.Get(), sites_[row]);
        p.y -= 6;
        return p;
    }
    // The line's index comes back as the call's result.
    HRESULT SectorLine(long row1, long row2, const Variant& colour, bool arrow, long* index, long width = 2) {
        Variant result;
        const HRESULT hr = displaytest::Call(control_.Get(), kDrawLineBetweenCellSectors,
                                             {Variant(kSiteSeries), Variant(row1), Variant(kSiteSeries), Variant(row2),
                                              Variant(width), Variant(0L), colour, Variant(L"a handover"), Variant(arrow),
                                              Variant(0.5)},
                                             &result);
        *index = SUCCEEDED(hr) ? result.ToLong() : -1;
        return hr;
    }
    // A radius text of about 30 pixels at `centre`.
    std::wstring RadiusOf30Pixels(const Position& centre) {
        const POINT p = ToScreen(map_.Get(), centre);
        const Position east = FromScreen(map_.Get(), static_cast<float>(p.x + 30), static_cast<float>(p.y));
        const double metres = (east.lon - centre.lon) * 111320.0 * std::cos(centre.lat * 3.14159265358979 / 180.0);
        return std::to_wstring(static_cast<long>(metres)) + L" m";
    }
    long EngineLayerCount() {
        Variant layers = displaytest::Get(map_.Get(), displaytest::kEngineLayers);
        return displaytest::Get(layers.pdispVal, displaytest::kLayersCount).ToLong();
    }
    static std::wstring ErrorText() {
        ComPtr<IErrorInfo> info;
        if (::GetErrorInfo(0, info.Put()) != S_OK || !info) return L"";
        Bstr text;
        info->GetDescription(text.Put());
        return text.Wide();
    }
    std::wstring TopEngineLayer() {
        Variant layers = displaytest::Get(map_.Get(), displaytest::kEngineLayers);
        Variant top;
        EXPECT_EQ(displaytest::Invoke(layers.pdispVal, displaytest::kLayersItem, DISPATCH_METHOD | DISPATCH_PROPERTYGET,
                                      {Variant(1L)}, &top),
                  S_OK);
        return top.vt == VT_DISPATCH ? displaytest::Get(top.pdispVal, displaytest::kLayerName).ToWide() : L"";
    }
    // The mouse pressed (-605) or moved (-606) at `at` with the select tool.
    void Mouse(LONG event, POINT at) {
        ASSERT_EQ(displaytest::Put(map_.Get(), 20, Variant(static_cast<long>(VO_MAP_TOOL_SELECT))), S_OK);
        Variant args[4] = {Variant(static_cast<short>(event == -605 ? 1 : 0)), Variant(short{0}),
                           Variant(static_cast<float>(at.x)), Variant(static_cast<float>(at.y))};
        ASSERT_EQ(EngineHooks(unknown_.Get())->FireEvent(event, 4, args), S_OK);
    }
    std::string RolloverTipAt(POINT at) {
        Mouse(-606, at);
        return testsupport::ShownRolloverTip();
    }
    // The FeatureSelected events of a click at `at`.
    std::vector<std::wstring> SelectedByClick(POINT at) {
        sink_->events.clear();
        Mouse(-605, at);
        std::vector<std::wstring> selected;
        for (const std::wstring& e : sink_->events)
            if (e.rfind(L"11|", 0) == 0) selected.push_back(e);
        return selected;
    }
    // The bounds of the lines between cell sectors that GetLayerBounds gives a host.
    std::vector<double> SectorLineBounds() {
        Variant rectangle;
        EXPECT_EQ(displaytest::Call(control_.Get(), kGetLayerBounds, {Variant(kSectorsName)}, &rectangle), S_OK);
        std::vector<double> edges;
        for (DISPID edge = 1; edge <= 4 && rectangle.vt == VT_DISPATCH && rectangle.pdispVal; ++edge)
            edges.push_back(displaytest::Get(rectangle.pdispVal, edge).ToDouble());
        return edges;
    }

    ComPtr<IUnknown> unknown_;
    ComPtr<testsupport::TestSite> site_;
    ComPtr<IOleObject> ole_;
    ComPtr<IDispatch> control_, map_;
    ComPtr<FeatureSink> sink_;
    COLORREF background_ = 0;
    std::vector<Position> sites_;
};

TEST_F(HostLines, ALineBetweenTwoPositionsShowsIsReplacedInPlaceAndCleared) {
    ShowSites({{120, 300}, {520, 300}, {520, 120}});  // their layer draws the lines
    const Position a = FromScreen(map_.Get(), 100, 100), b = FromScreen(map_.Get(), 500, 380);
    const POINT pa = ToScreen(map_.Get(), a), pb = ToScreen(map_.Get(), b);
    ASSERT_EQ(Points(a, b, Variant(0xFF0000L)), S_OK);
    Image drawn;
    drawn.DrawFrom(unknown_.Get());
    EXPECT_EQ(AlongCount(drawn, pa, pb, kRed), 7);
    EXPECT_EQ(drawn.Pixel({pa.x + 60, pa.y - 40}), background_);

    // The same two ends again: one line, in its new colour (given as text).
    ASSERT_EQ(Points(a, b, Variant(L"0000FF")), S_OK);
    Image replaced;
    replaced.DrawFrom(unknown_.Get());
    EXPECT_EQ(AlongCount(replaced, pa, pb, kBlue), 7);
    EXPECT_EQ(AlongCount(replaced, pa, pb, kRed), 0);

    // A script's variables come by reference, the colour's too.
    const Position c = FromScreen(map_.Get(), 100, 380);
    Variant lon(c.lon), red(0xFF0000L);
    VARIANT byRef, colourByRef;
    byRef.vt = colourByRef.vt = VT_BYREF | VT_VARIANT;
    byRef.pvarVal = &lon;
    colourByRef.pvarVal = &red;
    ASSERT_EQ(Call(kDrawLineBetweenPoints, {Variant(byRef), Variant(c.lat), Variant(b.lon), Variant(b.lat), Variant(2L),
                                            Variant(0L), Variant(colourByRef)}),
              S_OK);
    red = Variant(0x00FF00L);  // the line keeps its own copy
    Image scripted;
    scripted.DrawFrom(unknown_.Get());
    EXPECT_EQ(AlongCount(scripted, ToScreen(map_.Get(), c), pb, kRed), 7);

    ASSERT_EQ(Call(kClearLinesBetweenPoints, {}), S_OK);
    Image cleared;
    cleared.DrawFrom(unknown_.Get());
    EXPECT_EQ(AlongCount(cleared, pa, pb, kBlue), 0);
    EXPECT_EQ(AlongCount(cleared, ToScreen(map_.Get(), c), pb, kRed), 0);
}

TEST_F(HostLines, WithEnhancedDrawingLinesAreDrawnAntiAliased) {
    ASSERT_EQ(As<IZmaVadAZ2>(unknown_.Get())->put_EnhancedDrawingMode(VARIANT_TRUE), S_OK);
    ShowSites({{120, 300}, {520, 300}, {520, 120}});
    const Position a = FromScreen(map_.Get(), 100, 200), b = FromScreen(map_.Get(), 500, 200);
    ASSERT_EQ(Call(kDrawLineBetweenPoints,
                   {Variant(a.lon), Variant(a.lat), Variant(b.lon), Variant(b.lat), Variant(4L), Variant(0L), Variant(0xFF0000L)}),
              S_OK);
    long index = -1;
    ASSERT_EQ(SectorLine(0, 1, Variant(0x0000FFL), false, &index, 4), S_OK);
    Image drawn;
    drawn.DrawFrom(unknown_.Get());
    EXPECT_EQ(AlongCount(drawn, ToScreen(map_.Get(), a), ToScreen(map_.Get(), b), kRed), 7);
    EXPECT_EQ(AlongCount(drawn, Symbol(0), Symbol(1), kBlue), 7);
}

TEST_F(HostLines, APositionOutsideTheOpenRangesOrNotADoubleIsRefusedAndStoresNothing) {
    ShowSites({{120, 300}, {520, 300}, {520, 120}});
    const Position a = FromScreen(map_.Get(), 100, 100), b = FromScreen(map_.Get(), 500, 380);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::vector<std::vector<Variant>> refused = {
        {Variant(-180.0), Variant(a.lat), Variant(b.lon), Variant(b.lat)},
        {Variant(a.lon), Variant(a.lat), Variant(180.0), Variant(b.lat)},
        {Variant(a.lon), Variant(90.0), Variant(b.lon), Variant(b.lat)},
        {Variant(a.lon), Variant(a.lat), Variant(b.lon), Variant(nan)},
        {Variant(static_cast<float>(a.lon)), Variant(a.lat), Variant(b.lon), Variant(b.lat)},
        {Variant(a.lon), Variant(static_cast<long>(a.lat)), Variant(b.lon), Variant(b.lat)},
    };
    for (const auto& coordinates : refused) {
        std::vector<Variant> args = coordinates;
        args.push_back(Variant(2L));
        args.push_back(Variant(0L));
        args.push_back(Variant(0xFF0000L));
        EXPECT_EQ(Call(kDrawLineBetweenPoints, args), E_FAIL);
    }
    Variant east(180.0), lat(a.lat), lon(b.lon), lat2(b.lat), red(0xFF0000L);
    EXPECT_EQ(As<IZmaVadAZ2>(unknown_.Get())->DrawLineBetweenPoints(east, lat, lon, lat2, 2, 0, red), E_FAIL);
    ComPtr<IErrorInfo> info;
    ASSERT_EQ(::GetErrorInfo(0, info.Put()), S_OK) << "a refusal says why";
    Image drawn;
    drawn.DrawFrom(unknown_.Get());
    EXPECT_EQ(AlongCount(drawn, ToScreen(map_.Get(), a), ToScreen(map_.Get(), b), kRed), 0);
    EXPECT_EQ(Call(kClearLinesBetweenPoints, {}), S_OK) << "the cell sites brought the layer";
}

TEST_F(HostLines, WithoutCellSitesALineBetweenPositionsIsRefusedWithItsReasonAndMakesNoLayer) {
    const Position a = FromScreen(map_.Get(), 100, 100), b = FromScreen(map_.Get(), 500, 380);
    const long layers = EngineLayerCount();
    Variant startLon(a.lon), startLat(a.lat), endLon(b.lon), endLat(b.lat), red(0xFF0000L);
    EXPECT_EQ(As<IZmaVadAZ2>(unknown_.Get())->DrawLineBetweenPoints(startLon, startLat, endLon, endLat, 2, 0, red),
              E_FAIL);
    EXPECT_NE(ErrorText().find(L"cell-site"), std::wstring::npos) << platform::ToAnsi(ErrorText());
    EXPECT_EQ(Call(kClearLinesBetweenPoints, {}), E_FAIL);
    EXPECT_EQ(Call(kToggleLines, {Variant(false), Variant(3L)}), S_OK);
    EXPECT_EQ(EngineLayerCount(), layers) << "no layer of its own, which no saved document would keep";
    Image drawn;
    drawn.DrawFrom(unknown_.Get());
    EXPECT_EQ(AlongCount(drawn, ToScreen(map_.Get(), a), ToScreen(map_.Get(), b), kRed), 0);
}

TEST_F(HostLines, WhenTheCellSitesShownLastGoTheLinesBetweenPositionsGoOnThroughThoseStillShown) {
    const wchar_t kLaterSeries[] = L"{517E5000-0000-0000-0000-0000000000C2}";
    ShowSites({{120, 300}, {520, 300}, {520, 120}});
    ShowSites({{140, 300}, {540, 300}, {540, 120}}, {}, kLaterSeries);
    const Position a = FromScreen(map_.Get(), 100, 100), b = FromScreen(map_.Get(), 500, 380);
    const POINT pa = ToScreen(map_.Get(), a), pb = ToScreen(map_.Get(), b);
    ASSERT_EQ(Points(a, b, Variant(0xFF0000L)), S_OK);
    ASSERT_EQ(As<IZmaVadAZ2>(unknown_.Get())->RemoveDataset(Bstr(kLaterSeries).Get(), Variant(true)), S_OK);
    Image kept;
    kept.DrawFrom(unknown_.Get());
    EXPECT_EQ(AlongCount(kept, pa, pb, kRed), 7);

    ASSERT_EQ(Call(kClearLinesBetweenPoints, {}), S_OK) << platform::ToAnsi(ErrorText());
    Image cleared;
    cleared.DrawFrom(unknown_.Get());
    EXPECT_EQ(AlongCount(cleared, pa, pb, kRed), 0);
    EXPECT_EQ(Points(a, b, Variant(L"0000FF")), S_OK) << platform::ToAnsi(ErrorText());
}

// Cell sites of technologies A and B, each with a line between positions and one between two of its
// sites drawn while its sites were shown last. One technology's sites go (or are hidden) and come
// back (a new dataset, or shown again); a clear then takes every line.
struct TechnologyCase {
    const char* name;
    bool laterGoes, hidden, oneTechnology;  // B rather than A; hidden, not removed; B of A's technology
    int goneEarlier, goneLater, backEarlier, backLater;  // the lines of A and B shown in between, and at the end
};
const TechnologyCase kTechnologyCases[] = {
    {"TheLaterRemoved", true, false, false, 2, 0, 2, 0},
    {"TheEarlierRemoved", false, false, false, 0, 2, 0, 2},
    {"TheLaterHidden", true, true, false, 2, 0, 2, 2},
    {"TheLaterOfOneTechnologyRemoved", true, false, true, 2, 2, 2, 2},
};

// Technologies A and B: their cell sites shown, each with its host lines drawn while they were
// shown last.
class TwoTechnologies : public HostLines {
protected:
    struct Drawn {
        POINT from, to;
        long hostColour;  // 0xRRGGBB
        COLORREF colour;
    };
    void ShowTechnology(int t) { ShowSites(sites_[t], {}, series_[t], technology_[t]); }
    void ShowBoth() {
        for (int t = 0; t < 2; ++t) {
            ShowTechnology(t);
            const Drawn& at = lines_[t][0];
            ASSERT_EQ(Points(FromScreen(map_.Get(), static_cast<float>(at.from.x), static_cast<float>(at.from.y)),
                             FromScreen(map_.Get(), static_cast<float>(at.to.x), static_cast<float>(at.to.y)),
                             Variant(at.hostColour)),
                      S_OK);
            ASSERT_EQ(Call(kDrawLineBetweenCellsites,
                           {Variant(0L), Variant(1L), Variant(2L), Variant(0L), Variant(lines_[t][1].hostColour)}),
                      S_OK);
        }
        ASSERT_EQ(Shown(0) + Shown(1), 4);
    }
    // How many of technology t's two lines the next frame draws.
    int Shown(int t) {
        Image image;
        image.DrawFrom(unknown_.Get());
        int n = 0;
        for (const Drawn& line : lines_[t]) n += AlongCount(image, line.from, line.to, line.colour) == 7;
        return n;
    }

    const wchar_t* series_[2] = {L"{517E5000-0000-0000-0000-0000000000D1}", L"{517E5000-0000-0000-0000-0000000000D2}"};
    const wchar_t* technology_[2] = {L"GSM_Sites", L"UMTS_Sites"};
    const std::vector<POINT> sites_[2] = {{{120, 300}, {520, 300}, {520, 120}}, {{140, 330}, {540, 330}, {540, 150}}};
    const Drawn lines_[2][2] = {{{{100, 60}, {460, 100}, 0xFF0000, kRed}, {sites_[0][0], sites_[0][1], 0x00FF00, kGreen}},
                                {{{100, 200}, {460, 240}, 0x0000FF, kBlue},
                                 {sites_[1][0], sites_[1][1], 0xFF00FF, RGB(255, 0, 255)}}};
};

class HostLinesOfTwoTechnologies : public TwoTechnologies, public ::testing::WithParamInterface<TechnologyCase> {};

TEST_P(HostLinesOfTwoTechnologies, ATechnologysLinesGoWithItsLastCellSitesAndAClearTakesThoseOfEvery) {
    const TechnologyCase& c = GetParam();
    if (c.oneTechnology) technology_[1] = L"GSM_More";
    ShowBoth();

    ComPtr<IZmaVadAZ2> control = As<IZmaVadAZ2>(unknown_.Get());
    const int going = c.laterGoes ? 1 : 0;
    if (c.hidden)
        ASSERT_EQ(control->SetDatasetVisible(Bstr(series_[going]).Get(), 0), S_OK);
    else
        ASSERT_EQ(control->RemoveDataset(Bstr(series_[going]).Get(), Variant(true)), S_OK);
    EXPECT_EQ(Shown(0), c.goneEarlier);
    EXPECT_EQ(Shown(1), c.goneLater);
    if (c.hidden)
        ASSERT_EQ(control->SetDatasetVisible(Bstr(series_[going]).Get(), 1), S_OK);
    else
        ShowSites(sites_[going], {}, L"{517E5000-0000-0000-0000-0000000000D3}", technology_[going]);
    EXPECT_EQ(Shown(0), c.backEarlier);
    EXPECT_EQ(Shown(1), c.backLater);

    ASSERT_EQ(Call(kClearLinesBetweenPoints, {}), S_OK) << platform::ToAnsi(ErrorText());
    ASSERT_EQ(Call(kClearLinesBetweenCellsites, {}), S_OK) << platform::ToAnsi(ErrorText());
    EXPECT_EQ(Shown(0) + Shown(1), 0);
}

INSTANTIATE_TEST_SUITE_P(Technologies, HostLinesOfTwoTechnologies, ::testing::ValuesIn(kTechnologyCases),
                         [](const ::testing::TestParamInfo<TechnologyCase>& info) { return info.param.name; });

// UpdateCellRefData removes the cell-site layers, and the host's component shows cell sites again
// within the call: a technology whose cell sites come back keeps the host's lines; one whose cell
// sites do not loses them once the reload has ended.
TEST_F(TwoTechnologies, AReloadOfTheCellDataKeepsTheLinesOfTheTechnologiesItShowsAgain) {
    ShowBoth();
    ComPtr<IHostProfileTest> component;
    ASSERT_EQ(::CoCreateInstance(CLSID_HostProfileComponent, nullptr, CLSCTX_INPROC_SERVER, IID_IHostProfileTest,
                                 component.PutVoid()),
              S_OK);
    const struct {
        std::vector<int> shownAgain;
        int earlier, later;  // lines drawn after the reload
    } cases[] = {{{0, 1}, 2, 2}, {{1}, 0, 2}, {{}, 0, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.shownAgain.size()) + " technologies shown again");
        auto handler = platform::MakeObject<displaytest::ComponentHandler>();
        handler->onCall = [&](const std::wstring& method) {
            if (method == L"LoadProfile")
                for (int t : c.shownAgain) ShowTechnology(t);
        };
        ASSERT_EQ(component->SetHandler(handler.Get()), S_OK);
        EXPECT_EQ(Call(kUpdateCellRefData, {}), S_OK) << platform::ToAnsi(ErrorText());
        component->SetHandler(nullptr);
        EXPECT_EQ(Shown(0), c.earlier);
        EXPECT_EQ(Shown(1), c.later);
    }
}

// Each VARIANT argument of the line members in every form a client can give: a refused form
// answers E_FAIL with a description (DISP_E_EXCEPTION through IDispatch), an accepted one S_OK,
// and the next frame draws.
TEST_F(HostLines, EveryFormOfEveryVariantArgumentOfTheLineMembersAnswersAndTheNextFrameDraws) {
    ShowSites({{120, 300}, {520, 300}, {520, 120}});
    const Position a = FromScreen(map_.Get(), 100, 100), b = FromScreen(map_.Get(), 500, 380);
    auto make = [](VARTYPE vt) {
        VARIANT v;
        ::VariantInit(&v);
        v.vt = vt;
        return v;
    };
    struct Form {
        const char* what;
        VARIANT value;
        bool coordinate;  // a coordinate inside every open range
    };
    std::vector<Form> forms = {{"empty", make(VT_EMPTY), false}, {"null", make(VT_NULL), false},
                               {"missing", make(VT_ERROR), false}, {"null object", make(VT_DISPATCH), false},
                               {"null text", make(VT_BSTR), false}, {"reference to no double", make(VT_BYREF | VT_R8), false},
                               {"reference to no variant", make(VT_BYREF | VT_VARIANT), false},
                               {"reference to no long", make(VT_BYREF | VT_I4), false},
                               {"reference to no text", make(VT_BYREF | VT_BSTR), false}};
    forms[2].value.scode = DISP_E_PARAMNOTFOUND;
    for (double d : {-DBL_MAX, std::numeric_limits<double>::quiet_NaN(), -std::numeric_limits<double>::infinity()})
        forms.push_back({"refused double", Variant(d).Detach(), false});
    for (double d : {DBL_MIN, std::numeric_limits<double>::denorm_min(), -0.0})
        forms.push_back({"smallest double", Variant(d).Detach(), true});
    forms.push_back({"smallest long", Variant(static_cast<long>(INT_MIN)).Detach(), false});
    forms.push_back({"smallest short", Variant(static_cast<short>(SHRT_MIN)).Detach(), false});

    struct Member {
        DISPID id;
        std::vector<Variant> args;  // in declared order, all valid
        std::vector<size_t> variants;  // the positions that are VARIANTs; the last is the colour
    };
    const Member members[] = {
        {kDrawLineBetweenPoints,
         {Variant(a.lon), Variant(a.lat), Variant(b.lon), Variant(b.lat), Variant(2L), Variant(0L), Variant(0xFF0000L)},
         {0, 1, 2, 3, 6}},
        {kDrawLineBetweenCellsites, {Variant(0L), Variant(2L), Variant(2L), Variant(0L), Variant(0xFF0000L)}, {4}},
        {kDrawLineBetweenCellSectors,
         {Variant(kSiteSeries), Variant(0L), Variant(kSiteSeries), Variant(1L), Variant(2L), Variant(0L),
          Variant(0xFF0000L), Variant(L"tip"), Variant(true), Variant(0.5)},
         {6}},
    };
    for (const Member& m : members) {
        for (size_t position : m.variants) {
            const bool colour = position == m.variants.back();
            for (const Form& form : forms) {
                std::vector<VARIANT> reversed(m.args.rbegin(), m.args.rend());
                reversed[m.args.size() - 1 - position] = form.value;
                DISPPARAMS params = {reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
                EXCEPINFO exception = {};
                Variant result;
                const HRESULT hr =
                    control_->Invoke(m.id, IID_NULL, 0, DISPATCH_METHOD, &params, result.Put(), &exception, nullptr);
                const std::string what = std::to_string(m.id) + " argument " + std::to_string(position + 1) + ": " + form.what;
                if (colour || form.coordinate) {
                    EXPECT_EQ(hr, S_OK) << what;
                } else {
                    EXPECT_EQ(hr, DISP_E_EXCEPTION) << what;
                    EXPECT_EQ(exception.scode, E_FAIL) << what;
                    EXPECT_TRUE(exception.bstrDescription && *exception.bstrDescription) << what;
                }
                ::SysFreeString(exception.bstrSource);
                ::SysFreeString(exception.bstrDescription);
                ::SysFreeString(exception.bstrHelpFile);
                Image frame;
                frame.DrawFrom(unknown_.Get());
            }
        }
    }
}

// One colour rule for every member that takes a colour, in every form a VBScript client of the
// initialised map gives it: small literals as 16-bit integers (counted by their bits), longs,
// texts, bytes, and variables, which come by reference.
TEST_F(HostLines, EveryColourMemberReadsAVBScriptClientsColoursByOneRule) {
    ShowSites({{120, 300}, {520, 360}, {520, 120}});
    const Position a = FromScreen(map_.Get(), 100, 100), b = FromScreen(map_.Get(), 500, 240);
    const Position centre = FromScreen(map_.Get(), 320, 420);
    wchar_t setup[600];
    std::swprintf(setup, 600,
                  L"Dim lon1, lat1, lon2, lat2, lat, lon, colour, index\n"
                  L"lon1 = CDbl(%.15g) : lat1 = CDbl(%.15g) : lon2 = CDbl(%.15g) : lat2 = CDbl(%.15g)\n"
                  L"lat = CDbl(%.15g) : lon = CDbl(%.15g)\n"
                  L"map.ClearLinesBetweenPoints : map.ClearLinesBetweenCellsites : map.ClearLinesBetweenCellSectors\n"
                  L"map.ClearShapes\n",
                  a.lon, a.lat, b.lon, b.lat, centre.lat, centre.lon);
    const POINT middle = ToScreen(map_.Get(), centre);
    const struct {
        const wchar_t* colour;
        COLORREF expected;
    } forms[] = {{L"255", kBlue}, {L"&HFF00", kGreen}, {L"&HFF0000", kRed}, {L"\"0x00FF00\"", kGreen},
                 {L"CByte(255)", kBlue}};
    for (const auto& form : forms) {
        // Two members get the colour as a variable, two as the expression itself.
        const std::wstring script =
            std::wstring(setup) + L"colour = " + form.colour + L"\n" +
            L"map.DrawLineBetweenPoints lon1, lat1, lon2, lat2, 2, 0, colour\n"
            L"map.DrawLineBetweenCellsites 0, 2, 2, 0, " + form.colour + L"\n"
            L"index = map.DrawLineBetweenCellSectors(\"" + kSiteSeries + L"\", 0, \"" + kSiteSeries +
            L"\", 1, 2, 0, " + form.colour + L", \"tip\", False, 0.5)\n"
            L"map.DrawCircle lat, lon, \"" + RadiusOf30Pixels(centre) + L"\", 2, 0, colour, \"circle\"\n";
        std::wstring error;
        const std::string what = platform::ToAnsi(form.colour);
        ASSERT_EQ(testsupport::RunScript(L"VBScript", script, {{L"map", control_.Get()}}, &error), S_OK)
            << what << ": " << platform::ToAnsi(error);
        Image drawn;
        drawn.DrawFrom(unknown_.Get());
        EXPECT_EQ(AlongCount(drawn, ToScreen(map_.Get(), a), ToScreen(map_.Get(), b), form.expected), 7)
            << "between positions: " << what;
        EXPECT_EQ(AlongCount(drawn, ToScreen(map_.Get(), sites_[0]), ToScreen(map_.Get(), sites_[2]), form.expected), 7)
            << "between cell sites: " << what;
        EXPECT_EQ(AlongCount(drawn, Symbol(0), Symbol(1), form.expected), 7) << "between sectors: " << what;
        bool circle = false;
        for (long x = middle.x - 60; x <= middle.x + 60 && !circle; ++x)
            circle = drawn.Pixel({x, middle.y}) == form.expected;
        EXPECT_TRUE(circle) << "a circle: " << what;
    }
}

TEST_F(HostLines, LinesBetweenCellSitesAndSectorsShowReplaceToggleAndClear) {
    EXPECT_EQ(Call(kDrawLineBetweenCellsites, {Variant(0L), Variant(1L), Variant(2L), Variant(0L), Variant(0xFF0000L)}),
              E_FAIL)
        << "no cell sites yet";
    ShowSites({{120, 120}, {520, 360}, {520, 120}});
    const POINT site0 = ToScreen(map_.Get(), sites_[0]), site2 = ToScreen(map_.Get(), sites_[2]);
    ASSERT_EQ(Call(kDrawLineBetweenCellsites, {Variant(0L), Variant(2L), Variant(2L), Variant(0L), Variant(0xFF0000L)}),
              S_OK);

    long index = -1;
    ASSERT_EQ(SectorLine(0, 1, Variant(0x0000FFL), true, &index), S_OK);
    EXPECT_EQ(index, 0);
    EXPECT_EQ(TopEngineLayer(), kSectorsName) << "the first sector line makes its layer at the top";
    Bstr series(kSiteSeries), tip(L"tip");
    EXPECT_EQ(As<IZmaVadAZ2>(unknown_.Get())
                  ->DrawLineBetweenCellSectors(series.Get(), 0, series.Get(), 1, 2, 0, Variant(0L), tip.Get(), VARIANT_FALSE,
                                               0.5, nullptr),
              E_POINTER);
    const POINT s0 = Symbol(0), s1 = Symbol(1);
    Image drawn;
    drawn.DrawFrom(unknown_.Get());
    EXPECT_EQ(AlongCount(drawn, site0, site2, kRed), 7) << "site to site";
    EXPECT_EQ(AlongCount(drawn, s0, s1, kBlue), 7) << "symbol to symbol";
    // The arrow: its tip half way, its wings 10 px back and 7 px to either side.
    const double angle = std::atan2(static_cast<double>(s1.y - s0.y), static_cast<double>(s1.x - s0.x));
    const double tipX = s0.x + 0.5 * (s1.x - s0.x), tipY = s0.y + 0.5 * (s1.y - s0.y);
    for (int side : {-1, 1}) {
        const double wx = tipX - 10 * std::cos(angle) + side * 7 * std::sin(angle);
        const double wy = tipY - 10 * std::sin(angle) - side * 7 * std::cos(angle);
        const POINT half = {static_cast<long>((wx + tipX) / 2), static_cast<long>((wy + tipY) / 2)};
        EXPECT_TRUE(Near(drawn, half, kBlue)) << "wing " << side;
    }
    EXPECT_EQ(drawn.Pixel({static_cast<long>(tipX) - 20, static_cast<long>(tipY) + 20}), background_);

    // The same ends again replace the line in its place; reversed they are another line; an end at
    // (0, 0) has no position and gives no line.
    ASSERT_EQ(SectorLine(0, 1, Variant(L"FF0000"), false, &index), S_OK);
    EXPECT_EQ(index, 0);
    ASSERT_EQ(SectorLine(1, 0, Variant(L"FF0000"), false, &index), S_OK);
    EXPECT_EQ(index, 1);
    ASSERT_EQ(SectorLine(0, 3, Variant(0x0000FFL), false, &index), S_OK);
    EXPECT_EQ(index, 2);
    Image replaced;
    replaced.DrawFrom(unknown_.Get());
    EXPECT_EQ(AlongCount(replaced, s0, s1, kRed), 7);
    EXPECT_EQ(AlongCount(replaced, s0, {0, 0}, kBlue), 0) << "no line to an unwritten point";

    EXPECT_EQ(Call(kToggleLine, {Variant(0L), Variant(false), Variant(4L)}), S_OK);
    EXPECT_EQ(Call(kToggleLine, {Variant(1L), Variant(false), Variant(4L)}), S_OK);
    EXPECT_EQ(Call(kToggleLine, {Variant(3L), Variant(false), Variant(4L)}), E_FAIL);
    EXPECT_EQ(Call(kToggleLine, {Variant(0L), Variant(true), Variant(2L)}), S_OK) << "other options change nothing";
    Image hidden;
    hidden.DrawFrom(unknown_.Get());
    EXPECT_EQ(AlongCount(hidden, s0, s1, kRed), 0);
    EXPECT_EQ(AlongCount(hidden, site0, site2, kRed), 7);

    EXPECT_EQ(Call(kToggleLine, {Variant(0L), Variant(true), Variant(4L)}), S_OK);
    EXPECT_EQ(Call(kToggleLines, {Variant(false), Variant(4L)}), S_OK);
    EXPECT_EQ(Call(kToggleLines, {Variant(false), Variant(2L)}), S_OK);
    Image allHidden;
    allHidden.DrawFrom(unknown_.Get());
    EXPECT_EQ(AlongCount(allHidden, s0, s1, kRed), 0);
    EXPECT_EQ(AlongCount(allHidden, site0, site2, kRed), 0);
    EXPECT_EQ(Call(kToggleLines, {Variant(true), Variant(4L)}), S_OK);
    EXPECT_EQ(Call(kToggleLines, {Variant(true), Variant(2L)}), S_OK);
    Image shown;
    shown.DrawFrom(unknown_.Get());
    EXPECT_EQ(AlongCount(shown, s0, s1, kRed), 7);
    EXPECT_EQ(AlongCount(shown, site0, site2, kRed), 7);

    EXPECT_EQ(Call(kClearLinesBetweenCellSectors, {}), S_OK);
    EXPECT_EQ(Call(kClearLinesBetweenCellsites, {}), S_OK);
    Image cleared;
    cleared.DrawFrom(unknown_.Get());
    EXPECT_EQ(AlongCount(cleared, s0, s1, kRed), 0);
    EXPECT_EQ(AlongCount(cleared, site0, site2, kRed), 0);
    ASSERT_EQ(SectorLine(1, 2, Variant(0L), false, &index), S_OK);
    EXPECT_EQ(index, 0) << "indices start again after a clear";
}

// The map leaves out a cell site off the world, at (0, 0) or whose position is no number. A line between cell sites
// to one is refused, naming the row and why; a line between cell sectors to one is kept, but neither drawn, hit,
// tipped nor bounded; and the good lines added after either draw as they would alone.
TEST_F(HostLines, LinesToCellSitesTheMapLeavesOutAreRefusedOrLeftOutAlone) {
    ::ShowWindow(site_->Window(), SW_SHOWNA);
    ::SetActiveWindow(site_->Window());
    ASSERT_EQ(::GetActiveWindow(), site_->Window()) << "a rollover tip needs the host's window active";
    const Position towards = FromScreen(map_.Get(), 420, 140);  // where the lines would head for
    const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
    const wchar_t kLatitude[] = L"its latitude is not between -90 and 90", kNoNumber[] = L"its latitude is empty or not a number",
                  kLongitude[] = L"its longitude is not between -180 and 180";
    const struct {
        const char* what;
        long row;
        Variant latitude, longitude;
        const wchar_t* why;
    } cases[] = {
        {"latitude 95", 4, Variant(95.0), Variant(towards.lon), kLatitude},
        {"latitude -120", 5, Variant(-120.0), Variant(towards.lon), kLatitude},
        {"latitude 90.5", 6, Variant(90.5), Variant(towards.lon), kLatitude},
        {"latitude NaN", 7, Variant(nan), Variant(towards.lon), kNoNumber},
        {"latitude a text", 8, Variant(L"abc"), Variant(towards.lon), kNoNumber},
        {"longitude 500", 9, Variant(towards.lat), Variant(500.0), kLongitude},
        {"longitude infinity", 10, Variant(towards.lat), Variant(inf), kLongitude},
        {"(0, 0)", 3, Variant(0.0), Variant(0.0), L"its position (0, 0) stands for none"},
        {"a row the cell sites do not have", 11, Variant(), Variant(), L"the dataset has no such row"},
    };
    std::vector<std::pair<Variant, Variant>> leftOut;
    for (const auto& c : cases)
        if (c.row > 3 && c.row < 11) leftOut.push_back({c.latitude, c.longitude});
    ShowSites({{150, 360}, {520, 380}, {560, 200}}, leftOut);
    const POINT s1 = Symbol(1), s2 = Symbol(2), onGood = {(s1.x + s2.x) / 2, (s1.y + s2.y) / 2};
    const std::wstring selectedGood = std::wstring(L"11|8:") + kSectorsName + L"|3:";
    auto addGoodLines = [&](long expectedIndex) {  // between sites 1 and 2, and between their sectors
        ASSERT_EQ(Call(kDrawLineBetweenCellsites, {Variant(1L), Variant(2L), Variant(2L), Variant(0L), Variant(0xFF00L)}), S_OK);
        long index = -1;
        ASSERT_EQ(SectorLine(1, 2, Variant(0x0000FFL), true, &index), S_OK);
        EXPECT_EQ(index, expectedIndex);
    };
    addGoodLines(0);
    Image alone;
    alone.DrawFrom(unknown_.Get());
    ASSERT_EQ(SelectedByClick(onGood), std::vector<std::wstring>{selectedGood + L"0"});
    ASSERT_EQ(RolloverTipAt(onGood), "a handover");
    const std::vector<double> aloneBounds = SectorLineBounds();
    ASSERT_EQ(aloneBounds.size(), 4u);

    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(Call(kClearLinesBetweenCellsites, {}), S_OK);
        ASSERT_EQ(Call(kClearLinesBetweenCellSectors, {}), S_OK);
        Variant red(0xFF0000L);
        EXPECT_EQ(As<IZmaVadAZ2>(unknown_.Get())->DrawLineBetweenCellsites(0, c.row, 2, 0, red), E_INVALIDARG);
        EXPECT_EQ(ErrorText(), L"Row " + std::to_wstring(c.row) + L" of the cell sites is not drawn on the map: " + c.why);
        long index = -1;
        ASSERT_EQ(SectorLine(0, c.row, red, true, &index), S_OK) << "kept for when the map draws the row";
        addGoodLines(1);
        Image drawn;
        drawn.DrawFrom(unknown_.Get());
        long changed = 0;
        for (int y = 0; y < drawn.Height(); ++y)
            for (int x = 0; x < drawn.Width(); ++x) changed += drawn.Pixel({x, y}) != alone.Pixel({x, y});
        EXPECT_EQ(changed, 0) << "no pixel of a line to the row, and the good lines as they draw alone";
        EXPECT_EQ(SectorLineBounds(), aloneBounds);
        EXPECT_EQ(SelectedByClick(onGood), std::vector<std::wstring>{selectedGood + L"1"});

        // 40 pixels along where a line would leave site 0's sector for the row's pixel.
        if (c.latitude.vt != VT_R8 || c.longitude.vt != VT_R8) continue;
        const POINT s0 = Symbol(0), to = ToScreen(map_.Get(), {c.latitude.dblVal, c.longitude.dblVal});
        const double dx = static_cast<double>(to.x) - s0.x, dy = static_cast<double>(to.y) - s0.y;
        const POINT onBad = {s0.x + static_cast<long>(40 * dx / std::hypot(dx, dy)),
                             s0.y + static_cast<long>(40 * dy / std::hypot(dx, dy))};
        EXPECT_EQ(RolloverTipAt(onBad), "");
        EXPECT_TRUE(SelectedByClick(onBad).empty());
    }
}

TEST_F(HostLines, AClickOnASectorLineTellsTheHostTheLayerAndTheLinesIndex) {
    ShowSites({{120, 120}, {520, 360}, {520, 140}});
    long index = -1;
    ASSERT_EQ(SectorLine(0, 2, Variant(0L), false, &index), S_OK);
    ASSERT_EQ(SectorLine(0, 1, Variant(0L), false, &index), S_OK);
    ASSERT_EQ(Call(kToggleLine, {Variant(0L), Variant(false), Variant(4L)}), S_OK);
    Image drawn;
    drawn.DrawFrom(unknown_.Get());  // the hit tests use the view of the last frame

    const POINT s0 = Symbol(0), s1 = Symbol(1);
    // The second line, though the hidden first one was never walked.
    EXPECT_EQ(SelectedByClick({(s0.x + s1.x) / 2, (s0.y + s1.y) / 2}),
              std::vector<std::wstring>{std::wstring(L"11|8:") + kSectorsName + L"|3:1"});
    EXPECT_TRUE(SelectedByClick({s0.x + 200, s0.y - 60}).empty()) << "nothing hit";
}

TEST_F(HostLines, AClickOnAHorizontalOrAVerticalSectorLineSelectsItToo) {
    ShowSites({{120, 200}, {520, 200}, {120, 420}});
    long index = -1;
    ASSERT_EQ(SectorLine(0, 1, Variant(0L), false, &index), S_OK);
    ASSERT_EQ(SectorLine(0, 2, Variant(0L), false, &index), S_OK);
    Image drawn;
    drawn.DrawFrom(unknown_.Get());
    const POINT s0 = Symbol(0), s1 = Symbol(1), s2 = Symbol(2);
    ASSERT_EQ(s0.y, s1.y);
    ASSERT_EQ(s0.x, s2.x);
    const struct {
        POINT at;
        const wchar_t* index;
    } clicks[] = {{{(s0.x + s1.x) / 2, s0.y}, L"0"}, {{s0.x, (s0.y + s2.y) / 2 + 1}, L"1"}};
    for (const auto& click : clicks)
        EXPECT_EQ(SelectedByClick(click.at),
                  std::vector<std::wstring>{std::wstring(L"11|8:") + kSectorsName + L"|3:" + click.index});
}

TEST_F(HostLines, AnyWidthAHostPassesDrawsDashedLinesWithinAFrameInBothModes) {
    ShowSites({{120, 300}, {520, 300}, {520, 120}});
    const Position a = FromScreen(map_.Get(), 100, 200), b = FromScreen(map_.Get(), 500, 200);
    testsupport::Watchdog watchdog(20000);
    for (bool enhanced : {true, false}) {
        ASSERT_EQ(As<IZmaVadAZ2>(unknown_.Get())->put_EnhancedDrawingMode(enhanced ? VARIANT_TRUE : VARIANT_FALSE), S_OK);
        for (long width : {long{INT_MIN}, long{INT_MAX}, -1L}) {
            for (long type : {1L, 3L}) {
                const std::string what = "width " + std::to_string(width) + " type " + std::to_string(type) +
                                         (enhanced ? " GDI+" : " GDI");
                ASSERT_EQ(Call(kDrawLineBetweenPoints, {Variant(a.lon), Variant(a.lat), Variant(b.lon), Variant(b.lat),
                                                        Variant(width), Variant(type), Variant(0xFF0000L)}),
                          S_OK)
                    << what;
                ASSERT_EQ(Call(kDrawLineBetweenCellSectors, {Variant(kSiteSeries), Variant(0L), Variant(kSiteSeries),
                                                             Variant(1L), Variant(width), Variant(type), Variant(0x0000FFL),
                                                             Variant(L"tip"), Variant(true), Variant(0.5)}),
                          S_OK)
                    << what;
                watchdog.Arm(what);
                Image drawn;
                drawn.DrawFrom(unknown_.Get());
                watchdog.Arm("after " + what);
            }
        }
    }
    // Below one pixel the line is the thinnest one, solid and still there.
    ASSERT_EQ(Call(kDrawLineBetweenPoints, {Variant(a.lon), Variant(a.lat), Variant(b.lon), Variant(b.lat),
                                            Variant(long{INT_MIN}), Variant(0L), Variant(0xFF0000L)}),
              S_OK);
    Image thin;
    thin.DrawFrom(unknown_.Get());
    const POINT pa = ToScreen(map_.Get(), a), pb = ToScreen(map_.Get(), b);
    EXPECT_EQ(AlongCount(thin, pa, pb, kRed), 7);
    EXPECT_EQ(thin.Pixel({(pa.x + pb.x) / 2, pa.y + 3}), background_);
}

}  // namespace
