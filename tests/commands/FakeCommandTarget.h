// A control as the commands see it, with nothing behind it but what a test gives: no layer
// collection, no info display, and an engine map only when a test sets one. It records what the
// commands ask of it; prompts and error logging are caught as well.
#pragma once

#include "ZmaVOMap2/commands/CommandTarget.h"
#include "platform/Result.h"
#include "platform/Window.h"
#include "tests/support/RecordingLog.h"

#include <string>
#include <vector>

namespace commandtest {

class FakeCommandTarget : public CommandTarget {
public:
    IDispatch* EngineMap() override { return map; }
    HWND FindEngineWindow() override { return window; }
    CZmaVadAZLayerCollection* LayerCollection() const noexcept override { return nullptr; }
    CZmaVadAZInfoDisplay* InfoDisplay() const noexcept override { return nullptr; }
    CZmaVadAZOverviewRegion* OverviewRegion() const noexcept override { return nullptr; }
    bool IsScreenUpdating() override { return true; }
    bool InAnnotationMode() const noexcept override { return false; }
    IZmaVadAZ2* Automation() override { return nullptr; }
    MapPlacement Placement() const noexcept override { return {}; }
    PreviousView LastView() const noexcept override { return {}; }
    ZoomRecord& Zoom() noexcept override { return zoom; }
    void SetViewChangeStage(long) noexcept override {}
    platform::ComPtr<IDispatch> LayerBounds(CZmaVadAZLayer*, double) override { return nullptr; }
    HRESULT ExportMapImage(IDispatch*, BSTR path, short format) override {
        exports.push_back(std::wstring(path ? path : L"") + L" " + std::to_wstring(format));
        if (SUCCEEDED(exportResult)) return exportResult;
        platform::ComError(exportResult, exportError).Restore();
        return exportResult;
    }
    void SetExporting(bool) noexcept override {}
    bool PopDownloadedTile(POINT& tile) override {
        if (!tileWaiting) return false;
        tileWaiting = false;
        tile = {0, 0};
        return true;
    }
    void NewRaster() override { events.push_back("new raster"); }
    void FireCurrentToolChanged(long tool) override { events.push_back("tool " + std::to_string(tool)); }
    void FireSyncZoom(long stream) override { events.push_back("sync " + std::to_string(stream)); }
    void FireUnitsChanged(BSTR) override { events.push_back("units"); }
    void FireEnhancedDrawingModeChanged(VARIANT_BOOL) override { events.push_back("enhanced"); }

    IDispatch* map = nullptr;
    HWND window = nullptr;
    ZoomRecord zoom;
    bool tileWaiting = false;
    HRESULT exportResult = S_OK;
    std::wstring exportError;
    std::vector<std::wstring> exports;
    std::vector<std::string> events;
};

// Message boxes and the file chooser answered by the test; popup menus recorded, not shown.
class FakePrompts : public platform::UserPrompts {
public:
    FakePrompts() { platform::SetPrompts(this); }
    ~FakePrompts() { platform::SetPrompts(nullptr); }
    int MessageBox(HWND, const std::wstring& text, const std::wstring& caption, UINT) override {
        boxes.push_back(caption + L": " + text);
        return IDOK;
    }
    bool GetOpenFileName(OPENFILENAMEW&) override { return false; }
    bool GetSaveFileName(OPENFILENAMEW& ofn) override {
        title = ofn.lpstrTitle ? ofn.lpstrTitle : L"";
        if (savePath.empty()) return false;
        lstrcpynW(ofn.lpstrFile, savePath.c_str(), static_cast<int>(ofn.nMaxFile));
        return true;
    }
    BOOL TrackPopupMenu(HMENU, UINT, int, int, HWND) override {
        ++menus;
        return TRUE;
    }

    std::vector<std::wstring> boxes;
    std::wstring savePath, title;
    int menus = 0;
};

using testsupport::RecordingLog;

}  // namespace commandtest
