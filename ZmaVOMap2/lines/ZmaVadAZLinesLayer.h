// The common base of the layers that draw lines from the measurement points of the host's point
// datasets to cells: the datasets whose points carry lines, the fields that colour and label the
// lines, the radio technology, the draw option, the settings as XML attributes, reading a field
// of the current measurement row (asking the host once for a missing one), a line's label drawn
// along the line, and the message pump after a rollover hit test.
//
// The line layers have no engine layer: the data layer they are tied to draws them right after its
// own symbols, and their labels after its labels.
#pragma once

#include "ZmaVOMap2/datalayers/CellLineLayer.h"
#include "ZmaVOMap2/datalayers/ZmaVadAZDataLayer.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayer.h"
#include "ZmaVOMap2/lines/LinePicture.h"
#include "ZmaVOMap2/lines/PixelLineSet.h"
#include "ZmaVOMap2/overlays/RolloverTip.h"
#include "platform/Com.h"
#include "platform/ThreadFlag.h"

#include "HostInterfaces.h"

#include <msxml2.h>

#include <list>
#include <set>
#include <string>

class CZmaVadAZDataLayer;

class CZmaVadAZLinesLayer : public CZmaVadAZLayer, public CellLineLayerInterface {
public:
    struct DatasetEntry {
        platform::ComPtr<IHostDataset> dataset;
        std::wstring seriesGuid;  // the key of the dataset's data layer
        FieldPairs pairs;
    };

    CZmaVadAZLinesLayer(IDispatch* map, CZmaVadAZLayerCollection* owner);
    ~CZmaVadAZLinesLayer() override;

    // --- CellLineLayerInterface ---------------------------------------------------------------
    HRESULT SetSourceInfo(const std::string& name, int type, const std::wstring& seriesGuid,
                          const std::wstring& discValue) override;
    // A new series is appended; a known one gets the new dataset only in mode 2. Mode 3 makes the
    // series the layer's cell-site series, unless an entry was replaced.
    HRESULT SetDataset(IHostDataset* dataset, const std::wstring& seriesGuid, const FieldPairs& pairs,
                       int mode) override;
    HRESULT RemoveDataset(const std::wstring& seriesGuid) override;
    std::wstring GetColorByField() const override { return colorBy_; }
    void SetColorByField(const std::wstring& field) override { colorBy_ = field; }
    std::wstring GetLabelByField() const override { return labelBy_; }
    void SetLabelByField(const std::wstring& field) override { labelBy_ = field; }
    std::wstring GetTechnology() const override { return technology_; }
    void SetTechnology(const std::wstring& technology) override { technology_ = technology; }
    int GetDrawOption() const override { return drawOption_; }
    void SetDrawOption(int option) override { drawOption_ = option; }
    bool IsDisabled() const override { return disabled_; }
    void SetDisabled(bool disabled) override { disabled_ = disabled; }
    void ForgetHostLines() noexcept override {}

    // --- Datasets -----------------------------------------------------------------------------
    // The series of the entry that holds this dataset; false when none does.
    bool FindDataset(IHostDataset* dataset, std::wstring& seriesGuid) const;
    int GetDatasetCount() const noexcept { return static_cast<int>(entries_.size()); }
    const std::list<DatasetEntry>& Entries() const noexcept { return entries_; }
    // The cell-site series whose cells the lines run to.
    const std::wstring& GetSeriesGuid() const noexcept { return seriesGuid_; }
    const std::wstring& GetDiscValue() const noexcept { return discValue_; }

    COLORREF GetLineColour() const noexcept { return lineColour_; }
    // In 1/96 inch; hit testers take it unscaled as their tolerance in pixels.
    short GetLineWidth() const noexcept { return lineWidth_; }

    // --- Layer operations ---------------------------------------------------------------------
    // Writes the line settings as attributes of `parent` (an element), in a fixed order, and the
    // label settings as its "LabelSettings" child.
    HRESULT SaveSettings(IXMLDOMNode* parent) override;
    // Reads them back; "drawoption" and "colorbyfield" are required. Not the base's reader: the
    // collection calls it when it rebuilds line layers from settings.
    HRESULT LoadLineSettings(IXMLDOMElement* element, long version) override;
    // A line layer has no table to ask: it always counts as having features, and has no extent.
    bool HasFeatures() override { return true; }
    int GetExtent(IDispatch* /*rectangle*/) override { return 0; }
    bool IsSavedAsTableLayer() override { return false; }

