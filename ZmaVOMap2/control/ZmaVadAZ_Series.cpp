// The control's per-series members: the series settings node the host keeps, the legends'
// check boxes, the cell colour field, and the data layer's tooltip and label expressions.
#include "ZmaVOMap2/control/ZmaVadAZ.h"

#include "ZmaVOMap2/control/SeriesSettings.h"
#include "ZmaVOMap2/datalayers/ZmaVadAZDataLayer.h"
#include "ZmaVOMap2/layers/ZmaVadAZLabelProperties.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"
#include "platform/Result.h"

using platform::ComPtr;

namespace {

constexpr long kCellColourRole = 3;

std::wstring TextOf(BSTR text) { return text ? std::wstring(text, ::SysStringLen(text)) : std::wstring(); }

}  // namespace

// --- Series settings ---------------------------------------------------------------------------

STDMETHODIMP CZmaVadAZ::SetSeriesSettings(BSTR bstrSeriesID, IDispatch* ppNode) {
    OperationScope operation(operations_);
    COM_TRY {
        if (!ppNode) throw platform::ComError(E_POINTER, L"No settings node was given.", L"VadAZ");
        ComPtr<IXMLDOMElement> element = seriessettings::SettingsElement(ppNode, true);
        seriessettings::Apply(layers_.Require(), TextOf(bstrSeriesID), element.Get());
        return S_OK;
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::SetIndividualSeriesSettings(BSTR bstrSeriesID, IDispatch* ppNode) {
    OperationScope operation(operations_);
    COM_TRY {
        if (!ppNode) throw platform::ComError(E_POINTER, L"No settings node was given.", L"VadAZ");
        ComPtr<IXMLDOMElement> element = seriessettings::SettingsElement(ppNode, false);
        seriessettings::Apply(layers_.Require(), TextOf(bstrSeriesID), element.Get());
        return S_OK;
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::GetSeriesSettings(BSTR bstrSeriesID, IDispatch** ppNode) {
    COM_TRY {
        if (!ppNode) return E_POINTER;
        ComPtr<IXMLDOMElement> element = seriessettings::Make(layers_.Require(), TextOf(bstrSeriesID), engine_.Map());
        THROW_IF_FAILED(element->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(ppNode)));
        return S_OK;
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::UpdateLegendCheckBoxes() {
    OperationScope operation(operations_);
    COM_TRY { return layers_.Require().UpdateLegendCheckBoxes(); }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::put_CellColourField(BSTR SeriesID, BSTR fieldName) {
    OperationScope operation(operations_);
    COM_TRY {
        const std::string field = platform::ToAnsi(TextOf(fieldName));
        THROW_IF_FAILED(layers_.Require().SetCellColourField(TextOf(SeriesID), field, kCellColourRole));
        return S_OK;
    }
    COM_CATCH_RETURN();
}

// --- Tooltip and label expressions -------------------------------------------------------------

STDMETHODIMP CZmaVadAZ::SetTooltipExpressionForDataLayer(BSTR bstrSeriesID, BSTR expression) {
    COM_TRY {
        CZmaVadAZDataLayer& layer = seriessettings::DataLayer(layers_.Require(E_FAIL), TextOf(bstrSeriesID));
        layer.SetTooltipExpression(TextOf(expression));
        layer.SetUseTooltipExpression(::SysStringLen(expression) != 0);
        return S_OK;
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::SetLabelExpressionForDataLayer(BSTR bstrSeriesID, BSTR expression) {
    COM_TRY {
        CZmaVadAZLabelProperties& labels = seriessettings::Labels(layers_.Require(E_FAIL), TextOf(bstrSeriesID), E_FAIL);
        labels.SetExpression(platform::ToAnsi(TextOf(expression)));
        labels.SetUseExpression(::SysStringLen(expression) != 0);
        view_.RepaintIfUpdating(engine_);
        return S_OK;
    }
    COM_CATCH_RETURN();
}

STDMETHODIMP CZmaVadAZ::SetLabelVisibleForDataLayer(BSTR bstrSeriesID, VARIANT_BOOL bVisible) {
    COM_TRY {
        // Only VARIANT_TRUE shows them: a host's 1 hides them, as it always has.
        seriessettings::Labels(layers_.Require(E_FAIL), TextOf(bstrSeriesID), E_INVALIDARG)
            .SetVisible(bVisible == VARIANT_TRUE);
        view_.RepaintIfUpdating(engine_);
        return S_OK;
    }
    COM_CATCH_RETURN();
}
