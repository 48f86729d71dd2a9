// Persistors of engine objects: each writes one engine object (coordinate system, datum,
// rectangle) as one child element of a given element and reads it back. They are short-lived
// locals around one call and hold the engine object without a reference of their own: the caller
// keeps it alive. Every operation answers an HRESULT and never throws; what was written or applied
// before a failure stays.
#pragma once

#include "platform/Com.h"

#include <msxml2.h>

class CZmaVOMapXPersistentObject {
public:
    virtual ~CZmaVOMapXPersistentObject() = default;
    virtual HRESULT Save(IXMLDOMElement* element) { (void)element; return S_OK; }
    virtual HRESULT Load(IXMLDOMElement* element) { (void)element; return S_OK; }
};

// "coordsys": the projection type and the parameters its type has, a "datum" child for the types
// that have a datum and a "rectangle" child (the bounds) for type 0.
class CZmaVOMapXPersistentCoordSys : public CZmaVOMapXPersistentObject {
public:
    explicit CZmaVOMapXPersistentCoordSys(IDispatch* coordSys) noexcept : object_(coordSys) {}
    ~CZmaVOMapXPersistentCoordSys() override = default;
    HRESULT Save(IXMLDOMElement* element) override;
    HRESULT Load(IXMLDOMElement* element) override;

private:
    IDispatch* object_;
};

class CZmaVOMapXPersistentDatum : public CZmaVOMapXPersistentObject {
public:
    explicit CZmaVOMapXPersistentDatum(IDispatch* datum) noexcept : object_(datum) {}
    ~CZmaVOMapXPersistentDatum() override = default;
    HRESULT Save(IXMLDOMElement* element) override;
    HRESULT Load(IXMLDOMElement* element) override;

private:
    IDispatch* object_;
};

class CZmaVOMapXPersistentRectangle : public CZmaVOMapXPersistentObject {
public:
    explicit CZmaVOMapXPersistentRectangle(IDispatch* rectangle) noexcept : object_(rectangle) {}
    ~CZmaVOMapXPersistentRectangle() override = default;
    HRESULT Save(IXMLDOMElement* element) override;
    HRESULT Load(IXMLDOMElement* element) override;

private:
    IDispatch* object_;
};
