// The control's layer collection and the dataset display that works on it. Operations in
// progress hold the collection they started with: one that PreDestroy takes away meanwhile is
// retired, and goes when the last operation has ended.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

class CZmaVadAZDatasetDisplay;
class CZmaVadAZLayerCollection;
class CZmaVadAZLayerHost;

class MapLayers {
public:
    MapLayers();
    ~MapLayers();
    MapLayers(const MapLayers&) = delete;
    MapLayers& operator=(const MapLayers&) = delete;

    // Null before the map initialisation made them (and after PreDestroy).
    CZmaVadAZLayerCollection* Collection() const noexcept { return layers_.get(); }
    CZmaVadAZDatasetDisplay* Datasets() const noexcept { return datasets_.get(); }
    // The collection; before the map initialisation the members that need it fail with
    // `failure` and the one description of a map used too early.
    CZmaVadAZLayerCollection& Require(HRESULT failure = E_UNEXPECTED) const;
    CZmaVadAZDatasetDisplay& RequireDatasets(HRESULT failure = E_UNEXPECTED) const;
    // Makes the collection and its dataset display when there are none.
    CZmaVadAZLayerCollection& Ensure(const std::wstring& temporaryFolder, CZmaVadAZLayerHost& host, IDispatch* map);

    // Around each operation: the collection of the moment stays alive until the operation ends.
    void Hold() noexcept;
    void Unhold() noexcept;
    // After the last operation: what was retired meanwhile goes.
    void ClearRetired() noexcept;
    // PreDestroy: the collection and the display go, at once or, while `busy`, when the last
    // operation has ended.
    void Drop(bool busy) noexcept;

private:
    void Discard() noexcept;

    std::unique_ptr<CZmaVadAZLayerCollection> layers_;
    // Works on layers_: goes before it.
    std::unique_ptr<CZmaVadAZDatasetDisplay> datasets_;
    std::vector<CZmaVadAZLayerCollection*> held_;
    std::vector<std::unique_ptr<CZmaVadAZLayerCollection>> retiredLayers_;
    std::vector<std::unique_ptr<CZmaVadAZDatasetDisplay>> retiredDatasets_;
};
