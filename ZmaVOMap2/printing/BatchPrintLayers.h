// What batch printing needs of the map's measurement layers: their names, keys, visibility and
// batch-print flags in the layer collection's order, a way to show or hide one as the host's own
// visibility change does, and the switch that keeps LayerVisibilityChanged from the host while a
// batch job measures its pages. The control answers it over its layer collection; it holds no
// layer, so a layer removed meanwhile is simply not listed any more.
#pragma once

#include <string>
#include <vector>

struct BatchPrintLayer {
    std::wstring name;
    // The key under which the layer collection keeps the layer (its series).
    std::wstring key;
    bool visible = false;
    // The layer gets a page of its own.
    bool batchPrint = false;
    // The layer is drawn on every page.
    bool printOnAllPages = false;
};

class BatchPrintLayers {
public:
    // The measurement layers, top of the map first; none when the map has no layers.
    virtual std::vector<BatchPrintLayer> DataLayers() = 0;
    // Shows or hides the layer with that key, and its check box on the print legend; nothing when
    // no layer has the key. Failures are raised.
    virtual void SetVisible(const std::wstring& key, bool visible) = 0;
    virtual void SuppressVisibilityEvents(bool suppress) noexcept = 0;

protected:
    ~BatchPrintLayers() = default;
};
