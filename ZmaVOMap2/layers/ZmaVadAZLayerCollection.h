// The control's own layers over the engine's layers. The collection owns every own layer in one
// list whose front is the top of the map, creates layers by type code, keeps the order numbers
// that put a layer back at its place, finds layers by name, key and type, moves them in step with
// the engine's list, and removes them with everything that refers to them.
#pragma once

#include "ZmaVOMap2/engine/Geometry.h"
#include "ZmaVOMap2/layers/SeriesTable.h"
#include "platform/Com.h"
#include "platform/Result.h"

#include "HostInterfaces.h"

#include <msxml2.h>

#include <list>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class CZmaVadAZLayer;
class CZmaVadAZDatasetComposition;
class CZmaVadAZLayerHost;
class CZmaVadAZLabelProperties;

class CZmaVadAZLayerCollection {
public:
    CZmaVadAZLayerCollection(const std::wstring& temporaryFolder, CZmaVadAZLayerHost& host, IDispatch* map);
    CZmaVadAZLayerCollection(const CZmaVadAZLayerCollection&) = delete;
    CZmaVadAZLayerCollection& operator=(const CZmaVadAZLayerCollection&) = delete;
    // Destroys every layer, which takes its engine layer out of the map.
    virtual ~CZmaVadAZLayerCollection();

    CZmaVadAZLayerHost& Host() const noexcept { return *host_; }
    IDispatch* EngineMap() const noexcept { return map_.Get(); }

    // Creating and placing layers.
    // Builds the layer for `type`, attaches it (by name, or over a new table at `fileSpec`) and
    // places it; null when it cannot be attached. Keys are series GUIDs of dataset layers; a
    // cell-site layer shows the sites whose "LayerType" is `cellSiteSource` (all without one).
    CZmaVadAZLayer* AddLayer(const std::string& name, int type, const std::string& fileSpec, const std::wstring& key,
                             const std::string& caption, const std::wstring& cellSiteSource,
                             const std::wstring& alternativeKey);
    void RegisterLayer(std::unique_ptr<CZmaVadAZLayer> layer);
    // Puts a layer at the front of the list (the top of the map), whatever order number it had:
    // layers the host opens on demand (markers, regions, directions). The cursor stays on its layer.
    CZmaVadAZLayer* InsertAtTop(std::unique_ptr<CZmaVadAZLayer> layer);
    // Opens a table as a new top layer; null when it cannot be opened.
    CZmaVadAZLayer* AddTemporaryTabLayer(int type, const char* path);
    // The annotations layer over a new table in `folder` (the temporary folder when null),
    // made the engine's insertion layer. Raises E_FAIL, after telling the user, when it fails.
    HRESULT CreateAnnotationsLayer(const char* folder = nullptr);
    // The background imagery layer (type 15) at the bottom of the map, in place of any other.
    // E_FAIL, after telling the user and the log, when the folder takes no file or the imagery
    // layer cannot be built.
    HRESULT CreateBackgroundMapLayer(const char* folder = nullptr);

    // The list and its cursor.
    int GetCount() const noexcept { return static_cast<int>(layers_.size()); }
    int LayerCount() const noexcept { return GetCount(); }
    bool HasLayers() const noexcept { return !layers_.empty(); }
    void First() noexcept { cursor_ = layers_.empty() ? -1 : 0; }
    void Next() noexcept { ++cursor_; }
    CZmaVadAZLayer* Current() const noexcept { return GetAt(cursor_); }
    int CursorIndex() const noexcept { return cursor_; }
    void SetCursor(int index) noexcept { cursor_ = index; }
    CZmaVadAZLayer* GetAt(int index) const noexcept;

