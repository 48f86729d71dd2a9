// The control's per-series members: the series settings node the host keeps, the legends'
// check boxes, the cell colour field, and the data layer's tooltip and label expressions.
#include "ZmaVOMap2/control/ZmaVadAZ.h"

#include "ZmaVOMap2/datalayers/ZmaVadAZDataLayer.h"
#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineIds.h"
#include "ZmaVOMap2/layers/ZmaVadAZLabelProperties.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"
#include "platform/Result.h"
#include "platform/Xml.h"

using platform::Bstr;
using platform::ComError;
using platform::ComPtr;
using platform::Variant;

namespace {

const wchar_t kSeriesElement[] = L"SeriesInfoChild";
constexpr long kCellColourRole = 3;

std::wstring TextOf(BSTR text) { return text ? std::wstring(text, ::SysStringLen(text)) : std::wstring(); }

[[noreturn]] void ThrowNoSeries(HRESULT hr) {
    throw ComError(hr, L"No layer of the map shows the series given.", L"VadAZ");
}

// An attribute of the settings element, converted to `type`; a missing or unconvertible value
// raises its HRESULT.
Variant ReadAttribute(IXMLDOMElement* element, const wchar_t* name, VARTYPE type) {
    Bstr attribute(name);
    Variant value;
    THROW_IF_FAILED(element->getAttribute(attribute.Get(), value.Put()));
    if (value.vt != type && FAILED(::VariantChangeType(&value, &value, 0, type)))
        throw ComError(DISP_E_TYPEMISMATCH, L"The settings element has no number in \"" + std::wstring(name) + L"\".",
                       L"VadAZ");
    return value;
}

void WriteAttribute(IXMLDOMElement* element, const wchar_t* name, const Variant& value) {
    Bstr attribute(name);
    THROW_IF_FAILED(element->setAttribute(attribute.Get(), value));
}

}  // namespace

// --- Series settings ---------------------------------------------------------------------------

namespace {

// The data layer of a series for the settings members; raises a clear error when there is none.
CZmaVadAZDataLayer& SeriesLayer(CZmaVadAZLayerCollection& layers, BSTR series) {
    CZmaVadAZDataLayer* layer = AsDataLayer(layers.FindLayer(TextOf(series)));
    if (!layer) ThrowNoSeries(DISP_E_BADINDEX);
    return *layer;
}

void ApplySeriesSettings(CZmaVadAZLayerCollection& layers, CZmaVadAZDataLayer& layer, IXMLDOMElement* element) {
    if (!element) throw ComError(E_FAIL, L"The settings node has no \"SeriesInfoChild\" element.", L"VadAZ");
    if (CZmaVadAZLabelProperties* labels = layer.GetLabelProperties()) labels->Load(element, layers.GetVersion());
    const long visibility = ReadAttribute(element, L"LayerVisibility", VT_I4).lVal;
    const double offsetX = ReadAttribute(element, L"LayerOffsetX", VT_R8).dblVal;
    const double offsetY = ReadAttribute(element, L"LayerOffsetY", VT_R8).dblVal;
    THROW_IF_FAILED(layer.SetVisible(static_cast<short>(visibility & 0xFFFF) != 0));
    // A saved zero offset does not reset a layer the user has moved since.
    if (offsetX != 0.0 || offsetY != 0.0) {
        layer.SetOffsetX(offsetX);
        layer.SetOffsetY(offsetY);
    }
}

}  // namespace

