// The shapes layer in a collection over the engine stand-in: radius and colour conversions, the
// extent of the shapes, rollover tooltips, the walk over the items, and the GDI donut's clip.
#include "tests/layers/LayerFixture.h"

#include "ZmaVOMap2/engine/DistanceUnits.h"
#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineIds.h"
#include "ZmaVOMap2/overlays/RolloverTip.h"
#include "ZmaVOMap2/shapes/ShapeConversions.h"
#include "ZmaVOMap2/shapes/ShapeOperations.h"
#include "ZmaVOMap2/shapes/ShapeRenderers.h"
#include "ZmaVOMap2/shapes/ZmaVadAZShapesLayer.h"
#include "platform/Gdiplus.h"

#include <cmath>
#include <stdexcept>

using platform::Bstr;
using platform::ComError;
using platform::ComPtr;
using platform::Variant;

namespace {

namespace DU = DistanceUnits;

constexpr double kLon = 10.0, kLat = 50.0;

class ShapesLayerTest : public layertest::LayerTest {
protected:
    void SetUp() override {
        LayerTest::SetUp();
        Gdiplus::GdiplusStartupInput input;
        ASSERT_EQ(Gdiplus::GdiplusStartup(&gdiplus_, &input, nullptr), Gdiplus::Ok);
        // 10 km across a 640-pixel view in metres, centred at (10 E, 50 N).
        EngineDispatch map(map_.Get());
        map.Put(EngineMap::kDistanceUnit, Variant(7L));
        map.Put(EngineMap::kZoom, Variant(10000.0));
        map.Put(EngineMap::kCenterX, Variant(kLon));
        map.Put(EngineMap::kCenterY, Variant(kLat));
        shapes_ = GetShapesLayer(*layers_);
        ASSERT_TRUE(shapes_);
    }
    void TearDown() override {
        layers_.reset();
        Gdiplus::GdiplusShutdown(gdiplus_);
        LayerTest::TearDown();
    }

    // The map position under a window pixel.
    ZmaPointD MapAt(float x, float y) {
        ZmaPointD p;
        EngineScreenToMap(EngineDispatch(map_.Get()), x, y, p.x, p.y);
        return p;
    }
    ComPtr<IDispatch> NewRectangle() {
        CLSID clsid;
        EXPECT_EQ(::CLSIDFromProgID(L"MapX.Rectangle.4", &clsid), S_OK);
        ComPtr<IDispatch> rectangle;
        EXPECT_EQ(::CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IDispatch, rectangle.PutVoid()), S_OK);
        return rectangle;
    }
    static double Edge(IDispatch* rectangle, DISPID id) { return EngineDispatch(rectangle).Get(id).ToDouble(); }

    ULONG_PTR gdiplus_ = 0;
    CZmaVadAZShapesLayer* shapes_ = nullptr;
};

// --- Radius texts, colours and angles --------------------------------------------------------

TEST(RadiusText, TheUnitIsTheWholeWordAfterTheNumber) {
    struct Case {
        const char* text;
        double value;
        long unit;
    };
    const Case cases[] = {
        {"1 chain", 1, DU::kChain}, {"2 points", 2, DU::kPoint}, {"1500 m", 1500, DU::kMeter},
        {"1500m", 1500, DU::kMeter}, {"1.5 km", 1.5, DU::kKilometer}, {"12 in", 12, DU::kInch},
        {"3 FT", 3, DU::kFoot}, {"2 miles", 2, DU::kMile}, {"40 twips", 40, DU::kTwip}, {" 1500 ", 1500, -1},
    };
    for (const Case& c : cases) {
        const RadiusText parsed = ParseRadiusText(c.text);
        EXPECT_EQ(parsed.value, c.value) << c.text;
        EXPECT_EQ(parsed.unit, c.unit) << c.text;
    }
    // Units the converter cannot convert, words that are no unit, and no number at all.
    for (const char* text : {"5 min", "1 rod", "2 nmi", "1 survey foot", "4 picas", "5 degrees", "3 links", "km", "",
                             "1 km 2", "nan m"}) {
        try {
            ParseRadiusText(text);
            ADD_FAILURE() << text << " was taken";
        } catch (const ComError& e) {
            EXPECT_EQ(e.Error(), E_INVALIDARG) << text;
        }
    }
}

