// A host displays a drive-test dataset: the points appear along the route in the control's
// view, in the renderer's colour, with the background away from the route.
#include "tests/control/ControlFixture.h"
#include "tests/support/DibCanvas.h"
#include "tests/support/TestSupport.h"

#include <cmath>
#include <vector>

using namespace controltest;
using platform::Bstr;
using platform::ComPtr;
using platform::Variant;

namespace {

struct MapPoint {
    double longitude, latitude;
};

// The route position of a row, read through the host dataset's own interfaces.
MapPoint RowPosition(IUnknown* dataset, long row) {
    ComPtr<IHostRows> rows = As<IHostRows>(dataset);
    ComPtr<IHostDataset> data = As<IHostDataset>(dataset);
    EXPECT_EQ(rows->MoveTo(row), S_OK);
    ComPtr<IHostFields> fields;
    data->get_Fields(fields.Put());
    auto value = [&](const wchar_t* name) {
        ComPtr<IHostField> field;
        fields->Item(Variant(name), field.Put());
        Variant v;
        field->get_CurrentValue(v.Put());
        return v.ToDouble();
    };
    return {value(L"Longitude"), value(L"Latitude")};
}

POINT ToScreen(IDispatch* map, const MapPoint& p) {
    float x = 0, y = 0;
    double mapX = p.longitude, mapY = p.latitude;
    VARIANT args[5];
    args[4].vt = VT_R4 | VT_BYREF; args[4].pfltVal = &x;
    args[3].vt = VT_R4 | VT_BYREF; args[3].pfltVal = &y;
    args[2].vt = VT_R8 | VT_BYREF; args[2].pdblVal = &mapX;
    args[1].vt = VT_R8 | VT_BYREF; args[1].pdblVal = &mapY;
    args[0].vt = VT_I2; args[0].iVal = 0;  // map to screen
    DISPPARAMS params = {args, nullptr, 5, 0};
    EXPECT_EQ(map->Invoke(34, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr), S_OK);
    return {static_cast<LONG>(std::lround(x)), static_cast<LONG>(std::lround(y))};
}

TEST(DatasetImage, PointsAppearAlongTheRouteInTheRendererColour) {
    ComPtr<IUnknown> unknown;
    ASSERT_EQ(CreateControl(unknown), S_OK);
    auto site = platform::MakeObject<testsupport::TestSite>(640, 480);
    ComPtr<IOleObject> ole = As<IOleObject>(unknown.Get());
    ASSERT_EQ(ole->SetClientSite(site.Get()), S_OK);
    ASSERT_EQ(As<IPersistStreamInit>(unknown.Get())->InitNew(), S_OK);
    RECT r = site->Rect();
    ASSERT_EQ(ole->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site.Get(), 0, site->Window(), &r), S_OK);

    CLSID generatorClass;
    ASSERT_EQ(::CLSIDFromProgID(L"VadazHost.SampleDataset", &generatorClass), S_OK);
    ComPtr<IUnknown> dataset;
    ASSERT_EQ(::CoCreateInstance(generatorClass, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, dataset.PutVoid()), S_OK);
    ASSERT_EQ(As<IHostSampleDataset>(dataset.Get())->put_RowCount(2000), S_OK);

    ComPtr<IZmaVadAZ2> control = As<IZmaVadAZ2>(unknown.Get());
    ASSERT_EQ(control->DisplayDataset(As<IDispatch>(dataset.Get()).Get(), Variant(L"RxLev"),
                                      Bstr(L"{0C7E1A52-33B4-4F7B-8D0A-6E2A9B1C4D55}").Get()),
              S_OK);

    // Draw the view into a bitmap of the site's size.
    testsupport::DibCanvas canvas(640, 480, false);
    ASSERT_EQ(canvas.DrawView(unknown.Get()), S_OK);
    auto pixel = [&](POINT p) { return canvas.Pixel(p.x, p.y); };

    ComPtr<IDispatch> map;
    ASSERT_EQ(control->get_MapX(map.Put()), S_OK);
    const COLORREF symbol = RGB(255, 0, 0);  // the stand-in renderer's colour for code 0
    int onRoute = 0;
    std::vector<POINT> checked;
    for (long row : {100L, 600L, 1100L, 1600L, 1900L}) {
        POINT p = ToScreen(map.Get(), RowPosition(dataset.Get(), row));
        if (p.x < 5 || p.y < 5 || p.x > 634 || p.y > 474) continue;
        checked.push_back(p);
        if (pixel(p) == symbol) ++onRoute;
    }
    ASSERT_GE(checked.size(), 3u) << "the first dataset should have brought the route into view";
    EXPECT_EQ(onRoute, static_cast<int>(checked.size()));

