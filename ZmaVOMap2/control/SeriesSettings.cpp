#include "ZmaVOMap2/control/SeriesSettings.h"

#include "ZmaVOMap2/control/ControlEngine.h"
#include "ZmaVOMap2/control/MapLayers.h"
#include "ZmaVOMap2/control/Operations.h"
#include "ZmaVOMap2/control/ViewState.h"
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

namespace seriessettings {
namespace {

const wchar_t kSeriesElement[] = L"SeriesInfoChild";

[[noreturn]] void ThrowNoSeries(HRESULT hr) {
    throw ComError(hr, L"No layer of the map shows the series given.", L"VadAZ");
}

// An attribute of the settings element, converted to `type`; a missing or unconvertible value
// raises its HRESULT.
Variant ReadAttribute(IXMLDOMElement* element, const wchar_t* name, VARTYPE type) {
    Variant value;
    THROW_IF_FAILED(element->getAttribute(Bstr(name).Get(), value.Put()));
    if (value.vt != type && FAILED(::VariantChangeType(&value, &value, 0, type)))
        throw ComError(DISP_E_TYPEMISMATCH, L"The settings element has no number in \"" + std::wstring(name) + L"\".",
                       L"VadAZ");
    return value;
}

void WriteAttribute(IXMLDOMElement* element, const wchar_t* name, const Variant& value) {
    THROW_IF_FAILED(element->setAttribute(Bstr(name).Get(), value));
}

// The data layer of a series for the settings members.
CZmaVadAZDataLayer& SettingsLayer(CZmaVadAZLayerCollection& layers, const std::wstring& series) {
    CZmaVadAZDataLayer* layer = AsDataLayer(layers.FindLayer(series));
    if (!layer) ThrowNoSeries(DISP_E_BADINDEX);
    return *layer;
}

}  // namespace

ComPtr<IXMLDOMElement> SettingsElement(IDispatch* node, bool within) {
    ComPtr<IXMLDOMElement> element;
    if (!within) {
        if (FAILED(node->QueryInterface(IID_IXMLDOMElement, element.PutVoid())) || !element)
            throw ComError(E_INVALIDARG, L"The settings node is not an XML element.", L"VadAZ");
        return element;
    }
    platform::CreateXmlDocument();
    ComPtr<IXMLDOMNode> parent;
    if (FAILED(node->QueryInterface(IID_IXMLDOMNode, parent.PutVoid())) || !parent)
        throw ComError(E_INVALIDARG, L"The settings node is not an XML node.", L"VadAZ");
    ComPtr<IXMLDOMNode> child;
    THROW_IF_FAILED(parent->selectSingleNode(Bstr(kSeriesElement).Get(), child.Put()));
    if (child) child->QueryInterface(IID_IXMLDOMElement, element.PutVoid());
    return element;
}

void Apply(CZmaVadAZLayerCollection& layers, const std::wstring& series, IXMLDOMElement* element) {
    CZmaVadAZDataLayer& layer = SettingsLayer(layers, series);
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

ComPtr<IXMLDOMElement> Make(CZmaVadAZLayerCollection& layers, const std::wstring& series, IDispatch* map) {
    ComPtr<IXMLDOMDocument2> document = platform::CreateXmlDocument();
    CZmaVadAZDataLayer& layer = SettingsLayer(layers, series);
    ComPtr<IXMLDOMElement> element;
    THROW_IF_FAILED(document->createElement(Bstr(kSeriesElement).Get(), element.Put()));
    if (CZmaVadAZLabelProperties* labels = layer.GetLabelProperties()) {
        const long mapUnit = EngineDispatch(platform::ThrowIfNull(map)).Get(Engine::Map::kDistanceUnit).ToLong();
        THROW_IF_FAILED(labels->Save(element.Get(), mapUnit));
    }
    WriteAttribute(element.Get(), L"guid", Variant(series));
    WriteAttribute(element.Get(), L"LayerVisibility", Variant(static_cast<short>(layer.IsVisible() ? -1 : 0)));
    WriteAttribute(element.Get(), L"LayerOffsetX", Variant(layer.GetOffsetX()));
    WriteAttribute(element.Get(), L"LayerOffsetY", Variant(layer.GetOffsetY()));
    return element;
}

CZmaVadAZDataLayer& DataLayer(CZmaVadAZLayerCollection& layers, const std::wstring& series) {
    CZmaVadAZDataLayer* layer = AsDataLayer(layers.FindLayer(series));
    if (!layer) ThrowNoSeries(E_FAIL);
    return *layer;
}

CZmaVadAZLabelProperties& Labels(CZmaVadAZLayerCollection& layers, const std::wstring& series, HRESULT missing) {
    CZmaVadAZLayer* layer = layers.FindLayer(series);
    if (!layer) ThrowNoSeries(missing);
    CZmaVadAZLabelProperties* labels = layer->GetLabelProperties();
    if (!labels) throw ComError(E_FAIL, L"The series' layer has no label settings.", L"VadAZ");
    return *labels;
}

}  // namespace seriessettings

// --- The members -------------------------------------------------------------------------------

namespace {

constexpr long kCellColourRole = 3;

std::wstring TextOf(BSTR text) { return text ? std::wstring(text, ::SysStringLen(text)) : std::wstring(); }

}  // namespace

HRESULT SeriesMembers::SetSettings(BSTR series, IDispatch* node, bool within) {
    OperationScope operation(operations_);
    COM_TRY {
        if (!node) throw ComError(E_POINTER, L"No settings node was given.", L"VadAZ");
        ComPtr<IXMLDOMElement> element = seriessettings::SettingsElement(node, within);
        seriessettings::Apply(layers_.Require(), TextOf(series), element.Get());
        return S_OK;
    }
    COM_CATCH_RETURN();
}

HRESULT SeriesMembers::GetSettings(BSTR series, IDispatch** node) {
    COM_TRY {
        if (!node) return E_POINTER;
        ComPtr<IXMLDOMElement> element = seriessettings::Make(layers_.Require(), TextOf(series), engine_.Map());
        THROW_IF_FAILED(element->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(node)));
        return S_OK;
    }
    COM_CATCH_RETURN();
}