    // Finding layers.
    CZmaVadAZLayer* FindLayerByName(const std::wstring& name) const;
    // The layers a host's key finds: the layer registered under exactly that series id; else
    // the layers of the series' parts; else, for a text that names no series, the layers of the
    // series whose ids begin with it, in id order. FindLayer answers the first of them and
    // FindNextLayer walks the others. An empty key finds nothing.
    std::vector<CZmaVadAZLayer*> FindLayers(const SeriesId& key) const;
    CZmaVadAZLayer* FindLayer(const SeriesId& key);
    CZmaVadAZLayer* FindNextLayer(const SeriesId& key);
    // The layer registered under exactly that series id; null when none is.
    CZmaVadAZLayer* FindLayerByExactKey(const SeriesId& key) const { return series_.LayerOf(key); }
    // The layers of a series: its own, then those of its parts.
    std::vector<CZmaVadAZLayer*> SeriesLayers(const SeriesId& series) const { return series_.SeriesLayers(series); }
    // Registers a further series for a layer, unless some layer shows that series already; and
    // links a part (a cell-site layer type) to its series.
    void RegisterKey(const SeriesId& key, CZmaVadAZLayer* layer) { series_.AddLayerOnce(key, layer); }
    void RegisterSeriesPart(const SeriesId& series, const SeriesId& part) { series_.AddPart(series, part); }
    CZmaVadAZDatasetComposition* FindDatasetComposition(const SeriesId& series) const {
        return series_.CompositionInvolving(series);
    }
    bool HasLayerOfType(int type) const;
    CZmaVadAZLayer* FindLayerByType(int type) const;

    // Moving layers; the engine's list moves in step, except while a frame is drawn: the engine
    // walks that list, so the collection's order changes at once and the engine's is brought into
    // it when the last operation has ended (CatchUpEngineOrder).
    void MoveCurrentLayerUp();
    void MoveCurrentLayerDown();
    bool MoveLayerToTop(CZmaVadAZLayer* layer);
    int& GetLayerOrder(CZmaVadAZLayer* layer);
    void ShiftLayerOrders(CZmaVadAZLayer* a, CZmaVadAZLayer* b, int direction);
    // The order number a layer would be placed by (0 when it has none).
    int FindLayerOrder(CZmaVadAZLayer* layer) const;

    // Removing layers.
    HRESULT RemoveLayer(CZmaVadAZLayer* layer, bool updateLegends, bool notifyHost);
    HRESULT RemoveLayersOfType(int type);
    void ForgetDatasetLines(const SeriesId& series, CZmaVadAZLayer* layer);

    // The host's legends.
    HRESULT UpdateLegendCheckBoxes();
    HRESULT SyncLegendVisibility(CZmaVadAZLayer* layer, VARIANT_BOOL visible);

    // Dataset compositions, one per series; the collection owns them.
    CZmaVadAZDatasetComposition* AdoptComposition(std::unique_ptr<CZmaVadAZDatasetComposition> composition);
    // The composition kept for exactly that series; null when there is none.
    CZmaVadAZDatasetComposition* FindCompositionByKey(const SeriesId& key) const { return series_.CompositionOf(key); }
    // The series that have compositions, in id order.
    std::vector<SeriesId> CompositionKeys() const { return series_.CompositionIds(); }

    // The host's legend objects, from the control's host or as handed over with a dataset.
    void AdoptLegends(IUnknown* legend, IUnknown* printLegend);
    platform::ComPtr<IHostLegendSeries> Legend();
    platform::ComPtr<IHostPrintLegend> PrintLegend();
    // The print legend as handed over so far, without asking the host.
    platform::ComPtr<IHostPrintLegend> AdoptedPrintLegend() const { return printLegend_; }
    // The host handed the control another legend: the next use asks the control again.
    void ForgetLegends() noexcept {
        legend_.Reset();
        printLegend_.Reset();
    }

