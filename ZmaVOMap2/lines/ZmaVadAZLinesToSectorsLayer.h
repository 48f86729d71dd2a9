// The lines a host draws between two cell sectors (type 13, "Lines between Cell Sectors"): each
// end is a row of a cell-site series shown on the map. The lines are drawn from sector symbol to
// sector symbol, optionally with an arrow, show their tooltip under the mouse, and a click on one
// tells the host which line it was (FeatureSelected). One such layer per map, made on first use.
#pragma once

#include "ZmaVOMap2/layers/ZmaVadAZLayer.h"
#include "ZmaVOMap2/lines/SectorLines.h"

#include <vector>

class LayerFactory;
class CZmaVadAZDataLayer;

class CZmaVadAZLinesToSectorsLayer : public CZmaVadAZLayer {
public:
    CZmaVadAZLinesToSectorsLayer(IDispatch* map, CZmaVadAZLayerCollection* owner);
    ~CZmaVadAZLinesToSectorsLayer() override;

    // A user-draw engine layer of that name (made unique by the engine).
    HRESULT Attach(const std::string& name, int type, const std::string& fileSpec = std::string()) override;

    // Adds the line, or replaces the one with the same two ends (same direction) in its place;
    // the line's index goes to `index`.
    HRESULT AddLine(BSTR guid1, long rowId1, BSTR guid2, long rowId2, long lineWidth, long lineType,
                    const VARIANT& lineColor, BSTR toolTip, bool drawArrow, double proportion, long* index);
    long StoreLine(SectorLine line);
    HRESULT ClearLines();
    // False when the index is out of range.
    bool SetLineVisible(long index, bool visible);
    long GetLineCount() const noexcept { return static_cast<long>(lines_.size()); }
    const SectorLine& GetLine(long index) const { return lines_.at(static_cast<size_t>(index)); }

    // Hands every visible line whose two ends are rows the map draws (DrawnRows) and which shows in
    // the last drawn view to the action: a line to any other row is kept, and walked again once the
    // map draws its row. S_FALSE when the action stopped the walk; a failure inside ends it with its
    // HRESULT.
    HRESULT ForEachLine(LinesToSectorsActionInterface& action);

    bool Draw(HDC dc, const RECT& rect, const ZmaExtent& extent) override;
    bool HitTest(long x, long y, double mapX, double mapY) override;
    // Fires FeatureSelected for a clicked line; always leaves the click to the layers below.
    bool OnToolUsed(long x, long y, double mapX, double mapY) override;
    int GetExtent(IDispatch* rectangle) override;
    bool HasFeatures() override { return true; }
    // The lines belong to the host's session: the map's settings do not keep them.
    bool IsSavedAsTableLayer() override { return false; }

private:
    // The first visible layer registered under the series key; null when there is none.
    CZmaVadAZDataLayer* VisibleSeriesLayer(const std::wstring& key);

    RECT drawingRect_ = {0, 0, 0, 0};
    ZmaExtent viewExtent_ = {0, 0, 0, 0};
    std::vector<SectorLine> lines_;
};

void RegisterLinesToSectorsLayerKind(LayerFactory& factory);
