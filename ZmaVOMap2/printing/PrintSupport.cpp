#include "ZmaVOMap2/printing/PrintSupport.h"

#include "ZmaVOMap2/printing/PrintProgress.h"

#include "platform/Result.h"

#include <commdlg.h>

#include <string>

namespace {

// Frees a global handle at scope end.
class GlobalMemory {
public:
    explicit GlobalMemory(HGLOBAL handle = nullptr) noexcept : handle_(handle) {}
    ~GlobalMemory() { if (handle_) ::GlobalFree(handle_); }
    GlobalMemory(const GlobalMemory&) = delete;
    GlobalMemory& operator=(const GlobalMemory&) = delete;
    HGLOBAL Get() const noexcept { return handle_; }

private:
    HGLOBAL handle_;
};

}  // namespace

void RequireSheetsWithinBound(MapPrintJobInfo& job) {
    const unsigned long long sheets = job.SheetCount();
    if (sheets <= kMostSheetsPerPrint) return;
    throw platform::ComError(E_INVALIDARG,
                             L"The map would print on " + std::to_wstring(sheets) + L" sheets; a print takes at most " +
                                 std::to_wstring(kMostSheetsPerPrint) + L" (a smaller map or scale takes fewer)",
                             L"VadAZ");
}

void PrintSupport::Destroy() noexcept {
    devMode_.Reset();
    printer_.Reset();
    printerName_.clear();
    printJob_.reset();
    currentJob_.reset();
}

void PrintSupport::OpenPrinter(const std::wstring& name) {
    printer_.Reset();
    printerName_ = name;
    printer_ = OpenPrinterForUse(name, devMode_.Get());
}

void PrintSupport::TakePrinterDevMode() {
    std::vector<BYTE> info = PrinterInfo2(printer_.Get());
    if (info.empty()) return;
    const auto* printer = reinterpret_cast<const PRINTER_INFO_2W*>(info.data());
    if (printer->pDevMode) devMode_.CopyFrom(printer->pDevMode);
}

bool PrintSupport::OpenDefaultPrinter() {
    // The print dialog's default query gives the same DEVMODE and DEVNAMES as the page set-up's.
    // Wine's page set-up reads through a null DEVMODE (and takes the process down) whenever the
    // default printer cannot be had, for instance on a machine with no printer; this one fails.
    PRINTDLGW query = {};
    query.lStructSize = sizeof query;
    query.Flags = PD_RETURNDEFAULT | PD_NOWARNING;
    const BOOL found = ::PrintDlgW(&query);
    GlobalMemory mode(query.hDevMode), names(query.hDevNames);
    if (found && mode.Get() && names.Get()) {
        devMode_.CopyFromGlobal(mode.Get());
        OpenPrinter(DeviceNameOf(names.Get()));
        TakePrinterDevMode();
    }
    return found != FALSE;
}

void PrintSupport::EnsureDefaultPrinter() {
    if (!printer_) OpenDefaultPrinter();
}

void PrintSupport::EnsureDefaultDevMode() {
    if (!devMode_) OpenDefaultPrinter();
}

bool PrintSupport::SetPrinterFromHandles(HGLOBAL devMode, HGLOBAL devNames) {
    if (devMode_.CopyFromGlobal(devMode)) devMode_.Get()->dmFields |= DM_PAPERSIZE;
    OpenPrinter(DeviceNameOf(devNames));
    return static_cast<bool>(printer_);
}

bool PrintSupport::SetOrientation(short orientation) {
    EnsureDefaultDevMode();
    DEVMODEW* mode = devMode_.Get();
    if (mode && (orientation == DMORIENT_PORTRAIT || orientation == DMORIENT_LANDSCAPE) &&
        mode->dmOrientation != orientation) {
        mode->dmOrientation = orientation;
        mode->dmFields |= DM_ORIENTATION;
    }
    return false;
}

bool PrintSupport::HasPrinter() {
    if (!printer_) {
        OpenDefaultPrinter();
        TakePrinterDevMode();
    }
    return static_cast<bool>(printer_);
}

std::unique_ptr<MapPrintJobInfo> PrintSupport::CreateJobInfo() {
    return HasPrinter() ? std::make_unique<MapPrintJobInfo>() : nullptr;
}

std::unique_ptr<MapBatchPrintJobInfo> PrintSupport::CreateBatchJobInfo() {
    return HasPrinter() ? std::make_unique<MapBatchPrintJobInfo>() : nullptr;
}

void PrintSupport::ApplyPrinterToJob(MapPrintJobInfo& job) {
    EnsureDefaultPrinter();
    EnsureDefaultDevMode();
    GlobalMemory names(BuildDevNames(printer_.Get()));
    if (!names.Get()) return;
    job.SetPrinter(devMode_.Handle(), names.Get());
}

bool PrintSupport::Print(std::unique_ptr<MapPrintJobInfo> job) {
    if (job) RunPrintJob(std::move(job));
    return false;
}

bool PrintSupport::RunPrintJob(std::unique_ptr<MapPrintJobInfo> job) {
    if (IsRunning()) throw platform::ComError(E_UNEXPECTED, kPrintRunning, L"VadAZ");
    if (!printer_) OpenDefaultPrinter();
    if (!printer_ || !job) return false;
    if (!job->GetPrinter()) ApplyPrinterToJob(*job);

    // The job and its run go when the run ends, also when it fails.
    struct RunScope {
        PrintSupport& support;
        ~RunScope() {
            support.printJob_.reset();
            support.currentJob_.reset();
        }
    } scope{*this};
    printJob_.reset();
    currentJob_ = std::move(job);

    PrintJob::Settings settings;
    settings.printerName = printerName_;
    settings.defaultMode = devMode_.Get();
    settings.documentName = currentJob_->GetJobName();
    RequireSheetsWithinBound(*currentJob_);
    const UINT count = currentJob_->GetPageCount();
    if (count == 0) return true;
    settings.startPage = 0;
    settings.endPage = count - 1;
    settings.devModePerPage = currentJob_->GetNewDevModeForPage(0, 1) != nullptr;
    printJob_ = std::make_unique<PrintJob>(*currentJob_, std::move(settings));
    printJob_->Run();
    return true;
}

void PrintSupport::PrintWithProgress(std::unique_ptr<MapPrintJobInfo> job) {
    if (!job) return;
    if (IsRunning()) throw platform::ComError(E_UNEXPECTED, kPrintRunning, L"VadAZ");
    RequireSheetsWithinBound(*job);
    PrintProgressThread thread;
    PrintHelper helper(thread, *this);
    job->SetProgressCallback(&helper);
    // The dialog closes, and its thread is joined, however the run ends.
    struct Finish {
        PrintHelper& helper;
        PrintProgressThread& thread;
        ~Finish() {
            helper.OnFinished();
            thread.Wait();
        }
    } finish{helper, thread};
    if (thread.Start()) helper.WaitReady();
    Print(std::move(job));
}

void PrintSupport::CancelRunningJob() noexcept {
    if (printJob_) printJob_->Cancel();
}
