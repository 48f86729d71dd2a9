// One own layer of the map control. It wraps one engine layer and gives every kind of layer the
// same set of operations, through which the collection, the frame drawing, the dialogs and the
// exports reach it. The base behaviour serves plain engine layers: tables opened by file, layers
// attached by name, and the annotations layer; layers that draw themselves override it.
#pragma once

#include "ZmaVOMap2/engine/Geometry.h"
#include "ZmaVOMap2/layers/ZmaVadAZLabelProperties.h"
#include "platform/Com.h"
#include "platform/Result.h"

#include <msxml2.h>

#include <string>
#include <vector>

class CZmaVadAZLayerCollection;
class KmlWriter;

class CZmaVadAZLayer {
public:
    // Layer type codes.
    enum : int {
        kTypeOtherTable = 1,
        kTypeDataset = 2,
        kTypeCellSites = 3,
        kTypeTable = 4,
        kTypeRasterTable = 5,
        kTypeAnnotations = 6,
        kTypeLines = 7,
        kTypeAtrList = 8,
        kTypeCellReferences = 9,
        kTypeDirection = 10,
        kTypeRegion = 11,
        kTypeMarker = 12,
        kTypeLinesToSectors = 13,
        kTypeShapes = 14,
        kTypeBackgroundMap = 15,
    };
    // Whether the layer's table has features, as far as it is known.
    enum : int { kFeaturesUnknown = 0, kNoFeatures = 1, kHasFeatures = 2 };

    // Raises E_POINTER for a null map.
    CZmaVadAZLayer(IDispatch* map, CZmaVadAZLayerCollection* owner);
    CZmaVadAZLayer(const CZmaVadAZLayer&) = delete;
    CZmaVadAZLayer& operator=(const CZmaVadAZLayer&) = delete;
    // Removes the layer's own engine layer, unless something renamed it behind the layer's back.
    virtual ~CZmaVadAZLayer();
    // Takes the layer's engine layers out of the map now; the layer object may still be in use
    // (a removal from inside an operation that fires events), and its destruction later leaves
    // the map alone, whatever layer has taken the name meanwhile.
    virtual void TakeOutOfMap() noexcept;

