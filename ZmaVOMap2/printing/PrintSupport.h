// The control's print support: the printer and its settings remembered between print requests,
// the jobs made for it, and the print run on the caller's thread (with the progress dialog on a
// thread of its own).
#pragma once

#include "ZmaVOMap2/printing/MapBatchPrintJobInfo.h"
#include "ZmaVOMap2/printing/MapPrintJobInfo.h"
#include "ZmaVOMap2/printing/PrintJob.h"
#include "ZmaVOMap2/printing/PrinterHandles.h"

#include <memory>
#include <string>

// What a print, batch print or preview asked for while a print runs is told (with E_UNEXPECTED).
inline constexpr wchar_t kPrintRunning[] = L"A print is running: another print or preview can start when it has ended";

// The most sheets one print may take: more than a printer takes in one job, and more than any
// map the user meant (a map at a scale of 1:1 covers thousands). A job that needs more is refused
// before anything is spooled, and its preview is not shown.
constexpr unsigned long long kMostSheetsPerPrint = 1000;
// Raises E_INVALIDARG, saying how many sheets the job would need, when it needs more.
void RequireSheetsWithinBound(MapPrintJobInfo& job);

class PrintSupport {
public:
    PrintSupport() = default;
    ~PrintSupport() { Destroy(); }
    PrintSupport(const PrintSupport&) = delete;
    PrintSupport& operator=(const PrintSupport&) = delete;

    // Forgets the printer and its DEVMODE and deletes any job.
    void Destroy() noexcept;

    // The default printer, as the page set-up reports it without showing anything: its DEVMODE
    // replaces the remembered one and the printer is opened. Answers whether the query succeeded.
    bool OpenDefaultPrinter();
    // The default printer when none is open / the default DEVMODE when none is remembered.
    void EnsureDefaultPrinter();
    void EnsureDefaultDevMode();
    // After a page set-up: a copy of its DEVMODE (which then names a paper size) and the printer
    // its DEVNAMES names; answers whether that printer opened.
    bool SetPrinterFromHandles(HGLOBAL devMode, HGLOBAL devNames);
    // 1 portrait, 2 landscape, into the remembered DEVMODE. Always answers false.
    bool SetOrientation(short orientation);

    // A new job for the open (else the default) printer; null when there is no printer at all.
    std::unique_ptr<MapPrintJobInfo> CreateJobInfo();
    // The same for a batch print.
    std::unique_ptr<MapBatchPrintJobInfo> CreateBatchJobInfo();
    // Gives the job the open printer and the remembered DEVMODE.
    void ApplyPrinterToJob(MapPrintJobInfo& job);

    // Runs the job (RunPrintJob). Always answers false.
    bool Print(std::unique_ptr<MapPrintJobInfo> job);
    // Lays the job out and prints its pages; false when there is no printer or no job. A job of
    // no pages starts no document; a job of too many sheets is refused. The job is deleted when
    // the run ends, whatever way it ends; a failure of the job is raised after the document was
    // aborted. A run asked for while one runs (from a handler of an event the running one fired)
    // is refused with E_UNEXPECTED: the running job goes on.
    bool RunPrintJob(std::unique_ptr<MapPrintJobInfo> job);
    // Print with the progress dialog: the dialog's thread is started and waited for, the job
    // reports its pages to the dialog, Cancel there stops the run after the current page, and the
    // dialog is closed and its thread joined however the run ends.
    void PrintWithProgress(std::unique_ptr<MapPrintJobInfo> job);

    // Stops the running job after its current page (nothing when no job runs).
    void CancelRunningJob() noexcept;
    // From the start of a run (its layout included) to its end.
    bool IsRunning() const noexcept { return currentJob_ != nullptr; }

    HANDLE Printer() const noexcept { return printer_.Get(); }
    const std::wstring& PrinterName() const noexcept { return printerName_; }
    const DEVMODEW* DevMode() const noexcept { return devMode_.Get(); }

private:
    // Opens the default printer when none is open; answers whether one is.
    bool HasPrinter();
    void OpenPrinter(const std::wstring& name);
    void TakePrinterDevMode();

    std::unique_ptr<MapPrintJobInfo> currentJob_;
    std::unique_ptr<PrintJob> printJob_;
    UniquePrinter printer_;
    std::wstring printerName_;
    DevModeHolder devMode_;
};
