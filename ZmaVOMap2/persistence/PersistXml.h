// The element and value conventions every saved setting shares: children appended at once and
// found by exact name, numbers written as locale-free text, required attributes that fail the
// read with a type mismatch when they are absent.
#pragma once

#include "platform/Com.h"
#include "platform/Xml.h"

#include <msxml2.h>

#include <string>

namespace persistxml {

// Booleans take the automation form, -1 and 0.
std::wstring BoolText(bool value);
std::wstring LongText(long value);
std::wstring ColourText(unsigned long value);
std::wstring DoubleText(double value);
std::wstring CurrencyText(CY value);

// A new element `name` in place of the first child of that name, or appended when there is none:
// saving into the same element twice leaves one such child.
platform::ComPtr<IXMLDOMElement> ReplaceChildElement(IXMLDOMElement* parent, const wchar_t* name);

// The first child element named `name` (exact, case-sensitive). The walk fails with E_FAIL at a
// child that is not an element, and when no child has the name.
platform::ComPtr<IXMLDOMElement> FindChild(IXMLDOMElement* element, const wchar_t* name);

// The attribute's value; an absent attribute fails as the automation conversion of a null does
// (DISP_E_TYPEMISMATCH).
platform::Variant Required(IXMLDOMElement* element, const wchar_t* name);
// The attribute's text, or a null variant when it is absent.
platform::Variant Optional(IXMLDOMElement* element, const wchar_t* name);
std::wstring ReadText(IXMLDOMElement* element, const wchar_t* name);
// -1/0 and the other forms the automation conversion takes ("True", "1").
bool ReadBool(IXMLDOMElement* element, const wchar_t* name);
// A whole number: text with a fraction rounds as the automation conversion rounds (to even).
long ReadLong(IXMLDOMElement* element, const wchar_t* name);
double ReadDouble(IXMLDOMElement* element, const wchar_t* name);
CY ReadCurrency(IXMLDOMElement* element, const wchar_t* name);
// Colours never fail on present text: parsing stops at the first non-digit, no digits give 0.
unsigned long ReadColour(IXMLDOMElement* element, const wchar_t* name);

// The stricter reads of the layers' settings: DISP_E_TYPEMISMATCH when the attribute is missing
// or does not hold the whole number or number asked for (no rounding).
std::wstring RequireText(IXMLDOMElement* element, const wchar_t* name);
long RequireLong(IXMLDOMElement* element, const wchar_t* name);
double RequireDouble(IXMLDOMElement* element, const wchar_t* name);
bool RequireBool(IXMLDOMElement* element, const wchar_t* name);

// A number a document holds but the map cannot use keeps the setting as it is: the attribute
// read whole as a finite number within [low, high] into `value`, true when it was. A missing
// attribute answers false quietly; any other refusal is logged ("Invalid map setting ...").
bool ReadNumberWithin(IXMLDOMElement* element, const wchar_t* name, double low, double high, double& value);
// The same for a number the element must hold: a missing attribute fails as RequireDouble does.
bool RequireNumberWithin(IXMLDOMElement* element, const wchar_t* name, double low, double high, double& value);
// The log line of such a refusal.
void LogRefusedSetting(const wchar_t* name, const std::wstring& text);

// The nodes an XPath expression selects under `node`; the first one as an element (null when none).
platform::ComPtr<IXMLDOMNodeList> SelectNodes(IXMLDOMNode* node, const wchar_t* xpath);
platform::ComPtr<IXMLDOMElement> SelectElement(IXMLDOMNode* node, const wchar_t* xpath);

}  // namespace persistxml
