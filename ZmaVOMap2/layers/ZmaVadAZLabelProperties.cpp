#include "ZmaVOMap2/layers/ZmaVadAZLabelProperties.h"

#include "ZmaVOMap2/engine/DistanceUnits.h"
#include "ZmaVOMap2/persistence/PersistXml.h"
#include "ZmaVOMap2/persistence/PersistentMapLabelStyle.h"
#include "platform/Result.h"
#include "platform/Xml.h"

#include <algorithm>
#include <cfloat>

using platform::Bstr;
using platform::ComPtr;
using platform::Variant;

namespace {

// Numbers and booleans are written as text of our own, not through the XML library's typed
// values, which follow the user's locale. Booleans take the automation form -1 / 0, which the
// variant conversion reads back.
std::wstring BoolText(bool value) { return value ? L"-1" : L"0"; }
std::wstring LongText(long value) { return std::to_wstring(value); }

// A new instance of a host class, run and asked for `iid`; null when any step fails.
template <class I>
ComPtr<I> CreateRunning(REFCLSID clsid) {
    ComPtr<IUnknown> object;
    if (FAILED(::CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IUnknown, object.PutVoid()))) return nullptr;
    if (FAILED(::OleRun(object.Get()))) return nullptr;
    ComPtr<I> result;
    if (FAILED(object.As(result))) return nullptr;
    return result;
}

// Reading: an absent attribute answers false; a present one converts or raises the conversion's
// failure.
bool Fetch(IXMLDOMElement* element, const wchar_t* name, Variant& value) {
    THROW_IF_FAILED(element->getAttribute(Bstr(name).Get(), value.Put()));
    return value.vt != VT_NULL && value.vt != VT_EMPTY;
}

VARIANT_BOOL ToVariantBool(const Variant& value) {
    Variant converted;
    THROW_IF_FAILED(::VariantChangeType(&converted, const_cast<Variant*>(&value), 0, VT_BOOL));
    return converted.boolVal;
}

short ToShort(const Variant& value) {
    Variant converted;
    THROW_IF_FAILED(::VariantChangeType(&converted, const_cast<Variant*>(&value), 0, VT_I2));
    return converted.iVal;
}

}  // namespace

CZmaVadAZLabelProperties::CZmaVadAZLabelProperties(const CZmaVadAZLabelProperties& other) {
    CopySettingsFrom(other);
    CopyStyleFrom(other);
}

CZmaVadAZLabelProperties& CZmaVadAZLabelProperties::operator=(const CZmaVadAZLabelProperties& other) {
    if (this != &other) {
        CopySettingsFrom(other);
        CopyStyleFrom(other);
    }
    return *this;
}

void CZmaVadAZLabelProperties::CopySettingsFrom(const CZmaVadAZLabelProperties& other) {
    dataField_ = other.dataField_;
    formattedLabels_ = other.formattedLabels_;
    visible_ = other.visible_;
    labelZoom_ = other.labelZoom_;
    zoomMin_ = other.zoomMin_;
    zoomMax_ = other.zoomMax_;
    zoomUnit_ = other.zoomUnit_;
    overlap_ = other.overlap_;
    duplicate_ = other.duplicate_;
    position_ = other.position_;
    alignment_ = other.alignment_;
    offsetX_ = other.offsetX_;
    offsetY_ = other.offsetY_;
}

