#include "ZmaVOMap2/printing/PrintSettingsHelper.h"

#include "ZmaVOMap2/engine/DistanceUnits.h"
#include "ZmaVOMap2/printing/MapPageLayout.h"
#include "platform/Number.h"
#include "platform/Result.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <cwctype>

using platform::ComPtr;
using platform::Variant;

namespace {

struct Keyword {
    const wchar_t* word;
    long value;
};

const Keyword kLegendPositions[] = {
    {L"right", 0},   {L"top right", 45},    {L"top", 90},     {L"top left", 135},
    {L"left", 180},  {L"bottom left", 225}, {L"bottom", 270}, {L"bottom right", 315},
};

const Keyword kMapSizes[] = {{L"window", kMapSizeWindow}, {L"page", kMapSizePage}, {L"custom", kMapSizeCustom}};

// The converter's unit of the settings' lengths: hundredths of a millimetre.
constexpr long kSettingsUnit = 9;
constexpr long kConverterCentimetre = 12;
constexpr long kConverterInch = 4;
constexpr long kPointsToFontSize = 10000;  // an OLE font's size is in points x 10000
constexpr ULONGLONG kLargestColour = 0xFFFFFF;

HRESULT Refuse(const std::wstring& description) {
    platform::ComError(E_INVALIDARG, description, L"VadAZ").Restore();
    return E_INVALIDARG;
}

template <size_t N>
HRESULT PutKeyword(IMapPrintSettings* settings, HRESULT (STDMETHODCALLTYPE IMapPrintSettings::*put)(long),
                   const Keyword (&table)[N], const wchar_t* word, const wchar_t* what) {
    for (const Keyword& k : table) {
        if (word && ::_wcsicmp(word, k.word) == 0) return settings ? (settings->*put)(k.value) : E_FAIL;
    }
    return Refuse(std::wstring(L"\"") + (word ? word : L"") + L"\" is not a " + what);
}

template <size_t N>
bool GetKeyword(IMapPrintSettings* settings, HRESULT (STDMETHODCALLTYPE IMapPrintSettings::*get)(long*),
                const Keyword (&table)[N], std::wstring& word) {
    long value = 0;
    if (!settings || FAILED((settings->*get)(&value))) return false;
    for (const Keyword& k : table) {
        if (k.value == value) {
            word = k.word;
            return true;
        }
    }
    return false;
}

HRESULT CreateUnitConverter(ComPtr<IHostUnitConverter>& converter) {
    ComPtr<IUnknown> object;
    HRESULT hr = ::CoCreateInstance(CLSID_HostUnitConverter, nullptr, CLSCTX_ALL, IID_IUnknown, object.PutVoid());
    if (SUCCEEDED(hr)) hr = ::OleRun(object.Get());
    if (SUCCEEDED(hr)) hr = object->QueryInterface(IID_IHostUnitConverter, converter.PutVoid());
    return hr;
}

// A title colour as a host hands it over: a whole number of any width, or its hexadecimal text.
// The sign is read from the number itself, never from a conversion to an unsigned type, which
// some platforms make of a negative 32-bit number without complaint.
namespace ColourNumber {
enum Outcome { Read, Negative, SignedText, None };

bool IsHexDigit(wchar_t c) { return (c >= L'0' && c <= L'9') || ((c | 0x20) >= L'a' && (c | 0x20) <= L'f'); }

template <class T>
Outcome Signed(T number, ULONGLONG& rgb) {
    if (number < 0) return Negative;
    rgb = static_cast<ULONGLONG>(number);
    return Read;
}

Outcome FromWhole(const VARIANT& value, ULONGLONG& rgb) {
    switch (value.vt) {
    case VT_I1: return Signed(static_cast<signed char>(value.cVal), rgb);
    case VT_I2: return Signed(value.iVal, rgb);
    case VT_I4: return Signed(value.lVal, rgb);
    case VT_INT: return Signed(value.intVal, rgb);
    case VT_I8: return Signed(value.llVal, rgb);
    case VT_UI1: rgb = value.bVal; return Read;
    case VT_UI2: rgb = value.uiVal; return Read;
    case VT_UI4: rgb = value.ulVal; return Read;
    case VT_UINT: rgb = value.uintVal; return Read;
    case VT_UI8: rgb = value.ullVal; return Read;
    default: return None;
    }
}

// The hexadecimal digits after any leading blanks and an optional "0x"; a text without digits is
// black. A text with a sign is refused as a negative number is: "-1" is no colour.
Outcome FromText(const BSTR text, ULONGLONG& rgb) {
    const wchar_t* at = text ? text : L"";
    const wchar_t* const end = at + (text ? ::SysStringLen(text) : 0);
    while (at < end && std::iswspace(*at)) ++at;
    if (at < end && (*at == L'-' || *at == L'+')) return SignedText;
    if (end - at > 2 && at[0] == L'0' && (at[1] == L'x' || at[1] == L'X') && IsHexDigit(at[2])) at += 2;
    rgb = 0;
    for (; at < end && IsHexDigit(*at); ++at) {
        const int digit = *at <= L'9' ? *at - L'0' : (*at | 0x20) - L'a' + 10;
        // Past the largest colour the digits that follow change nothing of the refusal.
        if (rgb <= kLargestColour) rgb = rgb * 16 + digit;
    }
    return Read;
}
}  // namespace ColourNumber

// The converter's unit of a length typed without one.
long UnitOfPlainLengths() { return UsesUsMeasure() ? kConverterInch : kConverterCentimetre; }

}  // namespace

