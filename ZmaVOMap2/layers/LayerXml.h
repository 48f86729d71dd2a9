// Attribute reading for the layers' settings elements, over the platform's XML helpers. Numbers
// and booleans are written as our own text (the XML library would use the user's locale).
#pragma once

#include "platform/Com.h"
#include "platform/Xml.h"

#include <msxml2.h>

#include <string>

namespace layerxml {

std::wstring FormatLong(long value);
std::wstring FormatBool(bool value);  // "-1" or "0", the engine's boolean as a number

// These raise DISP_E_TYPEMISMATCH when the attribute is missing or holds no number.
std::wstring RequireText(IXMLDOMElement* element, const wchar_t* name);
long RequireLong(IXMLDOMElement* element, const wchar_t* name);
double RequireDouble(IXMLDOMElement* element, const wchar_t* name);
bool RequireBool(IXMLDOMElement* element, const wchar_t* name);

// The nodes an XPath expression selects under `node`; the first one as an element (null when none).
platform::ComPtr<IXMLDOMNodeList> SelectNodes(IXMLDOMNode* node, const wchar_t* xpath);
platform::ComPtr<IXMLDOMElement> SelectElement(IXMLDOMNode* node, const wchar_t* xpath);

}  // namespace layerxml
