// The range checks of coordinates, angles and opacities: both ends pass, anything beyond them or
// not a number fails with the check's own text, named as the map control's error.
#include "ZmaVOMap2/control/InputValidator.h"
#include "platform/Com.h"
#include "platform/Result.h"

#include "VadAZ.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>

namespace {

struct Failure {
    bool failed = false;
    std::wstring text, source;
};

Failure Check(const std::function<void()>& check) {
    ::SetErrorInfo(0, nullptr);
    Failure f;
    try {
        check();
    } catch (const platform::ComError& e) {
        f.failed = e.Error() == E_FAIL;
        e.Restore();
        platform::ComPtr<IErrorInfo> info;
        if (::GetErrorInfo(0, info.Put()) == S_OK && info) {
            BSTR text = nullptr, source = nullptr;
            info->GetDescription(&text);
            info->GetSource(&source);
            f.text = platform::Bstr::Attach(text).Wide();
            f.source = platform::Bstr::Attach(source).Wide();
        }
    }
    return f;
}

TEST(InputValidator, BothEndsPassAndBeyondThemOrNotANumberFails) {
    const InputValidator v(CLSID_VadAZ2);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (double ok : {-90.0, 0.0, 90.0}) EXPECT_FALSE(Check([&] { v.ValidateLatitude(ok); }).failed) << ok;
    for (double ok : {-180.0, 180.0}) EXPECT_FALSE(Check([&] { v.ValidateLongitude(ok); }).failed) << ok;
    for (double ok : {0.0, 360.0}) EXPECT_FALSE(Check([&] { v.ValidateAngle(ok); }).failed) << ok;
    for (double ok : {0.0, 1.0}) EXPECT_FALSE(Check([&] { v.ValidateOpacity(ok); }).failed) << ok;

    const struct {
        std::function<void(double)> check;
        double bad[3];
        const wchar_t* text;
    } cases[] = {
        {[&](double x) { v.ValidateLatitude(x); }, {90.0000001, -90.5, nan}, L"Latitude out of range, must be in the range -90 to +90"},
        {[&](double x) { v.ValidateLongitude(x); }, {180.0000001, -181.0, nan}, L"Longitude out of range, must be in the range -180 to +180"},
        {[&](double x) { v.ValidateAngle(x); }, {360.5, -0.0001, nan}, L"Angle out of range, must be in the range 0 to 360"},
        {[&](double x) { v.ValidateOpacity(x); }, {1.5, -0.1, nan}, L"Opacity out of range, must be in the range 0 to 1"},
    };
    for (const auto& c : cases) {
        for (double bad : c.bad) {
            Failure f = Check([&] { c.check(bad); });
            EXPECT_TRUE(f.failed) << bad;
            EXPECT_EQ(f.text, c.text) << bad;
            EXPECT_EQ(f.source, L"VadAZ2.ZmaVadAZ.1");
        }
    }
}

}  // namespace
