// The eight shape members, ClearShapes and ToggleShapes through COM as a host calls them, judged
// by the pixels of the drawn view: where each shape lies, how translucent it is, what GDI mode
// draws, and what a refused call leaves behind.
#include "tests/shapes/ShapesFixture.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>
#include <utility>
#include <vector>

using namespace shapestest;
using platform::Bstr;
using platform::ComPtr;
using platform::Variant;

namespace {

constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr int kAlphaHalf = 127;  // opacity 0.5
constexpr long kRadiusPixels = 96;  // 1500 m

POINT At(long dx, long dy) { return {kCentre.x + dx, kCentre.y + dy}; }

// `over` laid at `alpha` over `under`, each channel within rounding.
bool IsBlend(COLORREF seen, COLORREF under, COLORREF over, int alpha) {
    auto channel = [&](int shift) {
        const int u = (under >> shift) & 0xFF, o = (over >> shift) & 0xFF, s = (seen >> shift) & 0xFF;
        return std::abs(s - (u + (o - u) * alpha / 255.0)) <= 3.0;
    };
    return channel(0) && channel(8) && channel(16);
}

// Whether some pixel within `reach` of `p` has exactly that colour.
bool ColourNear(const Image& image, POINT p, COLORREF colour, int reach = 2) {
    for (long y = p.y - reach; y <= p.y + reach; ++y)
        for (long x = p.x - reach; x <= p.x + reach; ++x)
            if (image.At(x, y) == colour) return true;
    return false;
}

std::vector<std::wstring> EngineLayerNames(IDispatch* map) {
    std::vector<std::wstring> names;
    auto invoke = [](IDispatch* object, DISPID id, WORD flags, VARIANT* args, UINT count) {
        DISPPARAMS params = {args, nullptr, count, 0};
        Variant result;
        object->Invoke(id, IID_NULL, 0, flags, &params, result.Put(), nullptr, nullptr);
        return result;
    };
    Variant layers = invoke(map, 5, DISPATCH_PROPERTYGET, nullptr, 0);
    if (layers.vt != VT_DISPATCH) return names;
    const long count = invoke(layers.pdispVal, 1, DISPATCH_PROPERTYGET, nullptr, 0).ToLong();
    for (long i = 1; i <= count; ++i) {
        Variant index(i);
        Variant layer = invoke(layers.pdispVal, 6, DISPATCH_METHOD | DISPATCH_PROPERTYGET, &index, 1);
        if (layer.vt == VT_DISPATCH) names.push_back(invoke(layer.pdispVal, 1, DISPATCH_PROPERTYGET, nullptr, 0).ToWide());
    }
    return names;
}

const Variant kRadius(1500.0);
const Bstr kTip(L"Cell 7");

TEST_F(ShapesTest, FilledPieFromNorthToEastCoversOnlyTheNorthEastQuarterTranslucently) {
    const Image before = Render();
    ASSERT_EQ(control_->DrawFilledPie(kCentreLat, kCentreLon, kRadius, 0, 90, Variant(0x0000FFL), 0.5, kTip.Get()), S_OK);
    const Image after = Render();
    const POINT ne = At(34, -34), nw = At(-34, -34), se = At(34, 34), sw = At(-34, 34);
    EXPECT_TRUE(IsBlend(after.At(ne), before.At(ne), kBlue, kAlphaHalf)) << std::hex << after.At(ne);
    for (POINT p : {nw, se, sw}) EXPECT_EQ(after.At(p), before.At(p)) << p.x << "," << p.y;
    // Outside the radius nothing changes, north-east included.
    EXPECT_EQ(after.At(At(80, -80)), before.At(At(80, -80)));
}

TEST_F(ShapesTest, FilledShapesAreOutlinesInTheirFillColourInGdiMode) {
    SetEnhanced(false);
    const Image before = Render();
    ASSERT_EQ(control_->DrawFilledCircle(kCentreLat, kCentreLon, kRadius, Variant(0x0000FFL), 0.5, kTip.Get()), S_OK);
    Image after = Render();
    EXPECT_EQ(after.At(kCentre), before.At(kCentre));
    EXPECT_TRUE(ColourNear(after, At(0, -kRadiusPixels), kBlue));  // opaque, whatever the opacity
    EXPECT_TRUE(ColourNear(after, At(kRadiusPixels, 0), kBlue));

    // A pie from north to east: its radial edges run north and east, none west or south.
    ASSERT_EQ(control_->ClearShapes(), S_OK);
    ASSERT_EQ(control_->DrawFilledPie(kCentreLat, kCentreLon, kRadius, 0, 90, Variant(L"FF0000"), 0.25, kTip.Get()), S_OK);
    after = Render();
    EXPECT_TRUE(ColourNear(after, At(0, -48), kRed, 1));
    EXPECT_TRUE(ColourNear(after, At(48, 0), kRed, 1));
    EXPECT_EQ(after.At(At(-48, 0)), before.At(At(-48, 0)));
    EXPECT_EQ(after.At(At(0, 48)), before.At(At(0, 48)));
    EXPECT_EQ(after.At(At(30, -30)), before.At(At(30, -30)));
}

TEST_F(ShapesTest, DonutSegmentsCoverTheRingBetweenTheirRadiiWhicheverComesFirst) {
    const Image before = Render();
    // The larger radius first: drawn as if the two were given the other way round.
    ASSERT_EQ(control_->DrawFilledDonutSegment(kCentreLat, kCentreLon, Variant(L"1500 m"), Variant(L"500 m"), 0, 90,
                                               Variant(0x0000FFL), 0.5, kTip.Get()),
              S_OK);
    const Image after = Render();
    EXPECT_TRUE(IsBlend(after.At(At(45, -45)), before.At(At(45, -45)), kBlue, kAlphaHalf));
    for (POINT p : {At(11, -11), At(85, -85), At(-45, -45), At(45, 45)})
        EXPECT_EQ(after.At(p), before.At(p)) << p.x << "," << p.y;
}

TEST_F(ShapesTest, OutlinesAreDrawnInBothModes) {
    for (bool enhanced : {true, false}) {
        SCOPED_TRACE(enhanced ? "GDI+" : "GDI");
        SetEnhanced(enhanced);
        ASSERT_EQ(control_->ClearShapes(), S_OK);
        const Image before = Render();
        ASSERT_EQ(control_->DrawCircle(kCentreLat, kCentreLon, kRadius, 0, 0, Variant(0x0000FFL), kTip.Get()), S_OK);
        ASSERT_EQ(control_->DrawDonutSegment(kCentreLat, kCentreLon, Variant(L"500 m"), Variant(L"1 km"), 180, 270, 0, 0,
                                             Variant(L"FF0000"), kTip.Get()),
                  S_OK);
        const Image after = Render();
        EXPECT_TRUE(ColourNear(after, At(0, kRadiusPixels), kBlue));
        EXPECT_EQ(after.At(At(30, -30)), before.At(At(30, -30)));
        // The donut's outer arc (64 px) and inner arc (32 px) south-west, and nothing between.
        EXPECT_TRUE(ColourNear(after, At(-45, 45), kRed));
        EXPECT_TRUE(ColourNear(after, At(-23, 23), kRed));
        EXPECT_EQ(after.At(At(-34, 34)), before.At(At(-34, 34)));
    }
}

TEST_F(ShapesTest, RadiiThatMeanTheSameDistanceDrawTheSameCircle) {
    SetEnhanced(false);
    auto circle = [&](const Variant& radius) {
        EXPECT_EQ(control_->ClearShapes(), S_OK);
        EXPECT_EQ(control_->DrawCircle(kCentreLat, kCentreLon, radius, 0, 0, Variant(0x0000FFL), kTip.Get()), S_OK);
        return Render();
    };
    const Image metres = circle(Variant(1500.0));
    EXPECT_TRUE(ColourNear(metres, At(0, -kRadiusPixels), kBlue));
    for (const wchar_t* text : {L"1.5 km", L"1500 m", L"1500m", L"1500", L"1500 metres"})
        EXPECT_TRUE(circle(Variant(text)) == metres) << platform::ToAnsi(text);
    EXPECT_TRUE(circle(Variant(1500L)) == metres);

    const Image miles = circle(Variant(L"2 mi"));
    EXPECT_FALSE(miles == metres);
    EXPECT_TRUE(circle(Variant(3218.688)) == miles);
}

TEST_F(ShapesTest, ARadiusInAUnitTheConverterDoesNotKnowIsRefusedWithItsReason) {
    const Image before = Render();
    const std::wstring kDecimals = L"is not a number: decimals are written with a point";
    const std::pair<const wchar_t*, std::wstring> refused[] = {
        {L"3 furlongs", L"names no known unit"}, {L"2 nmi", L"names a unit that the unit converter cannot convert"},
        {L"1 survey foot", L"names a unit"},     {L"km", L"does not begin with a number"},
        {L"1,5 km", kDecimals},                  {L"1.5.2 km", kDecimals},
    };
    for (const auto& r : refused) {
        ::SetErrorInfo(0, nullptr);
        EXPECT_EQ(control_->DrawCircle(kCentreLat, kCentreLon, Variant(r.first), 0, 0, Variant(0x0000FFL), kTip.Get()),
                  E_INVALIDARG)
            << platform::ToAnsi(r.first);
        const std::wstring said = L"\"" + std::wstring(r.first) + L"\" " + r.second;
        EXPECT_NE(CallerErrorText().find(said), std::wstring::npos) << platform::ToAnsi(CallerErrorText());
    }
    EXPECT_EQ(control_->DrawDonutSegment(kCentreLat, kCentreLon, Variant(L"1 km"), Variant(L"2 leagues"), 0, 90, 0, 0,
                                         Variant(0L), kTip.Get()),
              E_INVALIDARG);
    EXPECT_TRUE(Render() == before);
}

TEST_F(ShapesTest, OutOfRangeArgumentsFailInTheirCheckOrderAndDrawNothing) {
    const Image before = Render();
    struct Case {
        double lat, lon, start, end, opacity;
        const wchar_t* text;
    };
    const Case cases[] = {
        {90.5, 181, 400, -1, 2, L"Latitude out of range, must be in the range -90 to +90"},
        {0, -180.5, 400, -1, 2, L"Longitude out of range, must be in the range -180 to +180"},
        {0, 0, 400, -1, 2, L"Angle out of range, must be in the range 0 to 360"},
        {0, 0, 0, -1, 2, L"Angle out of range, must be in the range 0 to 360"},
        {0, 0, 0, 360, 1.5, L"Opacity out of range, must be in the range 0 to 1"},
        {0, 0, 0, 360, std::numeric_limits<double>::quiet_NaN(), L"Opacity out of range, must be in the range 0 to 1"},
    };
    for (const Case& c : cases) {
        ::SetErrorInfo(0, nullptr);
        EXPECT_EQ(control_->DrawFilledPie(c.lat, c.lon, kRadius, c.start, c.end, Variant(0L), c.opacity, kTip.Get()),
                  E_FAIL);
        EXPECT_EQ(CallerErrorText(), c.text);
    }
    // Circles check no angles.
    EXPECT_EQ(control_->DrawSpotlightCircle(0, 0, kRadius, Variant(0L), 1.01, kTip.Get()), E_FAIL);
    EXPECT_EQ(CallerErrorText(), L"Opacity out of range, must be in the range 0 to 1");

    // No shape was taken, so no shapes layer was made.
    for (const std::wstring& name : EngineLayerNames(map_.Get())) EXPECT_NE(name, L"Shapes");
    EXPECT_TRUE(Render() == before);
}

TEST_F(ShapesTest, TheFirstShapeMakesTheShapesLayerOnTopThatToggleHidesAndClearEmpties) {
    const Image before = Render();
    ASSERT_EQ(control_->DrawFilledCircle(kCentreLat, kCentreLon, kRadius, Variant(0x0000FFL), 0.5, kTip.Get()), S_OK);
    ASSERT_EQ(control_->DrawCircle(kCentreLat, kCentreLon, Variant(L"1 km"), 2, 1, Variant(0xFF0000L), nullptr), S_OK);
    std::vector<std::wstring> names = EngineLayerNames(map_.Get());
    ASSERT_FALSE(names.empty());
    EXPECT_EQ(names.front(), L"Shapes");
    EXPECT_EQ(std::count(names.begin(), names.end(), L"Shapes"), 1);
    const Image shown = Render();
    EXPECT_FALSE(shown == before);

    EXPECT_EQ(control_->ToggleShapes(VARIANT_FALSE), S_OK);
    EXPECT_TRUE(Render() == before);
    // Shapes added while hidden are kept and drawn once shown again.
    ASSERT_EQ(control_->DrawSpotlightCircle(kCentreLat, kCentreLon, kRadius, Variant(0L), 0.3, kTip.Get()), S_OK);
    EXPECT_TRUE(Render() == before);
    EXPECT_EQ(control_->ToggleShapes(VARIANT_TRUE), S_OK);
    const Image again = Render();
    EXPECT_TRUE(IsBlend(again.At(At(150, 0)), before.At(At(150, 0)), RGB(0, 0, 0), 76));

    EXPECT_EQ(control_->ClearShapes(), S_OK);
    EXPECT_TRUE(Render() == before);
    EXPECT_EQ(EngineLayerNames(map_.Get()).front(), L"Shapes");
}

TEST_F(ShapesTest, ScriptStyleArgumentsByReferenceAndSmallIntegersAreTaken) {
    // What a VBScript client passes: variables by reference, a small colour literal as VT_I2.
    const Image before = Render();
    Variant lat(kCentreLat), lon(kCentreLon), radius(L"1.5 km"), opacity(0.5), tip(L"tip");
    Variant colour(short{255});
    VARIANT args[6];
    VARIANT* values[6] = {&tip, &opacity, &colour, &radius, &lon, &lat};  // reversed
    for (int i = 0; i < 6; ++i) {
        args[i].vt = VT_BYREF | VT_VARIANT;
        args[i].pvarVal = values[i];
    }
    ComPtr<IDispatch> dispatch = controltest::As<IDispatch>(unknown_.Get());
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR name = const_cast<LPOLESTR>(L"DrawFilledCircle");
    ASSERT_EQ(dispatch->GetIDsOfNames(IID_NULL, &name, 1, 0, &id), S_OK);
    DISPPARAMS params = {args, nullptr, 6, 0};
    ASSERT_EQ(dispatch->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr), S_OK);
    const Image after = Render();
    EXPECT_TRUE(IsBlend(after.At(kCentre), before.At(kCentre), kBlue, kAlphaHalf)) << std::hex << after.At(kCentre);
    EXPECT_EQ(after.At(At(100, 0)), before.At(At(100, 0)));
}

