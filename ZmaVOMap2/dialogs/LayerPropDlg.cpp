#include "ZmaVOMap2/dialogs/LayerPropDlg.h"

#include "ZmaVOMap2/dialogs/DialogResources.h"
#include "ZmaVOMap2/dialogs/DialogSupport.h"
#include "ZmaVOMap2/engine/DistanceUnits.h"
#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineIds.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayer.h"
#include "ZmaVOMap2/services/NumberInput.h"
#include "platform/Module.h"
#include "platform/Result.h"

using platform::ComPtr;
using namespace layerdialogs;

CLayerPropDlg::CLayerPropDlg(CZmaVadAZLayer& layer, IDispatch* engineMap)
    : Dialog(platform::Module::Instance(), IDD_LAYER_PROPERTIES), layer_(layer), map_(engineMap) {}

BOOL CLayerPropDlg::OnInitDialog() {
    HWND d = Handle();
    widestZoom_ = DistanceUnits::WorldWidth(DistanceUnits::kMile);
    try {
        const long unit = MapDistanceUnit(map_.Get());
        unitCaption_ = UnitCaption(unit);
        widestZoom_ = DistanceUnits::WorldWidth(unit);
    }
    COM_CATCH_LOG();
    SetItemText(d, IDC_PROP_UNIT_MIN, unitCaption_);
    SetItemText(d, IDC_PROP_UNIT_MAX, unitCaption_);
    Check(d, IDC_PROP_OVERRIDE_STYLE, layer_.GetOverrideStyle());
    const bool zoomLayering = layer_.GetZoomLayering();
    Check(d, IDC_PROP_ZOOM_LAYERING, zoomLayering);
    const int type = layer_.GetType();
    const bool styled = type == CZmaVadAZLayer::kTypeTable || type == CZmaVadAZLayer::kTypeAnnotations;
    Enable(d, IDC_PROP_OVERRIDE_STYLE, styled);
    Enable(d, IDC_PROP_LAYER_STYLE, styled);
    Enable(d, IDC_PROP_ZOOM_MIN, zoomLayering);
    Enable(d, IDC_PROP_ZOOM_MAX, zoomLayering);
    ::SetWindowTextA(d, ("Display Properties - Layer " + layer_.GetName()).c_str());
    SetItemNumber(d, IDC_PROP_ZOOM_MIN, layer_.GetZoomMin(), 6);
    SetItemNumber(d, IDC_PROP_ZOOM_MAX, layer_.GetZoomMax(), 6);
    return TRUE;
}

bool CLayerPropDlg::OnMessage(UINT msg, WPARAM wp, LPARAM, INT_PTR& result) {
    if (msg != WM_COMMAND || HIWORD(wp) != BN_CLICKED) return false;
    HWND d = Handle();
    switch (LOWORD(wp)) {
    case IDC_PROP_LAYER_STYLE: PickLayerStyle(); break;
    case IDC_PROP_ZOOM_LAYERING: {
        if (layer_.GetType() == CZmaVadAZLayer::kTypeTable) layer_.SetOverrideStyle(IsChecked(d, IDC_PROP_OVERRIDE_STYLE));
        const bool on = IsChecked(d, IDC_PROP_ZOOM_LAYERING);
        Enable(d, IDC_PROP_ZOOM_MIN, on);
        Enable(d, IDC_PROP_ZOOM_MAX, on);
        break;
    }
    case IDOK: OnOK(); break;
    case IDCANCEL: ::EndDialog(d, IDCANCEL); break;
    default: return false;
    }
    result = 0;
    return true;
}

void CLayerPropDlg::PickLayerStyle() {
    // The engine's style dialog for the layer's predominant feature kind.
    try {
        ComPtr<IDispatch> engineLayer = layer_.GetMapXLayer();
        if (!engineLayer) return;
        const long kind = EngineDispatch(engineLayer.Get()).Get(Engine::Layer::kPredominantFeatureType).ToLong();
        DISPID pick = 0;
        switch (kind) {
        case Engine::FeatureType::kSymbol: pick = Engine::Style::kPickSymbol; break;
        case Engine::FeatureType::kLine: pick = Engine::Style::kPickLine; break;
        case Engine::FeatureType::kRegion: pick = Engine::Style::kPickRegion; break;
        case Engine::FeatureType::kText: pick = Engine::Style::kPickText; break;
        default: return;
        }
        ComPtr<IDispatch> style = GetObjectProperty(engineLayer.Get(), Engine::Layer::kStyle);
        EngineDispatch(style.Get()).Call(pick);
    }
    COM_CATCH_LOG();
}

void CLayerPropDlg::OnOK() {
    HWND d = Handle();
    // The range is the one the edits show while zoom layering is on; otherwise the layer keeps
    // its own, whatever the disabled edits hold.
    const bool zoomLayering = IsChecked(d, IDC_PROP_ZOOM_LAYERING);
    const NumberRange zooms = NumberRange::Between(0.0, widestZoom_, platform::ToWide(unitCaption_));
    double zoomMin = 0, zoomMax = 0;
    if (zoomLayering && (!ReadDialogNumber(d, IDC_PROP_ZOOM_MIN, L"The minimum zoom", zooms, zoomMin) ||
                         !ReadDialogNumber(d, IDC_PROP_ZOOM_MAX, L"The maximum zoom", zooms, zoomMax)))
        return;
    if (layer_.GetType() == CZmaVadAZLayer::kTypeTable) layer_.SetOverrideStyle(IsChecked(d, IDC_PROP_OVERRIDE_STYLE));
    layer_.SetZoomLayering(zoomLayering);
    if (zoomLayering) {
        layer_.SetZoomMin(zoomMin);
        layer_.SetZoomMax(zoomMax);
    }
    ::EndDialog(d, IDOK);
}
