#include "ZmaVOMap2/control/MapLayers.h"

#include "ZmaVOMap2/control/LayerKinds.h"
#include "ZmaVOMap2/datalayers/DatasetDisplay.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"
#include "ZmaVOMap2/overlays/RolloverTip.h"
#include "platform/Result.h"

MapLayers::MapLayers() = default;

MapLayers::~MapLayers() {
    // The display works on the collection: it goes first.
    datasets_.reset();
    layers_.reset();
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
    try {
        retiredDatasets_.clear();
        retiredLayers_.clear();
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
    datasets_.reset();
    layers_.reset();
}
