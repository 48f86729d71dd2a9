// A layer that shows one host dataset on the map: the measurement points of a drive test (type
// codes 2 and 9) or the cell sites of the network (type code 3).
//
// The rows stay in the host dataset. The layer's renderer optimiser decides which rows can be
// seen and which one owns each screen pixel; a host renderer object, made anew for every frame,
// draws each row's symbol and label. The layer takes part in the collection's three passes of a
// frame (symbols, the selection drawn again, labels) and answers the rollover tooltip, clicks,
// the arrow keys and the area selections. Its selection lives in the host dataset twice: as the
// selected row numbers and as a named entry "selected <layer name>".
#pragma once

#include "ZmaVOMap2/engine/Geometry.h"
#include "ZmaVOMap2/datalayers/HostDataset.h"
#include "ZmaVOMap2/datalayers/RendererOptimiser.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayer.h"

#include <exception>
#include <list>
#include <map>
#include <memory>
#include <string>
#include <vector>

// The host's symbol-drawing classes, behind one drawing interface.
namespace SymbolDrawing {
// Anti-aliased symbols, for type-9 layers on the screen while enhanced drawing is on.
inline constexpr CLSID kEnhanced = {0x55053ED1, 0x9C27, 0x4AE1, {0x96, 0x8D, 0x47, 0x6A, 0xB9, 0xD5, 0x74, 0x31}};
// Plain GDI symbols: point layers always, type-9 layers while printing or without enhanced drawing.
inline constexpr CLSID kPlain = {0x1BB11511, 0xB493, 0x4B1D, {0x91, 0xDA, 0x93, 0xA9, 0x26, 0x38, 0xE0, 0xC6}};
inline constexpr CLSID kCellSites = {0x2F478FCA, 0xC6C3, 0x4EE9, {0x80, 0x8F, 0xBA, 0x22, 0x5A, 0xA1, 0xB2, 0x90}};
inline constexpr IID kDrawerInterface = {0xA8BB3F1D, 0x8F0C, 0x4BDD, {0xA9, 0xD9, 0x3E, 0x38, 0xB9, 0x90, 0x77, 0x8C}};
// The field renderer handed to the symbol-drawing object for every styled display field.
inline constexpr CLSID kFieldRenderer = {0x565A875E, 0x80DA, 0x42A0, {0xB7, 0x53, 0x48, 0xCE, 0xC7, 0x6B, 0x4F, 0x3A}};
}  // namespace SymbolDrawing

class LayerFactory;

namespace tabexport {
class TabTable;
}

// The default look of an exported point.
struct ExportSymbol {
    std::wstring fontName;
    double size = 0.0;
    long rotation = 0;  // degrees
    long colour = 0;    // 0x00BBGGRR
    short character = 0;
};

// Registers the data layer for the point, cell-site and cell-reference type codes.
void RegisterDataLayerKinds(LayerFactory& factory);

class CZmaVadAZDataLayer : public CZmaVadAZLayer, public RendererRowValidatorInterface {
public:
    // Attribute codes: which property of the symbol a display field drives.
    enum : long { kCodeCharacter = 0, kCodeSize = 1, kCodeRotation = 2, kCodeColour = 3 };
    // The line layers tied to the dataset: A serving and B neighbour lines of the first pair, C
    // and D the second pair.
    enum LineLink : int { kLineA = 0, kLineB = 1, kLineC = 2, kLineD = 3 };

    // The layer owns `optimiser` and shows itself to it as its row filter. `siteKey` is the
    // "LayerType" value of a cell-site layer's rows (empty for points). `userDrawn` is always 1.
    CZmaVadAZDataLayer(IDispatch* map, int userDrawn, CZmaVadAZLayerCollection* owner,
                       std::unique_ptr<RendererOptimiserInterface> optimiser, const CLSID* rendererClass,
                       const std::wstring& siteKey);
    // A layer of `type` (2 points, 3 cell sites showing every site, 9 cell references) with the
    // optimiser and symbol-drawing class that the type and the owner's drawing mode choose.
    CZmaVadAZDataLayer(IDispatch* map, CZmaVadAZLayerCollection* owner, int type);
    ~CZmaVadAZDataLayer() override;

