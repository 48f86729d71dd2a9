// The values of the intermediate tree: a reader writes each layer setting as the text of a typed
// value ("-1" and "0" for booleans, plain decimal numbers, text as it is), and the import reads
// them back into the types the layers and the engine take.
#pragma once

#include "platform/Com.h"

#include <msxml2.h>

#include <string>

namespace workspaces {

// A new "Layer" element made by the workspace element's document (not yet appended).
platform::ComPtr<IXMLDOMElement> NewLayerElement(IXMLDOMElement* workspace);
void AppendLayerElement(IXMLDOMElement* workspace, IXMLDOMElement* layer);

void SetText(IXMLDOMElement* element, const wchar_t* name, const std::string& text);
void SetBool(IXMLDOMElement* element, const wchar_t* name, bool value);
void SetInteger(IXMLDOMElement* element, const wchar_t* name, long long value);
void SetNumber(IXMLDOMElement* element, const wchar_t* name, double value);
bool HasValue(IXMLDOMElement* element, const wchar_t* name);

// Conversions of value text. Each answers false when the text is not a value of its type.
// Booleans: the words true and false (any case) or a number, true when it is not 0.
bool ParseBool(const std::string& text, bool& value);
// A decimal number, read whole (blanks around it allowed), finite.
bool ParseNumber(const std::string& text, double& value);
// A number rounded to the nearest whole one, within [minimum, maximum].
bool ParseInteger(const std::string& text, long long minimum, long long maximum, long long& value);

// The C rule of atol: leading blanks, a sign, the digits that follow; 0 without digits. Values
// beyond the 32-bit range are held at its ends.
long LeadingInteger(const std::string& text);
// The same for a decimal number; false when the text does not begin with one.
bool LeadingNumber(const std::string& text, double& value);

}  // namespace workspaces
