// Radii and line widths that a script can pass but no device can draw, through IDispatch as a
// script client calls the shape members: a radius that is not a finite number is refused; a
// finite one far larger than the view, and any line width, draw what the view can show in both
// drawing modes, every frame guarded by a watchdog.
#include "tests/shapes/ShapesFixture.h"
#include "tests/support/Watchdog.h"

#include <cfloat>
#include <climits>
#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

using namespace shapestest;
using platform::ComPtr;
using platform::Variant;

namespace {

constexpr COLORREF kBlue = RGB(0, 0, 255);

struct Answer {
    HRESULT hr;
    std::wstring description;
};

// The member by name with its arguments in declaration order; a failure as its own code.
Answer CallByName(IDispatch* control, const std::wstring& name, const std::vector<Variant>& args) {
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names = const_cast<LPOLESTR>(name.c_str());
    if (control->GetIDsOfNames(IID_NULL, &names, 1, 0, &id) != S_OK) return {DISP_E_UNKNOWNNAME, L""};
    std::vector<VARIANT> reversed(args.rbegin(), args.rend());
    DISPPARAMS params = {reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    EXCEPINFO exception = {};
    Variant result;
    Answer answer = {control->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, result.Put(), &exception, nullptr), L""};
    if (answer.hr == DISP_E_EXCEPTION) answer.hr = exception.scode;
    if (exception.bstrDescription) answer.description = exception.bstrDescription;
    ::SysFreeString(exception.bstrSource);
    ::SysFreeString(exception.bstrDescription);
    ::SysFreeString(exception.bstrHelpFile);
    return answer;
}

// A shape member's arguments around the view's centre from a radius, a line width and a line
// type; donut segments take the radius once as their end and once as their start radius.
struct Member {
    const wchar_t* name;
    std::function<std::vector<Variant>(const Variant& radius, long width, long type)> args;
    bool Outline() const { return std::wstring(name).find(L"Filled") == std::wstring::npos && std::wstring(name).find(L"Spotlight") == std::wstring::npos; }
};

std::vector<Member> Members() {
    const Variant lat(kCentreLat), lon(kCentreLon), colour(0x0000FFL), tip(L"tip"), half(0.5), from(0.0), to(90.0);
    const Variant inner(L"500 m"), outer(L"1 km");
    return {
        {L"DrawCircle", [=](const Variant& r, long w, long t) { return std::vector<Variant>{lat, lon, r, Variant(w), Variant(t), colour, tip}; }},
        {L"DrawFilledCircle", [=](const Variant& r, long, long) { return std::vector<Variant>{lat, lon, r, colour, half, tip}; }},
        {L"DrawSpotlightCircle", [=](const Variant& r, long, long) { return std::vector<Variant>{lat, lon, r, colour, half, tip}; }},
        {L"DrawPie", [=](const Variant& r, long w, long t) { return std::vector<Variant>{lat, lon, r, from, to, Variant(w), Variant(t), colour, tip}; }},
        {L"DrawFilledPie", [=](const Variant& r, long, long) { return std::vector<Variant>{lat, lon, r, from, to, colour, half, tip}; }},
        {L"DrawSpotlightPie", [=](const Variant& r, long, long) { return std::vector<Variant>{lat, lon, r, from, to, colour, half, tip}; }},
        {L"DrawDonutSegment", [=](const Variant& r, long w, long t) { return std::vector<Variant>{lat, lon, inner, r, from, to, Variant(w), Variant(t), colour, tip}; }},
        {L"DrawDonutSegment", [=](const Variant& r, long w, long t) { return std::vector<Variant>{lat, lon, r, outer, from, to, Variant(w), Variant(t), colour, tip}; }},
        {L"DrawFilledDonutSegment", [=](const Variant& r, long, long) { return std::vector<Variant>{lat, lon, inner, r, from, to, colour, half, tip}; }},
        {L"DrawFilledDonutSegment", [=](const Variant& r, long, long) { return std::vector<Variant>{lat, lon, r, outer, from, to, colour, half, tip}; }},
    };
}

std::string Name(const Variant& v) { return std::to_string(v.vt) + ":" + platform::ToAnsi(v.ToWide()); }

class ShapeBounds : public ShapesTest {
protected:
    IDispatch* Dispatch() {
        if (!dispatch_) dispatch_ = controltest::As<IDispatch>(unknown_.Get());
        return dispatch_.Get();
    }
    // The frame after a call, or the program ends saying which call it was.
    Image GuardedRender(const std::string& what) {
        watchdog_.Arm(what);
        Image image = Render();
        watchdog_.Arm("after " + what);
        return image;
    }
    void ScreenToMap(float x, float y, double& lon, double& lat) {
        VARIANT args[5];
        args[4].vt = VT_R4 | VT_BYREF, args[4].pfltVal = &x;
        args[3].vt = VT_R4 | VT_BYREF, args[3].pfltVal = &y;
        args[2].vt = VT_R8 | VT_BYREF, args[2].pdblVal = &lon;
        args[1].vt = VT_R8 | VT_BYREF, args[1].pdblVal = &lat;
        args[0].vt = VT_I2, args[0].iVal = 1;
        DISPPARAMS params = {args, nullptr, 5, 0};
        ASSERT_EQ(map_->Invoke(34, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr), S_OK);
    }
    // Whether some pixel within 2 of `p` has the colour.
    static bool Near(const Image& image, POINT p, COLORREF colour) {
        for (long y = p.y - 2; y <= p.y + 2; ++y)
            for (long x = p.x - 2; x <= p.x + 2; ++x)
                if (x >= 0 && y >= 0 && x < kWidth && y < kHeight && image.At(x, y) == colour) return true;
        return false;
    }

