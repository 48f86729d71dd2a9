// A map control embedded in a (hidden) site window and activated in place, as a host's form holds
// it: input reaches it as window messages posted to the engine's window, its view is drawn into a
// bitmap through IViewObjectEx, and its events land in a journal.
#pragma once

#include "tests/control/ControlFixture.h"
#include "tests/datalayers/DisplayFixture.h"
#include "tests/support/DibCanvas.h"
#include "tests/support/TestSite.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace sitetest {

struct MapPoint {
    double x, y;  // longitude, latitude
};

class MapSiteTest : public ::testing::Test {
protected:
    static constexpr int kWidth = 400, kHeight = 300;

    void SetUp() override;
    void TearDown() override;
    // How the control object is made: through COM, as a host makes it, unless a test needs the
    // object itself.
    virtual HRESULT MakeControl(platform::ComPtr<IUnknown>& control) { return controltest::CreateControl(control); }

    // Closes the control and embeds a new one in a new site as a host opens a saved form: it loads
    // `saved` before it is activated in place, and `beforeActivation` runs in between.
    void Reopen(IStream* saved, const std::function<void()>& beforeActivation = {});

    IZmaVadAZ2* Control() const { return control_.Get(); }
    IDispatch* Map() const { return map_.Get(); }
    HWND EngineWindow();
    // The engine's layer names from the top.
    std::vector<std::wstring> EngineLayerNames();

    // Engine conversions between the view's pixels and map positions.
    MapPoint ToMap(float x, float y);
    POINT ToPixel(const MapPoint& p);
    void ShowArea(double xmin, double ymin, double xmax, double ymax);
    void SetEngineTool(long tool);
    // A table in the engine's text form, in the temporary folder, with symbols at the given positions.
    static std::wstring WriteTable(const std::wstring& name, const std::vector<MapPoint>& points);

    // Posted to the engine window, then the messages dispatched.
    void Click(int x, int y);
    void Drag(int fromX, int fromY, int toX, int toY);
    void DoubleClick(int x, int y);
    void PressKey(WPARAM key);

    // The view drawn into a white bitmap of the site's size.
    void DrawView();
    COLORREF Pixel(int x, int y) const;
    bool IsBlack(int x, int y) const { return Pixel(x, y) == RGB(0, 0, 0); }

    // The DISPIDs of MarkerChanged events seen since the last call.
    int TakeMarkerEvents();

    platform::ComPtr<IUnknown> unknown_;
    platform::ComPtr<IZmaVadAZ2> control_;
    platform::ComPtr<IDispatch> map_;
    platform::ComPtr<testsupport::TestSite> site_;
    platform::ComPtr<displaytest::EventJournal> events_;

private:
    void Embed(IStream* saved, const std::function<void()>& beforeActivation = {});
    void Post(UINT message, WPARAM wp, int x, int y);
    std::unique_ptr<testsupport::DibCanvas> view_;
};

}  // namespace sitetest
