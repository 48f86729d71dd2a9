#include "ZmaVOMap2/persistence/PersistXml.h"

#include "platform/Result.h"
#include "platform/Xml.h"

#include <cerrno>
#include <cwchar>

using platform::Bstr;
using platform::ComPtr;
using platform::Variant;

namespace persistxml {

std::wstring BoolText(bool value) { return value ? L"-1" : L"0"; }
std::wstring LongText(long value) { return std::to_wstring(value); }
std::wstring ColourText(unsigned long value) { return std::to_wstring(value); }
std::wstring DoubleText(double value) { return platform::FormatDouble(value); }

std::wstring CurrencyText(CY value) {
    double points = 0;
    THROW_IF_FAILED(::VarR8FromCy(value, &points));
    return platform::FormatDouble(points);
}

ComPtr<IXMLDOMElement> FindChild(IXMLDOMElement* element, const wchar_t* name) {
    if (!element) platform::ThrowHr(E_POINTER);
    ComPtr<IXMLDOMNodeList> children;
    THROW_IF_FAILED(element->get_childNodes(children.Put()));
    if (!children) platform::ThrowHr(E_POINTER);
    long count = 0;
    THROW_IF_FAILED(children->get_length(&count));
    for (long i = 0; i < count; ++i) {
        ComPtr<IXMLDOMNode> child;
        THROW_IF_FAILED(children->get_item(i, child.Put()));
        ComPtr<IXMLDOMElement> childElement;
        if (!child || FAILED(child.As(IID_IXMLDOMElement, childElement.PutVoid()))) platform::ThrowHr(E_FAIL);
        Bstr childName;
        THROW_IF_FAILED(childElement->get_nodeName(childName.Put()));
        if (childName.Wide() == name) return childElement;
    }
    platform::ThrowHr(E_FAIL);
}

ComPtr<IXMLDOMElement> ReplaceChildElement(IXMLDOMElement* parent, const wchar_t* name) {
    if (!parent) platform::ThrowHr(E_POINTER);
    ComPtr<IXMLDOMDocument> owner;
    THROW_IF_FAILED(parent->get_ownerDocument(owner.Put()));
    if (!owner) platform::ThrowHr(E_INVALIDARG);
    ComPtr<IXMLDOMElement> child;
    THROW_IF_FAILED(owner->createElement(Bstr(name).Get(), child.Put()));
    ComPtr<IXMLDOMNode> existing, placed;
    THROW_IF_FAILED(parent->selectSingleNode(Bstr(name).Get(), existing.Put()));
    if (existing)
        THROW_IF_FAILED(parent->replaceChild(child.Get(), existing.Get(), placed.Put()));
    else
        THROW_IF_FAILED(parent->appendChild(child.Get(), placed.Put()));
    return child;
}

Variant Optional(IXMLDOMElement* element, const wchar_t* name) {
    Variant value;
    THROW_IF_FAILED(element->getAttribute(Bstr(name).Get(), value.Put()));
    if (value.vt == VT_EMPTY) value.vt = VT_NULL;
    return value;
}

Variant Required(IXMLDOMElement* element, const wchar_t* name) {
    Variant value = Optional(element, name);
    if (value.vt == VT_NULL) platform::ThrowHr(DISP_E_TYPEMISMATCH);
    return value;
}

std::wstring ReadText(IXMLDOMElement* element, const wchar_t* name) { return Required(element, name).ToWide(); }

bool ReadBool(IXMLDOMElement* element, const wchar_t* name) { return Required(element, name).ToBool(); }

long ReadLong(IXMLDOMElement* element, const wchar_t* name) {
    const std::wstring text = ReadText(element, name);
    double number = 0;
    if (!platform::TryParseDouble(text, number)) platform::ThrowHr(DISP_E_TYPEMISMATCH);
    LONG whole = 0;
    THROW_IF_FAILED(::VarI4FromR8(number, &whole));
    return whole;
}

double ReadDouble(IXMLDOMElement* element, const wchar_t* name) {
    double number = 0;
    if (!platform::TryParseDouble(ReadText(element, name), number)) platform::ThrowHr(DISP_E_TYPEMISMATCH);
    return number;
}

CY ReadCurrency(IXMLDOMElement* element, const wchar_t* name) {
    CY size = {};
    THROW_IF_FAILED(::VarCyFromR8(ReadDouble(element, name), &size));
    return size;
}

unsigned long ReadColour(IXMLDOMElement* element, const wchar_t* name) {
    const std::wstring text = ReadText(element, name);
    return std::wcstoul(text.c_str(), nullptr, 10);
}

std::wstring RequireText(IXMLDOMElement* element, const wchar_t* name) {
    std::wstring value;
    if (!platform::GetAttribute(element, name, value)) platform::ThrowHr(DISP_E_TYPEMISMATCH);
    return value;
}

long RequireLong(IXMLDOMElement* element, const wchar_t* name) {
    std::wstring text = RequireText(element, name);
    wchar_t* end = nullptr;
    errno = 0;
    long value = std::wcstol(text.c_str(), &end, 10);
    while (end && *end == L' ') ++end;
    if (text.empty() || errno != 0 || !end || *end != L'\0') platform::ThrowHr(DISP_E_TYPEMISMATCH);
    return value;
}

double RequireDouble(IXMLDOMElement* element, const wchar_t* name) {
    double number = 0;
    if (!platform::TryParseDouble(RequireText(element, name), number)) platform::ThrowHr(DISP_E_TYPEMISMATCH);
    return number;
}

bool RequireBool(IXMLDOMElement* element, const wchar_t* name) { return RequireLong(element, name) != 0; }

void LogRefusedSetting(const wchar_t* name, const std::wstring& text) {
    platform::ErrorLog* log = platform::GetErrorLog();
    if (!log || !log->IsEnabledFor(platform::kLogLevelError)) return;
    std::string shown = platform::ToAnsi(text.substr(0, 64));
    for (char& c : shown)
        if (static_cast<unsigned char>(c) < 32) c = '?';
    log->Write(platform::kLogLevelError, __FILE__, __LINE__,
               "Invalid map setting " + platform::ToAnsi(name) + "=\"" + shown + "\" ignored");
}

bool ReadNumberWithin(IXMLDOMElement* element, const wchar_t* name, double low, double high, double& value) {
    std::wstring text;
    if (!platform::GetAttribute(element, name, text)) return false;
    double number = 0;
    if (!platform::TryParseDouble(text, number) || number < low || number > high) {
        LogRefusedSetting(name, text);
        return false;
    }
    value = number;
    return true;
}

bool RequireNumberWithin(IXMLDOMElement* element, const wchar_t* name, double low, double high, double& value) {
    RequireText(element, name);
    return ReadNumberWithin(element, name, low, high, value);
}

ComPtr<IXMLDOMNodeList> SelectNodes(IXMLDOMNode* node, const wchar_t* xpath) {
    platform::ThrowIfNull(node);
    ComPtr<IXMLDOMNodeList> list;
    THROW_IF_FAILED(node->selectNodes(Bstr(xpath).Get(), list.Put()));
    platform::ThrowIfNull(list.Get());
    return list;
}

ComPtr<IXMLDOMElement> SelectElement(IXMLDOMNode* node, const wchar_t* xpath) {
    platform::ThrowIfNull(node);
    ComPtr<IXMLDOMNode> found;
    THROW_IF_FAILED(node->selectSingleNode(Bstr(xpath).Get(), found.Put()));
    ComPtr<IXMLDOMElement> element;
    if (found) found->QueryInterface(IID_IXMLDOMElement, element.PutVoid());
    return element;
}

}  // namespace persistxml
