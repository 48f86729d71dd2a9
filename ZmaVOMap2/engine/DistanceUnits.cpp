#include "ZmaVOMap2/engine/DistanceUnits.h"

#include "platform/Com.h"
#include "platform/Result.h"

#include <windows.h>

#include <cstring>

namespace DistanceUnits {

const UnitSuffix kUnitSuffixTable[kUnitSuffixCount] = {
    {kInch, kInch, "in"},          {kFoot, kFoot, "ft"},
    {kYard, kYard, "yd"},          {kMile, kMile, "mi"},
    {kMillimeter, kMillimeter, "mm"}, {kCentimeter, kCentimeter, "cm"},
    {kMeter, kMeter, "mt"},        {kKilometer, kKilometer, "km"},
};

namespace {

// The length of one unit of each table row in tenths of a micrometre: whole numbers, so each
// factor is one correctly rounded division (1 mi is exactly 5280 ft, 1 in exactly 25.4 mm).
constexpr double kRowLength[kUnitSuffixCount] = {254000.0,   3048000.0, 9144000.0,  16093440000.0,
                                                 10000.0,    100000.0,  10000000.0, 10000000000.0};

int RowByCode(long code) {
    for (int row = 0; row < kUnitSuffixCount; ++row)
        if (kUnitSuffixTable[row].code == code) return row;
    return -1;
}

int RowByTargetCode(long code) {
    for (int row = 0; row < kUnitSuffixCount; ++row)
        if (kUnitSuffixTable[row].targetCode == code) return row;
    return -1;
}

double Convert(double value, int sourceRow, int targetRow) {
    if (sourceRow < 0 || targetRow < 0 || sourceRow == targetRow) return value;
    return value * (kRowLength[sourceRow] / kRowLength[targetRow]);
}

}  // namespace

long ParseUnitName(const wchar_t* name) {
    const std::string text = platform::ToLower(platform::ToAnsi(name));
    static const struct {
        const char* name;
        long code;
    } kNames[] = {
        {"mile", kMile}, {"kilometer", kKilometer}, {"kilometre", kKilometer}, {"meter", kMeter},
        {"metre", kMeter}, {"yard", kYard}, {"foot", kFoot},
    };
    for (const auto& entry : kNames)
        if (text == entry.name) return entry.code;
    throw platform::ComError(E_INVALIDARG, L"Unknown distance unit \"" + platform::ToWide(text) +
                                               L"\": mile, kilometer, meter, yard or foot", L"VadAZ");
}

std::wstring GetUnitName(long code) {
    switch (code) {
    case kMile: return L"mile";
    case kKilometer: return L"kilometer";
    case kInch: return L"inch";
    case kFoot: return L"foot";
    case kYard: return L"yard";
    case kMillimeter: return L"millimeter";
    case kCentimeter: return L"centimeter";
    case kMeter: return L"meter";
    case kSurveyFoot: return L"survey foot";
    case kNauticalMile: return L"nautical mile";
    case kTwip: return L"twip";
    case kPoint: return L"point";
    case kPica: return L"pica";
    case kDegree: return L"degree";
    case kLink: return L"link";
    case kChain: return L"chain";
    case kRod: return L"rod";
    default: return std::wstring();
    }
}

std::string GetUnitAbbreviation(long code) {
    const int row = RowByCode(code);
    return row < 0 ? std::string() : std::string(kUnitSuffixTable[row].abbreviation);
}

double ConvertLength(double value, long sourceCode, long targetCode) {
    return Convert(value, RowByCode(sourceCode), RowByCode(targetCode));
}

double ConvertLengthToTarget(double value, long sourceCode, long targetCode) {
    return Convert(value, RowByCode(sourceCode), RowByTargetCode(targetCode));
}

bool FindUnitSuffix(const std::string& text, long& code) {
    for (const UnitSuffix& row : kUnitSuffixTable) {
        const size_t length = std::strlen(row.abbreviation);
        // Only character starts are tried, so the trail byte of a double-byte character never
        // begins a match.
        for (size_t i = 0; i + length <= text.size();) {
            if (text.compare(i, length, row.abbreviation) == 0) {
                code = row.code;
                return true;
            }
            i += ::IsDBCSLeadByte(static_cast<BYTE>(text[i])) && i + 1 < text.size() ? 2 : 1;
        }
    }
    return false;
}

long ToConverterUnit(long code) {
    switch (code) {
    case kMile: return 8;
    case kKilometer: return 14;
    case kFoot: return 5;
    case kYard: return 6;
    case kMillimeter: return 11;
    case kCentimeter: return 12;
    case kMeter: return 13;
    case kTwip: return 2;
    case kPoint: return 3;
    case kChain: return 7;
    default: return 4;  // inch, and every unit the converter does not know
    }
}

namespace {

// Metres in one unit of each distance unit code; 0 for degrees and unknown codes.
double MetresPerUnit(long code) {
    switch (code) {
    case kMile: return 1609.344;
    case kKilometer: return 1000.0;
    case kInch: return 0.0254;
    case kFoot: return 0.3048;
    case kYard: return 0.9144;
    case kMillimeter: return 0.001;
    case kCentimeter: return 0.01;
    case kMeter: return 1.0;
    case kSurveyFoot: return 1200.0 / 3937.0;
    case kNauticalMile: return 1852.0;
    case kTwip: return 0.0254 / 1440.0;
    case kPoint: return 0.0254 / 72.0;
    case kPica: return 0.0254 / 6.0;
    case kLink: return 0.201168;
    case kChain: return 20.1168;
    case kRod: return 5.0292;
    default: return 0.0;
    }
}

}  // namespace

double WorldWidth(long code) {
    constexpr double kEquatorMetres = 40075016.686;
    if (code == kDegree) return 360.0;
    const double metres = MetresPerUnit(code);
    return kEquatorMetres / (metres > 0.0 ? metres : MetresPerUnit(kMile));
}

}  // namespace DistanceUnits
