// Distance units: the engine's unit codes, their names and abbreviations, exact conversions
// between the eight length units that typed and printed lengths use, and recognising a unit in a
// typed length such as "10 mm".
#pragma once

#include <string>

namespace DistanceUnits {

// The engine's distance unit codes.
enum : long {
    kMile = 0,
    kKilometer = 1,
    kInch = 2,
    kFoot = 3,
    kYard = 4,
    kMillimeter = 5,
    kCentimeter = 6,
    kMeter = 7,
    kSurveyFoot = 8,
    kNauticalMile = 9,
    kTwip = 10,
    kPoint = 11,
    kPica = 12,
    kDegree = 13,
    kLink = 30,
    kChain = 31,
    kRod = 32,
};

// One row of the length unit table. Both codes are equal; the lookups keyed by either give the
// same row.
struct UnitSuffix {
    long code;
    long targetCode;
    const char* abbreviation;
};
constexpr int kUnitSuffixCount = 8;
// In, ft, yd, mi, mm, cm, mt, km: the order in which FindUnitSuffix searches.
extern const UnitSuffix kUnitSuffixTable[kUnitSuffixCount];

// "mile", "kilometer", ... as the UnitsChanged event carries it; empty for a code with no name.
std::wstring GetUnitName(long code);
// The unit names a host may set (the Units property): mile, kilometer, meter, yard and foot, in English
// and British spellings, any case. Any other text raises E_INVALIDARG with the names it takes.
long ParseUnitName(const wchar_t* name);

// "in", "ft", ..., "km" of a length unit. Codes outside the length table answer an empty text.
std::string GetUnitAbbreviation(long code);

// value in `sourceCode` expressed in `targetCode`, by exact ratios of the units' lengths. Codes
// outside the length table leave the value unchanged.
double ConvertLength(double value, long sourceCode, long targetCode);
// The same conversion with the target looked up by the table's second code column.
double ConvertLengthToTarget(double value, long sourceCode, long targetCode);

// Finds the first table abbreviation (in table order) that occurs anywhere in `text`,
// case-sensitively and without splitting double-byte characters; false leaves `code` untouched.
bool FindUnitSuffix(const std::string& text, long& code);

// The host unit converter numbers units differently from the engine.
long ToConverterUnit(long code);

// The widest view the map shows: the equator's length in a distance unit (360 in degrees); a code
// without a length counts in miles.
double WorldWidth(long code);

}  // namespace DistanceUnits
