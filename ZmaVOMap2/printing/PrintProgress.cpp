#include "ZmaVOMap2/printing/PrintProgress.h"

#include "ZmaVOMap2/printing/PrintSupport.h"
#include "ZmaVOMap2/printing/PrintingResource.h"
#include "platform/Module.h"
#include "platform/Result.h"
#include "platform/Window.h"

#include <commctrl.h>

// The dialog of one run, on the stack of the progress thread.
class PrintProgressDialog : public platform::Dialog {
public:
    PrintProgressDialog(HINSTANCE resources, PrintProgressThread& thread)
        : Dialog(resources, IDD_PRINT_PROGRESS), thread_(thread) {}

protected:
    BOOL OnInitDialog() override {
        HWND self = Handle();
        ::SetDlgItemTextW(self, IDC_PRINT_LABEL,
                          platform::LoadStringResource(ModuleHandle(), IDS_PRINTING_PAGE).c_str());
        ShowPage(0);
        ShowPageCount(0);
        Centre();
        // Last: once the caller sees ready, it posts to the window stored here.
        thread_.OnDialogReady(self);
        return TRUE;
    }

    bool OnMessage(UINT msg, WPARAM wp, LPARAM, INT_PTR& result) override {
        result = 0;
        switch (msg) {
        case WM_PRINT_PAGE: ShowPage(LOWORD(wp)); return true;
        case WM_PRINT_PAGE_COUNT: ShowPageCount(LOWORD(wp)); return true;
        case WM_PRINT_FINISHED: ::EndDialog(Handle(), 1); return true;
        case WM_COMMAND:
            // Cancel only asks the run to stop; the run closes the dialog when it ends.
            if (LOWORD(wp) != IDCANCEL) return false;
            ::SetEvent(thread_.CancelEvent());
            return true;
        default: return false;
        }
    }

private:
    void ShowPage(UINT page) {
        ::SetDlgItemInt(Handle(), IDC_PRINT_PAGE, page, TRUE);
        ::SendDlgItemMessageW(Handle(), IDC_PRINT_PROGRESS, PBM_SETPOS, page, 0);
    }
    void ShowPageCount(UINT count) {
        ::SetDlgItemInt(Handle(), IDC_PRINT_PAGE_COUNT, count, TRUE);
        ::SendDlgItemMessageW(Handle(), IDC_PRINT_PROGRESS, PBM_SETRANGE, 0, MAKELPARAM(1, count));
    }
    void Centre() {
        RECT window = {}, area = {};
        ::GetWindowRect(Handle(), &window);
        ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
        const int width = window.right - window.left, height = window.bottom - window.top;
        ::SetWindowPos(Handle(), nullptr, area.left + (area.right - area.left - width) / 2,
                       area.top + (area.bottom - area.top - height) / 2, 0, 0,
                       SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

    PrintProgressThread& thread_;
};

PrintProgressThread::PrintProgressThread(HINSTANCE resources) : resources_(resources) {}
PrintProgressThread::PrintProgressThread() : resources_(platform::Module::Instance()) {}

PrintProgressThread::~PrintProgressThread() {
    if (!thread_) return;
    // A dialog still open (a run that ended early) is closed before the join.
    if (::WaitForSingleObject(thread_.Get(), 0) != WAIT_OBJECT_0 && WaitReady()) {
        if (HWND dialog = Dialog()) ::PostMessageW(dialog, WM_PRINT_FINISHED, 0, 0);
    }
    Wait();
}

bool PrintProgressThread::Start() {
    ready_.Reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    cancel_.Reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!ready_ || !cancel_) return false;
    thread_.Reset(::CreateThread(nullptr, 0, &PrintProgressThread::Run, this, 0, nullptr));
    return static_cast<bool>(thread_);
}

bool PrintProgressThread::WaitReady() {
    if (!thread_ || !ready_) return false;
    HANDLE both[2] = {ready_.Get(), thread_.Get()};
    return ::WaitForMultipleObjects(2, both, FALSE, INFINITE) == WAIT_OBJECT_0;
}

void PrintProgressThread::Wait() {
    if (thread_) ::WaitForSingleObject(thread_.Get(), INFINITE);
}

bool PrintProgressThread::IsCancelled() const noexcept {
    return cancel_ && ::WaitForSingleObject(cancel_.Get(), 0) == WAIT_OBJECT_0;
}

void PrintProgressThread::OnDialogReady(HWND dialog) noexcept {
    dialog_.store(dialog);
    ::SetEvent(ready_.Get());
}

DWORD WINAPI PrintProgressThread::Run(void* parameter) {
    auto* self = static_cast<PrintProgressThread*>(parameter);
    try {
        INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
        ::InitCommonControlsEx(&controls);
        PrintProgressDialog dialog(self->resources_, *self);
        dialog.DoModal(::GetActiveWindow());
    }
    COM_CATCH_LOG();
    return 0;
}

void PrintHelper::OnPage(UINT page) {
    if (thread_.IsCancelled()) support_.CancelRunningJob();
    Post(WM_PRINT_PAGE, page & 0xFFFF);
}

void PrintHelper::OnPageCount(UINT count) { Post(WM_PRINT_PAGE_COUNT, count & 0xFFFF); }

void PrintHelper::OnFinished() { Post(WM_PRINT_FINISHED, 0); }

void PrintHelper::Post(UINT message, WPARAM wp) const noexcept {
    // Without a dialog there is nobody to tell: a null window would post to this thread instead.
    if (HWND dialog = thread_.Dialog()) ::PostMessageW(dialog, message, wp, 0);
}
