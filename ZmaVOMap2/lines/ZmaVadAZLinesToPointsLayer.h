// Straight lines the host draws between two map positions ("Lines between points") or between two
// cell sites named by their rows ("Lines between cellsites"), each with its own width, line type
// and colour. The records keep map positions, so drawing needs no dataset.
#pragma once

#include "ZmaVOMap2/lines/ZmaVadAZLinesLayer.h"

#include <vector>

class CZmaVadAZLinesToPointsLayer : public CZmaVadAZLinesLayer {
public:
    struct PointLine {
        double startLongitude = 0;
        double startLatitude = 0;
        double endLongitude = 0;
        double endLatitude = 0;
        long width = 0;  // device pixels; 0 is the layer's line width scaled to the device
        long type = 0;   // 0 solid, 2 dotted, 3 dash-dot, 4 dash-dot-dot, other dashed
        platform::Variant colour;  // as the colour rule keeps it; empty draws the layer's colour
    };

    class ActionInterface {
    public:
        // `endSide` and `startSide` are the visible ends on the side of the record's end and start.
        virtual bool operator()(POINT endSide, POINT startSide, const PointLine& line) = 0;

    protected:
        ~ActionInterface() = default;
    };

    CZmaVadAZLinesToPointsLayer(IDispatch* map, CZmaVadAZLayerCollection* owner);
    ~CZmaVadAZLinesToPointsLayer() override;

    // A line between the positions of two rows of the collection's cell-site dataset. E_FAIL
    // without one; S_OK and nothing stored when the dataset has no position fields; E_INVALIDARG,
    // with the row and the reason as error information, for a row the map does not draw.
    HRESULT AddLineBetweenCellsites(long rowId1, long rowId2, long width, long type, const VARIANT& colour);
    HRESULT AddLineBetweenPoints(double startLongitude, double startLatitude, double endLongitude, double endLatitude,
                                 long width, long type, const VARIANT& colour);
    // A line with the same four coordinates as a stored one replaces it and moves to the end of
    // the drawing order.
    void AddLine(PointLine line);
    HRESULT ClearLines();
    void ForgetHostLines() noexcept override { lines_.clear(); }
    const std::vector<PointLine>& Lines() const noexcept { return lines_; }

    bool Draw(HDC dc, const RECT& rect, const ZmaExtent& extent) override;
    // Hands every line that shows in the view to the action; S_FALSE when the action stopped.
    HRESULT WalkLines(const RECT& view, const ZmaExtent& extent, ActionInterface& action);
    // The bounds of every line's ends; 0 without a line.
    int GetExtent(IDispatch* rectangle) override;
    // A point-lines layer writes no table of its own.
    HRESULT ExportToTab(const std::wstring& /*folder*/, const std::string& /*name*/) override { return S_OK; }

private:
    std::vector<PointLine> lines_;
};

class PointsLineRenderer : public CZmaVadAZLinesToPointsLayer::ActionInterface {
public:
    PointsLineRenderer(const CZmaVadAZLinesToPointsLayer& layer, HDC dc, const RECT& view, bool useGdiPlus);
    bool operator()(POINT endSide, POINT startSide, const CZmaVadAZLinesToPointsLayer::PointLine& line) override;

private:
    HDC dc_;
    const CZmaVadAZLinesToPointsLayer& layer_;
    RECT view_;
    bool useGdiPlus_;
};
