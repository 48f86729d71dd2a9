#include "ZmaVOMap2/dialogs/LayerOffsetDlg.h"

#include "ZmaVOMap2/datalayers/ZmaVadAZDataLayer.h"
#include "ZmaVOMap2/dialogs/DialogResources.h"
#include "ZmaVOMap2/dialogs/DialogSupport.h"
#include "ZmaVOMap2/engine/DistanceUnits.h"
#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineIds.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"
#include "ZmaVOMap2/services/NumberInput.h"
#include "platform/Module.h"
#include "platform/Result.h"

#include <commctrl.h>

using platform::ComPtr;
using platform::Variant;
using namespace layerdialogs;

namespace {

struct Centre {
    double x = 0, y = 0;
};

Centre LayerCentre(CZmaVadAZLayer& layer) {
    ComPtr<IDispatch> rectangle = NewRectangle();
    if (!layer.GetExtent(rectangle.Get())) platform::ThrowHr(E_POINTER);
    EngineDispatch r(rectangle.Get());
    const double xMin = r.Get(Engine::Rectangle::kXMin).ToDouble(), yMin = r.Get(Engine::Rectangle::kYMin).ToDouble();
    const double xMax = r.Get(Engine::Rectangle::kXMax).ToDouble(), yMax = r.Get(Engine::Rectangle::kYMax).ToDouble();
    return Centre{(xMin + xMax) * 0.5, (yMin + yMax) * 0.5};
}

// Offsets belong to data layers; the others are left out of every step.
CZmaVadAZDataLayer* OffsetTaker(CZmaVadAZLayer* layer) {
    return AsDataLayer(layer);
}

const char* const* AxisCaptions(long unit) {
    static const char* const kMiles[] = {"X (mi)", "Y (mi)"};
    static const char* const kKilometres[] = {"X (km)", "Y (km)"};
    static const char* const kMetres[] = {"X (m)", "Y (m)"};
    static const char* const kYards[] = {"X (yd)", "Y (yd)"};
    static const char* const kFeet[] = {"X (ft)", "Y (ft)"};
    switch (unit) {
    case DistanceUnits::kMile: return kMiles;
    case DistanceUnits::kKilometer: return kKilometres;
    case DistanceUnits::kMeter: return kMetres;
    case DistanceUnits::kYard: return kYards;
    case DistanceUnits::kFoot: return kFeet;
    default: return nullptr;
    }
}

}  // namespace

CZmaVOMapXLayerOffsetDlg::CZmaVOMapXLayerOffsetDlg(HWND list, CZmaVadAZLayerCollection& layers, IDispatch* engineMap)
    : Dialog(platform::Module::Instance(), IDD_LAYER_OFFSET), list_(list), layers_(layers), map_(engineMap) {}

void CZmaVOMapXLayerOffsetDlg::SetLayerOffset(CZmaVadAZLayer& layer, IDispatch* engineMap, double dx, double dy) {
    CZmaVadAZDataLayer* data = OffsetTaker(&layer);
    if (!data) return;
    const Centre c = LayerCentre(layer);
    const double degreeNorth = MapDistance(engineMap, 0.0, 0.0, 0.0, 1.0);
    const double degreeEast = MapDistance(engineMap, c.x, c.y, c.x + 1.0, c.y);
    const double x = dx / degreeEast, y = dy / degreeNorth;
    if (x == data->GetOffsetX() && y == data->GetOffsetY()) return;
    data->SetOffsetX(x);
    data->SetOffsetY(y);
}

