#include "ZmaVOMap2/persistence/PersistentObject.h"

#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineIds.h"
#include "ZmaVOMap2/persistence/PersistXml.h"
#include "platform/Number.h"
#include "platform/Result.h"
#include "platform/Xml.h"

#include <cwchar>
#include <string>

using namespace persistxml;
using platform::ComPtr;
using platform::Variant;

namespace {

constexpr int kParameterCount = 10;
// Parameter attributes in the order of the set method's arguments after the datum.
const wchar_t* const kParameterNames[kParameterCount] = {L"units",     L"originlong", L"originlat", L"stdparone",
                                                         L"stdpartwo", L"azimuth",    L"scale",     L"falseeast",
                                                         L"falsenorth", L"range"};

// Which items each projection type has: the datum, then the ten parameters in the order above.
struct ProjectionRow {
    bool datum;
    bool parameters[kParameterCount];
};
constexpr bool x = true, _ = false;
const ProjectionRow kProjections[] = {
    /* 0 */ {_, {_, _, _, _, _, _, _, _, _, _}},
    /* 1 */ {x, {_, _, _, _, _, _, _, _, _, _}},
    /* 2 */ {x, {x, x, _, x, _, _, _, _, _, _}},
    /* 3 */ {x, {x, x, x, x, x, _, _, x, x, _}},
    /* 4 */ {x, {x, x, x, _, _, _, _, _, _, x}},
    /* 5 */ {x, {x, x, x, _, _, _, _, _, _, x}},
    /* 6 */ {x, {x, x, x, x, x, _, _, x, x, _}},
    /* 7 */ {x, {x, x, x, _, _, x, x, x, x, _}},
    /* 8 */ {x, {x, x, x, _, _, _, x, x, x, _}},
    /* 9 */ {x, {x, x, x, x, x, _, _, x, x, _}},
    /* 10 */ {x, {x, x, _, _, _, _, _, _, _, _}},
    /* 11 */ {x, {x, x, _, _, _, _, _, _, _, _}},
    /* 12 */ {x, {x, x, _, _, _, _, _, _, _, _}},
    /* 13 */ {x, {x, x, _, _, _, _, _, _, _, _}},
    /* 14 */ {x, {x, x, _, _, _, _, _, _, _, _}},
    /* 15 */ {x, {x, x, _, _, _, _, _, _, _, _}},
    /* 16 */ {x, {x, x, _, _, _, _, _, _, _, _}},
    /* 17 */ {x, {x, x, _, _, _, _, _, _, _, _}},
    /* 18 */ {x, {x, x, x, _, _, _, _, x, x, _}},
    /* 19 */ {x, {x, x, x, x, x, _, _, x, x, _}},
    /* 20 */ {x, {x, x, x, _, _, _, x, x, x, _}},
    /* 21 */ {x, {x, x, x, _, _, _, x, x, x, _}},
    /* 22 */ {x, {x, x, x, _, _, _, x, x, x, _}},
    /* 23 */ {x, {x, x, x, _, _, _, x, x, x, _}},
    /* 24 */ {x, {x, x, x, _, _, _, x, x, x, _}},
    /* 25 */ {x, {x, x, x, _, _, _, _, x, x, _}},
};
constexpr long kProjectionTypes = static_cast<long>(sizeof kProjections / sizeof kProjections[0]);

// A type outside the table has no row: neither its element nor its set call may be built from
// flags the table does not have.
const ProjectionRow& RowOf(long type) {
    if (type < 0 || type >= kProjectionTypes) platform::ThrowHr(E_INVALIDARG);
    return kProjections[type];
}

IDispatch* Require(IDispatch* object) { return platform::ThrowIfNull(object, E_POINTER); }

// A new engine object of that class, running and asked for its dispatch interface.
HRESULT CreateEngineObject(const CLSID& clsid, ComPtr<IDispatch>& object) {
    ComPtr<IUnknown> unknown;
    HRESULT hr = ::CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IUnknown, unknown.PutVoid());
    if (FAILED(hr)) return hr;
    hr = ::OleRun(unknown.Get());
    if (FAILED(hr)) return hr;
    return unknown->QueryInterface(IID_IDispatch, object.PutVoid());
}