HRESULT CPrintSettingsHelper::SetTitleAlignment(const wchar_t* text) {
    if (!settings_) return E_FAIL;
    const wchar_t* stored = text ? text : L"";
    if (::_wcsicmp(stored, L"centre") == 0) stored = L"center";
    return settings_->put_TitleAlignment(Variant(stored));
}

bool CPrintSettingsHelper::GetTitleAlignment(std::wstring& text) {
    Variant value, asText;
    if (!settings_ || FAILED(settings_->get_TitleAlignment(value.Put()))) return false;
    if (FAILED(::VariantChangeType(asText.Put(), &value, 0, VT_BSTR))) return false;
    text = asText.bstrVal ? asText.bstrVal : L"";
    return true;
}

HRESULT CPrintSettingsHelper::SetLegendPosition(const wchar_t* keyword) {
    return PutKeyword(settings_.Get(), &IMapPrintSettings::put_LegendPosition, kLegendPositions, keyword,
                      L"legend position");
}

bool CPrintSettingsHelper::GetLegendPosition(std::wstring& keyword) {
    return GetKeyword(settings_.Get(), &IMapPrintSettings::get_LegendPosition, kLegendPositions, keyword);
}

HRESULT CPrintSettingsHelper::SetMapSize(const wchar_t* keyword) {
    return PutKeyword(settings_.Get(), &IMapPrintSettings::put_MapSize, kMapSizes, keyword, L"map size");
}

bool CPrintSettingsHelper::GetMapSize(std::wstring& keyword) {
    return GetKeyword(settings_.Get(), &IMapPrintSettings::get_MapSize, kMapSizes, keyword);
}

HRESULT CPrintSettingsHelper::SetWidth(const VARIANT& length) { return SetLength(length, &IMapPrintSettings::put_Width); }
HRESULT CPrintSettingsHelper::SetHeight(const VARIANT& length) {
    return SetLength(length, &IMapPrintSettings::put_Height);
}
bool CPrintSettingsHelper::GetWidth(double& length) { return GetLength(length, &IMapPrintSettings::get_Width); }
bool CPrintSettingsHelper::GetHeight(double& length) { return GetLength(length, &IMapPrintSettings::get_Height); }