TEST(ShapeColour, IntegersAndHexTextsAreRgbAndAnythingElseIsBlack) {
    auto rgb = [](const Variant& v) {
        const ShapeRgb c = ShapeColour(v);
        return (c.red << 16) | (c.green << 8) | c.blue;
    };
    EXPECT_EQ(rgb(Variant(0x0000FFL)), 0x0000FF);
    EXPECT_EQ(rgb(Variant(short{255})), 0x0000FF);
    EXPECT_EQ(rgb(Variant(L"FF0000")), 0xFF0000);
    EXPECT_EQ(rgb(Variant(L"0xFF0000")), 0xFF0000);
    EXPECT_EQ(rgb(Variant(L"zz")), 0);
    EXPECT_EQ(rgb(Variant(255.0)), 0);
    EXPECT_EQ(rgb(Variant(0x7F123456L)), 0x123456);
    EXPECT_EQ(OpacityAlpha(0.5), 127);
    EXPECT_EQ(OpacityAlpha(1.0), 255);
    EXPECT_EQ(OpacityAlpha(0.0), 0);
    EXPECT_EQ(DonutSweepAngle(0, 90), 90);
    EXPECT_EQ(DonutSweepAngle(90, 0), 270);
    EXPECT_EQ(DonutSweepAngle(30, 30), 360);
}

TEST_F(ShapesLayerTest, RadiiConvertToTheMapsUnitWithTheHostsConverter) {
    IDispatch* map = map_.Get();
    EXPECT_EQ(ConvertToUserUnits(map, Variant(1500.0)), 1500.0);
    EXPECT_EQ(ConvertToUserUnits(map, Variant(1500L)), 1500.0);
    EXPECT_NEAR(ConvertToUserUnits(map, Variant(L"1.5 km")), 1500.0, 1e-9);
    EXPECT_NEAR(ConvertToUserUnits(map, Variant(L"2 mi")), 3218.688, 1e-9);
    EXPECT_NEAR(ConvertToUserUnits(map, Variant(L"1 chain")), 20.1168, 1e-9);
    EXPECT_EQ(ConvertToUserUnits(map, Variant(L"1500")), 1500.0);
    EXPECT_EQ(ConvertToUserUnits(map, Variant(L"-3 km")), 0.0);
    EXPECT_EQ(RadiusToPixels(map, Variant(L"1.5 km")), 96);
    EXPECT_EQ(DistanceToPixels(map, -2.5), -2);
    EXPECT_EQ(RadiusToPixels(map, Variant(std::nan(""))), 0);
    EXPECT_EQ(RadiusToPixels(map, Variant(1e300)), 1 << 28);

    // Without the converter, numbers and texts in the map's own unit need none; others give 0.
    ::SetEnvironmentVariableW(L"VADAZ_HOST_FAULTS", L"unitconverter.create");
    EXPECT_EQ(ConvertToUserUnits(map, Variant(1500.0)), 1500.0);
    EXPECT_EQ(ConvertToUserUnits(map, Variant(L"1500 m")), 1500.0);
    EXPECT_EQ(ConvertToUserUnits(map, Variant(L"1.5 km")), 0.0);
    ::SetEnvironmentVariableW(L"VADAZ_HOST_FAULTS", nullptr);

    // A map unit the converter does not know refuses texts instead of misreading them.
    EngineDispatch(map).Put(EngineMap::kDistanceUnit, Variant(9L));  // nautical mile
    EXPECT_EQ(ConvertToUserUnits(map, Variant(2.0)), 2.0);
    EXPECT_THROW(ConvertToUserUnits(map, Variant(L"1 km")), ComError);
}

// --- The layer --------------------------------------------------------------------------------

