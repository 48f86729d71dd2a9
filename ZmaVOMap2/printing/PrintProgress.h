// The progress of a print run: a modal "Print Progress" dialog with the page being printed, the
// page count and a Cancel button, run by a short-lived thread of its own while the caller's thread
// prints. The two threads share only two manual-reset events (ready, cancel) and posted messages.
#pragma once

#include "ZmaVOMap2/printing/PrintJobInfo.h"
#include "platform/UniqueHandle.h"

#include <windows.h>

#include <atomic>

class PrintSupport;

// Messages to the dialog: the page that starts (low word of wParam), the page count, the end.
constexpr UINT WM_PRINT_PAGE = WM_USER + 1;
constexpr UINT WM_PRINT_PAGE_COUNT = WM_USER + 2;
constexpr UINT WM_PRINT_FINISHED = WM_USER + 3;

class PrintProgressThread {
public:
    // `resources`: the module that holds the dialog template.
    explicit PrintProgressThread(HINSTANCE resources);
    PrintProgressThread();
    // Closes a dialog still open, joins the thread and closes the handles.
    virtual ~PrintProgressThread();
    PrintProgressThread(const PrintProgressThread&) = delete;
    PrintProgressThread& operator=(const PrintProgressThread&) = delete;

    // Creates the events and the dialog's thread; false when they cannot be made.
    bool Start();
    // Waits until the dialog is shown. False, at once, when it could not be created (its thread
    // ended without it) or the thread was never started.
    bool WaitReady();
    // Waits for the thread to end (after the dialog closed).
    void Wait();

    HWND Dialog() const noexcept { return dialog_.load(); }
    HANDLE CancelEvent() const noexcept { return cancel_.Get(); }
    bool IsCancelled() const noexcept;

private:
    friend class PrintProgressDialog;
    static DWORD WINAPI Run(void* self);
    void OnDialogReady(HWND dialog) noexcept;

    HINSTANCE resources_;
    std::atomic<HWND> dialog_{nullptr};
    platform::UniqueHandleKernel ready_;
    platform::UniqueHandleKernel cancel_;
    platform::UniqueHandleKernel thread_;
};

// The job's progress callback during a run with the dialog: posts each page and the count to the
// dialog, closes it at the end, and cancels the running job when the user pressed Cancel (looked
// at when each page starts).
class PrintHelper : public ProgressCallback {
public:
    PrintHelper(PrintProgressThread& thread, PrintSupport& support) noexcept : thread_(thread), support_(support) {}

    void OnPage(UINT page) override;
    void OnPageCount(UINT count) override;
    void OnFinished() override;
    bool WaitReady() { return thread_.WaitReady(); }

private:
    void Post(UINT message, WPARAM wp) const noexcept;

    PrintProgressThread& thread_;
    PrintSupport& support_;
};