HRESULT CPrintSettingsHelper::SetLength(const VARIANT& length, HRESULT (STDMETHODCALLTYPE IMapPrintSettings::*put)(long)) {
    ComPtr<IHostUnitConverter> converter;
    if (!settings_ || FAILED(CreateUnitConverter(converter))) return Refuse(L"The host's unit converter is not available");
    Variant value;
    if (FAILED(platform::CopyIndirect(value.Put(), length))) return Refuse(L"The length is not a number or a text");
    double amount = 0.0;
    long unit = UnitOfPlainLengths();
    if (value.vt == VT_BSTR) {
        const std::string text = platform::ToAnsi(value.bstrVal ? value.bstrVal : L"");
        long engineUnit = 0;
        const size_t read = platform::ReadNumber(text.c_str(), amount);
        // "12,5 cm" would otherwise print 12 cm, without a word.
        if (platform::NumberRunsOn(text.c_str(), read))
            return Refuse(L"\"" + platform::ToWide(text) + L"\" is not a length: decimals are written with a point, as in \"2.5 cm\"");
        if (!read || !DistanceUnits::FindUnitSuffix(text, engineUnit))
            return Refuse(L"\"" + platform::ToWide(text) + L"\" is not a length with a unit (in, ft, yd, mi, mm, cm, mt, km)");
        unit = DistanceUnits::ToConverterUnit(engineUnit);
    } else {
        Variant number;
        if (FAILED(::VariantChangeType(number.Put(), &value, 0, VT_R8))) return Refuse(L"The length is not a number");
        amount = number.dblVal;
    }
    if (!std::isfinite(amount) || amount < 0.0) return Refuse(L"A length must be 0 or more");
    double converted = 0.0;
    if (FAILED(converter->Convert(amount, unit, kSettingsUnit, &converted)) || !(converted < LONG_MAX))
        return Refuse(L"The length cannot be printed");
    if (FAILED((settings_.Get()->*put)(static_cast<long>(converted)))) return Refuse(L"The print settings refused the length");
    return S_OK;
}

bool CPrintSettingsHelper::GetLength(double& length, HRESULT (STDMETHODCALLTYPE IMapPrintSettings::*get)(long*)) {
    long stored = 0;
    ComPtr<IHostUnitConverter> converter;
    if (!settings_ || FAILED((settings_.Get()->*get)(&stored)) || FAILED(CreateUnitConverter(converter))) return false;
    return SUCCEEDED(converter->Convert(static_cast<double>(stored), kSettingsUnit, UnitOfPlainLengths(), &length));
}

HRESULT CPrintSettingsHelper::SetScale(double fraction) {
    // The nearest denominator: the reciprocal of a decimal fraction lies a little off the whole
    // number the user meant (1 / 0.00002 is just below 50000).
    const double denominator = std::round(1.0 / fraction);
    if (!settings_) return E_FAIL;
    if (!(fraction > 0.0 && fraction <= 1.0) || !(denominator >= 1.0 && denominator <= LONG_MAX))
        return Refuse(L"A scale is a fraction above 0 and at most 1");
    return SUCCEEDED(settings_->put_ScaleDenominator(static_cast<long>(denominator))) ? S_OK : E_FAIL;
}

bool CPrintSettingsHelper::GetScale(double& fraction) {
    long denominator = 0;
    if (!settings_ || FAILED(settings_->get_ScaleDenominator(&denominator)) || denominator < 1) return false;
    fraction = 1.0 / denominator;
    return true;
}

ComPtr<IFont> CPrintSettingsHelper::TitleFont() {
    ComPtr<IFont> font;
    if (settings_ && FAILED(settings_->get_TitleFont(font.Put()))) font.Reset();
    return font;
}

bool CPrintSettingsHelper::SetTitleFontHeight(long points) {
    ComPtr<IFont> font = TitleFont();
    CY size;
    size.int64 = static_cast<LONGLONG>(points) * kPointsToFontSize;
    return font && SUCCEEDED(font->put_Size(size));
}

bool CPrintSettingsHelper::GetTitleFontHeight(long& points) {
    ComPtr<IFont> font = TitleFont();
    CY size = {};
    if (!font || FAILED(font->get_Size(&size))) return false;
    // The nearest whole point: a font may hold fractions of one.
    const LONGLONG half = size.int64 < 0 ? -kPointsToFontSize / 2 : kPointsToFontSize / 2;
    points = static_cast<long>((size.int64 + half) / kPointsToFontSize);
    return true;
}

bool CPrintSettingsHelper::SetTitleFontWeight(long weight) {
    if (weight < 0 || weight > 1000) return false;
    ComPtr<IFont> font = TitleFont();
    return font && SUCCEEDED(font->put_Weight(static_cast<SHORT>(weight)));
}

bool CPrintSettingsHelper::GetTitleFontWeight(long& weight) {
    ComPtr<IFont> font = TitleFont();
    SHORT value = 0;
    if (!font || FAILED(font->get_Weight(&value))) return false;
    weight = value;
    return true;
}

