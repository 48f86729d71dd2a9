#include "ZmaVOMap2/printing/PrintJob.h"

#include "ZmaVOMap2/printing/PrinterHandles.h"
#include "platform/Result.h"
#include "platform/UniqueHandle.h"

bool PrintJob::Run() {
    platform::UniqueCreatedDC dc(CreatePrinterDC(settings_.printerName, settings_.defaultMode));
    if (!dc) return false;
    DOCINFOW document = {};
    document.cbSize = sizeof document;
    document.lpszDocName = settings_.documentName.c_str();
    if (::StartDocW(dc.Get(), &document) <= 0) return false;
    {
        // A failed print aborts the document and ends the job as cancelled.
        bool printed = false;
        platform::ScopeExit abort([&] {
            if (printed) return;
            ::AbortDoc(dc.Get());
            try {
                info_.EndPrintJob(dc.Get(), true);
            }
            COM_CATCH_LOG();
        });
        info_.BeginPrintJob(dc.Get());
        PrintPages(dc.Get());
        info_.EndPrintJob(dc.Get(), cancelled_);
        printed = true;
    }
    if (cancelled_) {
        ::AbortDoc(dc.Get());
    } else {
        ::EndDoc(dc.Get());
    }
    return true;
}

void PrintJob::PrintPages(HDC dc) {
    // 64 bits: an end page of 0xFFFFFFFF (a job of no pages) must not wrap around.
    for (unsigned long long page = settings_.startPage; page <= settings_.endPage; ++page) {
        const UINT current = static_cast<UINT>(page);
        if (!info_.IsValidPage(current)) break;
        if (settings_.devModePerPage && current > settings_.startPage) {
            if (DEVMODEW* mode = info_.GetNewDevModeForPage(current - 1, current)) ::ResetDCW(dc, mode);
        }
        ::StartPage(dc);
        info_.PrePrintPage(current, dc);
        if (!info_.PrintPage(current, dc)) cancelled_ = true;
        info_.PostPrintPage(current, dc);
        ::EndPage(dc);
        if (cancelled_) break;
    }
}
