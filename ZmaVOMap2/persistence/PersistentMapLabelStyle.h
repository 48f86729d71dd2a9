// Writes the host's label style (font, two colours, five flags) as one "text" element and reads it
// back. Holds nothing: made for one call.
#pragma once

#include "HostInterfaces.h"

#include <msxml2.h>

class CPersistentMapLabelStyle {
public:
    CPersistentMapLabelStyle() = default;
    virtual ~CPersistentMapLabelStyle() = default;

    // Appends a "text" element as the last child of `element` and writes the style into it.
    HRESULT Save(IHostLabelStyle* labelStyle, IXMLDOMElement* element);
    // Reads the "text" child of `element` into the style, attribute by attribute: a failure
    // part-way leaves the attributes before it applied. E_FAIL when there is no "text" child.
    HRESULT Load(IHostLabelStyle* labelStyle, IXMLDOMElement* element);
};