HRESULT SeriesMembers::UpdateLegendCheckBoxes() {
    OperationScope operation(operations_);
    COM_TRY { return layers_.Require().UpdateLegendCheckBoxes(); }
    COM_CATCH_RETURN();
}

HRESULT SeriesMembers::SetCellColourField(BSTR series, BSTR field) {
    OperationScope operation(operations_);
    COM_TRY {
        const std::string name = platform::ToAnsi(TextOf(field));
        THROW_IF_FAILED(layers_.Require().SetCellColourField(TextOf(series), name, kCellColourRole));
        return S_OK;
    }
    COM_CATCH_RETURN();
}

HRESULT SeriesMembers::SetTooltipExpression(BSTR series, BSTR expression) {
    COM_TRY {
        CZmaVadAZDataLayer& layer = seriessettings::DataLayer(layers_.Require(E_FAIL), TextOf(series));
        layer.SetTooltipExpression(TextOf(expression));
        layer.SetUseTooltipExpression(::SysStringLen(expression) != 0);
        return S_OK;
    }
    COM_CATCH_RETURN();
}

HRESULT SeriesMembers::SetLabelExpression(BSTR series, BSTR expression) {
    COM_TRY {
        CZmaVadAZLabelProperties& labels = seriessettings::Labels(layers_.Require(E_FAIL), TextOf(series), E_FAIL);
        labels.SetExpression(platform::ToAnsi(TextOf(expression)));
        labels.SetUseExpression(::SysStringLen(expression) != 0);
        view_.RepaintIfUpdating(engine_);
        return S_OK;
    }
    COM_CATCH_RETURN();
}

HRESULT SeriesMembers::SetLabelsVisible(BSTR series, VARIANT_BOOL visible) {
    COM_TRY {
        seriessettings::Labels(layers_.Require(E_FAIL), TextOf(series), E_INVALIDARG).SetVisible(visible == VARIANT_TRUE);
        view_.RepaintIfUpdating(engine_);
        return S_OK;
    }
    COM_CATCH_RETURN();
}