    // Where new layers go: on top, or to the place their order number gives.
    bool GetNewLayersOnTop() const noexcept { return newLayersOnTop_; }
    void SetNewLayersOnTop(bool onTop) noexcept { newLayersOnTop_ = onTop; }
    // Counts a point dataset layer shown; answers how many have been shown since the layers were
    // last loaded.
    int CountPointDatasetLayer() noexcept { return ++pointDatasetLayers_; }
    // The cell-site series shown, in the order they came.
    void AddCellSiteSeries(const SeriesId& key);
    const std::vector<SeriesId>& CellSiteSeries() const noexcept { return cellSiteGuids_; }
    // The layers from the top down, as they stand now.
    std::vector<CZmaVadAZLayer*> Layers() const;
    // An operation that may fire events to the host runs between these two: a layer or dataset
    // composition removed meanwhile (by the host, from its handler) is unlinked at once but
    // destroyed only when the last operation ends, so the code that fired can finish safely.
    void BeginOperation() noexcept { ++operations_; }
    void EndOperation() noexcept;
    // The same as a scope: a frame being drawn or a mouse move being dispatched, in which layers
    // call out to the host (events, message pumps).
    class BusyScope {
    public:
        explicit BusyScope(CZmaVadAZLayerCollection& layers) noexcept : layers_(layers) { layers_.BeginOperation(); }
        ~BusyScope() { layers_.EndOperation(); }
        BusyScope(const BusyScope&) = delete;
        BusyScope& operator=(const BusyScope&) = delete;

    private:
        CZmaVadAZLayerCollection& layers_;
    };
    // Whether the layer is (still) in the list.
    bool Contains(const CZmaVadAZLayer* layer) const noexcept;
    // True while the engine draws a frame through the collection. The engine walks its own layer
    // list meanwhile, so nothing may add a layer to it: what would is refused with E_UNEXPECTED
    // and a description (RequireNoFrame). A layer removed or moved meanwhile leaves or moves in
    // the list at once, and in the engine's list once the last operation has ended, after the
    // engine's walk.
    bool IsDrawingFrame() const noexcept { return frames_ > 0; }
    void RequireNoFrame() const;

    // Events on behalf of the layers.
    void NotifyLayerVisibilityChanged();
    void FireSelectionChanged(BSTR seriesId);
    void SetSuppressEvents(bool suppress) noexcept { suppressEvents_ = suppress; }

    // Settings of the collection.
    void SetAutoSynchToStream(bool value) noexcept { autoSynchToStream_ = value; }
    // Off while the control dispatches the mouse for polygon-style tools: no engine refreshes then.
    void SetRefreshEnabled(bool on) noexcept { refresh_ = on; }
    bool IsRefreshEnabled() const noexcept { return refresh_; }
    bool GetAutoSynchToStream() const noexcept { return autoSynchToStream_; }
    // While LoadLayers runs: the layers log what they would tell the user, since loading a
    // document must never wait for a person.
    bool IsLoadingSettings() const noexcept { return loadingSettings_ > 0; }
    void SetTemporaryFolder(const std::wstring& folder) { temporaryFolder_ = folder; }
    // A temporary table made for one of the layers: its files and its name placeholder go when the
    // collection goes (the placeholder keeps the name from being given to another table meanwhile).
    void KeepTemporaryTable(const std::string& tablePath);
    const std::wstring& GetTemporaryFolder() const noexcept { return temporaryFolder_; }
    // The layers that wait for the offset tool's line.
    void AddPendingOffsetLayer(CZmaVadAZLayer* layer) { pendingOffsetLayers_.push_back(layer); }
    void DropPendingOffsetLayers() noexcept { pendingOffsetLayers_.clear(); }
    CZmaVadAZLayer* GetAnnotationsLayer() const noexcept { return annotations_; }
    // The cell-site layer shown last of those still shown: the host's lines between points and
    // between cell sites go through its line layers.
    CZmaVadAZLayer* GetCellSiteLayer() const noexcept { return cellSiteLayers_.empty() ? nullptr : cellSiteLayers_.back(); }
    // The host's temporary table (AddTemporaryTabLayer); forgotten when the layer goes.
    CZmaVadAZLayer* GetTemporaryTabLayer() const noexcept { return temporaryTabLayer_; }
    void SetTemporaryTabLayer(CZmaVadAZLayer* layer) noexcept { temporaryTabLayer_ = layer; }
    // SetLockMapView: data layers then leave the view alone when they show their selection.
    bool IsMapViewLocked() const noexcept { return lockMapView_; }
    void SetLockMapView(bool locked) noexcept { lockMapView_ = locked; }
    int GetFollowerIndex() const noexcept { return follower_; }
    // One layer at a time is edited: `layer` becomes the engine's editable insertion layer, and
    // whichever other layers were editable stop being so. Null stops every layer's editing.
    void EditOnly(CZmaVadAZLayer* layer);
    int GetVersion() const noexcept { return version_; }

