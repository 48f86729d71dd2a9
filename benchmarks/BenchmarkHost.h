// What a layer collection needs of a control, for the benchmarks that run one over the engine
// alone: the engine's map and a temporary folder; no window, legends or events.
#pragma once

#include "ZmaVOMap2/layers/LayerHost.h"

#include <string>
#include <utility>

class BenchmarkHost : public CZmaVadAZLayerHost {
public:
    explicit BenchmarkHost(IDispatch* map, std::wstring temporaryFolder = L"")
        : map_(map), temporaryFolder_(std::move(temporaryFolder)) {}
    IDispatch* EngineMap() override { return map_; }
    HWND EngineWindow() override { return nullptr; }
    std::wstring TemporaryFolder() override { return temporaryFolder_; }
    bool IsScreenUpdating() override { return true; }
    IUnknown* LegendObject() override { return nullptr; }
    IUnknown* PrintLegendObject() override { return nullptr; }
    void FireSeriesRemoved(BSTR) override {}
    void FireLayerVisibilityChanged() override {}
    void FireSelectionChanged(BSTR) override {}

private:
    IDispatch* map_;
    std::wstring temporaryFolder_;
};
