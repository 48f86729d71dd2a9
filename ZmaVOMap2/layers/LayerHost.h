// What the layer collection and its layers need of the control that owns them. The control
// implements it; tests implement it with a fake, so the layer code runs without a control.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>

class CZmaVadAZLayer;

class CZmaVadAZLayerHost {
public:
    // The engine's map object (no reference added); null once the engine is gone.
    virtual IDispatch* EngineMap() = 0;
    // The engine's window, null before the control was activated.
    virtual HWND EngineWindow() = 0;
    // The control's working folder for temporary tables ("...\D4Oze2").
    virtual std::wstring TemporaryFolder() = 0;
    // The ScreenUpdating property: while it is off, layers change no engine visibility.
    virtual bool IsScreenUpdating() = 0;
    // True while the control exports the map (an image or the clipboard): drawn frames are then
    // pictures of the map, not the screen.
    virtual bool IsExporting() const { return false; }

    // The host's legend objects as handed over through VOLegend and VOPrintLegend (no reference
    // added); null when the host gave none.
    virtual IUnknown* LegendObject() = 0;
    virtual IUnknown* PrintLegendObject() = 0;

    // The control's outgoing events.
    virtual void FireSeriesRemoved(BSTR seriesId) = 0;
    virtual void FireLayerVisibilityChanged() = 0;
    virtual void FireSelectionChanged(BSTR seriesId) = 0;

    // True once the host has given the control its zoom record (SetZoom): from then on views on
    // one dataset share its named selection entry.
    virtual bool IsZoomSet() { return false; }
    // Disconnects and reconnects the control's listener to the engine's events, so that view
    // changes the collection makes itself are not handled as the user's. Never fail.
    virtual void SuspendEngineEvents() {}
    virtual void ResumeEngineEvents() {}

    // Asks the host to add a field that a layer misses (the GetField event).
    virtual void FireGetField(BSTR /*fieldName*/, BSTR /*seriesGuid*/) {}

    // Called at the end of every drawn frame: the control adds the info display when the frame
    // is an exported image. A host without an info display draws nothing.
    virtual void DrawInfoDisplay(HDC /*dc*/) {}

    // The map tool in use (the control's CurrentTool); false when it cannot be read.
    virtual bool ReadCurrentTool(long& /*tool*/) { return false; }
    // What self-drawn layers subtract from screen positions while the host's zoom override is
    // set; (0, 0) otherwise.
    virtual POINT ZoomViewOffset() { return {0, 0}; }
    virtual void FireMarkerChanged() {}
    // The host clicked an item of a layer (FeatureSelected): the layer's name and the item's index.
    virtual void FireFeatureSelected(BSTR /*layer*/, long /*index*/) {}

protected:
    ~CZmaVadAZLayerHost() = default;
};