    // --- Persistence (ZmaVadAZLayerCollection_Persistence.cpp) ---
    // One "layers" element under `parent`: the dataset compositions (refreshed from their layers;
    // with `skipSelections` their selections stay as they were), the line layers, a "Layer"
    // element per table layer and the layer order numbers. Failures are raised.
    HRESULT SaveLayers(IXMLDOMElement* parent, bool skipSelections = false);
    // Reads them back: orders, compositions and line layers always; the layers themselves only
    // into a map that has no annotations layer yet (a map being loaded, not a running one).
    HRESULT LoadLayers(IXMLDOMElement* parent);
    // The "PersistOption" of `element`, else of its parent element (2 when neither has one; 0
    // when it has no parent element).
    static int GetPersistOption(IXMLDOMElement* element);
    // What saves and loads the line layers, which live beside the data layers, and keeps the
    // lines the host drew through a technology's cell-site layers no longer than the last of them.
    class LinesLayerPersistence {
    public:
        virtual HRESULT SaveLinesLayers(IXMLDOMElement* layersElement) = 0;
        virtual HRESULT LoadLinesLayers(IXMLDOMElement* layersElement) = 0;
        // `layer`, a cell-site layer, is being removed; it is still in the list.
        virtual void CellSiteLayerGoes(CZmaVadAZLayer* layer) noexcept = 0;
        // Between the two, cell-site layers that go may come back: whether a technology's last
        // cell-site layer went is judged when the last hold ends.
        virtual void HoldHostLines() noexcept = 0;
        virtual void SettleHostLines() noexcept = 0;

    protected:
        ~LinesLayerPersistence() = default;
    };
    void SetLinesLayerPersistence(LinesLayerPersistence* lines) noexcept { lines_ = lines; }
    // While one lives, the host's lines of a technology whose cell-site layers are removed stay
    // until it ends: a reload that shows the same cell sites again keeps them.
    class HostLinesHold {
    public:
        explicit HostLinesHold(CZmaVadAZLayerCollection& collection) noexcept : lines_(collection.lines_) {
            if (lines_) lines_->HoldHostLines();
        }
        ~HostLinesHold() {
            if (lines_) lines_->SettleHostLines();
        }
        HostLinesHold(const HostLinesHold&) = delete;
        HostLinesHold& operator=(const HostLinesHold&) = delete;

    private:
        LinesLayerPersistence* lines_;
    };

    // --- Frame drawing (ZmaVadAZLayerCollection_Drawing.cpp) ---
    // The engine's request to draw one of its user-draw layers. The requesting layer always gets
    // its own user-draw call; the request of the top-most user-drawn layer visible at the current
    // zoom also draws every visible layer in three passes (symbols, second symbols, labels), bottom
    // to top. Answers whether the passes ran. `printing`: the target is not the screen.
    bool OnDrawUserLayer(HDC dc, IDispatch* engineLayer, const RECT& rect, const ZmaExtent& extent, bool printing);
    HRESULT SetEnhancedDrawingMode(VARIANT_BOOL enhanced);
    HRESULT GetEnhancedDrawingMode(VARIANT_BOOL* enhanced) const;
    bool IsEnhancedDrawing() const noexcept { return enhancedDrawing_; }
    // True only while a frame for a printer, metafile or export is being drawn.
    bool IsPrinting() const noexcept { return printing_; }
    // What every self-drawn layer asks before it draws: anti-aliased GDI+ for the screen when
    // enhanced drawing is on, plain GDI otherwise.
    bool UsesGdiPlus() const noexcept { return enhancedDrawing_ && !printing_; }
    // Tells every layer whether symbols are drawn anti-aliased, as the two flags select.
    void UpdateSymbolDrawingClasses() noexcept;