// A parameter as the set method takes it: the number our own writer wrote (read the same in any
// locale), else the text as the document gives it for the engine to convert, or null when absent.
Variant ParameterValue(IXMLDOMElement* element, const wchar_t* name) {
    Variant value = Optional(element, name);
    if (value.vt != VT_BSTR) return value;
    double number = 0;
    return platform::TryParseDouble(value.ToWide(), number) ? Variant(number) : value;
}

std::wstring Text(const Variant& value) { return value.vt == VT_BSTR ? value.ToWide() : Variant(value).ToWide(); }

}  // namespace

HRESULT CZmaVOMapXPersistentCoordSys::Save(IXMLDOMElement* element) {
    try {
        EngineDispatch coordSys(Require(object_));
        ComPtr<IXMLDOMElement> own = platform::CreateChildElement(platform::ThrowIfNull(element, E_POINTER), L"coordsys");
        const long type = coordSys.Get(Engine::CoordSys::kType).ToLong();
        const ProjectionRow& row = RowOf(type);
        platform::SetAttribute(own.Get(), L"type", LongText(type));
        HRESULT result = S_OK;
        if (row.datum) {
            ComPtr<IDispatch> datum = platform::RequireDispatch(coordSys.Get(Engine::CoordSys::kDatum));
            result = CZmaVOMapXPersistentDatum(datum.Get()).Save(own.Get());
        }
        for (int i = 0; i < kParameterCount; ++i) {
            if (!row.parameters[i]) continue;
            if (i == 0) {
                platform::SetAttribute(own.Get(), kParameterNames[i], LongText(coordSys.Get(Engine::CoordSys::kUnits).ToLong()));
            } else {
                const double value = coordSys.Get(Engine::CoordSys::kFirstParameter + i - 1).ToDouble();
                platform::SetAttribute(own.Get(), kParameterNames[i], DoubleText(value));
            }
        }
        if (type == 0) {
            ComPtr<IDispatch> bounds = platform::RequireDispatch(coordSys.Get(Engine::CoordSys::kBounds));
            result = CZmaVOMapXPersistentRectangle(bounds.Get()).Save(own.Get());
        }
        return result;
    } CATCH_RETURN_QUIET()
}

HRESULT CZmaVOMapXPersistentCoordSys::Load(IXMLDOMElement* element) {
    try {
        EngineDispatch coordSys(Require(object_));
        ComPtr<IXMLDOMElement> own = FindChild(element, L"coordsys");
        Variant typeText = Required(own.Get(), L"type");
        Variant typeValue;
        THROW_IF_FAILED(::VariantChangeType(typeValue.Put(), &typeText, 0, VT_I4));
        const long type = typeValue.lVal;
        const ProjectionRow& row = RowOf(type);

        Variant datumArgument = Variant::Missing();
        ComPtr<IDispatch> datum;
        if (row.datum && SUCCEEDED(CreateEngineObject(ExternalIds::kEngineDatum, datum)) &&
            SUCCEEDED(CZmaVOMapXPersistentDatum(datum.Get()).Load(own.Get())))
            datumArgument = Variant(datum.Get());

        Variant boundsArgument = Variant::Missing();
        if (type == 0) {
            ComPtr<IDispatch> bounds;
            HRESULT created = CreateEngineObject(ExternalIds::kEngineRectangle, bounds);
            if (FAILED(created) && created != E_NOINTERFACE) return created;
            if (SUCCEEDED(created) && SUCCEEDED(CZmaVOMapXPersistentRectangle(bounds.Get()).Load(own.Get())))
                boundsArgument = Variant(bounds.Get());
        }

        Variant parameters[kParameterCount];
        for (int i = 0; i < kParameterCount; ++i)
            parameters[i] = row.parameters[i] ? ParameterValue(own.Get(), kParameterNames[i]) : Variant::Missing();

        coordSys.Call(Engine::CoordSys::kSet,
                      {Variant(static_cast<short>(type)), datumArgument, parameters[0], parameters[1], parameters[2],
                       parameters[3], parameters[4], parameters[5], parameters[6], parameters[7], parameters[8],
                       parameters[9], boundsArgument, Variant::Missing()});
        return S_OK;
    } CATCH_RETURN_QUIET()
}

