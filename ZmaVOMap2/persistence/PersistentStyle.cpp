#include "ZmaVOMap2/persistence/PersistentStyle.h"

#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineIds.h"
#include "ZmaVOMap2/persistence/PersistXml.h"
#include "platform/Result.h"
#include "platform/Xml.h"

#include <olectl.h>

using namespace persistxml;
using platform::Bstr;
using platform::ComPtr;
using platform::Variant;
namespace S = Engine::Style;

namespace {

// Writes and reads one facet's element on one Style.
class Facet {
public:
    Facet(IDispatch* style, IXMLDOMElement* parent, const wchar_t* name, bool saving)
        : style_(platform::ThrowIfNull(style, E_POINTER)),
          element_(saving ? platform::CreateChildElement(platform::ThrowIfNull(parent, E_POINTER), name)
                          : FindChild(parent, name)) {}

    // Saving.
    void Colour(const wchar_t* name, DISPID id) {
        Set(name, ColourText(static_cast<unsigned long>(style_.Get(id).ToLong())));
    }
    void Long(const wchar_t* name, DISPID id) { Set(name, LongText(style_.Get(id).ToLong())); }
    void Bool(const wchar_t* name, DISPID id) { Set(name, BoolText(style_.Get(id).ToBool())); }
    void Text(const wchar_t* name, DISPID id) { Set(name, style_.Get(id).ToWide()); }
    void Set(const wchar_t* name, const std::wstring& text) { platform::SetAttribute(element_.Get(), name, text); }

    // Loading: each value is applied right after it is read, in the width the engine property has.
    void PutColour(const wchar_t* name, DISPID id) {
        style_.Put(id, Variant(static_cast<long>(ReadColour(element_.Get(), name))));
    }
    void PutShort(const wchar_t* name, DISPID id) {
        style_.Put(id, Variant(static_cast<short>(ReadLong(element_.Get(), name))));
    }
    void PutLong(const wchar_t* name, DISPID id) { style_.Put(id, Variant(ReadLong(element_.Get(), name))); }
    void PutBool(const wchar_t* name, DISPID id) { style_.Put(id, Variant(ReadBool(element_.Get(), name))); }
    // Booleans written as 16-bit integers: any value but 0 is true.
    void PutShortBool(const wchar_t* name, DISPID id) { style_.Put(id, Variant(ReadLong(element_.Get(), name) != 0)); }
    void PutText(const wchar_t* name, DISPID id) { style_.Put(id, Variant(ReadText(element_.Get(), name))); }

    IXMLDOMElement* Element() const noexcept { return element_.Get(); }
    EngineDispatch& Style() noexcept { return style_; }

    // The font object the Style holds (changed in place; the Style property is never set).
    ComPtr<IFont> Font(DISPID id) {
        Variant value = style_.Get(id);
        ComPtr<IFont> font;
        if ((value.vt != VT_DISPATCH && value.vt != VT_UNKNOWN) || !value.punkVal ||
            FAILED(value.punkVal->QueryInterface(IID_IFont, font.PutVoid())) || !font)
            platform::ThrowHr(E_POINTER);
        return font;
    }

private:
    EngineDispatch style_;
    ComPtr<IXMLDOMElement> element_;
};

// The size check of saving: a size that does not fit a 32-bit whole number stops the save.
std::wstring SizeText(CY size) {
    LONG whole = 0;
    if (FAILED(::VarI4FromCy(size, &whole))) platform::ThrowHr(E_FAIL);
    return CurrencyText(size);
}


void SaveFontBasics(Facet& facet, IFont* font, const wchar_t* nameKey, const wchar_t* sizeKey) {
    Bstr name;
    THROW_IF_FAILED(font->get_Name(name.Put()));
    facet.Set(nameKey, name.Wide());
    CY size = {};
    THROW_IF_FAILED(font->get_Size(&size));
    facet.Set(sizeKey, SizeText(size));
}

void SaveFontFlag(Facet& facet, const wchar_t* key, HRESULT (STDMETHODCALLTYPE IFont::*get)(BOOL*), IFont* font) {
    BOOL flag = FALSE;
    THROW_IF_FAILED((font->*get)(&flag));
    facet.Set(key, BoolText(flag != FALSE));
}

void LoadFontFlag(Facet& facet, const wchar_t* key, HRESULT (STDMETHODCALLTYPE IFont::*put)(BOOL), IFont* font) {
    THROW_IF_FAILED((font->*put)(ReadBool(facet.Element(), key) ? TRUE : FALSE));
}

}  // namespace

