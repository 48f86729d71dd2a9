// Writes which features a layer's selection holds as the "featurekeys" attribute of an element:
// every key preceded by "^". A key's own "^" and "\" are escaped with "\", so the list reads back
// unambiguously. Nothing in the control reads the attribute back: it is for the host.
#pragma once

#include "platform/Com.h"

#include <msxml2.h>

class CZmaVOMapXSelectionPersistor {
public:
    virtual ~CZmaVOMapXSelectionPersistor() = default;
    // `selection`: any collection that answers "Count" and "Item" (a 1-based index giving an
    // engine feature). An empty selection writes nothing.
    HRESULT Save(IXMLDOMElement* element, IDispatch* selection);
};
