// Displaying host datasets: the compositions that describe what is shown, the data layers built
// from them with their names and defaults, and the dataset operations behind the control's
// dataset methods. It works on the control's layer collection, which keeps the layers, their keys
// and the compositions.
#pragma once

#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"
#include "platform/Com.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

class CZmaVadAZLayer;
class CZmaVadAZDataLayer;
class CZmaVadAZDatasetComposition;

// What showing a dataset built: its data layer (the first, when it was split), and whether it
// is the first point dataset of a map that puts new layers on top or follows its stream: the
// caller brings such a layer into view.
struct DatasetShown {
    CZmaVadAZDataLayer* layer = nullptr;
    bool bringIntoView = false;
};

class CZmaVadAZDatasetDisplay : public CZmaVadAZLayerCollection::LinesLayerPersistence {
public:
    explicit CZmaVadAZDatasetDisplay(CZmaVadAZLayerCollection& collection);
    ~CZmaVadAZDatasetDisplay();

    // The line layers in the collection's settings: one "Layer" element per step through the
    // serving, neighbour and cell-site line maps side by side, each line layer in its own child
    // ("LinesToServers", "LinesToNBors", "LinesBetweenCellsites"). Loading makes the layers that
    // are not there yet under their technology and disc value; existing ones are kept. The owner
    // of the collection and this display hands the display to the collection for that
    // (SetLinesLayerPersistence), and takes it back before it lets the display go.
    HRESULT SaveLinesLayers(IXMLDOMElement* layersElement) override;
    HRESULT LoadLinesLayers(IXMLDOMElement* layersElement) override;
    // The lines the host drew between positions or cell sites are kept per technology: they go
    // when the last cell-site layer drawing them goes, so the next one shown starts without them.
    // While held (a reload of the cell sites), that is judged when the hold ends.
    void CellSiteLayerGoes(CZmaVadAZLayer* layer) noexcept override;
    void HoldHostLines() noexcept override { ++hostLinesHeld_; }
    void SettleHostLines() noexcept override;
    CZmaVadAZDatasetDisplay(const CZmaVadAZDatasetDisplay&) = delete;
    CZmaVadAZDatasetDisplay& operator=(const CZmaVadAZDatasetDisplay&) = delete;

    // Shows one field of a host dataset as a new data layer (S_FALSE when the series is already
    // shown or a kept composition no longer fits the dataset). Failures while building are raised.
    // `shown`, when given, learns what was built.
    HRESULT DisplayDataset(IDispatch* dataset, const std::wstring& fieldName, IUnknown* voLegend,
                           IUnknown* printLegend, const SeriesId& series, DatasetShown* shown = nullptr);
    // Shows the fields that the host's field configuration names ("SeriesType", "Dimensions").
    HRESULT CreateMultiDMapping(IDispatch* dataset, const SeriesId& series, IDispatch* fieldConfiguration,
                                DatasetShown* shown = nullptr);
    // Builds the layers of one composition (cell-site datasets split by their "LayerType", each
    // type a part of the series).
    DatasetShown BuildDatasetLayer(IDispatch* dataset, CZmaVadAZDatasetComposition* composition,
                                   IDispatch* fieldConfiguration);
    void MakeDatasetLayerName(IDispatch* dataset, const CZmaVadAZDatasetComposition& composition, std::string& name,
                              std::string& longName);
    // The technology of a dataset: its "LongName" up to the first '_' (empty when none).
    std::string GetDatasetNamePrefix(IDispatch* dataset);
    // The four lines-to-cells layers of the current technology and `suffix`, made on first use.
    HRESULT CreateCellSiteLineLayers(IDispatch* dataset, CZmaVadAZDatasetComposition* composition,
                                     const std::wstring& seriesGuid, const std::wstring& suffix);

    // Ties the cell-site layer to the line layers of its technology and gives them the technology.
    void ApplyTechnology(CZmaVadAZDataLayer* layer, const std::string& technology);
    // Gives a new point dataset to the line layers of every cell-site layer on show.
    void HandPointDatasetToLines(IDispatch* dataset, const CZmaVadAZDatasetComposition& composition);

    // Lines to cells. Options 0 to 3 pick the line layer of each visible data layer (0 serving,
    // 1 neighbour, 2 and 3 the point lines); other options change nothing.
    HRESULT ToggleLines(bool visible, long option);
    // The colour-by (`label` false) or label-by field of the serving (`neighbours` false) or
    // neighbour lines of every layer under the series key; the getter answers the last one.
    HRESULT SetLinesToCellsField(const std::wstring& key, const std::wstring& field, bool neighbours, bool label);
    HRESULT GetLinesToCellsField(const std::wstring& key, BSTR* field, bool neighbours, bool label);
    // Two option values the host keeps on the map; stored and answered unchecked.
    long GetLinesVisibilityFlags() const noexcept { return linesVisibilityFlags_; }
    void SetLinesVisibilityFlags(long flags) noexcept { linesVisibilityFlags_ = flags; }
    long GetLinesTargetFlags() const noexcept { return linesTargetFlags_; }
    void SetLinesTargetFlags(long flags) noexcept { linesTargetFlags_ = flags; }

    HRESULT RemoveDataset(const std::wstring& guid, const VARIANT& notify);
    void SetDatasetVisible(const std::wstring& guid, long visible);
    void SetLayerVisible(CZmaVadAZLayer* layer, long visible);
    // `renderer` and `ranges` are accepted for the host's sake and not used.
    HRESULT NotifyChange(const std::wstring& guid, long flag, IDispatch* renderer, const VARIANT& ranges);
    HRESULT NotifySelectionChange(const std::wstring& guid);
    // Spreads the dataset's selected rows to the map: every layer's selection is cleared and the
    // rows are selected again.
    void PropagateSelection(IDispatch* dataset);
    HRESULT GetDisplayedGUIDs(IDispatch* target);
    HRESULT GetTopVisibleDataLayerName(BSTR* name);
    HRESULT GetAttributeDescriptionFromGUID(const std::wstring& guid, BSTR* description);

private:
    // `siteKey`: the "LayerType" of the sites a cell-site layer split by it shows; empty otherwise.
    CZmaVadAZDataLayer* BuildOneDatasetLayer(IDispatch* dataset, CZmaVadAZDatasetComposition& composition,
                                             const std::string& name, const std::string& longName,
                                             const std::string& tableFile, const std::wstring& key,
                                             const std::wstring& siteKey);
    CZmaVadAZDataLayer* LayerOfEntry(const SeriesId& series) const;
    // Whether a cell-site layer other than `leaving` draws `lines` through its link.
    bool DrawnByCellSites(const CZmaVadAZLayer* lines, int link, const CZmaVadAZLayer* leaving) const;
    std::vector<class CellLineLayerInterface*> LineLayersOfSeries(const SeriesId& key, bool neighbours);

    using LinesLayerMap = std::map<std::string, std::unique_ptr<CZmaVadAZLayer>>;

    CZmaVadAZLayerCollection& collection_;
    std::string technologyPrefix_;
    std::vector<std::string> cellSiteLayerTypes_;
    LinesLayerMap servingLines_, neighbourLines_, cellSiteLines_, pointLines_;
    // The hold on the host's lines, and the line layers (with their link) whose cell-site layers
    // went meanwhile.
    int hostLinesHeld_ = 0;
    std::vector<std::pair<const CZmaVadAZLayer*, int>> linesLeft_;
    long linesVisibilityFlags_ = 0;
    long linesTargetFlags_ = 0;
};