BOOL CZmaVOMapXLayerOffsetDlg::OnInitDialog() {
    HWND d = Handle();
    for (int i = -1; (i = static_cast<int>(::SendMessageW(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(i), LVNI_SELECTED))) != -1;) {
        LVITEMW item = {};
        item.mask = LVIF_PARAM;
        item.iItem = i;
        ::SendMessageW(list_, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
        auto* layer = reinterpret_cast<CZmaVadAZLayer*>(item.lParam);
        if (OffsetTaker(layer)) selected_.push_back(layer);
    }
    try {
        if (selected_.size() == 1) {
            CZmaVadAZDataLayer* data = OffsetTaker(selected_.front());
            const Centre c = LayerCentre(*data);
            double x = MapDistance(map_.Get(), c.x, c.y, c.x + data->GetOffsetX(), c.y);
            double y = MapDistance(map_.Get(), 0.0, 0.0, 0.0, data->GetOffsetY());
            if (data->GetOffsetX() < 0) x = -x;
            if (data->GetOffsetY() < 0) y = -y;
            SetItemNumber(d, IDC_OFFSET_X, x);
            SetItemNumber(d, IDC_OFFSET_Y, y);
        }
        if (const char* const* captions = AxisCaptions(MapDistanceUnit(map_.Get()))) {
            SetItemText(d, IDC_OFFSET_X_CAPTION, captions[0]);
            SetItemText(d, IDC_OFFSET_Y_CAPTION, captions[1]);
        }
    }
    COM_CATCH_LOG();
    return TRUE;
}

bool CZmaVOMapXLayerOffsetDlg::OnMessage(UINT msg, WPARAM wp, LPARAM, INT_PTR& result) {
    if (msg != WM_COMMAND || HIWORD(wp) != BN_CLICKED) return false;
    try {
        switch (LOWORD(wp)) {
        case IDOK: OnOK(); break;
        case IDCANCEL: ::EndDialog(Handle(), IDCANCEL); break;
        case IDC_OFFSET_RESET: Reset(); break;
        case IDC_OFFSET_TOOL: StartOffsetTool(); break;
        default: return false;
        }
    }
    COM_CATCH_LOG();  // a layer without extent or features: the dialog stays as it was
    result = 0;
    return true;
}

void CZmaVOMapXLayerOffsetDlg::OnOK() {
    HWND d = Handle();
    // A layer moves at most the world's width east or west and half of it north or south, in
    // the map's unit.
    const long unit = MapDistanceUnit(map_.Get());
    const double world = DistanceUnits::WorldWidth(unit);
    const std::wstring caption = platform::ToWide(UnitCaption(unit));
    double x = 0, y = 0;
    if (!ReadDialogNumber(d, IDC_OFFSET_X, L"The X distance", NumberRange::Between(-world, world, caption), x) ||
        !ReadDialogNumber(d, IDC_OFFSET_Y, L"The Y distance", NumberRange::Between(-world / 2, world / 2, caption), y))
        return;
    // The n-th layer moves n times the distance, so that several layers are spread apart.
    double n = 1.0;
    for (CZmaVadAZLayer* layer : selected_) {
        SetLayerOffset(*layer, map_.Get(), n * x, n * y);
        n += 1.0;
    }
    ::EndDialog(d, IDOK);
}

void CZmaVOMapXLayerOffsetDlg::Reset() {
    for (CZmaVadAZLayer* layer : selected_) SetLayerOffset(*layer, map_.Get(), 0.0, 0.0);
    SetItemText(Handle(), IDC_OFFSET_X, "0");
    SetItemText(Handle(), IDC_OFFSET_Y, "0");
}

void CZmaVOMapXLayerOffsetDlg::StartOffsetTool() {
    ::EndDialog(Handle(), IDOK);
    EngineDispatch map(platform::ThrowIfNull(map_.Get()));
    HWND window = reinterpret_cast<HWND>(static_cast<LONG_PTR>(map.Get(Engine::Map::kWindowHandle).ToLong()));
    if (!window) return;
    // The tool moves this dialog's layers only: those of an earlier tool left without its line
    // (given up, or another tool taken) wait no more.
    layers_.DropPendingOffsetLayers();
    for (CZmaVadAZLayer* layer : selected_) layers_.AddPendingOffsetLayer(layer);
    map.Put(Engine::Map::kCurrentTool, Variant(1L));
    if (selected_.empty()) return;

    // The tool starts at the lower-left corner of the last layer's first feature.
    ComPtr<IDispatch> feature = selected_.back()->GetFeature(1);
    if (!feature) platform::ThrowHr(E_FAIL);
    ComPtr<IDispatch> bounds = GetObjectProperty(feature.Get(), Engine::Feature::kBounds);
    EngineDispatch r(bounds.Get());
    const double xMin = r.Get(Engine::Rectangle::kXMin).ToDouble(), yMin = r.Get(Engine::Rectangle::kYMin).ToDouble();
    map.Put(Engine::Map::kCenterX, Variant(xMin));
    map.Put(Engine::Map::kCenterY, Variant(yMin));
    const EngineScreenPoint point = EngineMapToScreen(map, xMin, yMin);
    const LPARAM at = MAKELPARAM(static_cast<int>(point.x), static_cast<int>(point.y));
    ::SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::SendMessageW(window, WM_LBUTTONUP, 0, at);
    ::InvalidateRect(window, nullptr, TRUE);
    map.Call(Engine::Map::kRefresh);
    ::EndDialog(Handle(), IDC_OFFSET_TOOL);
}