    // --- Layer operations ---------------------------------------------------------------------
    // A dataset layer is an engine user-draw layer of its own, added at the top.
    HRESULT Attach(const std::string& name, int type, const std::string& fileSpec = std::string()) override;
    bool IsDataLayer() override { return true; }
    HRESULT SetVisible(bool visible) override;
    // The layer's own flag; the engine layer's is not used.
    bool IsSelectable() override { return selectable_ != 0; }
    HRESULT SetSelectable(bool selectable) override;
    // Sets the data extent {left, top, right, bottom} into the engine rectangle; 1 when the
    // layer has one, else 0 and the rectangle is left alone.
    int GetExtent(IDispatch* rectangle) override;

    // Drawing. Each pass answers false without a dataset. A missing symbol-drawing object raises
    // E_POINTER as ComError to the caller of the pass.
    // Makes this frame's symbol-drawing object, sets it up and brings the optimiser up to date.
    bool OnDrawUserLayer(HDC dc, const RECT& rect, const ZmaExtent& extent) override;
    bool Draw(HDC dc, const RECT& rect, const ZmaExtent& extent) override;
    bool DrawSecondPass(HDC dc, const RECT& rect, const ZmaExtent& extent) override;
    bool DrawLabels(HDC dc, const RECT& rect, const ZmaExtent& extent) override;

    // Interaction.
    // Rollover: the tooltip of the row under the cursor; a miss goes to line layers A and B.
    bool HitTest(long x, long y, double mapX, double mapY) override;
    // A click with a selecting tool adds the row under the cursor to the selection.
    bool OnToolUsed(long x, long y, double mapX, double mapY) override;
    // Left and Right move a selection by one row.
    bool OnKeyDown(short keyCode, short shift) override;
    // Refreshes the engine layer, unless the collection has refreshes switched off.
    void Redraw() override;
    // The field that drives the symbol property `role` (3: the cell colour).
    void SetCellColourField(const char* fieldName, int role) override;

    // --- Export -------------------------------------------------------------------------------
    // Writes the rows as a table of font points with one attribute per display field (and, for
    // cell sites, the tables of the tied line layers). S_OK or the failure; a failure leaves none
    // of the export's tables behind. Only the rows a frame draws are written; the log line of
    // each table counts the rows left out for their position, and the points' line the values
    // that had characters the table's character set cannot hold ("?" in their place).
    HRESULT ExportTab(const std::wstring& folder) override;
    bool CanExportTab() override { return true; }
    bool CanExportKml() override { return true; }
    // The KML document, and a log line that counts the placemarks and the rows left out.
    HRESULT ExportKml(const std::wstring& folder) override;
    // One placemark per row a frame draws, for the front display field the dataset has; fails
    // as the table export does when no display field gives the symbol.
    void AddKmlContent(KmlWriter& document) override;
    // The attribute fields of the table, one per display field the dataset has, front first.
    void AddTABFields(tabexport::TabTable& table, int largestWidth);
    // The default symbol from the formatter of the styled display field that drives the
    // character, else the size, the colour, the rotation; E_POINTER when there is none (naming
    // the display field the dataset no longer has, when that is why).
    void GetExportSymbol(ExportSymbol& symbol);
    // Writes into `parent` one Style and the Placemark that uses it. `number` keeps the style ids
    // of one document apart.
    void ExportKMLPlacemarks(KmlWriter& parent, double longitude, double latitude, const VARIANT& value,
                             IHostFieldStyle* formatter, long number);

    // --- Dataset ------------------------------------------------------------------------------
    // The dataset shown, no reference added; null when none.
    IHostDataset* GetDataset() const noexcept { return dataset_.Get(); }
    void SetDataset(IHostDataset* dataset) { dataset_ = dataset; }
    // Another dataset for the same layer: position fields, style field and optimiser follow it.
    HRESULT ReplaceDataset(IHostDataset* dataset);
    // Prepares the layer from its dataset: the position fields (refusing a dataset without them
    // with a message), the display fields with their attribute codes, and the optimiser.
    // E_POINTER without a dataset, E_FAIL without position fields (its error information says
    // what the message said).
    HRESULT Initialise(const std::vector<std::wstring>& fieldNames);
    // What the user and the host are told of a dataset without position fields.
    static constexpr const wchar_t* kNotMappable =
        L"The dataset does not contain mappable data and cannot be displayed.";
    // Re-reads the attribute codes of the display fields from the dataset.
    virtual HRESULT RefreshFromDataset();
    virtual void ReloadAttributeCodes();
    // The host dataset's value of `expression` on the current row, as text; false for an empty
    // expression, without a dataset, or when the dataset refuses.
    bool EvaluateExpression(const std::wstring& expression, std::wstring& text);
    // The extent of the layer's selected rows; whether they all lie well inside the view.
    bool GetBounds(ZmaExtent& extent);
    // The display field names, front first.
    void GetStringList(std::vector<std::wstring>& names) const;
    const std::list<std::wstring>& GetDisplayFields() const noexcept { return displayFields_; }
    const std::map<std::wstring, long>& GetAttributeCodes() const noexcept { return attributeCodes_; }
    // Gives `code` to the field `name` (taking it from the field that held it) and puts the field
    // first; an empty name only takes the code away. Answers true.
    bool SetColourField(const std::wstring& name, long code);

