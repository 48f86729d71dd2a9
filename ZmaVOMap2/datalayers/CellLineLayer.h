// What the data side needs of a lines-to-cells layer: the layers that draw lines from the
// measurement points of point datasets to the cells of a cell-site layer.
//
// The line kinds sit above the data layers (they read data layers, their optimisers and their
// renderers), so the data layers and the dataset display never include them. They make the line
// layers through the layer factory, under the type code 7 and the kind's name below, and talk to
// them through this interface. A kind nobody registered comes back as a plain layer of type 7,
// which does not implement the interface and is simply not drawn.
#pragma once

#include "ZmaVOMap2/layers/ZmaVadAZLayer.h"

#include "HostInterfaces.h"

#include <string>
#include <utility>
#include <vector>

namespace CellLineKinds {
// The layer names, which are also the factory's names of the kinds.
inline constexpr const char kServing[] = "Lines to serving cells";
inline constexpr const char kNeighbours[] = "Lines to neighbor cells";
inline constexpr const char kCellSites[] = "Lines between cellsites";
inline constexpr const char kPoints[] = "Lines between points";
}  // namespace CellLineKinds

class CellLineLayerInterface {
public:
    // The (field name, series GUID) pairs of a dataset's composition, kept with the dataset.
    using FieldPairs = std::vector<std::pair<std::wstring, std::wstring>>;
    // SetDataset modes: 2 replaces the dataset of a known series, 3 also makes the series the
    // layer's cell-site series.
    enum : int { kModeReplace = 2, kModeCellSites = 3 };

    // Name, type code, the series GUID of the cell-site layer and the disc value; marks the layer
    // as drawing itself.
    virtual HRESULT SetSourceInfo(const std::string& name, int type, const std::wstring& seriesGuid,
                                  const std::wstring& discValue) = 0;
    virtual HRESULT SetDataset(IHostDataset* dataset, const std::wstring& seriesGuid, const FieldPairs& pairs,
                               int mode) = 0;
    virtual HRESULT RemoveDataset(const std::wstring& seriesGuid) = 0;

    virtual std::wstring GetColorByField() const = 0;
    virtual void SetColorByField(const std::wstring& field) = 0;
    virtual std::wstring GetLabelByField() const = 0;
    virtual void SetLabelByField(const std::wstring& field) = 0;
    virtual std::wstring GetTechnology() const = 0;
    virtual void SetTechnology(const std::wstring& technology) = 0;
    virtual int GetDrawOption() const = 0;
    virtual void SetDrawOption(int option) = 0;
    // A disabled line layer is not drawn by its data layer; the control's line toggles hide and
    // show the lines through this flag.
    virtual bool IsDisabled() const = 0;
    virtual void SetDisabled(bool disabled) = 0;
    // Lets go of the lines the host drew itself, between positions or between cell sites. The
    // lines to cells, which the datasets give, stay.
    virtual void ForgetHostLines() noexcept = 0;
    // Writes the layer's lines as a MapInfo table into `folder`, named after the layer and
    // `name` (the cell-site layer's name), so that the point table and the line tables of one
    // cell-site layer never share a file. Every line of every dataset is written, whatever view
    // was drawn last. A failure with its reason when the table cannot be created.
    virtual HRESULT ExportToTab(const std::wstring& folder, const std::string& name) = 0;
    // Reads the settings the layer's SaveSettings wrote; "drawoption" and "colorbyfield" are
    // required (a missing one is raised).
    virtual HRESULT LoadLineSettings(IXMLDOMElement* element, long version) = 0;

protected:
    ~CellLineLayerInterface() = default;
};

// The line side of a layer; null for a layer of any other kind.
inline CellLineLayerInterface* AsCellLineLayer(CZmaVadAZLayer* layer) {
    return dynamic_cast<CellLineLayerInterface*>(layer);
}
