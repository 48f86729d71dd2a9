#include "ZmaVOMap2/workspaces/LayerValues.h"

#include "ZmaVOMap2/workspaces/TextLines.h"
#include "platform/Number.h"
#include "platform/Result.h"
#include "platform/Xml.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>

using platform::ComPtr;

namespace workspaces {

ComPtr<IXMLDOMElement> NewLayerElement(IXMLDOMElement* workspace) {
    ComPtr<IXMLDOMDocument> document;
    THROW_IF_FAILED(platform::ThrowIfNull(workspace)->get_ownerDocument(document.Put()));
    ComPtr<IXMLDOMElement> layer;
    THROW_IF_FAILED(platform::ThrowIfNull(document.Get())->createElement(platform::Bstr(L"Layer").Get(), layer.Put()));
    return layer;
}

void AppendLayerElement(IXMLDOMElement* workspace, IXMLDOMElement* layer) {
    ComPtr<IXMLDOMNode> added;
    THROW_IF_FAILED(workspace->appendChild(layer, added.Put()));
}

void SetText(IXMLDOMElement* element, const wchar_t* name, const std::string& text) {
    platform::SetAttribute(element, name, platform::ToWide(text));
}

void SetBool(IXMLDOMElement* element, const wchar_t* name, bool value) {
    platform::SetAttribute(element, name, value ? L"-1" : L"0");
}

void SetInteger(IXMLDOMElement* element, const wchar_t* name, long long value) {
    platform::SetAttribute(element, name, std::to_wstring(value));
}

void SetNumber(IXMLDOMElement* element, const wchar_t* name, double value) {
    platform::SetAttribute(element, name, platform::FormatDouble(value));
}

bool HasValue(IXMLDOMElement* element, const wchar_t* name) {
    std::wstring ignored;
    return platform::GetAttribute(element, name, ignored);
}

bool ParseNumber(const std::string& text, double& value) {
    const std::string number = Trimmed(text);
    if (number.empty()) return false;
    double parsed = 0.0;
    if (platform::ReadNumber(number.c_str(), parsed) != number.size() || !std::isfinite(parsed)) return false;
    value = parsed;
    return true;
}

bool ParseBool(const std::string& text, bool& value) {
    const std::string word = Trimmed(text);
    if (EqualNoCase(word, "true") || EqualNoCase(word, "false")) {
        value = EqualNoCase(word, "true");
        return true;
    }
    double number = 0;
    if (!ParseNumber(word, number)) return false;
    value = number != 0;
    return true;
}

bool ParseInteger(const std::string& text, long long minimum, long long maximum, long long& value) {
    double number = 0;
    if (!ParseNumber(text, number)) return false;
    const double rounded = std::nearbyint(number);
    if (rounded < static_cast<double>(minimum) || rounded > static_cast<double>(maximum)) return false;
    value = static_cast<long long>(rounded);
    return true;
}

long LeadingInteger(const std::string& text) {
    errno = 0;
    const long long parsed = std::strtoll(text.c_str(), nullptr, 10);
    if (parsed > LONG_MAX) return LONG_MAX;
    if (parsed < LONG_MIN) return LONG_MIN;
    return static_cast<long>(parsed);
}

bool LeadingNumber(const std::string& text, double& value) {
    double parsed = 0.0;
    if (!platform::ReadNumber(text.c_str(), parsed) || !std::isfinite(parsed)) return false;
    value = parsed;
    return true;
}

}  // namespace workspaces