    virtual HRESULT Refresh();
    // How many consecutive engine layers this layer occupies.
    virtual int GetEngineLayerCount();
    virtual int GetFeatureCount();
    // Opens a table as a new engine layer at the top, named as no other engine layer is (a second
    // "roads" becomes "roads (2)"); answers the number of engine layers added (0 when it failed,
    // after telling the user).
    virtual BOOL Create(int type, const std::string& path);
    // Binds to the engine layer of that name. With a file spec, a missing engine layer is first
    // made as a new table at that path (the annotations layer of a new map starts that way).
    virtual HRESULT Attach(const std::string& name, int type, const std::string& fileSpec = std::string());
    virtual void GetSourceFiles(std::vector<std::string>& files);
    virtual HRESULT BeginFeatureAccess(int mode);
    virtual HRESULT EndFeatureAccess(int mode);
    virtual HRESULT SaveSettings(IXMLDOMNode* parent);
    virtual HRESULT LoadSettings(IXMLDOMElement* element, long labelArgument);
    // Positions in the engine's list run from 1 at the top. `apply` false only tells the layer
    // that its engine layers were moved by someone else.
    virtual BOOL MoveUp(bool apply, int positions);
    virtual BOOL MoveDown(bool apply, int positions);
    virtual bool IsEditableKind();
    virtual bool IsSelectableKind();
    virtual bool IsDataLayer();
    virtual bool HasFeatures();
    virtual bool CanRemove();
    virtual bool IsDatasetLayer();
    virtual bool IsVectorKind();
    virtual bool IsNormalTableLayer();
    virtual HRESULT SetVisible(bool visible);
    virtual bool IsVisible();
    virtual bool IsEditable();
    virtual bool IsSelectable();
    virtual HRESULT SetSelectable(bool selectable);
    virtual int GetExtent(IDispatch* rectangle);
    virtual void SetZoomLayering(bool on);
    virtual bool GetZoomLayering();
    virtual double GetZoomMin();
    virtual void SetZoomMin(double zoom);
    virtual double GetZoomMax();
    virtual void SetZoomMax(double zoom);
    virtual void Search(platform::ComPtr<IDispatch>& result, const std::wstring& query);
    virtual bool GetAutoLabel();
    virtual void SetAutoLabel(bool on);
    virtual CZmaVadAZLabelProperties* GetLabelProperties();
    // Whether the layer has tables to export, whether or not their files are still there: table
    // layers do; the kinds that draw without a table of their own (imagery, shapes, markers,
    // regions, direction arrows, lines) do not. The TAB export dialog lists only layers that do.
    virtual bool CanExportTab();
    // Copies the layer's table file set into the folder under its clean name (see CopyTables); a
    // layer without a table fails, with its reason kept.
    virtual HRESULT ExportTab(const std::wstring& folder);
    virtual bool OnDrawUserLayer(HDC dc, const RECT& rect, const ZmaExtent& extent);
    virtual bool Draw(HDC dc, const RECT& rect, const ZmaExtent& extent);
    virtual bool DrawSecondPass(HDC dc, const RECT& rect, const ZmaExtent& extent);
    virtual bool DrawLabels(HDC dc, const RECT& rect, const ZmaExtent& extent);
    virtual bool HitTest(long x, long y, double mapX, double mapY);
    virtual bool OnToolUsed(long x, long y, double mapX, double mapY);
    virtual bool OnMouseUp(long x, long y, double mapX, double mapY);
    virtual bool OnDoubleClick();
    virtual bool OnKeyDown(short keyCode, short shift);
    virtual void Redraw();
    virtual bool CanExportKml();
    // Writes "<folder>\<clean name>.kml": a KML 2.2 document whose "Document" element the layer
    // fills through AddKmlContent, written to the file as it is made. Nothing is written (S_OK)
    // when the layer cannot export KML; a failure with its reason (JudgeExportFile) when the
    // folder cannot take the file, E_FAIL when it does not exist. A failure raised while the
    // content is written leaves the target as it was.
    virtual HRESULT ExportKml(const std::wstring& folder);
    virtual void AddKmlContent(KmlWriter& document);
    virtual void SetCellColourField(const char* fieldName, int role);

    // Keys: a layer that shows a host series is found by its series key. Plain layers have none.
    virtual bool HasLayerKey() const { return false; }
    virtual const std::wstring& GetLayerKey() const;
    // Gives a keyed layer its keys, caption and site key (the "LayerType" its cell sites carry);
    // answers whether the layer keeps keys at all.
    virtual bool TakeKeys(const std::wstring& key, const std::wstring& displayKey, const std::string& caption,
                          const std::wstring& siteKey);
    // Selection of the layer's own items by the map's selection tools; plain layers select nothing.
    virtual void ClearSelection() {}
    virtual void NotifySelectionChanged() {}
    virtual void SelectInRectangle(const ZmaExtent& /*extent*/) {}
    virtual void SelectInRadius(const ZmaPointD& /*centre*/, double /*radius*/) {}
    virtual void SelectInRadiusProjected(const ZmaPointD& /*centre*/, double /*radius*/) {}
    virtual void SelectInPolygon(const ZmaExtent& /*bounds*/, const std::vector<ZmaPointD>& /*points*/) {}
    // The extent of what the layer holds selected by its own bookkeeping (data layers); false
    // when it holds no such selection. Engine table selections are read through GetSelection.
    virtual bool GetSelectionBounds(ZmaExtent& /*extent*/) { return false; }
    // The offset tool's displacement of self-drawn symbols.
    virtual void SetOffset(double /*x*/, double /*y*/) noexcept {}
    virtual void GetOffset(double& x, double& y) const noexcept { x = y = 0.0; }
    // Kinds rebuilt from their saved element alone (not opened as a table first).
    virtual bool LoadsItselfFromSettings() const { return false; }
    // The drawing mode changed: anti-aliased symbols are wanted (enhanced drawing of a screen
    // frame) or plain ones. Layers whose symbols follow the mode switch their drawing here.
    virtual void OnSymbolDrawingModeChanged(bool /*enhanced*/) noexcept {}
    // Whether the collection saves the layer as a "Layer" table element; kinds that save
    // themselves elsewhere (with their datasets) or not at all answer false.
    virtual bool IsSavedAsTableLayer();
    // The key of the layer defaults row for the layer's kind; null when the row is chosen by the
    // table's file name.
    virtual const char* GetDefaultsKey();

