// One run of a print job through its pages on a printer: the document is opened, each page from
// the start page on is drawn until a page is not valid, the end page is passed, a page fails or
// the run is cancelled, and the document is ended (or aborted after a cancel or a failure).
#pragma once

#include "ZmaVOMap2/printing/PrintJobInfo.h"

#include <windows.h>

#include <string>

class PrintJob {
public:
    struct Settings {
        std::wstring printerName;
        const DEVMODEW* defaultMode = nullptr;
        std::wstring documentName;
        UINT startPage = 0;
        UINT endPage = 0;
        bool devModePerPage = false;
    };

    PrintJob(PrintJobInfo& info, Settings settings) : info_(info), settings_(std::move(settings)) {}
    PrintJob(const PrintJob&) = delete;
    PrintJob& operator=(const PrintJob&) = delete;

    // Runs the loop on this thread. False when the document could not be started (nothing was
    // printed and no job callback ran). A failure of the job is raised after the document was
    // aborted, the job told that the run ended, and the device context deleted.
    bool Run();
    // Stops the run after the page being printed; that page is finished and the document aborted.
    void Cancel() noexcept { cancelled_ = true; }
    bool IsCancelled() const noexcept { return cancelled_; }

private:
    void PrintPages(HDC dc);

    PrintJobInfo& info_;
    Settings settings_;
    volatile bool cancelled_ = false;
};
