#include "ZmaVOMap2/shapes/ShapeConversions.h"

#include "ZmaVOMap2/engine/DistanceUnits.h"
#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineIds.h"
#include "ZmaVOMap2/layers/HostColour.h"
#include "platform/Number.h"
#include "platform/Result.h"

#include "HostInterfaces.h"

#include <algorithm>
#include <cctype>
#include <cmath>

using platform::ComError;
using platform::ComPtr;
using platform::Variant;

namespace {

namespace DU = DistanceUnits;

constexpr long kNotConvertible = -2;

struct UnitWord {
    const char* word;
    long unit;  // engine unit code, or kNotConvertible
};

// The units a radius text may name, by their abbreviations and names. The engine knows a few more
// units than the host's converter; those are recognised so that the refusal can say why.
const UnitWord kUnitWords[] = {
    {"in", DU::kInch},           {"inch", DU::kInch},           {"inches", DU::kInch},
    {"ft", DU::kFoot},           {"foot", DU::kFoot},           {"feet", DU::kFoot},
    {"yd", DU::kYard},           {"yard", DU::kYard},           {"yards", DU::kYard},
    {"mi", DU::kMile},           {"mile", DU::kMile},           {"miles", DU::kMile},
    {"mm", DU::kMillimeter},     {"millimeter", DU::kMillimeter}, {"millimeters", DU::kMillimeter},
    {"millimetre", DU::kMillimeter}, {"millimetres", DU::kMillimeter},
    {"cm", DU::kCentimeter},     {"centimeter", DU::kCentimeter}, {"centimeters", DU::kCentimeter},
    {"centimetre", DU::kCentimeter}, {"centimetres", DU::kCentimeter},
    {"m", DU::kMeter},           {"mt", DU::kMeter},            {"meter", DU::kMeter},
    {"meters", DU::kMeter},      {"metre", DU::kMeter},         {"metres", DU::kMeter},
    {"km", DU::kKilometer},      {"kilometer", DU::kKilometer}, {"kilometers", DU::kKilometer},
    {"kilometre", DU::kKilometer}, {"kilometres", DU::kKilometer},
    {"twip", DU::kTwip},         {"twips", DU::kTwip},
    {"pt", DU::kPoint},          {"point", DU::kPoint},         {"points", DU::kPoint},
    {"ch", DU::kChain},          {"chain", DU::kChain},         {"chains", DU::kChain},
    {"survey foot", kNotConvertible}, {"survey feet", kNotConvertible},
    {"nmi", kNotConvertible},    {"nautical mile", kNotConvertible}, {"nautical miles", kNotConvertible},
    {"deg", kNotConvertible},    {"degree", kNotConvertible},   {"degrees", kNotConvertible},
    {"link", kNotConvertible},   {"links", kNotConvertible},
    {"rod", kNotConvertible},    {"rods", kNotConvertible},
    {"pica", kNotConvertible},   {"picas", kNotConvertible},
};

// Whether the host's unit converter has a code of its own for the engine unit.
bool ConverterKnows(long unit) {
    switch (unit) {
    case DU::kMile: case DU::kKilometer: case DU::kInch: case DU::kFoot: case DU::kYard:
    case DU::kMillimeter: case DU::kCentimeter: case DU::kMeter: case DU::kTwip: case DU::kPoint:
    case DU::kChain:
        return true;
    default:
        return false;
    }
}

std::string Trimmed(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
    return s.substr(b, e - b);
}

[[noreturn]] void Refuse(const std::string& text, const wchar_t* why) {
    throw ComError(E_INVALIDARG, L"The radius \"" + platform::ToWide(text) + L"\" " + why);
}

// A VARIANT without the by-reference wrapping that script hosts add.
Variant Unwrapped(const VARIANT& v) {
    Variant out;
    THROW_IF_FAILED(platform::CopyIndirect(out.Put(), v));
    return out;
}

ComPtr<IHostUnitConverter> CreateUnitConverter() {
    ComPtr<IUnknown> object;
    if (FAILED(::CoCreateInstance(CLSID_HostUnitConverter, nullptr, CLSCTX_ALL, IID_IUnknown, object.PutVoid())))
        return nullptr;
    if (FAILED(::OleRun(object.Get()))) return nullptr;
    ComPtr<IHostUnitConverter> converter;
    if (FAILED(object->QueryInterface(IID_IHostUnitConverter, converter.PutVoid()))) return nullptr;
    return converter;
}

}  // namespace

PixelPoint MapToScreenPixel(IDispatch* map, double latitude, double longitude) {
    if (!map) platform::ThrowHr(E_UNEXPECTED);
    const EngineScreenPoint p = EngineMapToScreen(EngineDispatch(map), longitude, latitude);
    return {std::trunc(static_cast<double>(p.x)), std::trunc(static_cast<double>(p.y))};
}

POINT MapToScreenPoint(IDispatch* map, double latitude, double longitude) {
    const PixelPoint p = MapToScreenPixel(map, latitude, longitude);
    auto held = [](double v) { return static_cast<LONG>(std::isnan(v) ? 0 : std::max(-2e9, std::min(v, 2e9))); };
    return {held(p.x), held(p.y)};
}

