#include "ZmaVOMap2/layers/SeriesTable.h"

#include "ZmaVOMap2/layers/ZmaVadAZDatasetComposition.h"

#include <algorithm>

SeriesTable::SeriesTable() = default;

SeriesTable::~SeriesTable() { Clear(); }

const SeriesTable::Entry* SeriesTable::Find(const SeriesId& id) const {
    auto it = entries_.find(id);
    return it == entries_.end() ? nullptr : &it->second;
}

void SeriesTable::Prune(std::map<SeriesId, Entry>::iterator it) {
    if (it != entries_.end() && !it->second.composition && it->second.layers.empty() && it->second.parts.empty())
        entries_.erase(it);
}

void SeriesTable::AddLayer(const SeriesId& id, CZmaVadAZLayer* layer) { entries_[id].layers.push_back(layer); }

void SeriesTable::AddLayerOnce(const SeriesId& id, CZmaVadAZLayer* layer) {
    if (!LayerOf(id)) AddLayer(id, layer);
}

void SeriesTable::AddPart(const SeriesId& series, const SeriesId& part) {
    if (series == part) return;
    std::vector<SeriesId>& parts = entries_[series].parts;
    auto at = std::lower_bound(parts.begin(), parts.end(), part);
    if (at == parts.end() || *at != part) parts.insert(at, part);
}

CZmaVadAZLayer* SeriesTable::LayerOf(const SeriesId& id) const {
    const Entry* entry = Find(id);
    return entry && !entry->layers.empty() ? entry->layers.front() : nullptr;
}

bool SeriesTable::Holds(const SeriesId& id, const CZmaVadAZLayer* layer) const {
    const Entry* entry = Find(id);
    return entry && std::find(entry->layers.begin(), entry->layers.end(), layer) != entry->layers.end();
}

std::vector<CZmaVadAZLayer*> SeriesTable::SeriesLayers(const SeriesId& series) const {
    std::vector<CZmaVadAZLayer*> layers;
    const Entry* entry = Find(series);
    if (!entry) return layers;
    layers = entry->layers;
    for (const SeriesId& part : entry->parts)
        if (const Entry* own = Find(part)) layers.insert(layers.end(), own->layers.begin(), own->layers.end());
    return layers;
}

std::vector<CZmaVadAZLayer*> SeriesTable::LayersBeginningWith(const SeriesId& prefix) const {
    std::vector<CZmaVadAZLayer*> layers;
    for (auto it = entries_.lower_bound(prefix); it != entries_.end() && it->first.BeginsWith(prefix); ++it)
        layers.insert(layers.end(), it->second.layers.begin(), it->second.layers.end());
    return layers;
}

std::vector<SeriesId> SeriesTable::LayerIds() const {
    std::vector<SeriesId> ids;
    for (const auto& entry : entries_)
        if (!entry.second.layers.empty()) ids.push_back(entry.first);
    return ids;
}

void SeriesTable::RemoveLayer(const SeriesId& id, const CZmaVadAZLayer* layer) {
    auto it = entries_.find(id);
    if (it == entries_.end()) return;
    auto& layers = it->second.layers;
    auto found = std::find(layers.begin(), layers.end(), layer);
    if (found != layers.end()) layers.erase(found);
    Prune(it);
}

void SeriesTable::Forget(const CZmaVadAZLayer* layer) {
    for (auto it = entries_.begin(); it != entries_.end();) {
        auto& layers = it->second.layers;
        layers.erase(std::remove(layers.begin(), layers.end(), layer), layers.end());
        auto next = std::next(it);
        Prune(it);
        it = next;
    }
}

CZmaVadAZDatasetComposition* SeriesTable::Adopt(std::unique_ptr<CZmaVadAZDatasetComposition> composition) {
    if (!composition) return nullptr;
    Entry& entry = entries_[composition->GetSeriesGuid()];
    if (entry.composition) return entry.composition.get();
    entry.composition = std::move(composition);
    adopted_.push_back(entry.composition.get());
    return entry.composition.get();
}

CZmaVadAZDatasetComposition* SeriesTable::CompositionOf(const SeriesId& id) const {
    const Entry* entry = Find(id);
    return entry ? entry->composition.get() : nullptr;
}

CZmaVadAZDatasetComposition* SeriesTable::CompositionInvolving(const SeriesId& id) const {
    for (CZmaVadAZDatasetComposition* composition : adopted_)
        if (composition->Involves(id.Text())) return composition;
    return nullptr;
}

std::vector<SeriesId> SeriesTable::CompositionIds() const {
    std::vector<SeriesId> ids;
    for (const auto& entry : entries_)
        if (entry.second.composition) ids.push_back(entry.first);
    return ids;
}

std::unique_ptr<CZmaVadAZDatasetComposition> SeriesTable::ReleaseComposition(const SeriesId& id) {
    auto it = entries_.find(id);
    if (it == entries_.end() || !it->second.composition) return nullptr;
    std::unique_ptr<CZmaVadAZDatasetComposition> released = std::move(it->second.composition);
    adopted_.erase(std::remove(adopted_.begin(), adopted_.end(), released.get()), adopted_.end());
    Prune(it);
    return released;
}

void SeriesTable::Clear() noexcept {
    adopted_.clear();
    entries_.clear();
}