    // --- Mouse, key and tool routing (ZmaVadAZLayerCollection_Routing.cpp) ---
    // Each event goes to the layers visible at the current zoom, from the top down, until one
    // takes it. A click that a layer takes leaves the selectable layers below it unselectable
    // until the next dispatch restores them.
    void DispatchMouseMove(POINT point, const ZmaPointD& mapPos);
    bool DispatchMouseDown(POINT point, const ZmaPointD& mapPos, bool keepSelection);
    void DispatchMouseUp(POINT point, const ZmaPointD& mapPos);
    void DispatchDoubleClick();
    void DispatchKeyDown(short keyCode, short shift);
    void RestoreSelectability();
    void ClearAllSelections();
    void SelectByRectangle(const ZmaExtent& extent);
    // `centre` is passed on as given (longitude, latitude for the tool; latitude, longitude for
    // the automation method).
    void SelectByRadius(const ZmaPointD& centre, double radius, bool projected);
    // `points` ends with a copy of its first point.
    void SelectByPolygon(const std::vector<ZmaPointD>& points);
    // Gives every layer chosen for the offset tool the offsets, then forgets them.
    HRESULT ApplyPendingLayerOffsets(double x, double y);
    // Asks the engine to redraw, unless refreshes are switched off or the screen is not updated.
    void RefreshMap();

    // --- View, annotations and series (ZmaVadAZLayerCollection_View.cpp, _Annotations.cpp) ---
    // Fits the map to everything selected: the data layers' selections and the engine table
    // layers' selections together. A single
    // point is centred at the same zoom; nothing selected leaves the map alone. The control's
    // engine events are held off meanwhile, and always reconnected. E_UNEXPECTED without a map.
    HRESULT ZoomToSelection(bool fit);
    // The union of every layer's extent; {0, 0, 0, 0} when no layer has an extent with area.
    void ViewEntireMap(ZmaExtent& extent);
    void SuspendEngineEvents() noexcept;
    void ResumeEngineEvents() noexcept;
    // Annotation editing: the annotations layer's text features become the engine's text
    // annotations while the user edits them (InitialiseAnnotations), and go back into the layer
    // when editing ends (SetCurrentTool). E_UNEXPECTED without an annotations layer or map.
    HRESULT InitialiseAnnotations();
    HRESULT SetCurrentTool();
    // The engine's style dialog for the first selected annotation; S_OK when there is none.
    HRESULT ApplyFeatureStyle();
    // Gives the field the symbol role `id` on every layer of the series and records it in the
    // series' composition (an empty field removes the role).
    HRESULT SetCellColourField(const SeriesId& key, const std::string& field, long id);
    // The point dataset layers (type code 2), from the top down.
    std::vector<CZmaVadAZLayer*> GetDataLayers() const;
    // Hands the print legend the screen legend's text for every series.
    void PrepareForPrinting();
    bool GetSuppressEvents() const noexcept { return suppressEvents_; }

    // Zoom range and label settings from the defaults table row of the layer's kind or file name.
    HRESULT ApplyLayerDefaults(CZmaVadAZLayer* layer);
    // Keeps the label settings of the cell-reference layers across a reload of their data.
    void UpdateCellRefData();
    void ClearCellRefData();

private:
    using LayerList = std::list<std::unique_ptr<CZmaVadAZLayer>>;
    using OrderKey = std::pair<std::string, int>;

    LayerList::iterator Find(CZmaVadAZLayer* layer);
    std::string OrderKeyOf(CZmaVadAZLayer* layer) const;
    // Unlinks and destroys a layer, clearing every special member that named it. The layer
    // leaves the list before it is destroyed: its destruction may release host objects of other
    // apartments, which lets the thread handle messages, and those must meet a consistent list.
    void DestroyLayer(CZmaVadAZLayer* layer);
    void ForgetSpecialLayer(CZmaVadAZLayer* layer) noexcept;
    // Whether a move reaches the engine's list now. While it cannot (a frame is drawn, or earlier
    // moves still wait), the order that the engine's list keeps is noted first.
    bool MovesEngineNow();
    // Brings the engine's list into the collection's order with the layers' own moves, unless a
    // frame is drawn or retired layers are going; nothing when the two agree.
    void CatchUpEngineOrder() noexcept;
    // The layers from the top as the engine's list holds them.
    std::vector<CZmaVadAZLayer*> EngineOrder() const { return engineOrder_.empty() ? Layers() : engineOrder_; }

