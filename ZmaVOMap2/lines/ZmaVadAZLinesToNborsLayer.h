// Lines from each measurement point to each neighbour cell its row names (the fields
// NeighborSectorHandle_1, NeighborSectorHandle_2, ...), coloured and labelled by fields, with the
// label field's value as rollover text.
#pragma once

#include "ZmaVOMap2/lines/CellLines.h"
#include "ZmaVOMap2/lines/LineActions.h"
#include "ZmaVOMap2/lines/NeighbourLines.h"

#include <vector>

// A cell-site layer's TAB export writes these lines as a table of their own (LineTableExport).
class CZmaVadAZLinesToNborsLayer : public CellLinesLayer<NeighbourLineCache> {
public:
    CZmaVadAZLinesToNborsLayer(IDispatch* map, CZmaVadAZLayerCollection* owner);
    ~CZmaVadAZLinesToNborsLayer() override;

    bool Draw(HDC dc, const RECT& rect, const ZmaExtent& extent) override;
    bool DrawLabels(HDC dc, const RECT& rect, const ZmaExtent& extent) override;
    bool HitTest(long x, long y, double mapX, double mapY) override;
    WrittenTable WriteTable(const std::wstring& folder, const std::string& name) override;

    // Hands every neighbour line of one dataset entry to the action. `dropsRepeats`: the action
    // keeps each pair of ends once, so a row that repeats the row before it (same pixel, same
    // cells) is not handed over again.
    HRESULT BuildLines(const DatasetEntry& entry, const RECT& view, const ZmaExtent& extent,
                       LinesToNeighboursActionInterface& action, bool dropsRepeats = false);
    // The n of the dataset's fields NeighborSectorHandle_n.
    static void CollectNeighborFields(IHostDataset* dataset, std::vector<long>& indexes);
    // A name ending with "_" gets n appended; false (and `out` untouched) otherwise.
    static bool MakeIndexedFieldName(const std::wstring& name, long n, std::wstring& out);
    // Whether the current row names a neighbour the cell-site layer holds.
    bool HasKnownNeighbour(IHostDataset* dataset, const std::vector<long>& indexes);
    // The colour of a line of the current row with neighbour index n.
    COLORREF LineColour(IHostDataset* dataset, long neighbour);
    // The same in two steps, for a pass over many lines: the colour field of the dataset for
    // index n with its style object (looked up once per pass), then the current row's colour.
    NeighbourColourSource LineColourSource(IHostDataset* dataset, long neighbour);
    COLORREF LineColour(const NeighbourColourSource& source);
    // The label field of a line; false when there is none.
    bool LabelField(IHostDataset* dataset, long neighbour, platform::ComPtr<IHostField>& field);
    // The shift of the neighbour index on replay: 1 for WCDMA, whose neighbour fields count from 0.
    long IndexShift() const;

private:
    // What a walk keeps from row to row: the handles of the row at hand (whether each names a
    // cell, and which), and the row before, for a walk that drops repeats (null: every row's
    // lines are handed over).
    struct RowHandles {
        std::vector<long> handles;
        std::vector<char> valid;
        RepeatedRow* last = nullptr;
        long shift = 0;  // IndexShift, asked once per walk
    };
    // The lines of the current row, `row` (-1 when the walk does not know its number).
    HRESULT BuildPointLines(IHostDataset* dataset, long row, const std::vector<long>& indexes,
                            const std::vector<IHostField*>& handleFields, LineGeometry& geometry,
                            LinesToNeighboursActionInterface& action, RowHandles& walk);
};
