#include "ZmaVOMap2/persistence/PersistentStyle.h"

#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineIds.h"
#include "ZmaVOMap2/persistence/PersistXml.h"
#include "platform/Result.h"
#include "platform/Xml.h"

#include <olectl.h>

#include <algorithm>
#include <vector>

using namespace persistxml;
using platform::Bstr;
using platform::ComPtr;
using platform::Variant;
namespace S = Engine::Style;

namespace {

// How a property is written and read: the engine member's value as text, and back in the width
// the engine property has. The font kinds work on the facet's font object instead.
enum class Kind {
    Colour,     // a long, written as a colour
    Short,      // read back as a 16-bit integer
    Long,
    Bool,
    ShortBool,  // a boolean read from a 16-bit integer: any value but 0 is true
    Text,
    FontName,
    FontSize,
    FontBold,
    FontItalic,
    FontUnderline,
    FontCharset,
};

// One attribute of a facet's element. `load` is its step when the element is read back (the
// engine takes some properties only after others); `onlyIf`, when given, is a Style member that
// must be true for the load to apply the property.
struct Property {
    const wchar_t* attribute;
    Kind kind;
    DISPID id;
    int load;
    DISPID onlyIf = 0;
};

// One facet: its element, the Style member that holds its font (0 for none), and its
// properties in the order they are saved.
struct FacetTable {
    const wchar_t* element;
    DISPID font;
    std::vector<Property> properties;
};

const FacetTable kLine = {L"line", 0, {
    {L"linecolor", Kind::Colour, S::kLineColor, 1},
    {L"lineinterleaved", Kind::ShortBool, S::kLineInterleaved, 3, S::kLineSupportsInterleave},
    {L"linestyle", Kind::Short, S::kLineStyle, 2},
    {L"linewidth", Kind::Short, S::kLineWidth, 5},
    {L"linewidthunit", Kind::Long, S::kLineWidthUnit, 4},
}};

const FacetTable kFont = {L"font", S::kSymbolFont, {
    {L"fontname", Kind::FontName, 0, 1},
    {L"fontsize", Kind::FontSize, 0, 2},
    {L"fontchar", Kind::Short, S::kSymbolCharacter, 5},
    {L"fontbold", Kind::FontBold, 0, 3},
    {L"fontitalic", Kind::FontItalic, 0, 4},
    {L"fonthalo", Kind::Bool, S::kSymbolFontHalo, 6},
    {L"fontopaque", Kind::Bool, S::kSymbolFontOpaque, 7},
    {L"fontshadow", Kind::Bool, S::kSymbolFontShadow, 8},
    {L"fontrotation", Kind::Short, S::kSymbolFontRotation, 9},
    {L"fontbackcolor", Kind::Colour, S::kSymbolFontBackColor, 10},
    {L"fontcolor", Kind::Colour, S::kSymbolFontColor, 11},
}};

const FacetTable kBitmap = {L"bitmap", 0, {
    {L"bitmapcolor", Kind::Colour, S::kBitmapColor, 1},
    {L"bitmapname", Kind::Text, S::kBitmapName, 2},
    {L"bitmapoverridecolor", Kind::ShortBool, S::kBitmapOverrideColor, 3},
    {L"bitmapsize", Kind::Long, S::kBitmapSize, 4},
    {L"bitmaptransparent", Kind::ShortBool, S::kBitmapTransparent, 5},
}};

const FacetTable kRegion = {L"region", 0, {
    {L"regioncolor", Kind::Colour, S::kRegionColor, 1},
    {L"regionbackcolor", Kind::Colour, S::kRegionBackColor, 2},
    {L"regionbordercolor", Kind::Colour, S::kRegionBorderColor, 3},
    {L"regionborderstyle", Kind::Short, S::kRegionBorderStyle, 4},
    {L"regionborderwidth", Kind::Short, S::kRegionBorderWidth, 5},
    {L"regionwidthunit", Kind::Long, S::kRegionWidthUnit, 6},
    {L"regionpattern", Kind::Short, S::kRegionPattern, 7},
    {L"regiontransparent", Kind::ShortBool, S::kRegionTransparent, 8},
}};

const FacetTable kText = {L"text", S::kTextFont, {
    {L"textname", Kind::FontName, 0, 1},
    {L"textsize", Kind::FontSize, 0, 2},
    {L"textbold", Kind::FontBold, 0, 3},
    {L"textitalic", Kind::FontItalic, 0, 4},
    {L"underline", Kind::FontUnderline, 0, 5},
    {L"textchar", Kind::FontCharset, 0, 6},
    {L"textallcaps", Kind::Bool, S::kTextFontAllCaps, 7},
    {L"textdblspace", Kind::Bool, S::kTextFontDblSpace, 10},
    {L"texthalo", Kind::Bool, S::kTextFontHalo, 11},
    {L"textopaque", Kind::Bool, S::kTextFontOpaque, 12},
    {L"textshadow", Kind::Bool, S::kTextFontShadow, 14},
    {L"textrotation", Kind::Short, S::kTextFontRotation, 13},
    {L"textbackcolor", Kind::Colour, S::kTextFontBackColor, 8},
    {L"textcolor", Kind::Colour, S::kTextFontColor, 9},
}};

// The font object the Style holds (changed in place; the Style property is never set).
ComPtr<IFont> FontOf(EngineDispatch& style, DISPID id) {
    Variant value = style.Get(id);
    ComPtr<IFont> font;
    if ((value.vt != VT_DISPATCH && value.vt != VT_UNKNOWN) || !value.punkVal ||
        FAILED(value.punkVal->QueryInterface(IID_IFont, font.PutVoid())) || !font)
        platform::ThrowHr(E_POINTER);
    return font;
}

using FontFlag = HRESULT (STDMETHODCALLTYPE IFont::*)(BOOL*);
using FontFlagPut = HRESULT (STDMETHODCALLTYPE IFont::*)(BOOL);

std::wstring FontFlagText(IFont& font, FontFlag get) {
    BOOL flag = FALSE;
    THROW_IF_FAILED((font.*get)(&flag));
    return BoolText(flag != FALSE);
}

// The size check of saving: a size that does not fit a 32-bit whole number stops the save.
std::wstring SizeText(CY size) {
    LONG whole = 0;
    if (FAILED(::VarI4FromCy(size, &whole))) platform::ThrowHr(E_FAIL);
    return CurrencyText(size);
}

std::wstring SavedText(EngineDispatch& style, IFont* font, const Property& p) {
    switch (p.kind) {
    case Kind::Colour: return ColourText(static_cast<unsigned long>(style.Get(p.id).ToLong()));
    case Kind::Short:
    case Kind::Long: return LongText(style.Get(p.id).ToLong());
    case Kind::Bool:
    case Kind::ShortBool: return BoolText(style.Get(p.id).ToBool());
    case Kind::Text: return style.Get(p.id).ToWide();
    case Kind::FontName: {
        Bstr name;
        THROW_IF_FAILED(font->get_Name(name.Put()));
        return name.Wide();
    }
    case Kind::FontSize: {
        CY size = {};
        THROW_IF_FAILED(font->get_Size(&size));
        return SizeText(size);
    }
    case Kind::FontBold: return FontFlagText(*font, &IFont::get_Bold);
    case Kind::FontItalic: return FontFlagText(*font, &IFont::get_Italic);
    case Kind::FontUnderline: return FontFlagText(*font, &IFont::get_Underline);
    case Kind::FontCharset: {
        SHORT charset = 0;
        THROW_IF_FAILED(font->get_Charset(&charset));
        return LongText(charset);
    }
    }
    platform::ThrowHr(E_UNEXPECTED);
}

// Each value is applied right after it is read, in the width the engine property has.
void Apply(EngineDispatch& style, IFont* font, IXMLDOMElement* element, const Property& p) {
    const wchar_t* name = p.attribute;
    auto flag = [&](FontFlagPut put) { THROW_IF_FAILED((font->*put)(ReadBool(element, name) ? TRUE : FALSE)); };
    switch (p.kind) {
    case Kind::Colour: return style.Put(p.id, Variant(static_cast<long>(ReadColour(element, name))));
    case Kind::Short: return style.Put(p.id, Variant(static_cast<short>(ReadLong(element, name))));
    case Kind::Long: return style.Put(p.id, Variant(ReadLong(element, name)));
    case Kind::Bool: return style.Put(p.id, Variant(ReadBool(element, name)));
    case Kind::ShortBool: return style.Put(p.id, Variant(ReadLong(element, name) != 0));
    case Kind::Text: return style.Put(p.id, Variant(ReadText(element, name)));
    case Kind::FontName: THROW_IF_FAILED(font->put_Name(Bstr(ReadText(element, name)).Get())); return;
    case Kind::FontSize: THROW_IF_FAILED(font->put_Size(ReadCurrency(element, name))); return;
    case Kind::FontBold: return flag(&IFont::put_Bold);
    case Kind::FontItalic: return flag(&IFont::put_Italic);
    case Kind::FontUnderline: return flag(&IFont::put_Underline);
    case Kind::FontCharset: THROW_IF_FAILED(font->put_Charset(static_cast<SHORT>(ReadLong(element, name)))); return;
    }
}

HRESULT SaveFacet(const FacetTable& table, IDispatch* style, IXMLDOMElement* parent) {
    try {
        EngineDispatch engine(platform::ThrowIfNull(style, E_POINTER));
        ComPtr<IXMLDOMElement> element =
            platform::CreateChildElement(platform::ThrowIfNull(parent, E_POINTER), table.element);
        ComPtr<IFont> font = table.font ? FontOf(engine, table.font) : nullptr;
        for (const Property& p : table.properties)
            platform::SetAttribute(element.Get(), p.attribute, SavedText(engine, font.Get(), p));
        return S_OK;
    }
    CATCH_RETURN_QUIET()
}

HRESULT LoadFacet(const FacetTable& table, IDispatch* style, IXMLDOMElement* parent) {
    try {
        EngineDispatch engine(platform::ThrowIfNull(style, E_POINTER));
        ComPtr<IXMLDOMElement> element = FindChild(parent, table.element);
        ComPtr<IFont> font = table.font ? FontOf(engine, table.font) : nullptr;
        std::vector<const Property*> steps;
        for (const Property& p : table.properties) steps.push_back(&p);
        std::sort(steps.begin(), steps.end(), [](const Property* a, const Property* b) { return a->load < b->load; });
        for (const Property* p : steps)
            if (!p->onlyIf || engine.Get(p->onlyIf).ToBool()) Apply(engine, font.Get(), element.Get(), *p);
        return S_OK;
    }
    CATCH_RETURN_QUIET()
}

}  // namespace