HRESULT CZmaVOMapXPersistentLineStyle::Save(IDispatch* style, IXMLDOMElement* element) {
    try {
        Facet f(style, element, L"line", true);
        f.Colour(L"linecolor", S::kLineColor);
        f.Bool(L"lineinterleaved", S::kLineInterleaved);
        f.Long(L"linestyle", S::kLineStyle);
        f.Long(L"linewidth", S::kLineWidth);
        f.Long(L"linewidthunit", S::kLineWidthUnit);
        return S_OK;
    } CATCH_RETURN_QUIET()
}

HRESULT CZmaVOMapXPersistentLineStyle::Load(IDispatch* style, IXMLDOMElement* element) {
    try {
        Facet f(style, element, L"line", false);
        f.PutColour(L"linecolor", S::kLineColor);
        f.PutShort(L"linestyle", S::kLineStyle);
        // Interleaving belongs only to the line styles that support it.
        if (f.Style().Get(S::kLineSupportsInterleave).ToBool()) f.PutShortBool(L"lineinterleaved", S::kLineInterleaved);
        f.PutLong(L"linewidthunit", S::kLineWidthUnit);
        f.PutShort(L"linewidth", S::kLineWidth);
        return S_OK;
    } CATCH_RETURN_QUIET()
}

HRESULT CZmaVOMapXPersistentFontStyle::Save(IDispatch* style, IXMLDOMElement* element) {
    try {
        Facet f(style, element, L"font", true);
        ComPtr<IFont> font = f.Font(S::kSymbolFont);
        SaveFontBasics(f, font.Get(), L"fontname", L"fontsize");
        f.Long(L"fontchar", S::kSymbolCharacter);
        SaveFontFlag(f, L"fontbold", &IFont::get_Bold, font.Get());
        SaveFontFlag(f, L"fontitalic", &IFont::get_Italic, font.Get());
        f.Bool(L"fonthalo", S::kSymbolFontHalo);
        f.Bool(L"fontopaque", S::kSymbolFontOpaque);
        f.Bool(L"fontshadow", S::kSymbolFontShadow);
        f.Long(L"fontrotation", S::kSymbolFontRotation);
        f.Colour(L"fontbackcolor", S::kSymbolFontBackColor);
        f.Colour(L"fontcolor", S::kSymbolFontColor);
        return S_OK;
    } CATCH_RETURN_QUIET()
}

HRESULT CZmaVOMapXPersistentFontStyle::Load(IDispatch* style, IXMLDOMElement* element) {
    try {
        Facet f(style, element, L"font", false);
        ComPtr<IFont> font = f.Font(S::kSymbolFont);
        THROW_IF_FAILED(font->put_Name(Bstr(ReadText(f.Element(), L"fontname")).Get()));
        THROW_IF_FAILED(font->put_Size(ReadCurrency(f.Element(), L"fontsize")));
        LoadFontFlag(f, L"fontbold", &IFont::put_Bold, font.Get());
        LoadFontFlag(f, L"fontitalic", &IFont::put_Italic, font.Get());
        f.PutShort(L"fontchar", S::kSymbolCharacter);
        f.PutBool(L"fonthalo", S::kSymbolFontHalo);
        f.PutBool(L"fontopaque", S::kSymbolFontOpaque);
        f.PutBool(L"fontshadow", S::kSymbolFontShadow);
        f.PutShort(L"fontrotation", S::kSymbolFontRotation);
        f.PutColour(L"fontbackcolor", S::kSymbolFontBackColor);
        f.PutColour(L"fontcolor", S::kSymbolFontColor);
        return S_OK;
    } CATCH_RETURN_QUIET()
}

HRESULT CZmaVOMapXPersistentBitmapStyle::Save(IDispatch* style, IXMLDOMElement* element) {
    try {
        Facet f(style, element, L"bitmap", true);
        f.Colour(L"bitmapcolor", S::kBitmapColor);
        f.Text(L"bitmapname", S::kBitmapName);
        f.Bool(L"bitmapoverridecolor", S::kBitmapOverrideColor);
        f.Long(L"bitmapsize", S::kBitmapSize);
        f.Bool(L"bitmaptransparent", S::kBitmapTransparent);
        return S_OK;
    } CATCH_RETURN_QUIET()
}

HRESULT CZmaVOMapXPersistentBitmapStyle::Load(IDispatch* style, IXMLDOMElement* element) {
    try {
        Facet f(style, element, L"bitmap", false);
        f.PutColour(L"bitmapcolor", S::kBitmapColor);
        f.PutText(L"bitmapname", S::kBitmapName);
        f.PutShortBool(L"bitmapoverridecolor", S::kBitmapOverrideColor);
        f.PutLong(L"bitmapsize", S::kBitmapSize);
        f.PutShortBool(L"bitmaptransparent", S::kBitmapTransparent);
        return S_OK;
    } CATCH_RETURN_QUIET()
}

