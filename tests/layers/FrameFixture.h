// Layers that record what the collection asks of them, in one journal shared by all layers of a
// test, and a collection over the engine stand-in that hands them the events.
#pragma once

#include "tests/layers/LayerFixture.h"

#include "ZmaVOMap2/datalayers/ZmaVadAZDataLayer.h"

#include "MapEngine.h"

#include <functional>
#include <string>
#include <vector>

namespace frametest {

using Journal = std::vector<std::string>;

// What a recording layer answers to the events offered to it.
struct Answers {
    bool move = false, down = false, up = false, doubleClick = false, key = false;
};

// A layer over an engine user-draw layer of its own that logs "<name>:<operation>".
class RecordingLayer : public CZmaVadAZLayer {
public:
    RecordingLayer(IDispatch* map, CZmaVadAZLayerCollection* owner, Journal& journal, bool userDrawn)
        : CZmaVadAZLayer(map, owner), journal_(journal), drawsItself_(userDrawn) {}

    // Adds an engine user-draw layer at the top and takes `name` (which may repeat another
    // layer's name; the engine layer keeps a unique one).
    HRESULT Attach(const std::string& name, int type, const std::string& fileSpec = std::string()) override;

    bool OnDrawUserLayer(HDC, const RECT&, const ZmaExtent&) override {
        if (duringRequest) duringRequest();
        return Log("request");
    }
    bool Draw(HDC, const RECT&, const ZmaExtent&) override;
    bool DrawSecondPass(HDC, const RECT&, const ZmaExtent&) override { return Log("pass1"); }
    bool DrawLabels(HDC, const RECT&, const ZmaExtent&) override { return Log("labels"); }
    bool HitTest(long x, long y, double, double) override { return Log("move", x, y) && answers.move; }
    bool OnToolUsed(long x, long y, double, double) override { return Log("down", x, y) && answers.down; }
    bool OnMouseUp(long x, long y, double, double) override { return Log("up", x, y) && answers.up; }
    bool OnDoubleClick() override { return Log("double") && answers.doubleClick; }
    bool OnKeyDown(short key, short shift) override { return Log("key", key, shift) && answers.key; }

    Answers answers;
    // Raised from the symbol pass.
    bool throwInDraw = false;
    // Run in the symbol pass and in the layer's own draw request, to act from inside the frame.
    std::function<void()> duringDraw, duringRequest;
    // The collection's drawing flags as the symbol pass last saw them.
    bool sawPrinting = false, sawGdiPlus = false;

private:
    bool Log(const char* what, long a = -1, long b = -1);

    Journal& journal_;
    bool drawsItself_;
};

// A data layer that logs its selection calls as "<name>:<operation> <arguments>".
class RecordingDataLayer : public CZmaVadAZDataLayer {
public:
    RecordingDataLayer(IDispatch* map, CZmaVadAZLayerCollection* owner, int type, Journal& journal)
        : CZmaVadAZDataLayer(map, owner, type), journal_(journal) {}

    bool OnDrawUserLayer(HDC dc, const RECT& rect, const ZmaExtent& extent) override;
    void ClearSelection() override { Log("clear"); }
    void NotifySelectionChanged() override { Log("notify"); }
    void SelectInRectangle(const ZmaExtent& e) override;
    void SelectInRadius(const ZmaPointD& c, double r) override;
    void SelectInRadiusProjected(const ZmaPointD& c, double r) override;
    void SelectInPolygon(const ZmaExtent& bounds, const std::vector<ZmaPointD>& points) override;

    // The symbol-drawing classes of the frames drawn so far.
    std::vector<CLSID> frameClasses;

private:
    void Log(const std::string& what);

    Journal& journal_;
};

// Counts the info displays the collection asks its control for.
class FrameHost : public layertest::FakeHost {
public:
    void DrawInfoDisplay(HDC) override { ++infoDisplays; }
    int infoDisplays = 0;
};

class FrameTest : public layertest::LayerTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // A new top layer of the collection.
    RecordingLayer* AddLayer(const std::string& name, bool userDrawn = true);
    RecordingDataLayer* AddDataLayer(const std::string& name, int type);

    // The engine's draw request for a layer's engine layer; answers whether the passes ran.
    bool Request(CZmaVadAZLayer* layer, bool printing = false);
    // A zoom range on the layer's engine layer that the map's current zoom lies outside.
    void PutOutOfZoomRange(CZmaVadAZLayer* layer);
    // How many refreshes the engine map was asked for since the last ClearEngineCalls.
    int EngineRefreshes();
    void ClearEngineCalls();
    // The engine's own flag for the layer, which the selectability answers come from.
    bool EngineSelectable(CZmaVadAZLayer* layer);
    Journal Take();

    Journal journal_;
    FrameHost frameHost_;
    HDC dc_ = nullptr;
    const RECT rect_ = {0, 0, 200, 100};
    const ZmaExtent extent_ = {10, 50, 12, 49};
    platform::ComPtr<IEngineTestHooks> hooks_;
};

}  // namespace frametest