    platform::ComPtr<IDispatch> map_;
    platform::ComPtr<IHostPrintLegend> printLegend_;
    platform::ComPtr<IHostLegendSeries> legend_;
    CZmaVadAZLayerHost* host_;
    CZmaVadAZLayer* annotations_ = nullptr;
    std::vector<CZmaVadAZLayer*> cellSiteLayers_;  // in the order they were shown
    CZmaVadAZLayer* markerLayer_ = nullptr;
    CZmaVadAZLayer* temporaryTabLayer_ = nullptr;
    int cursor_ = -1;
    int follower_ = -1;
    std::wstring temporaryFolder_;
    int version_ = 3;
    int pointDatasetLayers_ = 0;
    // What FindLayer found and FindNextLayer has not given yet.
    std::vector<CZmaVadAZLayer*> search_;
    bool newLayersOnTop_ = false;
    bool keepOrders_ = true;
    bool autoSynchToStream_ = false;
    bool refresh_ = true;
    bool suppressEvents_ = false;
    bool lockMapView_ = false;
    SeriesTable series_;
    LayerList layers_;
    std::vector<CZmaVadAZLayer*> pendingOffsetLayers_;
    std::map<OrderKey, int> orders_;
    std::vector<SeriesId> cellSiteGuids_;
    std::vector<std::string> temporaryTables_;
    int operations_ = 0;
    int loadingSettings_ = 0;
    // What was removed during an operation, destroyed when the operations end.
    std::vector<std::unique_ptr<CZmaVadAZLayer>> retiredLayers_;
    std::vector<std::unique_ptr<CZmaVadAZDatasetComposition>> retiredCompositions_;
    int retiring_ = 0;  // retired layers being destroyed
    // The layers as the engine's list holds them while moves wait for a frame to end; empty when
    // the engine's list is in the collection's order.
    std::vector<CZmaVadAZLayer*> engineOrder_;
    LinesLayerPersistence* lines_ = nullptr;

    // Persistence steps.
    HRESULT SaveDatasetCompositions(IXMLDOMElement* layersElement, bool skipSelections);
    HRESULT LoadDatasetCompositions(IXMLDOMElement* layersElement);
    void SaveLayerOrders(IXMLDOMElement* layersElement, int option);
    void LoadLayerOrders(IXMLDOMElement* layersElement, int option);
    // Rebuilds one saved "Layer" element; null when the layer does not stay. `result` takes the
    // annotations layer's load result.
    std::unique_ptr<CZmaVadAZLayer> RestoreLayer(IXMLDOMElement* element, long type, HRESULT& result);

    // Frame drawing and routing state.
    static void DrawLayerPass(CZmaVadAZLayer& layer, HDC dc, const RECT& rect, const ZmaExtent& extent, int pass);
    // Runs one layer's step of a frame. A failure is that layer's alone: it is logged the first
    // time (not again while the layer keeps failing frame after frame) and the frame goes on.
    template <class Step>
    void DrawStep(CZmaVadAZLayer& layer, Step&& step) noexcept;
    void NoteDrawingFailure(CZmaVadAZLayer& layer, const platform::ComError* failure) noexcept;
    // After the passes: a layer that drew this frame without failing is logged again next time.
    void EndFrameFailures() noexcept;
    bool enhancedDrawing_ = true;
    bool printing_ = false;
    int frames_ = 0;
    std::vector<const CZmaVadAZLayer*> failingLayers_;      // whose failure is logged
    std::vector<const CZmaVadAZLayer*> failedInThisFrame_;  // since the last passes ran
    std::map<CZmaVadAZLayer*, bool> savedSelectability_;
    bool selectabilitySaved_ = false;

    // Label settings of the cell-reference layers kept across a reload of their data.
    struct AnsiTextLess {
        bool operator()(const std::string& a, const std::string& b) const { return ::lstrcmpA(a.c_str(), b.c_str()) < 0; }
    };
    std::map<std::string, std::unique_ptr<CZmaVadAZLabelProperties>, AnsiTextLess> cellRefLabels_;
};