    // Far from every row there is background, not symbols.
    int symbolsAway = 0;
    for (POINT corner : {POINT{320, 470}, POINT{630, 240}, POINT{10, 240}, POINT{320, 5}}) {
        bool nearRoute = false;
        for (long row = 0; row < 2000 && !nearRoute; row += 10) {
            POINT p = ToScreen(map.Get(), RowPosition(dataset.Get(), row));
            nearRoute = std::abs(p.x - corner.x) < 12 && std::abs(p.y - corner.y) < 12;
        }
        if (!nearRoute && pixel(corner) == symbol) ++symbolsAway;
    }
    EXPECT_EQ(symbolsAway, 0);

    ole->Close(OLECLOSE_NOSAVE);
    ole->SetClientSite(nullptr);
}

TEST(DatasetImage, ARowTheHostMovesIsDrawnWhereItWentAfterNotifyChange) {
    ComPtr<IUnknown> unknown;
    ASSERT_EQ(CreateControl(unknown), S_OK);
    auto site = platform::MakeObject<testsupport::TestSite>(640, 480);
    ComPtr<IOleObject> ole = As<IOleObject>(unknown.Get());
    ASSERT_EQ(ole->SetClientSite(site.Get()), S_OK);
    ASSERT_EQ(As<IPersistStreamInit>(unknown.Get())->InitNew(), S_OK);
    RECT r = site->Rect();
    ASSERT_EQ(ole->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site.Get(), 0, site->Window(), &r), S_OK);

    ComPtr<IUnknown> dataset;
    ASSERT_EQ(::CoCreateInstance(CLSID_HostDataset, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, dataset.PutVoid()), S_OK);
    ComPtr<IHostDatasetSetup> setup = As<IHostDatasetSetup>(dataset.Get());
    long position = 0;
    setup->AddField(Bstr(L"Latitude").Get(), 13, &position);
    setup->AddField(Bstr(L"Longitude").Get(), 12, &position);
    setup->AddField(Bstr(L"Level").Get(), 3, &position);
    const MapPoint before[] = {{10.10, 50.05}, {10.30, 50.10}, {10.20, 49.98}};
    for (long row = 0; row < 3; ++row) {
        setup->AddRow(&position);
        setup->SetValue(row, Variant(L"Latitude"), Variant(before[row].latitude));
        setup->SetValue(row, Variant(L"Longitude"), Variant(before[row].longitude));
        setup->SetValue(row, Variant(L"Level"), Variant(row + 1));
    }
    ComPtr<IZmaVadAZ2> control = As<IZmaVadAZ2>(unknown.Get());
    const Bstr guid(L"{0C7E1A52-33B4-4F7B-8D0A-6E2A9B1C4D56}");
    ASSERT_EQ(control->DisplayDataset(As<IDispatch>(dataset.Get()).Get(), Variant(L"Level"), guid.Get()), S_OK);
    ComPtr<IDispatch> map;
    ASSERT_EQ(control->get_MapX(map.Put()), S_OK);

    testsupport::DibCanvas canvas(640, 480, false);
    auto draw = [&] { EXPECT_EQ(canvas.DrawView(unknown.Get()), S_OK); };
    const COLORREF symbol = RGB(255, 0, 0);
    draw();
    const POINT was = ToScreen(map.Get(), before[2]);
    ASSERT_TRUE(was.x > 5 && was.y > 5 && was.x < 635 && was.y < 475) << "the rows should be in view";
    EXPECT_EQ(canvas.Pixel(was.x, was.y), symbol);

    // The host moves row 2 to between the others and says so.
    const MapPoint moved = {10.22, 50.07};
    setup->SetValue(2, Variant(L"Latitude"), Variant(moved.latitude));
    setup->SetValue(2, Variant(L"Longitude"), Variant(moved.longitude));
    ASSERT_EQ(control->NotifyChange(guid.Get(), static_cast<ENUM_NOTIFY_FLAGS>(0), nullptr, Variant::Missing()), S_OK);
    draw();
    const POINT now = ToScreen(map.Get(), moved);
    EXPECT_EQ(canvas.Pixel(now.x, now.y), symbol);
    EXPECT_NE(canvas.Pixel(was.x, was.y), symbol);

    ole->Close(OLECLOSE_NOSAVE);
    ole->SetClientSite(nullptr);
}

}  // namespace