HRESULT CZmaVOMapXPersistentRegionStyle::Save(IDispatch* style, IXMLDOMElement* element) {
    try {
        Facet f(style, element, L"region", true);
        f.Colour(L"regioncolor", S::kRegionColor);
        f.Colour(L"regionbackcolor", S::kRegionBackColor);
        f.Colour(L"regionbordercolor", S::kRegionBorderColor);
        f.Long(L"regionborderstyle", S::kRegionBorderStyle);
        f.Long(L"regionborderwidth", S::kRegionBorderWidth);
        f.Long(L"regionwidthunit", S::kRegionWidthUnit);
        f.Long(L"regionpattern", S::kRegionPattern);
        f.Bool(L"regiontransparent", S::kRegionTransparent);
        return S_OK;
    } CATCH_RETURN_QUIET()
}

HRESULT CZmaVOMapXPersistentRegionStyle::Load(IDispatch* style, IXMLDOMElement* element) {
    try {
        Facet f(style, element, L"region", false);
        f.PutColour(L"regioncolor", S::kRegionColor);
        f.PutColour(L"regionbackcolor", S::kRegionBackColor);
        f.PutColour(L"regionbordercolor", S::kRegionBorderColor);
        f.PutShort(L"regionborderstyle", S::kRegionBorderStyle);
        f.PutShort(L"regionborderwidth", S::kRegionBorderWidth);
        f.PutLong(L"regionwidthunit", S::kRegionWidthUnit);
        f.PutShort(L"regionpattern", S::kRegionPattern);
        f.PutShortBool(L"regiontransparent", S::kRegionTransparent);
        return S_OK;
    } CATCH_RETURN_QUIET()
}

HRESULT CZmaVOMapXPersistentTextStyle::Save(IDispatch* style, IXMLDOMElement* element) {
    try {
        Facet f(style, element, L"text", true);
        ComPtr<IFont> font = f.Font(S::kTextFont);
        SaveFontBasics(f, font.Get(), L"textname", L"textsize");
        SaveFontFlag(f, L"textbold", &IFont::get_Bold, font.Get());
        SaveFontFlag(f, L"textitalic", &IFont::get_Italic, font.Get());
        SaveFontFlag(f, L"underline", &IFont::get_Underline, font.Get());
        SHORT charset = 0;
        THROW_IF_FAILED(font->get_Charset(&charset));
        f.Set(L"textchar", LongText(charset));
        f.Bool(L"textallcaps", S::kTextFontAllCaps);
        f.Bool(L"textdblspace", S::kTextFontDblSpace);
        f.Bool(L"texthalo", S::kTextFontHalo);
        f.Bool(L"textopaque", S::kTextFontOpaque);
        f.Bool(L"textshadow", S::kTextFontShadow);
        f.Long(L"textrotation", S::kTextFontRotation);
        f.Colour(L"textbackcolor", S::kTextFontBackColor);
        f.Colour(L"textcolor", S::kTextFontColor);
        return S_OK;
    } CATCH_RETURN_QUIET()
}

HRESULT CZmaVOMapXPersistentTextStyle::Load(IDispatch* style, IXMLDOMElement* element) {
    try {
        Facet f(style, element, L"text", false);
        ComPtr<IFont> font = f.Font(S::kTextFont);
        THROW_IF_FAILED(font->put_Name(Bstr(ReadText(f.Element(), L"textname")).Get()));
        THROW_IF_FAILED(font->put_Size(ReadCurrency(f.Element(), L"textsize")));
        LoadFontFlag(f, L"textbold", &IFont::put_Bold, font.Get());
        LoadFontFlag(f, L"textitalic", &IFont::put_Italic, font.Get());
        LoadFontFlag(f, L"underline", &IFont::put_Underline, font.Get());
        THROW_IF_FAILED(font->put_Charset(static_cast<SHORT>(ReadLong(f.Element(), L"textchar"))));
        f.PutBool(L"textallcaps", S::kTextFontAllCaps);
        f.PutColour(L"textbackcolor", S::kTextFontBackColor);
        f.PutColour(L"textcolor", S::kTextFontColor);
        f.PutBool(L"textdblspace", S::kTextFontDblSpace);
        f.PutBool(L"texthalo", S::kTextFontHalo);
        f.PutBool(L"textopaque", S::kTextFontOpaque);
        f.PutShort(L"textrotation", S::kTextFontRotation);
        f.PutBool(L"textshadow", S::kTextFontShadow);
        return S_OK;
    } CATCH_RETURN_QUIET()
}
