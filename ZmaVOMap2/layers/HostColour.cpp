#include "ZmaVOMap2/layers/HostColour.h"

#include <cstdlib>
#include <string>

namespace {

// How deep references to variants are followed: a script's variable is one level.
constexpr int kDepth = 4;

bool ReadText(const BSTR text, unsigned long& rgb) {
    const std::string narrow = text ? platform::ToAnsi(std::wstring(text, ::SysStringLen(text))) : std::string();
    rgb = std::strtoul(narrow.c_str(), nullptr, 16);
    return true;
}

bool ReadRgb(const VARIANT& value, unsigned long& rgb, int depth) {
    if (value.vt & VT_BYREF) {
        // A reference to nothing is no colour: a null pointer must never be read through.
        if (!value.byref) return false;
        switch (value.vt & ~VT_BYREF) {
        case VT_VARIANT: return depth > 0 && ReadRgb(*value.pvarVal, rgb, depth - 1);
        case VT_BSTR: return ReadText(*value.pbstrVal, rgb);
        case VT_I4: rgb = static_cast<unsigned long>(*value.plVal); return true;
        case VT_UI4: rgb = *value.pulVal; return true;
        case VT_I8: rgb = static_cast<unsigned long>(*value.pllVal); return true;
        case VT_UI8: rgb = static_cast<unsigned long>(*value.pullVal); return true;
        case VT_INT: rgb = static_cast<unsigned long>(*value.pintVal); return true;
        case VT_UINT: rgb = *value.puintVal; return true;
        case VT_I2: rgb = static_cast<USHORT>(*value.piVal); return true;
        case VT_UI2: rgb = *value.puiVal; return true;
        case VT_I1: rgb = static_cast<BYTE>(*value.pcVal); return true;
        case VT_UI1: rgb = *value.pbVal; return true;
        default: return false;
        }
    }
    switch (value.vt) {
    case VT_BSTR: return ReadText(value.bstrVal, rgb);
    case VT_I4: rgb = static_cast<unsigned long>(value.lVal); return true;
    case VT_UI4: rgb = value.ulVal; return true;
    case VT_I8: rgb = static_cast<unsigned long>(value.llVal); return true;
    case VT_UI8: rgb = static_cast<unsigned long>(value.ullVal); return true;
    case VT_INT: rgb = static_cast<unsigned long>(value.intVal); return true;
    case VT_UINT: rgb = value.uintVal; return true;
    case VT_I2: rgb = static_cast<USHORT>(value.iVal); return true;
    case VT_UI2: rgb = value.uiVal; return true;
    case VT_I1: rgb = static_cast<BYTE>(value.cVal); return true;
    case VT_UI1: rgb = value.bVal; return true;
    default: return false;
    }
}

}  // namespace

bool ReadHostColour(const VARIANT& value, COLORREF& colour) {
    unsigned long rgb = 0;
    if (!ReadRgb(value, rgb, kDepth)) return false;
    colour = RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
    return true;
}

platform::Variant KeepHostColour(const VARIANT& value) {
    COLORREF colour = 0;
    if (!ReadHostColour(value, colour)) return platform::Variant();
    return platform::Variant(static_cast<long>((GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour)));
}