TEST_F(ShapesTest, AColourIsReadAlikeFromEveryIntegerWidthByValueAndByReference) {
    // 255 is blue however the host's language holds it: a script's 16-bit literal, a 32-bit Long,
    // a .NET host's 64-bit Long; given by value, as a reference to the integer or to a variant.
    const Image before = Render();
    ComPtr<IDispatch> dispatch = controltest::As<IDispatch>(unknown_.Get());
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR name = const_cast<LPOLESTR>(L"DrawFilledCircle");
    ASSERT_EQ(dispatch->GetIDsOfNames(IID_NULL, &name, 1, 0, &id), S_OK);
    short i2 = 255;
    long i4 = 255;
    LONGLONG i8 = 255;
    ULONGLONG ui8 = 255;
    VARIANT values[4];
    values[0].vt = VT_I2, values[0].iVal = i2;
    values[1].vt = VT_I4, values[1].lVal = i4;
    values[2].vt = VT_I8, values[2].llVal = i8;
    values[3].vt = VT_UI8, values[3].ullVal = ui8;
    void* targets[4] = {&i2, &i4, &i8, &ui8};
    for (int i = 0; i < 4; ++i) {
        VARIANT byValue = values[i], toInteger, toVariant;
        toInteger.vt = VT_BYREF | values[i].vt, toInteger.byref = targets[i];
        toVariant.vt = VT_BYREF | VT_VARIANT, toVariant.pvarVal = &values[i];
        for (const auto& form : {std::make_pair("by value", byValue), std::make_pair("to the integer", toInteger),
                                 std::make_pair("to a variant", toVariant)}) {
            ASSERT_EQ(control_->ClearShapes(), S_OK);
            Variant lat(kCentreLat), lon(kCentreLon), radius(L"1.5 km"), opacity(0.5), tip(L"tip");
            VARIANT args[6] = {tip, opacity, form.second, radius, lon, lat};  // reversed
            DISPPARAMS params = {args, nullptr, 6, 0};
            ASSERT_EQ(dispatch->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr), S_OK);
            EXPECT_TRUE(IsBlend(Render().At(kCentre), before.At(kCentre), kBlue, kAlphaHalf))
                << "vt " << values[i].vt << " " << form.first;
        }
    }
}

}  // namespace