    // --- Selection ----------------------------------------------------------------------------
    // Brings the selected rows into view (unless the map view is locked or they are in view).
    virtual HRESULT ShowSelection();
    void ClearSelection() override;
    // Fires SelectionChanged with the series GUID, then redraws.
    void NotifySelectionChanged() override;
    void SelectInRectangle(const ZmaExtent& extent) override;
    void SelectInRadius(const ZmaPointD& centre, double radius) override;
    void SelectInRadiusProjected(const ZmaPointD& centre, double radius) override;
    // `bounds` covers `points`, whose last point repeats the first.
    void SelectInPolygon(const ZmaExtent& bounds, const std::vector<ZmaPointD>& points) override;
    // The bounds of the selected rows while the layer has a selection.
    bool GetSelectionBounds(ZmaExtent& extent) override;
    void UpdateSelection(bool on);
    bool IsSelectionNamed();
    // Whether the dataset's first selected row is shown.
    bool CheckSelectionInView();
    // The rows that represent the selection on the screen (one per pixel).
    const std::vector<int>& GetSelectedItems();
    // Whether the current row counts at all (drawn, hit, selected, exported).
    bool ValidateRow() override;

    // --- Settings -----------------------------------------------------------------------------
    bool HasLayerKey() const override { return true; }
    const std::wstring& GetLayerKey() const override { return layerKey_; }
    bool TakeKeys(const std::wstring& key, const std::wstring& displayKey, const std::string& caption,
                  const std::wstring& siteKey) override;
    const char* GetDefaultsKey() override;
    void SetLayerKey(const std::wstring& key) { layerKey_ = key; }
    // The key shown to the host's legends.
    const std::wstring& GetDisplayKey() const noexcept { return displayKey_; }
    void SetDisplayKey(const std::wstring& key) { displayKey_ = key; }
    // The series name (cell sites and cell references).
    const std::string& GetCaption() const noexcept { return caption_; }
    void SetCaption(const std::string& caption) { caption_ = caption; }
    // The series GUID of SelectionChanged and of the style settings; the layer key until set.
    const std::wstring& GetSeriesGuid() const noexcept { return seriesGuid_.empty() ? layerKey_ : seriesGuid_; }
    void SetSeriesGuid(const std::wstring& guid) { seriesGuid_ = guid; }
    const std::wstring& GetSiteKey() const noexcept { return siteKey_; }
    // The class the next frame's drawing object is made of.
    const CLSID& GetSymbolDrawingClass() const noexcept { return symbolClass_; }
    void SetSymbolDrawingClass(const CLSID& clsid) noexcept { symbolClass_ = clsid; }
    // Only type-9 layers switch; point layers always draw plain and cell sites with their own class.
    void OnSymbolDrawingModeChanged(bool enhanced) noexcept override {
        if (GetType() == kTypeCellReferences) symbolClass_ = enhanced ? SymbolDrawing::kEnhanced : SymbolDrawing::kPlain;
    }
    // Offsets east (x) and north (y) in degrees, applied from the next frame on.
    double GetOffsetX() const noexcept { return offsetX_; }
    double GetOffsetY() const noexcept { return offsetY_; }
    void SetOffsetX(double x) noexcept { offsetX_ = x; }
    void SetOffsetY(double y) noexcept { offsetY_ = y; }
    void SetOffset(double x, double y) noexcept override { offsetX_ = x; offsetY_ = y; }
    void GetOffset(double& x, double& y) const noexcept override {
        x = offsetX_;
        y = offsetY_;
    }
    const std::wstring& GetTooltipExpression() const noexcept { return tooltipExpression_; }
    void SetTooltipExpression(const std::wstring& expression) { tooltipExpression_ = expression; }
    bool GetUseTooltipExpression() const noexcept { return useTooltipExpression_; }
    void SetUseTooltipExpression(bool on) noexcept { useTooltipExpression_ = on; }
    CZmaVadAZLayer* GetLineLayer(LineLink link) const noexcept { return lineLayers_[link]; }
    void SetLineLayer(LineLink link, CZmaVadAZLayer* layer) noexcept { lineLayers_[link] = layer; }
    bool GetBatchPrint() const noexcept { return batchPrint_; }
    void SetBatchPrint(bool on) noexcept { batchPrint_ = on; }
    bool GetPrintOnAllPages() const noexcept { return printOnAllPages_; }
    void SetPrintOnAllPages(bool on) noexcept { printOnAllPages_ = on; }

