#include "ZmaVOMap2/commands/MapCommands.h"

#include "ZmaVOMap2/commands/CommandResources.h"
#include "ZmaVOMap2/commands/ImageExport.h"
#include "ZmaVOMap2/commands/ViewExtents.h"
#include "ZmaVOMap2/dialogs/ZoomToScaleDlg.h"
#include "ZmaVOMap2/engine/DistanceUnits.h"
#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineIds.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayer.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"
#include "ZmaVOMap2/overlays/ZmaVadAZInfoDisplay.h"
#include "ZmaVOMap2/overlays/ZmaVadAZOverviewRegion.h"
#include "ZmaVOMap2/services/Logger.h"
#include "platform/Module.h"
#include "platform/Result.h"
#include "platform/Window.h"

using platform::ComPtr;
using platform::Variant;

namespace {

// The "Zoom to Scale..." command: fills the dialog from the engine map and the window's client
// size (w, h), runs it, and applies its answer on OK.
void RunZoomToScaleDialog(const EngineDispatch& map, long w, long h, ZoomRecord& zoom) {
    if (w != zoom.newWidth || h != zoom.newHeight) {
        // Before the host ever set a zoom, the window is taken at its own size.
        const double factor = zoom.zoom > 0 ? zoom.zoom : 1.0;
        zoom.realWidth = static_cast<long>(w / factor);
        zoom.realHeight = static_cast<long>(h / factor);
        zoom.newWidth = w;
        zoom.newHeight = h;
    }
    CZoomToScaleDlg dialog;
    dialog.windowWidth = dialog.initialWindowWidth = map.Get(Engine::Map::kZoom).ToDouble();
    const double share = zoom.newWidth ? static_cast<double>(zoom.realWidth) / zoom.newWidth : 1.0;
    dialog.screenLength = share * map.Get(Engine::Map::kPaperWidth).ToDouble();
    dialog.centerX = map.Get(Engine::Map::kCenterX).ToDouble();
    dialog.centerY = map.Get(Engine::Map::kCenterY).ToDouble();
    dialog.mapUnit = map.Get(Engine::Map::kDistanceUnit).ToLong();
    dialog.lengthUnit = map.Get(Engine::Map::kPaperUnit).ToLong();
    if (dialog.DoModal(::GetActiveWindow()) != IDOK) return;
    map.Put(Engine::Map::kZoom, Variant(dialog.windowWidth));
    map.Put(Engine::Map::kCenterX, Variant(dialog.centerX));
    map.Put(Engine::Map::kCenterY, Variant(dialog.centerY));
    map.Put(Engine::Map::kPaperUnit, Variant(dialog.lengthUnit));
}

constexpr long kDistanceTool = 3;

namespace Tool = Engine::Tool;

// The engine tool of each tool command.
long ToolOfCommand(UINT id) {
    switch (id) {
    case ID_TOOL_ARROW: return Tool::kArrow;
    case ID_TOOL_PAN: return Tool::kPan;
    case ID_TOOL_CENTER: return Tool::kCenter;
    case ID_TOOL_SELECT: return Tool::kSelect;
    case ID_TOOL_RADIUS_SELECT: return Tool::kRadiusSelect;
    case ID_TOOL_SELECT_BOX: return Tool::kRectSelect;
    case ID_TOOL_POLYGON_SELECT: return Tool::kPolygonSelect;
    case ID_ZOOM_IN: return Tool::kZoomIn;
    case ID_ZOOM_OUT: return Tool::kZoomOut;
    default: return 0;
    }
}

long AnnotationToolOfCommand(UINT id) {
    switch (id) {
    case ID_ANNOTATION_ADDPOINT: return Tool::kAddPoint;
    case ID_ANNOTATION_TEXT: return Tool::kText;
    case ID_ANNOTATION_ADDPOLYLINE: return Tool::kAddPolyline;
    case ID_ANNOTATION_ADDREGION: return Tool::kAddRegion;
    case ID_ANNOTATION_ADDLINE: return Tool::kAddLine;
    default: return 0;
    }
}

struct UnitItem {
    UINT id;
    long unit;
};
constexpr UnitItem kUnitItems[] = {{ID_UNIT_MILE, DistanceUnits::kMile},
                                   {ID_UNIT_YARD, DistanceUnits::kYard},
                                   {ID_UNIT_FOOT, DistanceUnits::kFoot},
                                   {ID_UNIT_KILOMETER, DistanceUnits::kKilometer},
                                   {ID_UNIT_METER, DistanceUnits::kMeter}};

struct ToolItem {
    UINT id;
    long tool;
};
constexpr ToolItem kToolItems[] = {{ID_TOOL_ARROW, Tool::kArrow},
                                   {ID_TOOL_PAN, Tool::kPan},
                                   {ID_TOOL_CENTER, Tool::kCenter},
                                   {ID_TOOL_SELECT, Tool::kSelect},
                                   {ID_TOOL_RADIUS_SELECT, Tool::kRadiusSelect},
                                   {ID_TOOL_SELECT_BOX, Tool::kRectSelect},
                                   {ID_TOOL_POLYGON_SELECT, Tool::kPolygonSelect}};

void Check(HMENU menu, UINT id, bool checked) {
    ::CheckMenuItem(menu, id, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

// The context menu's error box, captioned with the module's name.
void MenuFailure(const wchar_t* text) {
    const std::wstring caption = platform::LoadStringResource(platform::Module::Instance(), IDS_MAP_MODULE);
    ::MessageBeep(MB_ICONEXCLAMATION);
    platform::Prompts().MessageBox(nullptr, text, caption, MB_ICONEXCLAMATION);
}

short CoordSysUnits(const EngineDispatch& map) {
    Variant coordSys = map.Get(Engine::Map::kDisplayCoordSys);
    if (coordSys.vt != VT_DISPATCH || !coordSys.pdispVal) return -1;
    return static_cast<short>(EngineDispatch(coordSys.pdispVal).Get(Engine::CoordSys::kUnits).ToLong());
}

}  // namespace

bool MapCommands::ProcessWindowMessage(UINT msg, WPARAM wp, LPARAM, LRESULT& result) noexcept {
    if (msg == kTileDownloaded) {
        try {
            TakeDownloadedTile();
        }
        COM_CATCH_LOG();
        result = 0;
        return true;
    }
    if (msg != WM_COMMAND) return false;
    try {
        if (!RunCommand(LOWORD(wp))) return false;
    }
    COM_CATCH_LOG();
    // A command of the map never reaches the engine, whether or not its handler succeeded.
    result = 0;
    return true;
}

bool MapCommands::RunCommand(UINT id) {
    if (id >= ID_GO_TO_LAYER_FIRST && id <= ID_GO_TO_LAYER_LAST) {
        GoToLayer(static_cast<int>(id - ID_GO_TO_LAYER_FIRST));
        return true;
    }
    if (long tool = ToolOfCommand(id)) {
        SelectTool(tool);
        return true;
    }
    if (long tool = AnnotationToolOfCommand(id)) {
        SelectAnnotationTool(tool);
        return true;
    }
    for (const UnitItem& item : kUnitItems) {
        if (item.id == id) {
            SetDistanceUnit(item.unit);
            return true;
        }
    }
    if (id >= ID_EXPORT_BMP && id <= ID_EXPORT_PSD) {
        ExportMapAsImage(id);
        return true;
    }
    // Every handler catches and logs what it raises: the window procedure always gets 0.
    try {
        switch (id) {
        case ID_LAYER_CONTROL: ShowLayerControl(); break;
        case ID_TOOL_DISTANCE: SelectDistanceTool(); break;
        case ID_CLEAR_SELECTION: ClearSelection(); break;
        case ID_PREVIOUS_VIEW: GoToPreviousView(); break;
        case ID_VIEW_ENTIRE_MAP: ViewEntireMap(); break;
        case ID_ZOOM_TO_SCALE: ShowZoomToScaleDialog(); break;
        case ID_ZOOM_SELECTION: ZoomToSelection(); break;
        case ID_PROJECTION: PickProjection(); break;
        case ID_COPY_TO_CLIPBOARD: CopyToClipboard(); break;
        case ID_FEATURE_STYLE:
            if (!target_.LayerCollection()) platform::ThrowHr(E_UNEXPECTED);
            THROW_IF_FAILED(target_.LayerCollection()->ApplyFeatureStyle());
            break;
        case ID_MAP_LAYERS: target_.Automation()->LayersDlg(); break;
        case ID_NEW_RASTER: target_.NewRaster(); break;
        case ID_SHOW_SCALE: ToggleScaleBar(); break;
        case ID_COORDS_DECIMAL: ChooseCoordinateFormat(0); break;
        case ID_COORDS_DMS: ChooseCoordinateFormat(1); break;
        case ID_COORDS_METERS: ChooseCoordinateFormat(2); break;
        case ID_ENHANCED_DRAWING: ToggleEnhancedDrawing(); break;
        case ID_SHOW_OVERVIEW: ToggleOverview(); break;
        case ID_SET_OVERVIEW: THROW_IF_FAILED(target_.Automation()->SetCurrentViewAsOverviewRegion()); break;
        case ID_SYNC_ZOOM_ALL: target_.FireSyncZoom(0); break;
        case ID_SYNC_ZOOM_STREAM: target_.FireSyncZoom(-1); break;
        default: return false;
        }
    }
    COM_CATCH_LOG();
    return true;
}

IDispatch* MapCommands::MapOrThrow(HRESULT missing) {
    IDispatch* map = target_.EngineMap();
    if (!map) platform::ThrowHr(missing);
    return map;
}

// --- Tools -------------------------------------------------------------------------------------

void MapCommands::SelectTool(long tool) {
    try {
        // Layers waiting for an offset line wait for the tool they were given, not for a later one.
        if (CZmaVadAZLayerCollection* layers = target_.LayerCollection()) layers->DropPendingOffsetLayers();
        // The host hears of the change before the engine switches.
        target_.FireCurrentToolChanged(tool);
        EngineDispatch(MapOrThrow(E_POINTER)).Put(Engine::Map::kCurrentTool, Variant(tool));
    }
    COM_CATCH_LOG();
}

void MapCommands::SelectDistanceTool() {
    target_.FireCurrentToolChanged(kDistanceTool);
    THROW_IF_FAILED(target_.Automation()->put_CurrentTool(kDistanceTool));
}

void MapCommands::SelectAnnotationTool(long tool) {
    CZmaVadAZLayerCollection* layers = target_.LayerCollection();
    if (!layers || !layers->GetAnnotationsLayer()) return;
    target_.FireCurrentToolChanged(tool);
    EngineDispatch(MapOrThrow(E_POINTER)).Put(Engine::Map::kCurrentTool, Variant(tool));
}

// --- Selection and view ------------------------------------------------------------------------

void MapCommands::ClearSelection() {
    EngineDispatch map(MapOrThrow(E_POINTER));
    Variant layers = map.Get(Engine::Map::kLayers);
    if (layers.vt == VT_DISPATCH && layers.pdispVal) EngineDispatch(layers.pdispVal).Call(Engine::Layers::kClearSelection);
    if (CZmaVadAZLayerCollection* collection = target_.LayerCollection()) collection->ClearAllSelections();
}

void MapCommands::GoToPreviousView() {
    try {
        const PreviousView view = target_.LastView();
        EngineDispatch(MapOrThrow(E_POINTER))
            .Call(Engine::Map::kZoomTo, {Variant(view.zoom), Variant(view.centerX), Variant(view.centerY)});
    }
    // This handler reports every failure alike.
    CATCH_LOG_UNKNOWN();
}

void MapCommands::ViewEntireMap() {
    CZmaVadAZLayerCollection* layers = target_.LayerCollection();
    if (!layers) return;
    ZmaExtent extent;
    layers->ViewEntireMap(extent);
    if (extent.right - extent.left == 0 || extent.top - extent.bottom == 0) return;
    SetEngineBounds(MapOrThrow(E_POINTER), extent);
}

void MapCommands::ZoomToSelection() {
    CZmaVadAZLayerCollection* layers = target_.LayerCollection();
    if (!layers) platform::ThrowHr(E_UNEXPECTED);
    THROW_IF_FAILED(layers->ZoomToSelection(true));
}

void MapCommands::PickProjection() {
    EngineDispatch map(MapOrThrow(E_POINTER));
    ComPtr<IDispatch> coordSys = platform::RequireDispatch(map.Get(Engine::Map::kDisplayCoordSys));
    EngineDispatch(coordSys.Get()).Call(Engine::CoordSys::kPickCoordSys, {Variant::Missing(), Variant::Missing()});
    // Metres are offered only for a coordinate system in metres.
    CZmaVadAZInfoDisplay* info = target_.InfoDisplay();
    if (info && info->CoordinateFormat() == 2 && CoordSysUnits(map) != DistanceUnits::kMeter) info->SetCoordinateFormat(0);
}

void MapCommands::GoToLayer(int position) {
    try {
        CZmaVadAZLayerCollection* layers = target_.LayerCollection();
        if (!layers) return;
        layers->First();
        for (int i = 0; i < position; ++i) layers->Next();
        CZmaVadAZLayer* layer = layers->Current();
        if (!layer) return;
        ComPtr<IDispatch> bounds = target_.LayerBounds(layer, -1.0);
        if (!bounds) return;
        target_.SetViewChangeStage(2);
        EngineDispatch map(MapOrThrow(E_POINTER));
        map.Put(Engine::Map::kBounds, Variant(bounds.Get()));
        map.Call(Engine::Map::kRefresh);
    }
    COM_CATCH_LOG();
}

void MapCommands::TakeDownloadedTile() {
    POINT tile = {};
    if (!target_.PopDownloadedTile(tile)) return;
    CZmaVadAZLayerCollection* layers = target_.LayerCollection();
    if (!layers || !layers->FindLayerByType(CZmaVadAZLayer::kTypeBackgroundMap)) return;
    if (!target_.IsScreenUpdating()) return;
    EngineDispatch(MapOrThrow(E_POINTER)).Put(Engine::Map::kAutoRedraw, Variant(true));
    const RECT rect = {tile.x, tile.y, tile.x + 256, tile.y + 256};
    ::InvalidateRect(target_.FindEngineWindow(), &rect, TRUE);
}

// --- Units -------------------------------------------------------------------------------------

void MapCommands::SetDistanceUnit(long unit) {
    try {
        EngineDispatch(MapOrThrow(E_POINTER)).Put(Engine::Map::kDistanceUnit, Variant(unit));
        InvalidateMap();
        platform::Bstr name(DistanceUnits::GetUnitName(unit));
        target_.FireUnitsChanged(name.Get());
    }
    COM_CATCH_LOG();
}

void MapCommands::InvalidateMap() {
    CZmaVadAZInfoDisplay* info = target_.InfoDisplay();
    if (info && info->ShowsScaleBar()) ::InvalidateRect(target_.FindEngineWindow(), nullptr, TRUE);
}

// --- View options ------------------------------------------------------------------------------

void MapCommands::CopyToClipboard() {
    IDispatch* map = MapOrThrow(E_POINTER);
    platform::Bstr destination(L"CLIPBOARD");
    THROW_IF_FAILED(target_.ExportMapImage(map, destination.Get(), 1));
}

void MapCommands::ToggleScaleBar() {
    EngineDispatch map(MapOrThrow(E_POINTER));
    CZmaVadAZInfoDisplay* info = target_.InfoDisplay();
    if (!info) return;
    const HWND window = reinterpret_cast<HWND>(static_cast<LONG_PTR>(map.Get(Engine::Map::kWindowHandle).ToLong()));
    const MapPlacement at = target_.Placement();
    info->Invalidate(!info->ShowsScaleBar(), window, at.width, at.height, at.left, at.top);
}

void MapCommands::ChooseCoordinateFormat(int format) {
    EngineDispatch map(MapOrThrow(E_POINTER));
    CZmaVadAZInfoDisplay* info = target_.InfoDisplay();
    if (!info) return;
    const HWND window = reinterpret_cast<HWND>(static_cast<LONG_PTR>(map.Get(Engine::Map::kWindowHandle).ToLong()));
    const MapPlacement at = target_.Placement();
    const bool shown = info->ShowsCoordinates();
    // The active format chosen again hides the coordinates; another one switches to it.
    if (shown && info->CoordinateFormat() == format) {
        info->SetMode(false, window, at.width, at.height, at.left, at.top);
    } else {
        info->SetCoordinateFormat(format);
    }
    if (!shown) info->SetMode(true, window, at.width, at.height, at.left, at.top);
}

void MapCommands::ToggleEnhancedDrawing() {
    CZmaVadAZLayerCollection* layers = target_.LayerCollection();
    const bool on = layers && layers->IsEnhancedDrawing() && !layers->IsPrinting();
    const VARIANT_BOOL next = on ? VARIANT_FALSE : VARIANT_TRUE;
    THROW_IF_FAILED(target_.Automation()->put_EnhancedDrawingMode(next));
    target_.FireEnhancedDrawingModeChanged(next);
}

void MapCommands::ToggleOverview() {
    EngineDispatch map(MapOrThrow(E_POINTER));
    CZmaVadAZOverviewRegion* overview = target_.OverviewRegion();
    if (!overview) return;
    overview->SetVisible(!overview->IsVisible());
    if (!target_.IsScreenUpdating()) return;
    map.Put(Engine::Map::kAutoRedraw, Variant(true));
    ::InvalidateRect(target_.FindEngineWindow(), nullptr, TRUE);
}

void MapCommands::ShowLayerControl() { target_.Automation()->LayersDlg(); }

void MapCommands::ShowZoomToScaleDialog() {
    EngineDispatch map(MapOrThrow(E_UNEXPECTED));
    RECT client = {};
    ::GetClientRect(target_.FindEngineWindow(), &client);
    RunZoomToScaleDialog(map, client.right - client.left, client.bottom - client.top, target_.Zoom());
}

void MapCommands::ExportMapAsImage(UINT id) {
    try {
        IDispatch* map = target_.EngineMap();
        if (!map) return;
        ::ExportMapAsImage(target_, map, ExportFormatOfCommand(id));
    }
    COM_CATCH_LOG();
}

// --- The context menu --------------------------------------------------------------------------

void MapCommands::ShowContextMenu(float x, float y) noexcept {
    try {
        const HWND owner = target_.FindEngineWindow();
        if (!owner) return;
        platform::UniqueHMenu menu(::LoadMenuW(platform::Module::Instance(), MAKEINTRESOURCEW(IDR_CONTEXT_MENU)));
        if (!menu.Get()) {
            MenuFailure(L"Failed to load popup menu resource");
            return;
        }
        HMENU context = ::GetSubMenu(menu.Get(), 0);
        HMENU zoom = context ? ::GetSubMenu(context, 1) : nullptr;
        HMENU goToLayer = zoom ? ::GetSubMenu(zoom, 11) : nullptr;
        if (!goToLayer) {
            MenuFailure(L"Failed to load menu");
            return;
        }
        HMENU units = ::GetSubMenu(context, 4);
        HMENU distance = units ? ::GetSubMenu(units, 0) : nullptr;
        if (!distance) return;
        PrepareContextMenu(context, zoom, goToLayer, distance);
        platform::Prompts().TrackPopupMenu(context, TPM_RIGHTBUTTON, static_cast<int>(x), static_cast<int>(y), owner);
    }
    COM_CATCH_LOG();
}

void MapCommands::PrepareContextMenu(HMENU context, HMENU zoom, HMENU goToLayer, HMENU distance) {
    ::DeleteMenu(goToLayer, 0, MF_BYPOSITION);
    CZmaVadAZLayerCollection* layers = target_.LayerCollection();
    if (layers) {
        int position = 0;
        for (CZmaVadAZLayer* layer : layers->Layers()) {
            const std::wstring name = platform::ToWide(layer->GetName());
            ::AppendMenuW(goToLayer, MF_STRING, ID_GO_TO_LAYER_FIRST + position++, name.c_str());
        }
        if (layers->HasLayerOfType(CZmaVadAZLayer::kTypeRasterTable))
            ::EnableMenuItem(context, ID_PROJECTION, MF_BYCOMMAND | MF_GRAYED);
    }
    EngineDispatch map(MapOrThrow(E_POINTER));
    const long unit = map.Get(Engine::Map::kDistanceUnit).ToLong();
    for (const UnitItem& item : kUnitItems) Check(distance, item.id, item.unit == unit);

    const long tool = map.Get(Engine::Map::kCurrentTool).ToLong();
    HMENU tools = ::GetSubMenu(context, 0);
    if (tools && !(tool == 1000 && target_.InAnnotationMode())) {
        for (const ToolItem& item : kToolItems) Check(tools, item.id, item.tool == tool);
    }
    Check(zoom, ID_ZOOM_IN, tool == 1003);
    Check(zoom, ID_ZOOM_OUT, tool == 1004);

    if (CZmaVadAZInfoDisplay* info = target_.InfoDisplay()) {
        Check(context, ID_SHOW_SCALE, info->ShowsScaleBar());
        const bool shown = info->ShowsCoordinates();
        const int format = info->CoordinateFormat();
        Check(context, ID_COORDS_DECIMAL, shown && format == 0);
        Check(context, ID_COORDS_DMS, shown && format == 1);
        Check(context, ID_COORDS_METERS, shown && format == 2);
        if (CoordSysUnits(map) != DistanceUnits::kMeter)
            ::EnableMenuItem(context, ID_COORDS_METERS, MF_BYCOMMAND | MF_GRAYED);
    }
    if (CZmaVadAZOverviewRegion* overview = target_.OverviewRegion())
        Check(context, ID_SHOW_OVERVIEW, overview->IsVisible());
    Check(context, ID_ENHANCED_DRAWING, layers && layers->IsEnhancedDrawing() && !layers->IsPrinting());
}
