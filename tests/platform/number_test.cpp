// Numbers read as strtod reads them in the C locale, whatever locale the process's C runtime has
// meanwhile.
#include "platform/Number.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace {

using testsupport::CrtLocale;
using testsupport::kCommaLocale;

TEST(Number, ReadsAsStrtodInTheCLocale) {
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        const char* text;
        size_t read;
        double value;
    } cases[] = {
        {"1.5 km", 3, 1.5},   {"  -3.5e+2x", 9, -350},   {"+5", 2, 5},         {"1,5", 1, 1},
        {"1.", 2, 1},         {".5", 2, 0.5},            {"1e+", 1, 1},        {"\t7", 2, 7},
        {"1e400", 5, inf},    {"-1e400", 6, -inf},       {"1e-400", 6, 0},     {"-1e-400", 7, -0.0},
        {"123456789012345678901234567890e300", 34, inf}, {"0.0000000001e-320", 17, 0},
        {"Infinity", 8, inf}, {"-inf", 4, -inf},         {"0x10", 1, 0},
        {"", 0, 42},          {" ", 0, 42},              {"-", 0, 42},         {".", 0, 42},
        {"+-5", 0, 42},       {"-+5", 0, 42},            {"abc", 0, 42},       {",5", 0, 42},
    };
    CrtLocale comma(kCommaLocale);
    ASSERT_TRUE(comma.Set());
    for (const auto& c : cases) {
        double value = 42;
        EXPECT_EQ(platform::ReadNumber(c.text, value), c.read) << c.text;
        EXPECT_EQ(value, c.value) << c.text;
        EXPECT_EQ(std::signbit(value), std::signbit(c.value)) << c.text;
        const std::wstring wide(c.text, c.text + std::char_traits<char>::length(c.text));
        double wideValue = 42;
        EXPECT_EQ(platform::ReadNumber(wide.c_str(), wideValue), c.read) << c.text;
        EXPECT_EQ(wideValue, c.value) << c.text;
    }
    double nan = 0;
    EXPECT_EQ(platform::ReadNumber("nan", nan), 3u);
    EXPECT_TRUE(std::isnan(nan));
}

}  // namespace
