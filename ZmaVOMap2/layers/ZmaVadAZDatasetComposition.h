// How one displayed series is composed: its dimensions (which field of which series plays which
// role), its display state, and copies of its layer's label settings and selection. The layer
// collection keeps one per dataset layer key, refreshes it from the layer at every save and
// writes it as a "DatasetComposition" element; a load reads it back so that the dataset shows
// again the same way.
#pragma once

#include "ZmaVOMap2/layers/SeriesId.h"

#include "platform/Com.h"

#include <msxml2.h>

#include "HostInterfaces.h"

#include <list>
#include <memory>
#include <string>

class CZmaVadAZDatasetComposition {
public:
    struct Dimension {
        std::shared_ptr<std::wstring> fieldName;
        std::shared_ptr<std::wstring> seriesGuid;
        long code = 0;  // the entry's style or role code
    };

    // Makes the composition's own document with its empty "LabelProperties" and "Selection".
    CZmaVadAZDatasetComposition();
    CZmaVadAZDatasetComposition(const CZmaVadAZDatasetComposition&) = delete;
    CZmaVadAZDatasetComposition& operator=(const CZmaVadAZDatasetComposition&) = delete;

    const std::wstring& GetSeriesGuid() const noexcept { return seriesGuid_; }
    void SetSeriesGuid(const std::wstring& guid) { seriesGuid_ = guid; }
    int GetType() const noexcept { return type_; }
    void SetType(int type) noexcept { type_ = type; }
    bool IsVisible() const noexcept { return visible_; }
    void SetVisible(bool visible) noexcept { visible_ = visible; }

    // Where and when the series' layer shows; read when the layer is built.
    double GetOffsetX() const noexcept { return offsetX_; }
    double GetOffsetY() const noexcept { return offsetY_; }
    void SetOffsets(double x, double y) noexcept { offsetX_ = x; offsetY_ = y; }
    double GetZoomMin() const noexcept { return zoomMin_; }
    double GetZoomMax() const noexcept { return zoomMax_; }
    bool GetZoomLayering() const noexcept { return zoomLayering_; }
    void SetZoom(bool layering, double zoomMin, double zoomMax) noexcept {
        zoomLayering_ = layering;
        zoomMin_ = zoomMin;
        zoomMax_ = zoomMax;
    }
    // The held copy of the layer's label settings (empty until saved or loaded).
    IXMLDOMElement* GetLabelSettings() const noexcept { return labelProperties_.Get(); }
    IXMLDOMElement* GetSelection() const noexcept { return selection_.Get(); }
    bool IsRestored() const noexcept { return restored_; }
    const std::string& GetName() const noexcept { return name_; }
    void SetName(const std::string& name) { name_ = name; }
    long GetNeighbourIndex() const noexcept { return neighbourIndex_; }
    const std::string& GetNeighbourFieldName() const noexcept { return neighbourFieldName_; }
    const std::string& GetNeighbourGuid() const noexcept { return neighbourGuid_; }
    void SetNeighbour(long index, const std::string& fieldName, const std::string& guid) {
        neighbourIndex_ = index;
        neighbourFieldName_ = fieldName;
        neighbourGuid_ = guid;
    }

    // The "DatasetComposition" element under `parent`, and back.
    HRESULT Save(IXMLDOMElement* parent);
    HRESULT Load(IXMLDOMNode* element);
    // Writes a layer's label settings into the held "LabelProperties" element.
    HRESULT SaveLabelProperties(class CZmaVadAZLabelProperties* labels, long distanceUnit);
    // Writes an engine selection into the held "Selection" element.
    HRESULT SaveSelectionHr(IDispatch* selection);
    // Drops the dimensions whose field the host dataset does not have.
    void RemoveMissingDimensions(IHostFields* fields);

    const std::list<Dimension>& Dimensions() const noexcept { return dimensions_; }
    std::list<Dimension>& Dimensions() noexcept { return dimensions_; }
    // Whether the series itself or one of its dimensions carries that GUID.
    bool Involves(const SeriesId& series) const;

    friend void AppendLayerEntry(CZmaVadAZDatasetComposition& composition, std::shared_ptr<std::wstring> fieldName,
                                 std::shared_ptr<std::wstring> seriesGuid, long code);
    friend void SetLayerEntryName(CZmaVadAZDatasetComposition& composition, const wchar_t* text, long id);

private:
    platform::ComPtr<IXMLDOMDocument2> document_;
    platform::ComPtr<IXMLDOMElement> labelProperties_;
    platform::ComPtr<IXMLDOMElement> selection_;
    bool restored_ = false;
    std::string name_;
    long neighbourIndex_ = -1;
    std::string neighbourFieldName_, neighbourGuid_;
    std::wstring seriesGuid_;
    int type_ = 1;
    bool visible_ = true;
    double offsetX_ = 0.0, offsetY_ = 0.0;
    double zoomMin_ = 0.0, zoomMax_ = 100.0;
    bool zoomLayering_ = false;
    std::list<Dimension> dimensions_;
};

// Appends a dimension; the strings are shared with the caller, not copied.
void AppendLayerEntry(CZmaVadAZDatasetComposition& composition, std::shared_ptr<std::wstring> fieldName,
                      std::shared_ptr<std::wstring> seriesGuid, long code);
// Renames the first dimension with code `id` to `text`; an empty or null text removes it.
void SetLayerEntryName(CZmaVadAZDatasetComposition& composition, const wchar_t* text, long id);

// Whether a node carries anything: an attribute or a child node.
bool XmlNodeHasContent(IXMLDOMNode* node);
// HRESULT forms of a layer's label settings save and load.
HRESULT SaveLayerSettings(IXMLDOMElement* element, class CZmaVadAZLabelProperties* labels, long distanceUnit);
HRESULT LoadLayerSettings(IXMLDOMElement* element, class CZmaVadAZLabelProperties* labels, long version);
