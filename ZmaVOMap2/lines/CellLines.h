// What the two lines-to-cells kinds share: the serving lines and the neighbour lines differ in
// their record (the neighbour lines carry the index of the field they were built from) and in how
// a row gives its lines; both build each dataset's lines into a cache of their record once per
// view and replay them from there into the renderer, the label pass and the rollover tester.
#pragma once

#include "ZmaVOMap2/export/LineTableExport.h"
#include "ZmaVOMap2/lines/LineGeometry.h"
#include "ZmaVOMap2/lines/PixelLineSet.h"
#include "ZmaVOMap2/lines/ZmaVadAZLinesLayer.h"
#include "platform/Result.h"

#include <memory>

// The lines of each dataset in pixel space, so that the label pass and every mouse move replay
// them without reading the cell sites again. Each dataset keeps the view it was built for: an
// entry is rebuilt when its own view, its data layer's offsets or the draw option changed.
// `Record` holds the ends, the row and the `Extra` values a line is handed with, and hands itself
// to an `Action` (HandTo).
template <class Record, class Action, class... Extra>
class CellLineCache : public Action {
public:
    explicit CellLineCache(const CZmaVadAZLinesLayer& owner) : owner_(owner) {}

    // Whether the dataset's lines must be built again for this view; forgets them when so.
    bool Validate(IHostDataset* dataset, CZmaVadAZDataLayer& dataLayer, const RECT& view, const ZmaExtent& extent) {
        return lines_.Validate(dataset, owner_.CacheView(dataLayer, view, extent));
    }
    // Hands every cached line of the dataset to the action, on its row, without map positions.
    void Replay(IHostDataset* dataset, Action& action) {
        const GeoPoint none;
        lines_.Replay(dataset, [&](const Record& line) {
            IHostDataset* current = dataset;
            line.HandTo(action, none, current);
        });
    }
    bool operator()(POINT cellEnd, POINT pointEnd, const GeoPoint&, const GeoPoint&, Extra... extra,
                    IHostDataset*& dataset) override {
        lines_.Add(dataset, Record{cellEnd, pointEnd, -1, extra...});
        return true;
    }

private:
    const CZmaVadAZLinesLayer& owner_;
    DatasetLineCache<Record> lines_;
};

// The layer side of a lines-to-cells kind: its cache, the view of its last frame (an export walks
// that view), and the frame and label passes over the cache.
template <class Cache>
class CellLinesLayer : public CZmaVadAZLinesLayer, public LineTableExport {
public:
    CellLinesLayer(IDispatch* map, CZmaVadAZLayerCollection* owner)
        : CZmaVadAZLinesLayer(map, owner), cache_(std::make_shared<Cache>(*this)) {}

    // The layer's table on its own: written (WriteTable) and put in place, an export of one table.
    HRESULT ExportToTab(const std::wstring& folder, const std::string& name) override {
        try {
            tabexport::CloseTogether({WriteTable(folder, name).table.get()});
            return S_OK;
        }
        // The reason stays with the thread for whoever reports the failure.
        CATCH_RETURN_KEEP_INFO()
    }

protected:
    // The entry's data layer when its lines are drawn now: it is in the collection, shows at this
    // zoom, and has a named selection unless every point's lines are drawn (draw option 0).
    CZmaVadAZDataLayer* DrawnDataLayer(const DatasetEntry& entry) const {
        CZmaVadAZDataLayer* data = FindDataLayer(entry.seriesGuid);
        if (!data) return nullptr;
        if (GetDrawOption() == 1 && !data->IsSelectionNamed()) return nullptr;
        if (!data->IsVisibleAtCurrentZoom()) return nullptr;
        return data;
    }

    // The frame: each drawn entry's lines, built anew by `rebuild(entry)` when the cache asks for
    // it, are replayed into `renderer`, which draws them through the layer's picture.
    template <class Renderer, class Rebuild>
    bool DrawLines(Renderer& renderer, const RECT& rect, const ZmaExtent& extent, Rebuild rebuild) {
        try {
            for (const DatasetEntry& entry : Entries()) {
                CZmaVadAZDataLayer* data = DrawnDataLayer(entry);
                if (!data) continue;
                const bool rebuilt = cache_->Validate(entry.dataset.Get(), *data, rect, extent);
                lastView_ = rect;
                lastExtent_ = extent;
                if (rebuilt) rebuild(entry);
                cache_->Replay(entry.dataset.Get(), renderer);
            }
        } catch (...) {
            // The lines met before the failure are drawn, as drawing them one by one would have.
            renderer.Finish(nullptr, false);
            throw;
        }
        renderer.Finish(&Picture(), KeepsPictures());
        return true;
    }

    // The label pass: the drawn entries' lines replayed into a renderer in its label mode.
    template <class Renderer>
    bool DrawLineLabels(Renderer& renderer) {
        for (const DatasetEntry& entry : Entries())
            if (DrawnDataLayer(entry)) cache_->Replay(entry.dataset.Get(), renderer);
        return true;
    }

    std::shared_ptr<Cache> cache_;
    RECT lastView_ = {0, 0, 0, 0};
    ZmaExtent lastExtent_ = {0, 0, 0, 0};
};