STDMETHODIMP CZmaVadAZ::SetSeriesSettings(BSTR bstrSeriesID, IDispatch* ppNode) {
    OperationScope operation(*this);
    COM_TRY {
        if (!ppNode) throw ComError(E_POINTER, L"No settings node was given.", L"VadAZ");
        platform::CreateXmlDocument();
        ComPtr<IXMLDOMNode> node;
        if (FAILED(ppNode->QueryInterface(IID_IXMLDOMNode, node.PutVoid())) || !node)
            throw ComError(E_INVALIDARG, L"The settings node is not an XML node.", L"VadAZ");
        Bstr path(kSeriesElement);
        ComPtr<IXMLDOMNode> child;
        THROW_IF_FAILED(node->selectSingleNode(path.Get(), child.Put()));
        ComPtr<IXMLDOMElement> element;
        if (child) child->QueryInterface(IID_IXMLDOMElement, element.PutVoid());
        CZmaVadAZLayerCollection& layers = RequireLayers();
        ApplySeriesSettings(layers, SeriesLayer(layers, bstrSeriesID), element.Get());
        return S_OK;
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::SetIndividualSeriesSettings(BSTR bstrSeriesID, IDispatch* ppNode) {
    OperationScope operation(*this);
    COM_TRY {
        if (!ppNode) throw ComError(E_POINTER, L"No settings node was given.", L"VadAZ");
        ComPtr<IXMLDOMElement> element;
        if (FAILED(ppNode->QueryInterface(IID_IXMLDOMElement, element.PutVoid())) || !element)
            throw ComError(E_INVALIDARG, L"The settings node is not an XML element.", L"VadAZ");
        CZmaVadAZLayerCollection& layers = RequireLayers();
        ApplySeriesSettings(layers, SeriesLayer(layers, bstrSeriesID), element.Get());
        return S_OK;
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::GetSeriesSettings(BSTR bstrSeriesID, IDispatch** ppNode) {
    COM_TRY {
        if (!ppNode) return E_POINTER;
        ComPtr<IXMLDOMDocument2> document = platform::CreateXmlDocument();
        CZmaVadAZDataLayer& layer = SeriesLayer(RequireLayers(), bstrSeriesID);
        const bool visible = layer.IsVisible();
        const double offsetX = layer.GetOffsetX(), offsetY = layer.GetOffsetY();

        Bstr name(kSeriesElement);
        ComPtr<IXMLDOMElement> element;
        THROW_IF_FAILED(document->createElement(name.Get(), element.Put()));
        if (CZmaVadAZLabelProperties* labels = layer.GetLabelProperties()) {
            const long mapUnit = EngineDispatch(EngineMapOrThrow()).Get(EngineMap::kDistanceUnit).ToLong();
            THROW_IF_FAILED(labels->Save(element.Get(), mapUnit));
        }
        WriteAttribute(element.Get(), L"guid", Variant(TextOf(bstrSeriesID)));
        WriteAttribute(element.Get(), L"LayerVisibility", Variant(static_cast<short>(visible ? -1 : 0)));
        WriteAttribute(element.Get(), L"LayerOffsetX", Variant(offsetX));
        WriteAttribute(element.Get(), L"LayerOffsetY", Variant(offsetY));
        THROW_IF_FAILED(element->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(ppNode)));
        return S_OK;
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::UpdateLegendCheckBoxes() {
    OperationScope operation(*this);
    COM_TRY {
        return RequireLayers().UpdateLegendCheckBoxes();
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::put_CellColourField(BSTR SeriesID, BSTR fieldName) {
    OperationScope operation(*this);
    COM_TRY {
        THROW_IF_FAILED(RequireLayers().SetCellColourField(TextOf(SeriesID), platform::ToAnsi(TextOf(fieldName)), kCellColourRole));
        return S_OK;
    }
    COM_CATCH_RETURN();
}

// --- Tooltip and label expressions -------------------------------------------------------------

STDMETHODIMP CZmaVadAZ::SetTooltipExpressionForDataLayer(BSTR bstrSeriesID, BSTR expression) {
    COM_TRY {
        CZmaVadAZDataLayer* layer = AsDataLayer(RequireLayers(E_FAIL).FindLayer(TextOf(bstrSeriesID)));
        if (!layer) ThrowNoSeries(E_FAIL);
        const std::wstring text = TextOf(expression);
        layer->SetTooltipExpression(text);
        layer->SetUseTooltipExpression(!text.empty());
        return S_OK;
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::SetLabelExpressionForDataLayer(BSTR bstrSeriesID, BSTR expression) {
    COM_TRY {
        CZmaVadAZLayer* layer = RequireLayers(E_FAIL).FindLayer(TextOf(bstrSeriesID));
        if (!layer) ThrowNoSeries(E_FAIL);
        CZmaVadAZLabelProperties* labels = layer->GetLabelProperties();
        if (!labels) throw ComError(E_FAIL, L"The series' layer has no label settings.", L"VadAZ");
        const std::wstring text = TextOf(expression);
        labels->SetExpression(platform::ToAnsi(text));
        labels->SetUseExpression(!text.empty());
        RepaintIfUpdating();
        return S_OK;
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::SetLabelVisibleForDataLayer(BSTR bstrSeriesID, VARIANT_BOOL bVisible) {
    COM_TRY {
        CZmaVadAZLayer* layer = RequireLayers(E_FAIL).FindLayer(TextOf(bstrSeriesID));
        if (!layer) ThrowNoSeries(E_INVALIDARG);
        CZmaVadAZLabelProperties* labels = layer->GetLabelProperties();
        if (!labels) throw ComError(E_FAIL, L"The series' layer has no label settings.", L"VadAZ");
        // Only VARIANT_TRUE shows them: a host's 1 hides them, as it always has.
        labels->SetVisible(bVisible == VARIANT_TRUE);
        RepaintIfUpdating();
        return S_OK;
    }
    COM_CATCH_RETURN();
}
