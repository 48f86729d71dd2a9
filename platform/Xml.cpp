#include "platform/Xml.h"

#include "platform/Number.h"
#include "platform/Result.h"

#include <cmath>
#include <cwchar>

// mingw-w64 declares these but its libraries do not define them.
extern "C" {
const CLSID CLSID_DOMDocument40 = {0x88D969C0, 0xF192, 0x11D4, {0xA6, 0x5F, 0x00, 0x40, 0x96, 0x32, 0x51, 0xE5}};
const IID IID_IXMLDOMDocument2 = {0x2933BF95, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
}

namespace platform {

ComPtr<IXMLDOMDocument2> CreateXmlDocument() {
    ComPtr<IUnknown> object;
    THROW_IF_FAILED(::CoCreateInstance(CLSID_DOMDocument40, nullptr, CLSCTX_ALL, IID_IUnknown, object.PutVoid()));
    THROW_IF_FAILED(::OleRun(object.Get()));
    ComPtr<IXMLDOMDocument2> document;
    THROW_IF_FAILED(object->QueryInterface(IID_IXMLDOMDocument2, document.PutVoid()));
    return document;
}

ComPtr<IXMLDOMElement> CreateChildElement(IXMLDOMNode* parent, const wchar_t* name) {
    ThrowIfNull(parent, E_INVALIDARG);
    ComPtr<IXMLDOMDocument> owner;
    DOMNodeType type = NODE_INVALID;
    parent->get_nodeType(&type);
    if (type == NODE_DOCUMENT)
        THROW_IF_FAILED(parent->QueryInterface(IID_IXMLDOMDocument, owner.PutVoid()));
    else
        THROW_IF_FAILED(parent->get_ownerDocument(owner.Put()));
    ThrowIfNull(owner.Get(), E_INVALIDARG);
    ComPtr<IXMLDOMElement> element;
    THROW_IF_FAILED(owner->createElement(Bstr(name).Get(), element.Put()));
    ComPtr<IXMLDOMNode> added;
    THROW_IF_FAILED(parent->appendChild(element.Get(), added.Put()));
    return element;
}

void SetAttribute(IXMLDOMElement* element, const wchar_t* name, const std::wstring& value) {
    ThrowIfNull(element, E_INVALIDARG);
    Variant text(value);
    THROW_IF_FAILED(element->setAttribute(Bstr(name).Get(), text));
}

bool GetAttribute(IXMLDOMElement* element, const wchar_t* name, std::wstring& value) {
    ThrowIfNull(element, E_INVALIDARG);
    Variant v;
    HRESULT hr = element->getAttribute(Bstr(name).Get(), v.Put());
    THROW_IF_FAILED(hr);
    if (hr == S_FALSE || v.vt != VT_BSTR) return false;
    value = v.bstrVal ? std::wstring(v.bstrVal, ::SysStringLen(v.bstrVal)) : std::wstring();
    return true;
}

std::wstring FormatDouble(double value) {
    std::string text;
    for (int precision = 15; precision <= 17; ++precision) {
        text = FormatGeneral(value, precision);
        double read = 0;
        if (ReadNumber(text.c_str(), read) && read == value) break;
    }
    return ToWide(text);
}

bool TryParseDouble(const std::wstring& text, double& value) {
    // Read whole: "5abc" and "1,5" are no numbers, and neither are NaN and the infinities, which
    // no setting can take.
    if (text.find(L'\0') != std::wstring::npos) return false;
    const wchar_t* start = text.c_str();
    while (*start == L' ') ++start;
    double parsed = 0;
    const size_t read = ReadNumber(start, parsed);
    if (!read) return false;
    const wchar_t* end = start + read;
    while (*end == L' ') ++end;
    if (*end != '\0' || !std::isfinite(parsed)) return false;
    value = parsed;
    return true;
}

double ParseDouble(const std::wstring& text) {
    double value = 0;
    if (!TryParseDouble(text, value)) ThrowHr(E_INVALIDARG);
    return value;
}

}  // namespace platform
