#include "ZmaVOMap2/control/MapLayers.h"

#include "ZmaVOMap2/control/LayerKinds.h"
#include "ZmaVOMap2/datalayers/DatasetDisplay.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"
#include "ZmaVOMap2/overlays/RolloverTip.h"
#include "platform/Result.h"

MapLayers::MapLayers() = default;

MapLayers::~MapLayers() { Discard(); }

void MapLayers::Discard() noexcept {
    // Both leave their places before either goes: their layers let go of host objects, and the
    // messages handled meanwhile find no map rather than half of one. The display works on the
    // collection: it goes first.
    std::unique_ptr<CZmaVadAZDatasetDisplay> datasets = std::move(datasets_);
    std::unique_ptr<CZmaVadAZLayerCollection> layers = std::move(layers_);
    datasets.reset();
    layers.reset();
}

CZmaVadAZLayerCollection& MapLayers::Require(HRESULT failure) const {
    if (!layers_)
        throw platform::ComError(failure, L"The map has not been initialised: it has no layers yet.", L"VadAZ");
    return *layers_;
}

CZmaVadAZDatasetDisplay& MapLayers::RequireDatasets(HRESULT failure) const {
    Require(failure);
    return *datasets_;
}

CZmaVadAZLayerCollection& MapLayers::Ensure(const std::wstring& temporaryFolder, CZmaVadAZLayerHost& host,
                                             IDispatch* map) {
    if (!layers_) {
        RegisterLayerKinds();
        layers_ = std::make_unique<CZmaVadAZLayerCollection>(temporaryFolder, host, map);
        datasets_ = std::make_unique<CZmaVadAZDatasetDisplay>(*layers_);
        layers_->SetLinesLayerPersistence(datasets_.get());
    }
    return *layers_;
}

void MapLayers::Hold() noexcept {
    try {
        held_.push_back(layers_.get());
        if (layers_) layers_->BeginOperation();
    } catch (...) {
        platform::LogCaughtException(__FILE__, __LINE__);
        held_.clear();
    }
}

void MapLayers::Unhold() noexcept {
    if (held_.empty()) return;
    if (CZmaVadAZLayerCollection* held = held_.back()) held->EndOperation();
    held_.pop_back();
}

void MapLayers::ClearRetired() noexcept {
    // Taken first: the layers let go of host objects of other apartments as they go, and the
    // messages handled meanwhile may end operations of their own.
    try {
        std::vector<std::unique_ptr<CZmaVadAZDatasetDisplay>> datasets;
        datasets.swap(retiredDatasets_);
        std::vector<std::unique_ptr<CZmaVadAZLayerCollection>> layers;
        layers.swap(retiredLayers_);
        datasets.clear();
        layers.clear();
    }
    COM_CATCH_LOG();
}

void MapLayers::Drop(bool busy) noexcept {
    try {
        if (layers_) {
            HideRolloverTip(nullptr);
            layers_->SetLinesLayerPersistence(nullptr);
        }
        if (busy) {
            retiredDatasets_.push_back(std::move(datasets_));
            retiredLayers_.push_back(std::move(layers_));
        }
    }
    COM_CATCH_LOG();
    Discard();
}
