// The control's pictures of the map: frames drawn into a host's device context (the engine's
// drawing, or its print path into enhanced metafiles, with the map border), and exported images
// with the info display drawn into each frame.
#pragma once

#include <windows.h>
#include <oaidl.h>
#include <ocidl.h>

class CZmaVadAZInfoDisplay;
class ControlEngine;
class ViewState;

class MapDrawing {
public:
    MapDrawing(ControlEngine& engine, ViewState& view, CZmaVadAZInfoDisplay& infoDisplay) noexcept
        : engine_(engine), view_(view), infoDisplay_(infoDisplay) {}

    // IViewObject::Draw after its argument checks: the frame, then the border.
    HRESULT Draw(DWORD aspect, LONG index, void* aspectInfo, DVTARGETDEVICE* device, HDC targetDC, HDC drawDC,
                 const RECTL& bounds, LPCRECTL metafileBounds, BOOL(STDMETHODCALLTYPE* cont)(ULONG_PTR),
                 ULONG_PTR contValue);
    // The engine export with the exporting flag set for its duration; the engine's own text of a
    // failure stays with the caller.
    HRESULT ExportMapImage(IDispatch* engineMap, BSTR path, short format);
    // Called at the end of every drawn frame: an exported frame gets the info display.
    void DrawInfoDisplay(HDC dc);

private:
    HRESULT DrawIntoMetafile(HDC drawDC, const RECTL& bounds);
    void RefreshInfoDisplay(HDC drawDC);

    ControlEngine& engine_;
    ViewState& view_;
    CZmaVadAZInfoDisplay& infoDisplay_;
};