    testsupport::Watchdog watchdog_{20000};
    ComPtr<IDispatch> dispatch_;
};

POINT At(long dx, long dy) { return {kCentre.x + dx, kCentre.y + dy}; }

TEST_F(ShapeBounds, ARadiusThatIsNotAFiniteNumberIsRefusedWithItsReasonAndNothingIsKept) {
    const Image before = Render();
    VARIANT single;
    single.vt = VT_R4;
    single.fltVal = std::numeric_limits<float>::infinity();
    const Variant radii[] = {Variant(std::numeric_limits<double>::infinity()), Variant(-std::numeric_limits<double>::infinity()),
                             Variant(std::nan("")), Variant(single), Variant(L"1e400 km"), Variant(L"-inf m")};
    for (const Member& member : Members()) {
        for (const Variant& radius : radii) {
            const Answer answer = CallByName(Dispatch(), member.name, member.args(radius, 0, 0));
            EXPECT_EQ(answer.hr, E_INVALIDARG) << platform::ToAnsi(member.name) << " " << Name(radius);
            EXPECT_NE(answer.description.find(L"radius"), std::wstring::npos) << platform::ToAnsi(answer.description);
        }
    }
    for (bool enhanced : {true, false}) {
        SetEnhanced(enhanced);
        EXPECT_TRUE(GuardedRender("refused radii") == before);
    }
}

TEST_F(ShapeBounds, RadiiFarLargerThanTheViewAndAnyLineWidthDrawWithinAFrameInBothModes) {
    const Variant radii[] = {Variant(1e6), Variant(static_cast<long>(INT_MAX)), Variant(1e308), Variant(DBL_MAX),
                             Variant(-1e308), Variant(L"1e308km"), Variant(L"1e30mm"), Variant(L"1e6 mi")};
    for (bool enhanced : {true, false}) {
        SetEnhanced(enhanced);
        for (const Member& member : Members()) {
            for (const Variant& radius : radii) {
                ASSERT_EQ(control_->ClearShapes(), S_OK);
                const std::string what = platform::ToAnsi(member.name) + " radius " + Name(radius) +
                                         (enhanced ? " GDI+" : " GDI");
                ASSERT_EQ(CallByName(Dispatch(), member.name, member.args(radius, 0, 0)).hr, S_OK) << what;
                GuardedRender(what);
            }
            if (!member.Outline()) continue;
            for (long width : {long{INT_MIN}, long{INT_MAX}, -1L}) {
                for (long type : {0L, 1L, 3L}) {
                    ASSERT_EQ(control_->ClearShapes(), S_OK);
                    const std::string what = platform::ToAnsi(member.name) + " width " + std::to_string(width) +
                                             " type " + std::to_string(type) + (enhanced ? " GDI+" : " GDI");
                    ASSERT_EQ(CallByName(Dispatch(), member.name, member.args(Variant(L"1500 m"), width, type)).hr, S_OK)
                        << what;
                    GuardedRender(what);
                }
            }
        }
    }
    // The thinnest line for a width below one pixel: on the circumference, not a pixel inside.
    SetEnhanced(false);
    ASSERT_EQ(control_->ClearShapes(), S_OK);
    const Image before = Render();
    ASSERT_EQ(control_->DrawCircle(kCentreLat, kCentreLon, Variant(1500.0), INT_MIN, 0, Variant(0x0000FFL), nullptr), S_OK);
    const Image thin = GuardedRender("DrawCircle width INT_MIN");
    EXPECT_EQ(thin.At(At(-96, 0)), kBlue);
    EXPECT_EQ(thin.At(At(-93, 0)), before.At(At(-93, 0)));
}

TEST_F(ShapeBounds, AShapeFarLargerThanTheViewShowsWhatTheViewCanShow) {
    const Variant huge(L"1e6 km");
    for (bool enhanced : {true, false}) {
        SCOPED_TRACE(enhanced ? "GDI+" : "GDI");
        SetEnhanced(enhanced);
        ASSERT_EQ(control_->ClearShapes(), S_OK);
        const Image before = Render();
        // A pie outline from north to east centred in the view: its two radial edges run out of the
        // view; its arc lies far beyond it.
        ASSERT_EQ(control_->DrawPie(kCentreLat, kCentreLon, huge, 0, 90, 0, 0, Variant(0x0000FFL), nullptr), S_OK);
        Image image = GuardedRender("huge pie");
        EXPECT_TRUE(Near(image, At(0, -200), kBlue));
        EXPECT_TRUE(Near(image, At(300, 0), kBlue));
        EXPECT_EQ(image.At(At(100, -100)), before.At(At(100, -100)));
        EXPECT_EQ(image.At(At(-100, 100)), before.At(At(-100, 100)));

        // A circle whose centre lies 2000 km south and whose circumference runs through the centre
        // of the view: its arc crosses the view as a line through the centre.
        ASSERT_EQ(control_->ClearShapes(), S_OK);
        const double metresPerPixel = kZoomMetres / kWidth, radius = 2e6;
        double lon = 0, lat = 0;
        ScreenToMap(static_cast<float>(kCentre.x), static_cast<float>(kCentre.y + radius / metresPerPixel), lon, lat);
        ASSERT_EQ(control_->DrawCircle(lat, lon, Variant(radius), 0, 0, Variant(0x0000FFL), nullptr), S_OK);
        image = GuardedRender("far circle");
        for (long dx : {-300L, 0L, 300L}) EXPECT_TRUE(Near(image, At(dx, 0), kBlue)) << dx;
        EXPECT_EQ(image.At(At(0, -10)), before.At(At(0, -10)));
        EXPECT_EQ(image.At(At(0, 10)), before.At(At(0, 10)));
    }

    // Filled: the view within the sector is tinted; a spotlight around the whole view tints nothing.
    SetEnhanced(true);
    ASSERT_EQ(control_->ClearShapes(), S_OK);
    const Image before = Render();
    ASSERT_EQ(control_->DrawFilledDonutSegment(kCentreLat, kCentreLon, Variant(L"1 km"), huge, 0, 90, Variant(0x0000FFL),
                                               1.0, nullptr),
              S_OK);
    ASSERT_EQ(control_->DrawSpotlightCircle(kCentreLat, kCentreLon, huge, Variant(0xFF0000L), 1.0, nullptr), S_OK);
    const Image image = GuardedRender("huge fills");
    EXPECT_EQ(image.At(At(300, -200)), kBlue);
    EXPECT_EQ(image.At(At(100, -100)), kBlue);
    EXPECT_EQ(image.At(At(20, -20)), before.At(At(20, -20)));  // inside the 64-pixel inner radius
    EXPECT_EQ(image.At(At(-100, 100)), before.At(At(-100, 100)));
}

}  // namespace