// Each object keeps its own style: the target's style takes a clone of the font and the colours
// and flags one by one.
void CZmaVadAZLabelProperties::CopyStyleFrom(const CZmaVadAZLabelProperties& other) {
    ComPtr<IHostLabelStyle> source = other.GetStyle();
    ComPtr<IHostLabelStyle> target = GetStyle();
    if (!source || !target) platform::ThrowHr(E_POINTER);

    ComPtr<IFont> font;
    THROW_IF_FAILED(source->get_Font(font.Put()));
    if (!font) platform::ThrowHr(E_POINTER);
    ComPtr<IFont> clone;
    THROW_IF_FAILED(font->Clone(clone.Put()));
    THROW_IF_FAILED(target->putref_Font(clone.Get()));

    OLE_COLOR colour = 0;
    THROW_IF_FAILED(source->get_TextColor(&colour));
    THROW_IF_FAILED(target->put_TextColor(colour));
    THROW_IF_FAILED(source->get_BackColor(&colour));
    THROW_IF_FAILED(target->put_BackColor(colour));
    VARIANT_BOOL flag = VARIANT_FALSE;
    THROW_IF_FAILED(source->get_Opaque(&flag));
    THROW_IF_FAILED(target->put_Opaque(flag));
    THROW_IF_FAILED(source->get_Halo(&flag));
    THROW_IF_FAILED(target->put_Halo(flag));
    THROW_IF_FAILED(source->get_Shadow(&flag));
    THROW_IF_FAILED(target->put_Shadow(flag));
    THROW_IF_FAILED(source->get_AllCaps(&flag));
    THROW_IF_FAILED(target->put_AllCaps(flag));
    THROW_IF_FAILED(source->get_DoubleSpace(&flag));
    THROW_IF_FAILED(target->put_DoubleSpace(flag));
}

void CZmaVadAZLabelProperties::SetLabelZoom(bool on, double zoomMin, double zoomMax) noexcept {
    labelZoom_ = on;
    zoomMin_ = zoomMin;
    zoomMax_ = zoomMax;
}

bool CZmaVadAZLabelProperties::GetLabelZoom(double* zoomMin, double* zoomMax) const noexcept {
    if (zoomMin) *zoomMin = zoomMin_;
    if (zoomMax) *zoomMax = zoomMax_;
    return labelZoom_;
}

ComPtr<IHostLabelStyle> CZmaVadAZLabelProperties::GetStyle() const {
    if (!style_) style_ = CreateRunning<IHostLabelStyle>(CLSID_HostLabelStyle);
    return style_;
}

void CZmaVadAZLabelProperties::GetLabelZoomIn(long unit, double& zoomMin, double& zoomMax) const {
    zoomMin = zoomMin_;
    zoomMax = zoomMax_;
    if (unit == zoomUnit_) return;
    ComPtr<IHostUnitConverter> converter = CreateRunning<IHostUnitConverter>(CLSID_HostUnitConverter);
    if (!converter) return;
    const long from = DistanceUnits::ToConverterUnit(zoomUnit_);
    const long to = DistanceUnits::ToConverterUnit(unit);
    THROW_IF_FAILED(converter->Convert(zoomMin_, from, to, &zoomMin));
    THROW_IF_FAILED(converter->Convert(zoomMax_, from, to, &zoomMax));
    // The world's width in metres comes out a hair wider than the world's width in miles: a
    // range the map could use must stay one it can use, in a dialog and in a saved map.
    const double kept = DistanceUnits::WorldWidth(zoomUnit_), world = DistanceUnits::WorldWidth(unit);
    if (zoomMin_ <= kept) zoomMin = std::min(zoomMin, world);
    if (zoomMax_ <= kept) zoomMax = std::min(zoomMax, world);
}

HRESULT CZmaVadAZLabelProperties::Save(IXMLDOMElement* element, long mapUnit) {
    if (!element) return E_POINTER;
    ComPtr<IXMLDOMDocument> document;
    if (FAILED(element->get_ownerDocument(document.Put())) || !document) return E_INVALIDARG;

    // The file holds the range in the map's unit of the time of saving; the settings keep theirs.
    double zoomMin = zoomMin_;
    double zoomMax = zoomMax_;
    GetLabelZoomIn(mapUnit, zoomMin, zoomMax);

    platform::SetAttribute(element, L"datafield", platform::ToWide(dataField_));
    platform::SetAttribute(element, L"formattedlabels", BoolText(formattedLabels_));
    platform::SetAttribute(element, L"duplicate", BoolText(duplicate_));
    platform::SetAttribute(element, L"labelzoom", BoolText(labelZoom_));
    platform::SetAttribute(element, L"labelzoommax", platform::FormatDouble(zoomMax));
    platform::SetAttribute(element, L"labelzoommin", platform::FormatDouble(zoomMin));
    platform::SetAttribute(element, L"offsetx", LongText(offsetX_));
    platform::SetAttribute(element, L"offsety", LongText(offsetY_));
    platform::SetAttribute(element, L"overlap", BoolText(overlap_));
    platform::SetAttribute(element, L"position", LongText(position_));
    platform::SetAttribute(element, L"alignment", LongText(alignment_));
    platform::SetAttribute(element, L"visible", BoolText(visible_));
    platform::SetAttribute(element, L"use_expression", BoolText(useExpression_));
    platform::SetAttribute(element, L"expression", platform::ToWide(expression_));

    // Exactly one "Style" child, however often the element is saved.
    ComPtr<IXMLDOMElement> style = persistxml::ReplaceChildElement(element, L"Style");
    THROW_IF_FAILED(CPersistentMapLabelStyle().Save(GetStyle().Get(), style.Get()));
    return S_OK;
}