    // --- Services for the kinds ---------------------------------------------------------------
    // The field of the dataset's current row; false for "None", an empty name, or a field that is
    // still missing after the host was asked for it once. The current row is the same afterwards.
    // Within one pass (a draw, a label pass, a hit test) the host is asked once per missing name:
    // a pass replays thousands of lines, and the answer does not change between them.
    bool GetFieldValue(const std::wstring& fieldName, const std::wstring& seriesGuid, IHostDataset* dataset,
                       platform::ComPtr<IHostField>& field);
    // Draws "name: value" of the field near `anchor`, rotated along the line from `from` to `to`;
    // false when there is nothing to draw.
    bool DrawLabel(HDC dc, IHostField* field, POINT anchor, POINT from, POINT to);
    // Direction of a screen line in whole degrees: 0 up, 90 right, 180 down, 270 left.
    static int GetLineDirection(POINT from, POINT to);
    static void PumpMessages();
    // A new pass begins: names the host could not give are asked for again.
    void BeginPass() { missingFields_.clear(); }
    // The rollover test the line kinds share: the lines of every dataset whose data layer has a
    // named selection are replayed from `cache` into a `Tester` made for `self`; a miss hides the
    // tip. Without a selection to show, messages are pumped, and `inRollover` keeps a test from
    // running inside the pump of another.
    template <class Tester, class Layer, class Cache>
    bool RolloverHitTest(Layer& self, Cache& cache, long x, long y, platform::ThreadFlag& inRollover);

    // The table file of an export, named by the layer base's rule (GetTabFileName) with the data
    // layer's name as the suffix: "Linestoservingcells-Site_Name-Azimuth.TAB".
    // A file the export may not write (JudgeExportFile) is refused with its reason.
    std::wstring TabFileName(const std::wstring& folder, const std::string& suffix) const;
    // The view an export walks: every line, not only those of the last drawn view.
    static RECT ExportView();

    // The data layer registered under a series key; null when none is.
    CZmaVadAZDataLayer* FindDataLayer(const std::wstring& key) const;
    // The cell-site layer of the layer's series.
    CZmaVadAZDataLayer* CellSiteLayer() const { return FindDataLayer(seriesGuid_); }
    // GDI+ for the screen with enhanced drawing, GDI otherwise.
    bool UsesGdiPlus() const;
    // What the lines of a dataset shown by `data` are built for in this view.
    LineCacheView CacheView(const CZmaVadAZDataLayer& data, const RECT& view, const ZmaExtent& extent) const;
    // Whether the frame may keep a picture of its lines: not while printing.
    bool KeepsPictures() const;
    // The picture of the layer's last line pass.
    LinePicture& Picture() noexcept { return picture_; }
    // Whether the layer's labels show at the map's current zoom.
    bool LabelsWithinZoom();
    // What screen positions move by while the host has set the zoom itself (0, 0 otherwise).
    POINT DrawOffset() const;

private:
    platform::ComPtr<IXMLDOMDocument> document_;
    int drawOption_ = 1;
    std::wstring colorBy_ = L"None";
    std::wstring labelBy_ = L"None";
    std::wstring technology_;
    COLORREF lineColour_ = 0;
    short lineWidth_ = 2;
    std::wstring discValue_;
    std::wstring seriesGuid_;
    bool disabled_ = false;
    std::list<DatasetEntry> entries_;
    std::set<std::pair<IHostDataset*, std::wstring>> missingFields_;
    LinePicture picture_;
};

// The text of a field value for labels, tooltips and the TAB file: the field's formatter's text
// when the field has one, else the value as text. False when there is nothing to show: an empty
// or null value, or an empty string with a formatter.
bool FieldValueText(IHostField* field, std::wstring& text);

template <class Tester, class Layer, class Cache>
bool CZmaVadAZLinesLayer::RolloverHitTest(Layer& self, Cache& cache, long x, long y,
                                          platform::ThreadFlag& inRollover) {
    if (inRollover.IsRaised()) return false;
    BeginPass();
    bool hit = false;
    if (!GetLabelByField().empty()) {
        Tester tester({x, y}, self);
        for (const DatasetEntry& entry : Entries()) {
            CZmaVadAZDataLayer* data = FindDataLayer(entry.seriesGuid);
            if (data && data->IsSelectionNamed()) cache.Replay(entry.dataset.Get(), tester);
        }
        hit = tester.IsHit();
    }
    if (!hit) HideRolloverTip(this);
    if (GetDrawOption() == 0) {
        platform::ThreadFlag::Raised pumping(inRollover);
        PumpMessages();
    }
    return hit;
}
