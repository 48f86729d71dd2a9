// The control's printing: its print support (printer and DEVMODE), the quick-print layout and the
// settings object it holds, the quick-print title, and the protocols by which the control's print
// properties read and write the settings. Operations raise a ComError whose description says what
// failed; the control's members turn it into their answer.
#pragma once

#include "ZmaVOMap2/printing/MapPrintPreview.h"
#include "ZmaVOMap2/printing/PrintJobPreparation.h"
#include "ZmaVOMap2/printing/PrintSettingsHelper.h"
#include "ZmaVOMap2/printing/PrintSupport.h"
#include "ZmaVOMap2/printing/PrinterSetupDlg.h"
#include "ZmaVOMap2/printing/QuickPrintLayouts.h"

#include <functional>
#include <memory>
#include <string>

class MapPrinting {
public:
    using FlagGet = HRESULT (STDMETHODCALLTYPE IMapPrintSettings::*)(VARIANT_BOOL*);
    using FlagPut = HRESULT (STDMETHODCALLTYPE IMapPrintSettings::*)(VARIANT_BOOL);
    using NumberGet = HRESULT (STDMETHODCALLTYPE IMapPrintSettings::*)(long*);
    using NumberPut = HRESULT (STDMETHODCALLTYPE IMapPrintSettings::*)(long);

    MapPrinting() = default;
    ~MapPrinting() { ClosePreview(); }
    MapPrinting(const MapPrinting&) = delete;
    MapPrinting& operator=(const MapPrinting&) = delete;

    PrintSupport& Support() noexcept { return support_; }
    QuickPrintLayouts& Layouts() noexcept { return layouts_; }

    // One print at a time. A print, batch print or preview holds a scope from its start to its
    // end (the run with its progress dialog, or the preview's window with its first page); one
    // asked for meanwhile, from a host's handler of an event the running one fired, is refused
    // with E_UNEXPECTED, and the running one ends as it would have.
    class PrintScope {
    public:
        explicit PrintScope(MapPrinting& printing);
        ~PrintScope() { printing_.running_ = false; }
        PrintScope(const PrintScope&) = delete;
        PrintScope& operator=(const PrintScope&) = delete;

    private:
        MapPrinting& printing_;
    };
    // Raises E_UNEXPECTED while a print runs.
    void RefuseWhilePrinting() const;

    // A write of a print property lands in the custom layout: the custom layout is selected as
    // its document stores it (a batch layout held in its place goes), the value written, and the
    // custom layout's document saved. A write that fails puts back what the map held; when the
    // custom layout cannot be loaded nothing is written or saved. `write` answers the settings'
    // HRESULT, which is the answer of a failed write.
    void Write(const std::function<HRESULT(IMapPrintSettings&)>& write);
    // A write whose failure answers E_FAIL.
    void WritePlain(const std::function<HRESULT(IMapPrintSettings&)>& write);
    // A read from the settings object held now, whatever its layout; a failed read (also one
    // without a settings object) is "Property not set".
    void Read(const std::function<bool(IMapPrintSettings&)>& read);

    void PutFlag(FlagPut put, VARIANT_BOOL value);
    void GetFlag(FlagGet get, VARIANT_BOOL* value);
    // Margins: millimetres at the property, hundredths of a millimetre in the settings.
    void PutMargin(NumberPut put, double millimetres);
    void GetMargin(NumberGet get, double* millimetres);
    // The settings store 1 or 0; the printer is turned to the written orientation.
    void PutOrientation(VARIANT_BOOL landscape);
    void GetOrientation(VARIANT_BOOL* landscape);

    // A new job for the control's printer (the default printer when none was chosen). Without a
    // printer: a beep, the message that there is none, and a raised failure.
    std::unique_ptr<MapPrintJobInfo> NewJob();
    std::unique_ptr<MapBatchPrintJobInfo> NewBatchJob();
    // Gives the job the control's printer and prepares it (PrepareMapPrintJob).
    void PrepareJob(MapPrintJobInfo& job, const PrintSources& sources);

    // The page set-up over the custom layout as its document stores it, for the control's
    // printer (the default printer when none was chosen). True after OK: the custom layout is
    // saved and keeps the dialog's margins, orientation and options, and the chosen printer and
    // paper become the control's. False after Cancel: the map holds what it held before, but for
    // what an OK of the "Print Map" sheet stored into the custom layout when that was selected. Raises when the custom
    // layout cannot be had (the previous layout comes back), without a printer (after telling
    // the user), and the failures of the dialog.
    bool PageSetup(HWND parent, PrintSetupHost& host);

    // The print preview window, at most one: a new one replaces the one open. It takes the job
    // over; E_FAIL is raised when its window cannot be made, and a job of more sheets than a
    // print takes is refused before. `host` may be null.
    void ShowPreview(std::unique_ptr<MapPrintJobInfo> job, PrintPreviewHost* host);
    // Closes the preview window; its job goes with it, and it forgets its host.
    void ClosePreview() noexcept;
    HWND PreviewWindow() const noexcept { return preview_ ? preview_->Handle() : nullptr; }

    // The quick-print title: the registry value "MapTitle" under "MapQuickPrint", cached.
    const std::wstring& CachedTitle() const noexcept { return title_; }
    // The stored value, empty when there is none.
    static std::wstring ReadStoredTitle();
    void SetCachedTitle(const std::wstring& title) { title_ = title; }
    // Caches the title and, when it changed, stores it; false when it could not be stored.
    bool StoreTitle(const std::wstring& title);

private:
    // A beep and the message that there is no printer; raises the failure.
    [[noreturn]] void TellNoPrinter();

    PrintSupport support_;
    QuickPrintLayouts layouts_{support_};
    std::wstring title_;
    std::shared_ptr<CMapPrintPreview> preview_;
    bool running_ = false;
};