double DistanceInPixels(IDispatch* map, double distance) {
    if (std::isnan(distance)) return 0;
    if (!(distance > 0)) return std::trunc(distance);
    EngineDispatch engine(platform::ThrowIfNull(map, E_UNEXPECTED));
    const double width = static_cast<float>(engine.Get(Engine::Map::kScreenWidth).ToDouble());
    const double zoom = engine.Get(Engine::Map::kZoom).ToDouble();
    const double pixels = width * distance / zoom;
    return std::isnan(pixels) ? 0 : std::trunc(pixels);
}

long DistanceToPixels(IDispatch* map, double distance) {
    constexpr double kLargest = 1 << 28;
    return static_cast<long>(std::max(-kLargest, std::min(DistanceInPixels(map, distance), kLargest)));
}

RadiusText ParseRadiusText(const std::string& text) {
    RadiusText parsed;
    const size_t read = platform::ReadNumber(text.c_str(), parsed.value);
    if (!read) Refuse(text, L"does not begin with a number");
    if (platform::NumberRunsOn(text.c_str(), read))
        Refuse(text, L"is not a number: decimals are written with a point, as in \"1.5 km\"");
    if (!std::isfinite(parsed.value)) Refuse(text, L"is not a finite number");
    const std::string word = platform::ToLower(Trimmed(text.substr(read)));
    if (word.empty()) return parsed;
    for (const UnitWord& entry : kUnitWords) {
        if (word != entry.word) continue;
        if (entry.unit == kNotConvertible) Refuse(text, L"names a unit that the unit converter cannot convert");
        parsed.unit = entry.unit;
        return parsed;
    }
    Refuse(text, L"names no known unit (km, m, mi, ft, yd, in, cm, mm, ch, pt, twip)");
}

void CheckRadius(const VARIANT& radius) {
    Variant value = Unwrapped(radius);
    if (value.vt == VT_BSTR) {
        ParseRadiusText(platform::ToAnsi(value.bstrVal));
        return;
    }
    if (FAILED(::VariantChangeType(&value, &value, 0, VT_R8)))
        throw ComError(E_INVALIDARG, L"The radius is neither a number nor a length text such as \"1.5 km\"");
    if (!std::isfinite(value.dblVal)) throw ComError(E_INVALIDARG, L"The radius is not a finite number");
}

double ConvertToUserUnits(IDispatch* map, const VARIANT& length) {
    Variant value = Unwrapped(length);
    if (value.vt != VT_BSTR) {
        // A number is in the map's unit already: no conversion, no converter.
        THROW_IF_FAILED(::VariantChangeType(&value, &value, 0, VT_R8));
        return value.dblVal;
    }
    const RadiusText parsed = ParseRadiusText(platform::ToAnsi(value.bstrVal));
    if (parsed.value < 0) return 0;
    if (parsed.unit < 0) return parsed.value;
    const long mapUnit =
        EngineDispatch(platform::ThrowIfNull(map, E_POINTER)).Get(Engine::Map::kDistanceUnit).ToLong();
    if (mapUnit == parsed.unit) return parsed.value;
    if (!ConverterKnows(mapUnit))
        throw ComError(E_FAIL, L"Radius texts cannot be converted to the map's distance unit " +
                                   DU::GetUnitName(mapUnit));
    ComPtr<IHostUnitConverter> converter = CreateUnitConverter();
    if (!converter) return 0;
    double result = 0;
    if (FAILED(converter->Convert(parsed.value, DU::ToConverterUnit(parsed.unit), DU::ToConverterUnit(mapUnit),
                                  &result)))
        return 0;
    return result;
}

long RadiusToPixels(IDispatch* map, const VARIANT& radius) {
    return DistanceToPixels(map, ConvertToUserUnits(map, radius));
}

PixelCircle ScreenCircle(IDispatch* map, double latitude, double longitude, const VARIANT& radius) {
    const PixelPoint centre = MapToScreenPixel(map, latitude, longitude);
    return {centre.x, centre.y, DistanceInPixels(map, ConvertToUserUnits(map, radius))};
}

ShapeRgb ShapeColour(const VARIANT& colour) {
    COLORREF rgb = RGB(0, 0, 0);
    ReadHostColour(colour, rgb);
    ShapeRgb c;
    c.red = GetRValue(rgb);
    c.green = GetGValue(rgb);
    c.blue = GetBValue(rgb);
    return c;
}

BYTE OpacityAlpha(double opacity) { return static_cast<BYTE>(static_cast<long>(opacity * 255.0) & 0xFF); }

double DonutSweepAngle(double start, double end) { return end > start ? end - start : end + 360.0 - start; }

POINT RadialPoint(POINT centre, long radius, double angle) {
    // The factor is a truncated pi/2 over 90, so that radial points fall where they always have.
    const double radians = angle * 0.011111111111111112 * 1.57079;
    return {static_cast<LONG>(centre.x + radius * std::sin(radians)),
            static_cast<LONG>(centre.y - radius * std::cos(radians))};
}
