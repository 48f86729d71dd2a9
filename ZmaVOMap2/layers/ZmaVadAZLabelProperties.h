// The label settings of a layer that draws itself: where the label text comes from, whether and
// at which zoom labels show, their placement, and the host's label style object. Layers drawn by
// the engine keep theirs in the engine's label-properties object instead (members below).
#pragma once

#include "platform/Com.h"

#include "HostInterfaces.h"

#include <msxml2.h>

#include <string>

class CZmaVadAZLabelProperties {
public:
    // Label placement.
    enum : int { kAlongLine = 0, kAcrossLine = 1, kHorizontal = 2, kVertical = 3 };
    enum : int { kAlignLeft = 0, kAlignRight = 1, kAlignCentre = 2 };
    // The settings version whose "LabelSettings" element carries every key.
    static constexpr long kCurrentVersion = 3;

    CZmaVadAZLabelProperties() = default;
    ~CZmaVadAZLabelProperties() = default;
    // Copies everything but the expression and its flag: a copy starts without an expression, an
    // assignment keeps the target's. The style is copied member by member into the target's own
    // style object; raises E_POINTER when either style object cannot be made.
    CZmaVadAZLabelProperties(const CZmaVadAZLabelProperties& other);
    CZmaVadAZLabelProperties& operator=(const CZmaVadAZLabelProperties& other);

    void SetDataField(const std::string& field) { dataField_ = field; }
    std::string GetDataField() const { return dataField_; }
    // The formatted label of the row, in the row's colour, is the label text.
    void SetFormattedLabels(bool on) noexcept { formattedLabels_ = on; }
    bool GetFormattedLabels() const noexcept { return formattedLabels_; }
    void SetVisible(bool on) noexcept { visible_ = on; }
    bool GetVisible() const noexcept { return visible_; }
    // Labels show only between `zoomMin` and `zoomMax` (in the zoom unit) while the flag is on.
    void SetLabelZoom(bool on, double zoomMin, double zoomMax) noexcept;
    bool GetLabelZoom(double* zoomMin, double* zoomMax) const noexcept;
    void SetLabelZoomUnits(long unit) noexcept { zoomUnit_ = unit; }
    long GetLabelZoomUnits() const noexcept { return zoomUnit_; }
    // The range in `unit`, converted by the host's unit converter from the zoom unit (as it is
    // without a converter). A bound within the world's width in the zoom unit stays within it in
    // `unit`, however the conversion rounds. Raises the converter's failure.
    void GetLabelZoomIn(long unit, double& zoomMin, double& zoomMax) const;
    void SetOverlap(bool on) noexcept { overlap_ = on; }
    bool GetOverlap() const noexcept { return overlap_; }
    // Adjacent duplicate texts are hidden.
    void SetDuplicate(bool on) noexcept { duplicate_ = on; }
    bool GetDuplicate() const noexcept { return duplicate_; }
    void SetPosition(int position) noexcept { position_ = position; }
    int GetPosition() const noexcept { return position_; }
    void SetAlignment(int alignment) noexcept { alignment_ = alignment; }
    int GetAlignment() const noexcept { return alignment_; }
    // In points.
    void SetOffset(int x, int y) noexcept { offsetX_ = x; offsetY_ = y; }
    void GetOffset(int& x, int& y) const noexcept { x = offsetX_; y = offsetY_; }
    void SetExpression(const std::string& expression) { expression_ = expression; }
    std::string GetExpression() const { return expression_; }
    void SetUseExpression(bool on) noexcept { useExpression_ = on; }
    bool GetUseExpression() const noexcept { return useExpression_; }

    // The host's label style, made on first use; empty when it cannot be made.
    platform::ComPtr<IHostLabelStyle> GetStyle() const;

    // Writes the settings as attributes of `element` (a "LabelSettings" element) and the style as
    // its one "Style" child. The zoom range is written in `mapUnit`, the map's distance unit, and
    // the unit itself is not written: readers take the range as the map's unit of the time.
    // Answers E_POINTER for a null element and E_INVALIDARG for one without a document; a
    // failure while writing is raised as ComError.
    HRESULT Save(IXMLDOMElement* element, long mapUnit);
    // Reads what an element of `version` holds; absent keys keep their values. Stops at the
    // first failure and answers its HRESULT, keeping what was read before it.
    HRESULT Load(IXMLDOMElement* element, long version);

private:
    void CopySettingsFrom(const CZmaVadAZLabelProperties& other);
    void CopyStyleFrom(const CZmaVadAZLabelProperties& other);

    std::string dataField_;
    bool formattedLabels_ = false;
    bool visible_ = true;
    bool labelZoom_ = false;
    double zoomMin_ = 0.0;
    double zoomMax_ = 100.0;
    long zoomUnit_ = 0;
    bool overlap_ = false;
    bool duplicate_ = false;
    int position_ = kHorizontal;
    int alignment_ = kAlignLeft;
    int offsetX_ = 0;
    int offsetY_ = 0;
    std::string expression_;
    bool useExpression_ = false;
    // Made on first use, also by readers: a copy made from these settings needs one.
    mutable platform::ComPtr<IHostLabelStyle> style_;
};
