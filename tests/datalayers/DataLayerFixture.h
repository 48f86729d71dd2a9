// Datasets filled by the tests, an engine map with a known view, and memory device contexts.
#pragma once

#include "tests/layers/LayerFixture.h"
#include "tests/support/DibCanvas.h"

#include "ZmaVOMap2/engine/Geometry.h"
#include "platform/Com.h"

#include "HostInterfaces.h"

#include <string>
#include <vector>

namespace dltest {

struct LatLon {
    double lat, lon;
};

// A host dataset of "Latitude" (13) and "Longitude" (12) rows, plus a text field "Name" holding
// "r<row>" and a number field "Level" holding the row number.
platform::ComPtr<IHostDataset> MakePointDataset(const std::vector<LatLon>& rows);
platform::ComPtr<IHostDatasetSetup> SetupOf(IHostDataset* dataset);
platform::ComPtr<IHostField> Field(IHostDataset* dataset, const wchar_t* name);
void SelectRows(IHostDataset* dataset, const std::vector<long>& rows);

// Host objects by class.
template <class I>
platform::ComPtr<I> Create(REFCLSID clsid) {
    platform::ComPtr<I> p;
    HRESULT hr = ::CoCreateInstance(clsid, nullptr, CLSCTX_ALL, __uuidof(I), p.PutVoid());
    EXPECT_EQ(hr, S_OK);
    return p;
}

// The settings of a host renderer class, through a fresh object of it.
platform::ComPtr<IHostRendererTest> RendererSettings(REFCLSID clsid);
platform::ComPtr<IHostRenderer> Renderer(REFCLSID clsid);
std::vector<std::wstring> CallLines(IUnknown* standIn);

using MemoryCanvas = testsupport::DibCanvas;

// A collection over an engine map of a known size, showing a known extent.
class DataLayerTest : public layertest::LayerTest {
protected:
    void SetUp() override;

    // Resizes the engine window and shows the extent (the engine keeps its aspect).
    void ShowView(int width, int height, const ZmaExtent& wanted);
    // The extent the engine shows now {left, top, right, bottom}.
    ZmaExtent ViewExtent() const;
    // The engine's own pixel of a position (direction 0, truncated).
    POINT EnginePixel(double lon, double lat) const;

    RECT view_ = {0, 0, 400, 300};
};

}  // namespace dltest
