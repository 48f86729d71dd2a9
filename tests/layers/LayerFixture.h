// A layer collection over a real engine stand-in map, with a fake control behind it and the
// message boxes answered by the test.
#pragma once

#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/layers/LayerHost.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayer.h"
#include "ZmaVOMap2/datalayers/DatasetDisplay.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"
#include "platform/Com.h"
#include "platform/Result.h"
#include "platform/Window.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>



namespace layertest {

class FakeHost : public CZmaVadAZLayerHost {
public:
    IDispatch* EngineMap() override { return map; }
    HWND EngineWindow() override { return nullptr; }
    std::wstring TemporaryFolder() override { return folder; }
    bool IsScreenUpdating() override { return screenUpdating; }
    IUnknown* LegendObject() override { return legend.Get(); }
    IUnknown* PrintLegendObject() override { return printLegend.Get(); }
    void FireSeriesRemoved(BSTR id) override { seriesRemoved.push_back(id ? id : L""); }
    void FireLayerVisibilityChanged() override { ++visibilityChanges; }
    void FireSelectionChanged(BSTR id) override { selectionChanges.push_back(id ? id : L""); }
    POINT ZoomViewOffset() override { return zoomOffset; }
    void FireGetField(BSTR field, BSTR series) override {
        getFieldRequests.push_back(std::wstring(field ? field : L"") + L"|" + (series ? series : L""));
        if (onGetField) onGetField();
    }

    IDispatch* map = nullptr;
    std::wstring folder;
    bool screenUpdating = true;
    platform::ComPtr<IUnknown> legend, printLegend;
    std::vector<std::wstring> seriesRemoved, selectionChanges, getFieldRequests;
    std::function<void()> onGetField;
    int visibilityChanges = 0;
    POINT zoomOffset = {0, 0};
};

class FakePrompts : public platform::UserPrompts {
public:
    struct Box {
        std::wstring text, caption;
        UINT flags;
    };
    int MessageBox(HWND, const std::wstring& text, const std::wstring& caption, UINT flags) override {
        boxes.push_back({text, caption, flags});
        return IDOK;
    }
    bool GetOpenFileName(OPENFILENAMEW&) override { return false; }
    bool GetSaveFileName(OPENFILENAMEW&) override { return false; }

    std::vector<Box> boxes;
};

// A fresh engine map, a working folder of its own and a collection over both.
class LayerTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A new engine map, as the control creates it.
    static platform::ComPtr<IDispatch> CreateEngineMap();
    // Names of the engine's layers from the top.
    static std::vector<std::string> EngineLayerNames(IDispatch* map);
    std::vector<std::string> EngineLayerNames() const { return EngineLayerNames(map_.Get()); }
    // Names of the collection's layers from the top.
    std::vector<std::string> LayerNames() const;

    // Writes "<folder>\<name>.tab" with the given number of features in the engine's table form,
    // and beside it an .ID file with one row offset per entry of `rowOffsets`.
    std::string WriteTable(const std::string& name, int features, const std::vector<unsigned> rowOffsets = {});
    // Opens a table as a new top layer of the collection.
    CZmaVadAZLayer* OpenTable(const std::string& name, int features = 1);
    // Adds a table to the engine at its top, then attaches a collection layer to it by name.
    CZmaVadAZLayer* AttachTable(const std::string& name);

    std::string FolderA() const;

    platform::ComPtr<IDispatch> map_;
    FakeHost host_;
    FakePrompts prompts_;
    std::unique_ptr<CZmaVadAZLayerCollection> layers_;
    // The dataset operations over layers_, as the control has them.
    std::unique_ptr<CZmaVadAZDatasetDisplay> datasets_;
};

}  // namespace layertest
