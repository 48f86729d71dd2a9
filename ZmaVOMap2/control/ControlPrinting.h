// The control's printing: the printing of the print properties and quick-print layouts, with the
// jobs the control prints from its own map, legend, layers and title (one map, a batch of maps,
// the preview), the page set-up, and the window the map draws in.
#pragma once

#include "ZmaVOMap2/printing/MapPrinting.h"
#include "ZmaVOMap2/printing/PrintableMap.h"

#include <memory>
#include <string>

class ControlEngine;
class ControlEvents;
class EngineWindow;
class HostObjects;
class MapLayers;
class Operations;
class ViewState;

struct ControlPrintingParts {
    // The control as print jobs draw it.
    IPrintableMap* printable;
    ControlEngine& engine;
    ViewState& view;
    MapLayers& layers;
    HostObjects& host;
    EngineWindow& window;
    ControlEvents& events;
    Operations& operations;
};

class ControlPrinting : public MapPrinting {
public:
    explicit ControlPrinting(const ControlPrintingParts& parts);
    ~ControlPrinting();
    ControlPrinting(const ControlPrinting&) = delete;
    ControlPrinting& operator=(const ControlPrinting&) = delete;

    // A job is prepared from the control's print settings, legend, map and title (raised, or
    // false and logged, when it cannot be); a prepared job is printed with the progress dialog,
    // after the layers were prepared for printing (a failure is raised).
    void PrepareJobOrThrow(MapPrintJobInfo& job);
    bool PreparePrintJob(MapPrintJobInfo& job);
    void ExecutePrintJob(std::unique_ptr<MapPrintJobInfo> job);
    // QuickPrint: the current settings with the given title.
    void QuickPrint(const std::wstring& title);
    // The page set-up (printer, paper, margins, orientation and the quick-print options): S_OK
    // after OK, S_FALSE after Cancel, else the failure, with its error information.
    HRESULT PageSetup(HWND parent);
    // The page set-up, and after its OK the job prepared again: true; false after Cancel or a
    // failure (logged).
    bool PageSetupThenPrepare(MapPrintJobInfo& job, HWND parent);
    // PrintPreview, QuickBatchPrint and BatchPrint; failures are raised.
    void ShowPrintPreview();
    void QuickBatchPrint();
    void BatchPrint();
    // Selects a quick-print layout: E_INVALIDARG raised for a number that names none, else the
    // switch's answer.
    HRESULT SelectQuickPrintLayout(long layout);
    // The quick-print title: the stored one, else the top visible measurement layer's name.
    std::wstring GetQuickPrintTitle();
    bool SetQuickPrintTitle(const std::wstring& title) { return StoreTitle(title); }
    HRESULT LoadQuickPrintTitle();
    // Holds `layout` (may be null) as the print-settings object in place of the held one.
    void SetQuickPrintLayoutObject(IMapPrintSettings* layout);
    // The subclassed engine window when there is one, else the engine's own window.
    HWND GetMapWindow();
    // Closes the print preview; `detach` when the control goes: print jobs reach it no more.
    void Release(bool detach) noexcept;

    // Batch printing and the print preview, over the control's layers and print settings.
    class Link;

private:
    Link& PrintingLink();

    ControlPrintingParts p_;
    std::shared_ptr<Link> link_;
};
