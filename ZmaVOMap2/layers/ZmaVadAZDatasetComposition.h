// How one displayed series is composed: its dimensions (which field of which series plays which
// role) and its display state. The layer collection keeps one per dataset layer key; what else
// it holds and how it is saved comes with the settings document.
#pragma once

#include "platform/Com.h"

#include <msxml2.h>

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

    CZmaVadAZDatasetComposition() = default;
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
    // Saved label settings of the layer ("LabelSettings"); null when there are none.
    IXMLDOMElement* GetLabelSettings() const noexcept { return labelSettings_.Get(); }
    void SetLabelSettings(IXMLDOMElement* element) { labelSettings_ = element; }

    const std::list<Dimension>& Dimensions() const noexcept { return dimensions_; }
    std::list<Dimension>& Dimensions() noexcept { return dimensions_; }
    // Whether the series itself or one of its dimensions carries that GUID.
    bool Involves(const std::wstring& guid) const;

    friend void AppendLayerEntry(CZmaVadAZDatasetComposition& composition, std::shared_ptr<std::wstring> fieldName,
                                 std::shared_ptr<std::wstring> seriesGuid, long code);
    friend void SetLayerEntryName(CZmaVadAZDatasetComposition& composition, const wchar_t* text, long id);

private:
    std::wstring seriesGuid_;
    int type_ = 1;
    bool visible_ = true;
    double offsetX_ = 0.0, offsetY_ = 0.0;
    double zoomMin_ = 0.0, zoomMax_ = 100.0;
    bool zoomLayering_ = false;
    platform::ComPtr<IXMLDOMElement> labelSettings_;
    std::list<Dimension> dimensions_;
};

// Appends a dimension; the strings are shared with the caller, not copied.
void AppendLayerEntry(CZmaVadAZDatasetComposition& composition, std::shared_ptr<std::wstring> fieldName,
                      std::shared_ptr<std::wstring> seriesGuid, long code);
// Renames the first dimension with code `id` to `text`; an empty or null text removes it.
void SetLayerEntryName(CZmaVadAZDatasetComposition& composition, const wchar_t* text, long id);