TEST_F(ShapesLayerTest, TheLayerIsFoundAgainAndMadeOnlyOnce) {
    EXPECT_EQ(shapes_->GetType(), CZmaVadAZLayer::kTypeShapes);
    EXPECT_EQ(shapes_->GetName(), "Shapes");
    EXPECT_TRUE(shapes_->IsUserDrawn());
    EXPECT_EQ(GetShapesLayer(*layers_), shapes_);
    EXPECT_EQ(LayerNames().front(), "Shapes");
    EXPECT_EQ(shapes_->ClearShapes(), S_OK);
    EXPECT_EQ(shapes_->ShapeCount(), 0);
    // A refused radius adds nothing.
    EXPECT_EQ(shapes_->AddHollowCircle(kLat, kLon, Variant(L"2 rods"), 0, 0, Variant(0L), nullptr), E_INVALIDARG);
    EXPECT_EQ(shapes_->ShapeCount(), 0);
}

TEST_F(ShapesLayerTest, TheExtentCoversTheFullCircleOfEveryShape) {
    ComPtr<IDispatch> rect = NewRectangle();
    EXPECT_EQ(shapes_->GetExtent(rect.Get()), 0);
    for (DISPID id : {1, 2, 3, 4}) EXPECT_EQ(Edge(rect.Get(), id), 0.0);

    const Variant radius(L"100 km");
    ASSERT_EQ(shapes_->AddHollowCircle(10, 30, radius, 0, 0, Variant(0L), nullptr), S_OK);
    ASSERT_EQ(shapes_->AddFilledPie(20, 31, radius, 0, 10, Variant(0L), 0.5, nullptr), S_OK);
    EXPECT_EQ(shapes_->GetExtent(rect.Get()), 1);
    const double dLat = 100000.0 / (3.14159265358979 * 6371007.0 / 180.0);
    EXPECT_NEAR(Edge(rect.Get(), EngineRectangle::kYMin), 10 - dLat, 0.01);
    EXPECT_NEAR(Edge(rect.Get(), EngineRectangle::kYMax), 20 + dLat, 0.01);  // the pie's whole circle
    EXPECT_LT(Edge(rect.Get(), EngineRectangle::kXMin), 30 - dLat);
    EXPECT_GT(Edge(rect.Get(), EngineRectangle::kXMax), 31 + dLat);

    // A donut segment enters with its end radius, also when that is the smaller one.
    ASSERT_EQ(shapes_->ClearShapes(), S_OK);
    ASSERT_EQ(shapes_->AddFilledDonutSegment(0, 0, Variant(L"300 km"), Variant(L"100 km"), 0, 90, Variant(0L), 1, nullptr),
              S_OK);
    EXPECT_EQ(shapes_->GetExtent(rect.Get()), 1);
    EXPECT_NEAR(Edge(rect.Get(), EngineRectangle::kYMax), dLat, 0.01);

    // A radius of nothing is its centre.
    ASSERT_EQ(shapes_->ClearShapes(), S_OK);
    ASSERT_EQ(shapes_->AddHollowPie(5, 6, Variant(0.0), 0, 90, 0, 0, Variant(0L), nullptr), S_OK);
    EXPECT_EQ(shapes_->GetExtent(rect.Get()), 1);
    EXPECT_EQ(Edge(rect.Get(), EngineRectangle::kXMin), 6.0);
    EXPECT_EQ(Edge(rect.Get(), EngineRectangle::kYMax), 5.0);
}

TEST_F(ShapesLayerTest, ZoomingToTheExtentFramesEveryShape) {
    ASSERT_EQ(shapes_->AddHollowCircle(51, 9, Variant(L"2 km"), 0, 0, Variant(0L), nullptr), S_OK);
    ASSERT_EQ(shapes_->AddSpotlightCircle(52, 12, Variant(5000.0), Variant(0L), 0.5, nullptr), S_OK);
    ComPtr<IDispatch> rect = NewRectangle();
    ASSERT_EQ(shapes_->GetExtent(rect.Get()), 1);
    EngineDispatch(map_.Get()).Put(EngineMap::kBounds, Variant(rect.Get()));
    for (const ZmaPointD& centre : {ZmaPointD{9, 51}, ZmaPointD{12, 52}}) {
        const POINT p = MapToScreenPoint(map_.Get(), centre.y, centre.x);
        EXPECT_TRUE(p.x > 0 && p.x < 640 && p.y > 0 && p.y < 480) << p.x << "," << p.y;
    }
}