HRESULT CZmaVOMapXPersistentLineStyle::Save(IDispatch* style, IXMLDOMElement* element) { return SaveFacet(kLine, style, element); }
HRESULT CZmaVOMapXPersistentLineStyle::Load(IDispatch* style, IXMLDOMElement* element) { return LoadFacet(kLine, style, element); }
HRESULT CZmaVOMapXPersistentFontStyle::Save(IDispatch* style, IXMLDOMElement* element) { return SaveFacet(kFont, style, element); }
HRESULT CZmaVOMapXPersistentFontStyle::Load(IDispatch* style, IXMLDOMElement* element) { return LoadFacet(kFont, style, element); }
HRESULT CZmaVOMapXPersistentBitmapStyle::Save(IDispatch* style, IXMLDOMElement* element) {
    return SaveFacet(kBitmap, style, element);
}
HRESULT CZmaVOMapXPersistentBitmapStyle::Load(IDispatch* style, IXMLDOMElement* element) {
    return LoadFacet(kBitmap, style, element);
}
HRESULT CZmaVOMapXPersistentRegionStyle::Save(IDispatch* style, IXMLDOMElement* element) {
    return SaveFacet(kRegion, style, element);
}
HRESULT CZmaVOMapXPersistentRegionStyle::Load(IDispatch* style, IXMLDOMElement* element) {
    return LoadFacet(kRegion, style, element);
}
HRESULT CZmaVOMapXPersistentTextStyle::Save(IDispatch* style, IXMLDOMElement* element) { return SaveFacet(kText, style, element); }
HRESULT CZmaVOMapXPersistentTextStyle::Load(IDispatch* style, IXMLDOMElement* element) { return LoadFacet(kText, style, element); }
