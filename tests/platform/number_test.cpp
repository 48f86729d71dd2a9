// Numbers in their one form: written as printf writes them in the C locale and read as strtod
// reads them there, whatever locale the process's C runtime has meanwhile.
#include "platform/Number.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

namespace {

using testsupport::CrtLocale;
using testsupport::kCommaLocale;

TEST(Number, WritesAsPrintfInTheCLocaleWhateverTheRuntimesLocale) {
    const double values[] = {0.0, -0.0, 1.5, -0.5, 9.696420685344549, 160934.4, 1e20, 1e-7, 123456789.125,
                             1e308, -70.5, std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity()};
    for (double value : values)
        for (int precision : {0, 2, 6, 15, 17}) {
            char fixed[400], general[64];
            {
                CrtLocale c("C");
                std::snprintf(fixed, sizeof fixed, "%.*f", precision, value);
                std::snprintf(general, sizeof general, "%.*g", precision, value);
            }
            CrtLocale comma(kCommaLocale);
            ASSERT_TRUE(comma.Set());
            EXPECT_EQ(platform::FormatFixed(value, precision), fixed) << value << " " << precision;
            EXPECT_EQ(platform::FormatGeneral(value, precision), general) << value << " " << precision;
        }
    CrtLocale comma(kCommaLocale);
    EXPECT_EQ(platform::FormatGeneral(std::nan("")), "nan");
}

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