class CountingAction : public ShapesActionInterface {
public:
    explicit CountingAction(int stopAt, int throwAt = -1, bool comError = true)
        : stopAt_(stopAt), throwAt_(throwAt), comError_(comError) {}
    bool Act(const ShapeInfo&) override {
        ++seen;
        if (seen == throwAt_) {
            if (comError_) throw ComError(E_ACCESSDENIED);
            throw std::runtime_error("broken");
        }
        return seen != stopAt_;
    }
    int seen = 0;

private:
    int stopAt_, throwAt_;
    bool comError_;
};

TEST_F(ShapesLayerTest, TheWalkStopsWhereAnActionSaysSoAndNoExceptionLeavesIt) {
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(shapes_->AddHollowCircle(kLat, kLon, Variant(100.0 * (i + 1)), 0, 0, Variant(0L), nullptr), S_OK);
    CountingAction all(-1), second(2), thrown(2), odd(1, 1, false);
    EXPECT_EQ(shapes_->ForEachShape(all), S_OK);
    EXPECT_EQ(all.seen, 3);
    EXPECT_EQ(shapes_->ForEachShape(second), S_FALSE);
    EXPECT_EQ(second.seen, 2);
    CountingAction throwing(-1, 2);
    EXPECT_EQ(shapes_->ForEachShape(throwing), E_ACCESSDENIED);
    EXPECT_EQ(shapes_->ForEachShape(odd), E_FAIL);
}

// --- Rollover ---------------------------------------------------------------------------------

class ShapesRollover : public ShapesLayerTest {
protected:
    void SetUp() override {
        ShapesLayerTest::SetUp();
        frame_ = ::CreateWindowExW(0, L"STATIC", L"host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 640, 480, nullptr,
                                   nullptr, nullptr, nullptr);
        ::SetActiveWindow(frame_);
    }
    void TearDown() override {
        rollovertip::Hide(nullptr);
        ::DestroyWindow(frame_);
        ShapesLayerTest::TearDown();
    }
    // The tooltip shown after the mouse moved to window pixel (x, y); empty for none.
    std::string TipAt(float x, float y) {
        layers_->DispatchMouseMove(POINT{static_cast<LONG>(x), static_cast<LONG>(y)}, MapAt(x, y));
        return rollovertip::CurrentText();
    }

    HWND frame_ = nullptr;
};

TEST_F(ShapesRollover, CirclesAreHitWithinTwoPixelsOfTheirRing) {
    // 96.5 pixels: whole pixels of distance land clear of the rounding.
    const Variant radius(1507.8125);
    ASSERT_EQ(shapes_->AddFilledCircle(kLat, kLon, radius, Variant(0L), 0.5, Bstr(L"Cell 7").Get()), S_OK);
    EXPECT_EQ(TipAt(320, 240 - 96.5f), "Cell 7");
    EXPECT_EQ(TipAt(320, 240 - 98.5f), "Cell 7");
    EXPECT_EQ(TipAt(320, 240 - 94.5f), "Cell 7");
    EXPECT_EQ(TipAt(320, 240 - 99.5f), "");
    EXPECT_EQ(TipAt(320, 240 - 93.5f), "");
    EXPECT_EQ(TipAt(320, 240), "");  // the middle of a filled circle is not its ring
}

TEST_F(ShapesRollover, PiesAndDonutSegmentsAreHitInsideAndMissedOutside) {
    ASSERT_EQ(shapes_->AddHollowPie(kLat, kLon, Variant(1500.0), 0, 90, 0, 0, Variant(0L), Bstr(L"sector").Get()), S_OK);
    EXPECT_EQ(TipAt(350, 210), "sector");
    EXPECT_EQ(TipAt(290, 270), "");
    EXPECT_EQ(TipAt(290, 210), "");
    EXPECT_EQ(TipAt(420, 140), "");  // north-east, beyond the radius

    // The larger radius first: hit between the radii, as it is drawn.
    ASSERT_EQ(shapes_->ClearShapes(), S_OK);
    ASSERT_EQ(shapes_->AddFilledDonutSegment(kLat, kLon, Variant(L"1500 m"), Variant(L"500 m"), 180, 270, Variant(0L),
                                             0.5, Bstr(L"ring").Get()),
              S_OK);
    EXPECT_EQ(TipAt(275, 285), "ring");
    EXPECT_EQ(TipAt(310, 250), "");   // inside the inner radius
    EXPECT_EQ(TipAt(365, 195), "");   // the opposite quarter
}