HRESULT CZmaVadAZLabelProperties::Load(IXMLDOMElement* element, long version) {
    if (!element) return E_POINTER;
    try {
        const bool current = version == kCurrentVersion;
        Variant value;
        if (Fetch(element, L"visible", value)) visible_ = ToVariantBool(value) == VARIANT_TRUE;
        // Before the current version the key held the opposite sense ("show duplicates").
        if (Fetch(element, L"duplicate", value))
            duplicate_ = current ? ToVariantBool(value) == VARIANT_TRUE : ToVariantBool(value) != VARIANT_TRUE;

        // The range applies only when all three keys are there, taken as they stand.
        // Read in the C locale, the form Save writes, whatever the user's decimal separator; a zoom
        // the map cannot use (NaN, an infinity, below 0) counts as missing, logged.
        double zoomMax = 0, zoomMin = 0;
        const bool haveMax = persistxml::ReadNumberWithin(element, L"labelzoommax", 0.0, DBL_MAX, zoomMax);
        const bool haveMin = persistxml::ReadNumberWithin(element, L"labelzoommin", 0.0, DBL_MAX, zoomMin);
        if (Fetch(element, L"labelzoom", value)) {
            const bool labelZoom = ToVariantBool(value) == VARIANT_TRUE;
            if (haveMin && haveMax) SetLabelZoom(labelZoom, zoomMin, zoomMax);
        }

        if (current) {
            // An offset beyond what labels take (50 points either way) keeps 0, logged.
            double x = 0, y = 0;
            persistxml::ReadNumberWithin(element, L"offsetx", -50.0, 50.0, x);
            persistxml::ReadNumberWithin(element, L"offsety", -50.0, 50.0, y);
            SetOffset(static_cast<int>(x), static_cast<int>(y));
        }
        if (Fetch(element, L"overlap", value)) overlap_ = ToVariantBool(value) == VARIANT_TRUE;
        if (current) {
            if (Fetch(element, L"position", value)) position_ = ToShort(value);
            if (Fetch(element, L"alignment", value)) alignment_ = ToShort(value);
        }

        std::wstring dataField;
        if (Fetch(element, L"datafield", value)) {
            dataField = value.ToWide();
            if (!dataField.empty()) dataField_ = platform::ToAnsi(dataField);
        }
        if (current) {
            if (Fetch(element, L"formattedlabels", value)) formattedLabels_ = ToVariantBool(value) == VARIANT_TRUE;
        } else if (dataField == L"FormattedLabel") {
            // Older files marked formatted labels by this field name.
            formattedLabels_ = true;
        }

        if (Fetch(element, L"use_expression", value)) useExpression_ = ToVariantBool(value) == VARIANT_TRUE;
        if (Fetch(element, L"expression", value)) expression_ = platform::ToAnsi(value.ToWide());

        // Settings without a style keep the current one; saving always writes it.
        ComPtr<IXMLDOMNode> styleNode;
        THROW_IF_FAILED(element->selectSingleNode(Bstr(L"Style").Get(), styleNode.Put()));
        ComPtr<IXMLDOMElement> style;
        if (styleNode && SUCCEEDED(styleNode.As(IID_IXMLDOMElement, style.PutVoid()))) {
            ComPtr<IHostLabelStyle> labelStyle = GetStyle();
            THROW_IF_FAILED(CPersistentMapLabelStyle().Load(labelStyle.Get(), style.Get()));
        }
        return S_OK;
    } CATCH_RETURN_QUIET()
}
