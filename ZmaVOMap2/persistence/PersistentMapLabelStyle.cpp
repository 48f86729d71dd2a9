#include "ZmaVOMap2/persistence/PersistentMapLabelStyle.h"

#include "ZmaVOMap2/persistence/PersistXml.h"

#include "platform/Com.h"
#include "platform/Result.h"
#include "platform/Xml.h"

#include <olectl.h>

#include <cwchar>
#include <string>

using namespace persistxml;
using platform::Bstr;
using platform::ComPtr;
using platform::Variant;

namespace {

constexpr wchar_t kElement[] = L"text";

ComPtr<IFont> FontOf(IHostLabelStyle* style) {
    ComPtr<IFont> font;
    THROW_IF_FAILED(style->get_Font(font.Put()));
    if (!font) platform::ThrowHr(E_POINTER);
    return font;
}

}  // namespace

HRESULT CPersistentMapLabelStyle::Save(IHostLabelStyle* labelStyle, IXMLDOMElement* element) {
    try {
        if (!labelStyle || !element) return E_POINTER;
        ComPtr<IXMLDOMElement> text = platform::CreateChildElement(element, kElement);
        ComPtr<IFont> font = FontOf(labelStyle);

        Bstr name;
        THROW_IF_FAILED(font->get_Name(name.Put()));
        platform::SetAttribute(text.Get(), L"textname", name.Wide());
        CY size = {};
        THROW_IF_FAILED(font->get_Size(&size));
        platform::SetAttribute(text.Get(), L"textsize", CurrencyText(size));
        BOOL flag = FALSE;
        THROW_IF_FAILED(font->get_Bold(&flag));
        platform::SetAttribute(text.Get(), L"textbold", BoolText(flag != FALSE));
        THROW_IF_FAILED(font->get_Italic(&flag));
        platform::SetAttribute(text.Get(), L"textitalic", BoolText(flag != FALSE));
        THROW_IF_FAILED(font->get_Underline(&flag));
        platform::SetAttribute(text.Get(), L"underline", BoolText(flag != FALSE));
        SHORT charset = 0;
        THROW_IF_FAILED(font->get_Charset(&charset));
        platform::SetAttribute(text.Get(), L"textchar", LongText(charset));

        VARIANT_BOOL value = VARIANT_FALSE;
        THROW_IF_FAILED(labelStyle->get_AllCaps(&value));
        platform::SetAttribute(text.Get(), L"textallcaps", BoolText(value != VARIANT_FALSE));
        THROW_IF_FAILED(labelStyle->get_DoubleSpace(&value));
        platform::SetAttribute(text.Get(), L"textdblspace", BoolText(value != VARIANT_FALSE));
        THROW_IF_FAILED(labelStyle->get_Halo(&value));
        platform::SetAttribute(text.Get(), L"texthalo", BoolText(value != VARIANT_FALSE));
        THROW_IF_FAILED(labelStyle->get_Opaque(&value));
        platform::SetAttribute(text.Get(), L"textopaque", BoolText(value != VARIANT_FALSE));
        THROW_IF_FAILED(labelStyle->get_Shadow(&value));
        platform::SetAttribute(text.Get(), L"textshadow", BoolText(value != VARIANT_FALSE));
        OLE_COLOR colour = 0;
        THROW_IF_FAILED(labelStyle->get_BackColor(&colour));
        platform::SetAttribute(text.Get(), L"textbackcolor", ColourText(colour));
        THROW_IF_FAILED(labelStyle->get_TextColor(&colour));
        platform::SetAttribute(text.Get(), L"textcolor", ColourText(colour));
        return S_OK;
    } CATCH_RETURN_QUIET()
}

HRESULT CPersistentMapLabelStyle::Load(IHostLabelStyle* labelStyle, IXMLDOMElement* element) {
    try {
        if (!labelStyle || !element) return E_POINTER;
        ComPtr<IXMLDOMElement> text = FindChild(element, kElement);
        ComPtr<IFont> font = FontOf(labelStyle);

        THROW_IF_FAILED(font->put_Name(Bstr(ReadText(text.Get(), L"textname")).Get()));
        THROW_IF_FAILED(font->put_Size(ReadCurrency(text.Get(), L"textsize")));
        THROW_IF_FAILED(font->put_Bold(ReadBool(text.Get(), L"textbold") ? TRUE : FALSE));
        THROW_IF_FAILED(font->put_Italic(ReadBool(text.Get(), L"textitalic") ? TRUE : FALSE));
        THROW_IF_FAILED(font->put_Underline(ReadBool(text.Get(), L"underline") ? TRUE : FALSE));
        THROW_IF_FAILED(font->put_Charset(static_cast<SHORT>(ReadLong(text.Get(), L"textchar"))));

        auto asBool = [](bool v) { return v ? VARIANT_TRUE : VARIANT_FALSE; };
        THROW_IF_FAILED(labelStyle->put_AllCaps(asBool(ReadBool(text.Get(), L"textallcaps"))));
        THROW_IF_FAILED(labelStyle->put_BackColor(ReadColour(text.Get(), L"textbackcolor")));
        THROW_IF_FAILED(labelStyle->put_TextColor(ReadColour(text.Get(), L"textcolor")));
        THROW_IF_FAILED(labelStyle->put_DoubleSpace(asBool(ReadBool(text.Get(), L"textdblspace"))));
        THROW_IF_FAILED(labelStyle->put_Halo(asBool(ReadBool(text.Get(), L"texthalo"))));
        THROW_IF_FAILED(labelStyle->put_Opaque(asBool(ReadBool(text.Get(), L"textopaque"))));
        THROW_IF_FAILED(labelStyle->put_Shadow(asBool(ReadBool(text.Get(), L"textshadow"))));
        return S_OK;
    } CATCH_RETURN_QUIET()
}
