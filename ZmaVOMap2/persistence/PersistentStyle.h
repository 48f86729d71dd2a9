// Persistors of the facets of an engine Style object: line, symbol font, bitmap symbol, region
// and text, each written as one element with one attribute per property and read back onto a
// Style. They hold nothing: the Style and the parent element come with each call. Every
// operation answers an HRESULT and never throws; a load that fails part-way leaves the attributes
// before the failing one applied.
#pragma once

#include "platform/Com.h"

#include <msxml2.h>

class CZmaVOMapXPersistentStyle {
public:
    virtual HRESULT Load(IDispatch* style, IXMLDOMElement* element) = 0;
    virtual HRESULT Save(IDispatch* style, IXMLDOMElement* element) = 0;
    virtual ~CZmaVOMapXPersistentStyle() = default;
};

class CZmaVOMapXPersistentLineStyle : public CZmaVOMapXPersistentStyle {
public:
    HRESULT Load(IDispatch* style, IXMLDOMElement* element) override;
    HRESULT Save(IDispatch* style, IXMLDOMElement* element) override;
};

class CZmaVOMapXPersistentFontStyle : public CZmaVOMapXPersistentStyle {
public:
    HRESULT Load(IDispatch* style, IXMLDOMElement* element) override;
    HRESULT Save(IDispatch* style, IXMLDOMElement* element) override;
};

class CZmaVOMapXPersistentBitmapStyle : public CZmaVOMapXPersistentStyle {
public:
    HRESULT Load(IDispatch* style, IXMLDOMElement* element) override;
    HRESULT Save(IDispatch* style, IXMLDOMElement* element) override;
};

class CZmaVOMapXPersistentRegionStyle : public CZmaVOMapXPersistentStyle {
public:
    HRESULT Load(IDispatch* style, IXMLDOMElement* element) override;
    HRESULT Save(IDispatch* style, IXMLDOMElement* element) override;
};

class CZmaVOMapXPersistentTextStyle : public CZmaVOMapXPersistentStyle {
public:
    HRESULT Load(IDispatch* style, IXMLDOMElement* element) override;
    HRESULT Save(IDispatch* style, IXMLDOMElement* element) override;
};
