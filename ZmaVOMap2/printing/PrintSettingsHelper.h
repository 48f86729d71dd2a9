// The host's words, units and colour texts of the print properties, turned into the numbers the
// print-settings object stores and back: title alignment, legend position keywords (degrees),
// map size keywords, map width and height (hundredths of a millimetre through the host's unit
// converter), the scale as a representative fraction, the title font and its colour.
//
// Setters that answer an HRESULT give E_INVALIDARG (with a description) for a word outside their
// table, a bad length or a bad colour; setters that answer a boolean and every getter answer
// false when the settings object refused or failed. A helper without a settings object fails
// every operation.
#pragma once

#include "platform/Com.h"

#include "HostInterfaces.h"

#include <olectl.h>

#include <string>

class CPrintSettingsHelper {
public:
    explicit CPrintSettingsHelper(IMapPrintSettings* settings) : settings_(settings) {}

    // "centre" in any case becomes "center"; any other text is stored as it is.
    HRESULT SetTitleAlignment(const wchar_t* text);
    bool GetTitleAlignment(std::wstring& text);

    // "right" 0, "top right" 45, ... "bottom right" 315, compared without case.
    HRESULT SetLegendPosition(const wchar_t* keyword);
    bool GetLegendPosition(std::wstring& keyword);

    // "window" 0, "page" 1, "custom" 2, compared without case.
    HRESULT SetMapSize(const wchar_t* keyword);
    bool GetMapSize(std::wstring& keyword);

    // A number is in centimetres (inches with U.S. measure); a text carries its own unit ("10 cm",
    // "4 in"). Read back as a number in centimetres or inches.
    HRESULT SetWidth(const VARIANT& length);
    HRESULT SetHeight(const VARIANT& length);
    bool GetWidth(double& length);
    bool GetHeight(double& length);

    // The fraction 1/N of the scale 1:N. A fraction that gives no denominator of at least 1 is
    // refused with E_INVALIDARG; the denominator is the nearest whole number.
    HRESULT SetScale(double fraction);
    // False for a stored denominator below 1 (no scale).
    bool GetScale(double& fraction);

    // The title font's size in points.
    bool SetTitleFontHeight(long points);
    bool GetTitleFontHeight(long& points);
    // Weights outside 0 to 1000 are refused.
    bool SetTitleFontWeight(long weight);
    bool GetTitleFontWeight(long& weight);
    // The font's flags are set only by exactly VARIANT_TRUE; any other value clears them.
    bool SetTitleFontItalic(VARIANT_BOOL on);
    bool GetTitleFontItalic(VARIANT_BOOL& on);
    bool SetTitleFontStruckout(VARIANT_BOOL on);
    bool GetTitleFontStruckout(VARIANT_BOOL& on);
    bool SetTitleFontUnderlined(VARIANT_BOOL on);
    bool GetTitleFontUnderlined(VARIANT_BOOL& on);
    bool SetTitleFontCharSet(unsigned char charSet);
    bool GetTitleFontCharSet(unsigned char& charSet);
    bool SetTitleFontFaceName(const wchar_t* name);
    bool GetTitleFontFaceName(std::wstring& name);

    // 0xRRGGBB as a whole number of any width or as hexadecimal text ("ff8000", "0xff8000"); read
    // back as "rrggbb". A negative number, a text with a sign and anything above 0xFFFFFF are
    // refused.
    HRESULT SetTitleFontColor(const VARIANT& colour);
    bool GetTitleFontColor(std::wstring& colour);

private:
    HRESULT SetLength(const VARIANT& length, HRESULT (STDMETHODCALLTYPE IMapPrintSettings::*put)(long));
    bool GetLength(double& length, HRESULT (STDMETHODCALLTYPE IMapPrintSettings::*get)(long*));
    platform::ComPtr<IFont> TitleFont();
    bool SetFontFlag(VARIANT_BOOL on, HRESULT (STDMETHODCALLTYPE IFont::*put)(BOOL));
    bool GetFontFlag(VARIANT_BOOL& on, HRESULT (STDMETHODCALLTYPE IFont::*get)(BOOL*));

    platform::ComPtr<IMapPrintSettings> settings_;
};