    bool IsUserDrawn() const noexcept { return userDrawn_; }
    bool IsVisibleAtCurrentZoom();
    const std::string& GetName() const noexcept { return name_; }
    const std::string& GetAmendedName() const noexcept { return amendedName_; }
    // Renames the layer and its engine layer; a name another engine layer bears is made unique
    // as AddUserDrawLayer makes it.
    void SetName(const std::string& name);
    int GetType() const noexcept { return type_; }
    void SetType(int type) noexcept { type_ = type; }
    int GetFeatureState() const noexcept { return featureState_; }
    bool IsUsable() const noexcept { return usable_; }
    platform::ComPtr<IDispatch> GetMapXLayer() const { return engineLayer_; }
    platform::ComPtr<IDispatch> GetMapXMap() const { return map_; }
    CZmaVadAZLayerCollection* GetOwner() const noexcept { return owner_; }
    int GetLayerPosition();
    // Whether the map draws the layer's labels, as the label settings dialog shows and sets it:
    // the own label settings' visibility of a layer that draws itself; for a layer the engine
    // draws, its automatic labelling and its label visibility both on.
    void SetLabelsVisible(bool visible);
    bool GetLabelsVisible();
    bool IsWithinLabelZoom();
    void SetOverrideStyle(bool on);
    bool GetOverrideStyle();
    void GetSelection(platform::ComPtr<IDispatch>& selection);
    HRESULT AddFeature(IDispatch* feature);
    void DeleteFeature(IDispatch* feature);
    HRESULT GetAllFeatures(platform::ComPtr<IDispatch>* features);
    platform::ComPtr<IDispatch> GetFeature(long index);
    // With an object: this layer becomes the engine's editable insertion layer; with null the
    // insertion layer is cleared and the layer is no longer editable.
    void SetAsInsertionLayer(IUnknown* object);
    // Copies the files of the table `source` into `folder` under the clean form of `layerName`
    // (CopyTables with one table).
    HRESULT CopyTabFiles(const std::wstring& folder, const std::string& source, const std::string& layerName);
    // "<folder>\<clean name>[-<clean suffix>].TAB"; the suffix, a text or a string resource id of
    // this module (MAKEINTRESOURCEA), is used by line layers only.
    void GetTabFileName(std::wstring& result, const std::wstring& folder, const char* suffix = nullptr) const;
    // The name without the characters < > : " / \ | and blank, as exported files are named.
    static std::string CleanLayerName(const std::string& name);
    // Copies a stream from its start into a new file; E_FAIL when the file cannot be written.
    static HRESULT WriteStreamToFile(IStream* stream, const std::string& path);
    // The first of "<base>1", "<base>2", ... that no engine layer of the map bears.
    static std::string MakeUniqueName(const std::string& base, IDispatch* map);

private:
    // `wanted`, or the first of "<wanted> (2)", "<wanted> (3)", ... that no engine layer but this
    // layer's own bears (names compared as the engine finds layers by name: without case).
    std::string FreeEngineLayerName(const std::string& wanted) const;

protected:
    // A table an export copies: its path, and the base name its copies take, as it is.
    struct ExportedTable {
        std::string source, name;
    };
    // Copies the files of each table (TableFileNames: the files whose name without its last
    // extension is the table's, found under the long name of the file the system opens, whether
    // the table was named by its short name or with a trailing dot; a table named twice is copied
    // once, under its first name) into `folder` under its name; a raster table's "File" line that
    // names the table's own image names the image's copy. When a target table exists the user is
    // asked once, before anything is copied; "No" leaves the folder alone (and counts as done). A
    // table exported into its own folder under its own name (paths compared as the system
    // compares them) is left as it is. The copies replace the earlier files together once all are
    // made: a copy that fails leaves the folder as it was. No table at all, a table without its
    // .TAB file, two tables under one name and a target the export may not write
    // (JudgeExportFile) are refused with the reason.
    void CopyTables(const std::wstring& folder, const std::vector<ExportedTable>& tables);
    // The map's engine layer list.
    platform::ComPtr<IDispatch> EngineLayers() const;
    void SetEngineLayer(IDispatch* layer) { engineLayer_ = layer; }
    // Adds an engine user-draw layer named `name` (a layer this layer draws itself) at `position`
    // of the engine's list (1 is the top) and makes it this layer's, under the name the engine
    // gave it. The engine finds the layer to draw by its name: a name another engine layer bears
    // already gets " (2)", " (3)", ... appended. False when the engine answered no layer; raises
    // the engine's failure.
    bool AddUserDrawLayer(const std::string& name, long position = 1);
    // Attach of the layers the control draws: such a layer, then the type code. E_UNEXPECTED
    // without a map or when attached already, E_FAIL when the engine made no layer.
    HRESULT AttachUserDrawLayer(const std::string& name, int type);
    void SetUserDrawn(bool on) noexcept { userDrawn_ = on; }
    void SetNameOnly(const std::string& name) { name_ = name; }
    // Tells the user about a failed engine call: its description in a "Map Module" box.
    void ReportError(const std::wstring& description);
    // A message box for the user; while the owner loads a settings document the text is logged
    // instead, so that no load ever waits for a person.
    void TellUser(const std::wstring& text, const std::wstring& caption, UINT flags = MB_OK);
    // Runs engine calls whose failure the user is told about (ReportError, or a box with the
    // caption given); a failed getter answers `fallback`.
    template <class Call>
    void ReportingFailures(Call&& call) {
        ReportingFailuresUnder(nullptr, std::forward<Call>(call));
    }
    template <class Call>
    void ReportingFailuresUnder(const wchar_t* caption, Call&& call) {
        try {
            call();
        } catch (const platform::ComError& e) {
            if (caption)
                TellUser(e.Description(), caption);
            else
                ReportError(e.Description());
        }
    }
    template <class Call, class T>
    T ReportingFailures(Call&& call, T fallback) {
        try {
            return call();
        } catch (const platform::ComError& e) {
            ReportError(e.Description());
            return fallback;
        }
    }

private:
    // The annotation table's files embedded in, and restored from, the "Layer" element.
    HRESULT SaveAnnotationFiles(IXMLDOMElement* element);
    HRESULT LoadAnnotationFiles(IXMLDOMElement* element);

    CZmaVadAZLabelProperties labels_;
    platform::ComPtr<IDispatch> layerDataset_;
    platform::ComPtr<IDispatch> map_;
    platform::ComPtr<IDispatch> engineLayer_;
    CZmaVadAZLayerCollection* owner_;
    std::string name_;
    std::string amendedName_;
    // A table this layer restored into the working folder; its files go with the layer.
    std::string ownTable_;
    bool takenOutOfMap_ = false;
    int type_ = 0;
    int featureState_ = kFeaturesUnknown;
    bool usable_ = true;
    bool userDrawn_ = false;
    bool visible_ = true;
};
