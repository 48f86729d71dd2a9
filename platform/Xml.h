// MSXML 4 documents: creation, and attribute text that does not depend on the user's locale
// (MSXML formats numbers and booleans with it, so the system writes its own text).
#pragma once

#include "platform/Com.h"

#include <msxml2.h>

#include <string>

namespace platform {

// A new DOMDocument40, run and asked for IXMLDOMDocument2; throws ComError on failure.
ComPtr<IXMLDOMDocument2> CreateXmlDocument();

ComPtr<IXMLDOMElement> CreateChildElement(IXMLDOMNode* parent, const wchar_t* name);
void SetAttribute(IXMLDOMElement* element, const wchar_t* name, const std::wstring& value);
// Absent attributes answer false.
bool GetAttribute(IXMLDOMElement* element, const wchar_t* name, std::wstring& value);

// "1.5", "-0.25", "1e-07": the shortest text that reads back as the same double, with a point.
std::wstring FormatDouble(double value);
// Parses text written by FormatDouble (or any C-locale number), read whole; false (TryParseDouble)
// or E_INVALIDARG raised (ParseDouble) when it is not one, or not finite.
bool TryParseDouble(const std::wstring& text, double& value);
double ParseDouble(const std::wstring& text);

}  // namespace platform
