// The control's printing: the printing of the print properties and quick-print layouts, with the
// jobs the control prints from its own map, legend, layers and title, and the window the map
// draws in.
#pragma once

#include "ZmaVOMap2/printing/MapPrinting.h"

#include <memory>
#include <string>

class ControlEngine;
class EngineWindow;
class HostObjects;
class MapLayers;
class ViewState;

struct ControlPrintingParts {
    IUnknown* owner;
    ControlEngine& engine;
    ViewState& view;
    MapLayers& layers;
    HostObjects& host;
    EngineWindow& window;
};

class ControlPrinting : public MapPrinting {
public:
    explicit ControlPrinting(const ControlPrintingParts& parts) noexcept : p_(parts) {}

    // A job is prepared from the control's print settings, legend, map and title (raised, or
    // false and logged, when it cannot be); a prepared job is printed with the progress dialog,
    // after the layers were prepared for printing (a failure is raised).
    void PrepareJobOrThrow(MapPrintJobInfo& job);
    bool PreparePrintJob(MapPrintJobInfo& job);
    void ExecutePrintJob(std::unique_ptr<MapPrintJobInfo> job);
    // QuickPrint: the current settings with the given title.
    void QuickPrint(const std::wstring& title);
    // The quick-print title: the stored one, else the top visible measurement layer's name.
    std::wstring GetQuickPrintTitle();
    bool SetQuickPrintTitle(const std::wstring& title) { return StoreTitle(title); }
    HRESULT LoadQuickPrintTitle();
    // Holds `layout` (may be null) as the print-settings object in place of the held one.
    void SetQuickPrintLayoutObject(IMapPrintSettings* layout);
    // The subclassed engine window when there is one, else the engine's own window.
    HWND GetMapWindow();

private:
    ControlPrintingParts p_;
};