    RendererOptimiserInterface* GetOptimiser() const noexcept { return optimiser_.get(); }
    IHostRenderer* GetRenderer() const noexcept { return renderer_.Get(); }
    bool IsStyleFiltered() const noexcept { return styleFlag_; }
    // The rollover text of the current row: the tooltip expression's value when that is on, else
    // one "name: value" line per display field (and the "TCHList" line of a cell site). False when
    // no display field gives a line.
    bool BuildTooltipText(std::wstring& text);
    bool WasDrawn() const noexcept { return drawnOnce_; }

private:
    // What an export wrote and left out, for its log line.
    struct ExportCounts {
        long written = 0;
        long withoutPosition = 0;
        long changedTexts = 0;
    };
    ExportCounts ExportRows(tabexport::TabTable& table, const ExportSymbol& defaults);
    // Logs an export's counts with the name of the layer it wrote (`format` takes the name and
    // then the counts in their order).
    static void LogExport(const char* format, const std::string& layerName, const ExportCounts& counts);
    // The position fields "Latitude" (type 13 or 3) and "Longitude" (type 12 or 3); tells the user
    // and answers false when either is missing.
    bool FindLatLongFields();
    void BuildDisplayFields(const std::vector<std::wstring>& fieldNames);
    void RefreshStyleField();
    // Tells the optimiser to judge the rows again when what ValidateRow judges by has changed.
    void NoteRowFilter();
    // Hands one field renderer per styled display field to this frame's drawing object.
    bool PrepareRenderer(IHostRenderer* renderer);
    IHostRenderer& Renderer() const;
    bool FormatFieldText(const std::wstring& name, std::wstring& line);
    void AddSelectedRow(long row);
    std::wstring SelectionEntryKey() const;
    void FireSelectionChanged();
    // Walks every row with a position that ValidateRow accepts; `select` says whether to add it.
    template <class Test>
    void SelectRows(Test select);
    void DrawLineLayers(HDC dc, const RECT& rect, const ZmaExtent& extent);
    // Brings the optimiser up to date for a pass. A failed read still leaves the rows read before
    // it: the pass draws those, then raises the failure answered here.
    std::exception_ptr UpdateOptimiser(const RECT& rect, const ZmaExtent& extent, bool selected) noexcept;
    // The label settings' visible flag and, when the label zoom range is on, the zoom within it.
    bool LabelsShowNow();
    // The collection's lock-map-view flag: while it is set ShowSelection leaves the map alone.
    bool MapViewLocked() const;

    platform::ComPtr<IHostRenderer> renderer_;
    std::unique_ptr<RendererOptimiserInterface> optimiser_;
    platform::ComPtr<IHostField> styleField_;
    platform::ComPtr<IHostDataset> dataset_;
    platform::ComPtr<IHostField> latitudeField_;
    platform::ComPtr<IHostField> longitudeField_;
    CZmaVadAZLayer* lineLayers_[4] = {nullptr, nullptr, nullptr, nullptr};
    double offsetX_ = 0.0;
    double offsetY_ = 0.0;
    CLSID symbolClass_;
    std::wstring layerKey_;
    std::wstring displayKey_;
    std::wstring tooltipExpression_;
    std::string caption_;
    std::wstring siteKey_;
    std::wstring seriesGuid_;
    bool styleFlag_ = false;
    int selectable_ = 1;
    bool selectionNamed_ = false;
    bool useTooltipExpression_ = false;
    bool drawnOnce_ = false;
    bool batchPrint_ = false;
    bool printOnAllPages_ = false;
    std::list<std::wstring> displayFields_;
    std::map<std::wstring, long> attributeCodes_;
    platform::Variant rowValue_;  // ValidateRow's reading of the current row
    std::wstring rowFilterKey_;   // what ValidateRow judged by when the optimiser last read the rows
    ExportCounts kmlCounts_;      // of the KML export under way
};

// The data layer behind a layer of the collection; null for layers of other kinds.
inline CZmaVadAZDataLayer* AsDataLayer(CZmaVadAZLayer* layer) { return dynamic_cast<CZmaVadAZDataLayer*>(layer); }