bool CPrintSettingsHelper::SetFontFlag(VARIANT_BOOL on, HRESULT (STDMETHODCALLTYPE IFont::*put)(BOOL)) {
    ComPtr<IFont> font = TitleFont();
    return font && SUCCEEDED((font.Get()->*put)(on == VARIANT_TRUE ? TRUE : FALSE));
}

bool CPrintSettingsHelper::GetFontFlag(VARIANT_BOOL& on, HRESULT (STDMETHODCALLTYPE IFont::*get)(BOOL*)) {
    ComPtr<IFont> font = TitleFont();
    BOOL value = FALSE;
    if (!font || FAILED((font.Get()->*get)(&value))) return false;
    on = value ? VARIANT_TRUE : VARIANT_FALSE;
    return true;
}

bool CPrintSettingsHelper::SetTitleFontItalic(VARIANT_BOOL on) { return SetFontFlag(on, &IFont::put_Italic); }
bool CPrintSettingsHelper::GetTitleFontItalic(VARIANT_BOOL& on) { return GetFontFlag(on, &IFont::get_Italic); }
bool CPrintSettingsHelper::SetTitleFontStruckout(VARIANT_BOOL on) { return SetFontFlag(on, &IFont::put_Strikethrough); }
bool CPrintSettingsHelper::GetTitleFontStruckout(VARIANT_BOOL& on) { return GetFontFlag(on, &IFont::get_Strikethrough); }
bool CPrintSettingsHelper::SetTitleFontUnderlined(VARIANT_BOOL on) { return SetFontFlag(on, &IFont::put_Underline); }
bool CPrintSettingsHelper::GetTitleFontUnderlined(VARIANT_BOOL& on) { return GetFontFlag(on, &IFont::get_Underline); }

bool CPrintSettingsHelper::SetTitleFontCharSet(unsigned char charSet) {
    ComPtr<IFont> font = TitleFont();
    return font && SUCCEEDED(font->put_Charset(charSet));
}

bool CPrintSettingsHelper::GetTitleFontCharSet(unsigned char& charSet) {
    ComPtr<IFont> font = TitleFont();
    SHORT value = 0;
    if (!font || FAILED(font->get_Charset(&value))) return false;
    charSet = static_cast<unsigned char>(value);
    return true;
}

bool CPrintSettingsHelper::SetTitleFontFaceName(const wchar_t* name) {
    ComPtr<IFont> font = TitleFont();
    platform::Bstr text(name ? name : L"");
    return font && SUCCEEDED(font->put_Name(text.Get()));
}

bool CPrintSettingsHelper::GetTitleFontFaceName(std::wstring& name) {
    ComPtr<IFont> font = TitleFont();
    platform::Bstr text;
    if (!font || FAILED(font->get_Name(text.Put()))) return false;
    name = text.Wide();
    return true;
}

HRESULT CPrintSettingsHelper::SetTitleFontColor(const VARIANT& colour) {
    if (!settings_) return E_FAIL;
    Variant value;
    if (FAILED(platform::CopyIndirect(value.Put(), colour))) return Refuse(L"The colour is not a number or a text");
    ULONGLONG rgb = 0;
    switch (value.vt == VT_BSTR ? ColourNumber::FromText(value.bstrVal, rgb) : ColourNumber::FromWhole(value, rgb)) {
    case ColourNumber::Read: break;
    case ColourNumber::Negative: return Refuse(L"The colour is negative");
    case ColourNumber::SignedText: return Refuse(L"A colour's text is hexadecimal digits without a sign");
    case ColourNumber::None: return Refuse(L"A colour is a number 0xRRGGBB or its hexadecimal text");
    }
    if (rgb > kLargestColour) return Refuse(L"The colour is above 0xFFFFFF");
    const OLE_COLOR stored = static_cast<OLE_COLOR>(((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF));
    return SUCCEEDED(settings_->put_TitleFontColor(stored)) ? S_OK : E_FAIL;
}

bool CPrintSettingsHelper::GetTitleFontColor(std::wstring& colour) {
    OLE_COLOR stored = 0;
    if (!settings_ || FAILED(settings_->get_TitleFontColor(&stored))) return false;
    wchar_t text[8];
    std::swprintf(text, 8, L"%2.2x%2.2x%2.2x", static_cast<unsigned>(stored & 0xFF),
                  static_cast<unsigned>((stored >> 8) & 0xFF), static_cast<unsigned>((stored >> 16) & 0xFF));
    colour = text;
    return true;
}
