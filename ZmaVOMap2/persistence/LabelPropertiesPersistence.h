// The settings of an engine layer's label properties as attributes of an element (a layer's
// "LabelSettings"), with the label text style in a "Style" child. Both answer an HRESULT and
// never throw; a load that fails part-way leaves the keys before the failing one set.
#pragma once

#include "platform/Com.h"

#include <msxml2.h>

HRESULT SaveLabelProperties(IUnknown* labelProperties, IXMLDOMElement* element);
HRESULT LoadLabelProperties(IUnknown* labelProperties, IXMLDOMElement* element);
