// The series the layer collection shows, one entry each: the series' composition (what it shows
// and how), the layers registered under its id, and its parts (a cell-site series split by layer
// type shows each type as a series of its own, "<series>_<layer type>", linked to it here).
#pragma once

#include "ZmaVOMap2/layers/SeriesId.h"

#include <map>
#include <memory>
#include <vector>

class CZmaVadAZDatasetComposition;
class CZmaVadAZLayer;

class SeriesTable {
public:
    SeriesTable();
    ~SeriesTable();
    SeriesTable(const SeriesTable&) = delete;
    SeriesTable& operator=(const SeriesTable&) = delete;

    // --- Layers ---
    void AddLayer(const SeriesId& id, CZmaVadAZLayer* layer);
    // Registers the layer unless some layer has that id already.
    void AddLayerOnce(const SeriesId& id, CZmaVadAZLayer* layer);
    void AddPart(const SeriesId& series, const SeriesId& part);
    // The first layer registered under exactly the id; null when none is.
    CZmaVadAZLayer* LayerOf(const SeriesId& id) const;
    bool Holds(const SeriesId& id, const CZmaVadAZLayer* layer) const;
    // The layers of a series, its own first, then those of its parts in id order.
    std::vector<CZmaVadAZLayer*> SeriesLayers(const SeriesId& series) const;
    // The layers of the series whose ids begin with the text, in id order.
    std::vector<CZmaVadAZLayer*> LayersBeginningWith(const SeriesId& prefix) const;
    // The ids that have layers, in id order.
    std::vector<SeriesId> LayerIds() const;
    // Takes the layer out of every series (one id, or all).
    void RemoveLayer(const SeriesId& id, const CZmaVadAZLayer* layer);
    void Forget(const CZmaVadAZLayer* layer);

    // --- Compositions ---
    // Keeps the composition under its series id; a series that has one already keeps that one,
    // which is answered.
    CZmaVadAZDatasetComposition* Adopt(std::unique_ptr<CZmaVadAZDatasetComposition> composition);
    CZmaVadAZDatasetComposition* CompositionOf(const SeriesId& id) const;
    // The first composition, in the order they came, that shows the series (as its own or as a
    // dimension's series).
    CZmaVadAZDatasetComposition* CompositionInvolving(const SeriesId& id) const;
    // In the order they came; CompositionIds in id order.
    const std::vector<CZmaVadAZDatasetComposition*>& Compositions() const noexcept { return adopted_; }
    std::vector<SeriesId> CompositionIds() const;
    // Takes the series' composition out of the table (null when it has none).
    std::unique_ptr<CZmaVadAZDatasetComposition> ReleaseComposition(const SeriesId& id);

    void Clear() noexcept;

private:
    struct Entry {
        std::unique_ptr<CZmaVadAZDatasetComposition> composition;
        std::vector<CZmaVadAZLayer*> layers;
        std::vector<SeriesId> parts;
    };
    const Entry* Find(const SeriesId& id) const;
    // An entry that holds nothing any more goes.
    void Prune(std::map<SeriesId, Entry>::iterator it);

    std::map<SeriesId, Entry> entries_;
    std::vector<CZmaVadAZDatasetComposition*> adopted_;
};
