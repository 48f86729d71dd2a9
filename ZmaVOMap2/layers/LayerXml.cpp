#include "ZmaVOMap2/layers/LayerXml.h"

#include "platform/Result.h"

#include <cerrno>
#include <cwchar>

using platform::Bstr;
using platform::ComPtr;

namespace layerxml {

std::wstring FormatLong(long value) { return std::to_wstring(value); }

std::wstring FormatBool(bool value) { return value ? L"-1" : L"0"; }

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

}  // namespace layerxml
