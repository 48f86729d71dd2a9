// Lines from each measurement point to the sector of its serving cell (the field
// "ServingSectorHandle"), coloured and labelled by fields, with the label field's value as
// rollover text.
#pragma once

#include "ZmaVOMap2/lines/CellLines.h"
#include "ZmaVOMap2/lines/LineActions.h"
#include "ZmaVOMap2/lines/ServerLines.h"

// A cell-site layer's TAB export writes these lines as a table of their own (LineTableExport).
class CZmaVadAZLinesToServersLayer : public CellLinesLayer<ServerLineCache> {
public:
    CZmaVadAZLinesToServersLayer(IDispatch* map, CZmaVadAZLayerCollection* owner);
    ~CZmaVadAZLinesToServersLayer() override;

    bool Draw(HDC dc, const RECT& rect, const ZmaExtent& extent) override;
    bool DrawLabels(HDC dc, const RECT& rect, const ZmaExtent& extent) override;
    bool HitTest(long x, long y, double mapX, double mapY) override;
    WrittenTable WriteTable(const std::wstring& folder, const std::string& name) override;

    // Hands every serving line of one dataset entry to the action. S_FALSE when the action asked
    // to stop; the HRESULT of a failure inside, which ends the walk. `dropsRepeats`: the action
    // keeps each pair of ends once, so a row that repeats the row before it (same pixel, same
    // cell) is not handed over again.
    HRESULT WalkLines(const DatasetEntry& entry, const RECT& view, const ZmaExtent& extent,
                      LinesToServersActionInterface& action, bool dropsRepeats = false);
    // Whether the current row names a serving cell that the cell-site layer holds.
    bool HasServingCell(IHostDataset* dataset);
    // The colour of a line of the current row. `retryWithZero`: a missing colour field is tried
    // again with "0" appended (the drawn lines do, the exported ones not). False for a null value:
    // such a line is not drawn.
    bool LineColour(IHostDataset* dataset, bool retryWithZero, COLORREF& colour);
    // The same in two steps, for a pass over many lines: the colour field of the dataset with its
    // value table (looked up once per pass), then the colour of the current row from them.
    ServingColourSource LineColourSource(IHostDataset* dataset, bool retryWithZero);
    bool LineColour(const ServingColourSource& source, COLORREF& colour);
    bool LabelField(IHostDataset* dataset, platform::ComPtr<IHostField>& field);
};