TEST_F(ShapesRollover, ShapesFarLargerThanTheViewAreHitWhereTheyShow) {
    ASSERT_EQ(shapes_->AddHollowPie(kLat, kLon, Variant(L"1e6 km"), 0, 90, 0, 0, Variant(0L), Bstr(L"huge").Get()), S_OK);
    EXPECT_EQ(TipAt(350, 210), "huge");
    EXPECT_EQ(TipAt(290, 270), "");
    ASSERT_EQ(shapes_->ClearShapes(), S_OK);
    ASSERT_EQ(shapes_->AddFilledDonutSegment(kLat, kLon, Variant(L"1 km"), Variant(1e308), 180, 270, Variant(0L), 0.5,
                                             Bstr(L"ring").Get()),
              S_OK);
    EXPECT_EQ(TipAt(250, 310), "ring");
    EXPECT_EQ(TipAt(310, 250), "");  // inside the inner radius
}

TEST_F(ShapesRollover, TheFirstShapeAddedWinsAndAShapeWithoutTextStillHits) {
    ASSERT_EQ(shapes_->AddFilledPie(kLat, kLon, Variant(1500.0), 0, 0, Variant(0L), 0.5, nullptr), S_OK);
    ASSERT_EQ(shapes_->AddFilledPie(kLat, kLon, Variant(1500.0), 0, 0, Variant(0L), 0.5, Bstr(L"second").Get()), S_OK);
    layers_->DispatchMouseMove(POINT{300, 260}, MapAt(300, 260));
    EXPECT_EQ(rollovertip::CurrentText(), "");
    ASSERT_EQ(shapes_->ClearShapes(), S_OK);
    ASSERT_EQ(shapes_->AddFilledPie(kLat, kLon, Variant(1500.0), 0, 0, Variant(0L), 0.5, Bstr(L"whole disc").Get()), S_OK);
    ASSERT_EQ(shapes_->AddFilledPie(kLat, kLon, Variant(1500.0), 0, 0, Variant(0L), 0.5, Bstr(L"second").Get()), S_OK);
    EXPECT_EQ(TipAt(300, 260), "whole disc");
}

// --- GDI donut clip ---------------------------------------------------------------------------

TEST_F(ShapesLayerTest, AGdiDonutSegmentPutsTheFramesClipBack) {
    HDC screen = ::GetDC(nullptr);
    HDC dc = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, 640, 480);
    ::ReleaseDC(nullptr, screen);
    HGDIOBJ old = ::SelectObject(dc, bitmap);
    const RECT clip = {0, 0, 640, 480};
    HollowDonutSegmentInfo donut;
    donut.type = kShapeDonutSegment;
    donut.latitude = kLat;
    donut.longitude = kLon;
    donut.startRadius = Variant(500.0);
    donut.endRadius = Variant(1500.0);
    donut.endAngle = 90;

    // A frame clipped by the engine or the print path keeps exactly that clip.
    HRGN frameClip = ::CreateRectRgn(100, 100, 500, 400);
    ::SelectClipRgn(dc, frameClip);
    EXPECT_TRUE(DonutSegmentRenderer(map_.Get(), dc, clip, ZmaExtent{}, false).Act(donut));
    HRGN after = ::CreateRectRgn(0, 0, 0, 0);
    ASSERT_EQ(::GetClipRgn(dc, after), 1);
    EXPECT_TRUE(::EqualRgn(after, frameClip));
    // A frame without a clip has none afterwards.
    ::SelectClipRgn(dc, nullptr);
    EXPECT_TRUE(DonutSegmentRenderer(map_.Get(), dc, clip, ZmaExtent{}, false).Act(donut));
    EXPECT_EQ(::GetClipRgn(dc, after), 0);
    // And the outer arc was drawn across the quarter, inner cut-out or not.
    const COLORREF black = RGB(0, 0, 0);
    EXPECT_EQ(::GetPixel(dc, 320 + 68, 240 - 68), black);

    ::DeleteObject(after);
    ::DeleteObject(frameClip);
    ::SelectObject(dc, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(dc);
}

}  // namespace
