// A small child window that hosts a map engine control of its own showing one raster table, so
// that the tiling tool can ask the engine where a pixel of the table's image lies on the map.
#pragma once

#include "platform/Com.h"
#include "platform/HostedControl.h"

#include <windows.h>

#include <string>

class CClipMap {
public:
    // For an image of `imageWidth` x `imageHeight` pixels.
    CClipMap(long imageWidth, long imageHeight) noexcept : imageWidth_(imageWidth), imageHeight_(imageHeight) {}
    CClipMap(const CClipMap&) = delete;
    CClipMap& operator=(const CClipMap&) = delete;
    ~CClipMap();

    // Creates the window ("Clip map", (0, 0)-(1, 1)) in `parent` with the engine inside it; null
    // when the window or the engine cannot be created (CreationResult says why).
    HWND Create(HWND parent);
    HRESULT CreationResult() const noexcept { return creation_; }
    HWND Handle() const noexcept { return window_; }

    // Shows the table alone in the engine map; E_FAIL without an engine or when the engine adds
    // no layer, the engine's own failure otherwise.
    HRESULT OpenTable(const std::string& path);
    // The map coordinates of a pixel of the table's image; raises E_FAIL without an engine and
    // the engine's failure as a ComError.
    void ConvertPixelToMap(long x, long y, double& mapX, double& mapY);

private:
    static LRESULT CALLBACK Procedure(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    HRESULT OnCreate();

    long imageWidth_;
    long imageHeight_;
    HWND window_ = nullptr;
    HRESULT creation_ = S_OK;
    platform::HostedControl engine_;
    platform::ComPtr<IDispatch> map_;
};