HRESULT CZmaVOMapXPersistentDatum::Save(IXMLDOMElement* element) {
    try {
        EngineDispatch datum(Require(object_));
        ComPtr<IXMLDOMElement> own = platform::CreateChildElement(platform::ThrowIfNull(element, E_POINTER), L"datum");
        platform::SetAttribute(own.Get(), L"ellipsoid", LongText(datum.Get(Engine::Datum::kEllipsoid).ToLong()));
        const struct {
            const wchar_t* name;
            DISPID id;
        } values[] = {{L"shiftx", Engine::Datum::kShiftX},           {L"shifty", Engine::Datum::kShiftY},
                      {L"shiftz", Engine::Datum::kShiftZ},           {L"rotatex", Engine::Datum::kRotateX},
                      {L"rotatey", Engine::Datum::kRotateY},         {L"rotatez", Engine::Datum::kRotateZ},
                      {L"scaleadjust", Engine::Datum::kScaleAdjust}, {L"primemeridian", Engine::Datum::kPrimeMeridian},
                      {L"majoraxis", Engine::Datum::kMajorAxis},     {L"minoraxis", Engine::Datum::kMinorAxis}};
        for (const auto& v : values) platform::SetAttribute(own.Get(), v.name, DoubleText(datum.Get(v.id).ToDouble()));
        return S_OK;
    } CATCH_RETURN_QUIET()
}

HRESULT CZmaVOMapXPersistentDatum::Load(IXMLDOMElement* element) {
    try {
        EngineDispatch datum(Require(object_));
        ComPtr<IXMLDOMElement> own = FindChild(element, L"datum");
        // Present text never fails here: parsing stops at the first character that does not fit.
        auto number = [&own](const wchar_t* name) {
            double value = 0.0;
            platform::ReadNumber(Text(Required(own.Get(), name)).c_str(), value);
            return value;
        };
        const long ellipsoid = std::wcstol(Text(Required(own.Get(), L"ellipsoid")).c_str(), nullptr, 10);
        const double shiftX = number(L"shiftx"), shiftY = number(L"shifty"), shiftZ = number(L"shiftz");
        const double rotateX = number(L"rotatex"), rotateY = number(L"rotatey"), rotateZ = number(L"rotatez");
        const double scale = number(L"scaleadjust"), meridian = number(L"primemeridian");
        datum.Call(Engine::Datum::kSet, {Variant(static_cast<short>(ellipsoid)), Variant(shiftX), Variant(shiftY),
                                    Variant(shiftZ), Variant(rotateX), Variant(rotateY), Variant(rotateZ),
                                    Variant(scale), Variant(meridian)});
        return S_OK;
    } CATCH_RETURN_QUIET()
}

HRESULT CZmaVOMapXPersistentRectangle::Save(IXMLDOMElement* element) {
    try {
        EngineDispatch rectangle(Require(object_));
        ComPtr<IXMLDOMElement> own =
            platform::CreateChildElement(platform::ThrowIfNull(element, E_POINTER), L"rectangle");
        platform::SetAttribute(own.Get(), L"xmax", DoubleText(rectangle.Get(Engine::Rectangle::kXMax).ToDouble()));
        platform::SetAttribute(own.Get(), L"xmin", DoubleText(rectangle.Get(Engine::Rectangle::kXMin).ToDouble()));
        platform::SetAttribute(own.Get(), L"ymax", DoubleText(rectangle.Get(Engine::Rectangle::kYMax).ToDouble()));
        platform::SetAttribute(own.Get(), L"ymin", DoubleText(rectangle.Get(Engine::Rectangle::kYMin).ToDouble()));
        return S_OK;
    } CATCH_RETURN_QUIET()
}

HRESULT CZmaVOMapXPersistentRectangle::Load(IXMLDOMElement* element) {
    try {
        EngineDispatch rectangle(Require(object_));
        ComPtr<IXMLDOMElement> own = FindChild(element, L"rectangle");
        const double xmax = ReadDouble(own.Get(), L"xmax"), xmin = ReadDouble(own.Get(), L"xmin");
        const double ymax = ReadDouble(own.Get(), L"ymax"), ymin = ReadDouble(own.Get(), L"ymin");
        rectangle.Call(Engine::Rectangle::kSet, {Variant(xmin), Variant(ymin), Variant(xmax), Variant(ymax)});
        return S_OK;
    } CATCH_RETURN_QUIET()
}
