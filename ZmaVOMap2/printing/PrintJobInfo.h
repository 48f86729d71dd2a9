// What the page loop asks of a print job, in the order of a print run: the job's pages, how to
// draw each one, and the progress of the run. Any of them may raise a ComError; the loop then
// aborts the document before the error goes on.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

class PrintJobInfo {
public:
    virtual void BeginPrintJob(HDC dc) = 0;
    virtual void EndPrintJob(HDC dc, bool aborted) = 0;
    virtual void PrePrintPage(UINT page, HDC dc) = 0;
    // False stops the run after this page and aborts the document.
    virtual bool PrintPage(UINT page, HDC dc) = 0;
    virtual void PostPrintPage(UINT page, HDC dc) = 0;
    // A DEVMODE to switch to between two pages, or null to keep the current one.
    virtual DEVMODEW* GetNewDevModeForPage(UINT oldPage, UINT newPage) = 0;
    virtual bool IsValidPage(UINT page) = 0;
    virtual ~PrintJobInfo() = default;
    virtual std::unique_ptr<PrintJobInfo> Clone() const = 0;
    virtual UINT GetPageCount() = 0;
    // The spool document's name.
    virtual std::wstring GetJobName() = 0;
};

// What a running job reports: the page that starts (from 1), the page count, the end of the run.
class ProgressCallback {
public:
    virtual void OnPage(UINT page) = 0;
    virtual void OnPageCount(UINT count) = 0;
    virtual void OnFinished() = 0;
    virtual ~ProgressCallback() = default;
};
