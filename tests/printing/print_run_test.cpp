// Print runs on the prefix's printer: the page loop, the pages a run writes (kept for the picture
// judge), the progress dialog and its thread, cancel, a page that fails, and the engine's state.
#include "tests/printing/PrintFixture.h"

#include "ZmaVOMap2/printing/PrintProgress.h"
#include "ZmaVOMap2/printing/PrintingResource.h"
#include "tests/control/ControlFixture.h"
#include "tests/standins/mapengine/EngineFixture.h"
#include "platform/Result.h"

#include <commctrl.h>
#include <tlhelp32.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

namespace printtest {
namespace {

using platform::Variant;

int ThreadsOfThisProcess() {
    platform::UniqueHandleKernel snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    THREADENTRY32 entry = {sizeof entry};
    int count = 0;
    for (BOOL more = ::Thread32First(snapshot.Get(), &entry); more; more = ::Thread32Next(snapshot.Get(), &entry))
        if (entry.th32OwnerProcessID == ::GetCurrentProcessId()) ++count;
    return count;
}

HWND ProgressDialog() { return ::FindWindowW(L"#32770", L"Print Progress"); }

// Polls (the dialog's thread shows what it was posted when it gets to it).
bool Eventually(const std::function<bool()>& condition) {
    for (int i = 0; i < 200; ++i) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return condition();
}

int PagesIn(const std::wstring& file) {
    std::ifstream in(file.c_str());
    std::string line;
    int pages = 0;
    while (std::getline(in, line)) pages += line.compare(0, 8, "%%Page: ") == 0;
    return pages;
}

ULONG References(IUnknown* object) {
    object->AddRef();
    return object->Release();
}

// A job of `pages` pages that writes down what the loop asks of it, as "B", "V<n>", "P<n>", "E<aborted>".
class RecordingJob : public PrintJobInfo {
public:
    explicit RecordingJob(UINT pages) : pages_(pages) {}
    void BeginPrintJob(HDC dc) override { dc_ = dc, log += "B "; }
    void EndPrintJob(HDC, bool aborted) override { log += aborted ? "E1" : "E0"; }
    void PrePrintPage(UINT, HDC) override {}
    bool PrintPage(UINT page, HDC) override {
        log += "P" + std::to_string(page) + " ";
        if (page == throwAt) throw platform::ComError(E_ABORT);
        return page != failAt;
    }
    void PostPrintPage(UINT, HDC) override {}
    DEVMODEW* GetNewDevModeForPage(UINT, UINT) override { return nullptr; }
    bool IsValidPage(UINT page) override {
        log += "V" + std::to_string(page) + " ";
        return page < pages_;
    }
    std::unique_ptr<PrintJobInfo> Clone() const override { return nullptr; }
    UINT GetPageCount() override { return pages_; }
    std::wstring GetJobName() override { return L"loop"; }

    std::string log;
    HDC dc_ = nullptr;
    UINT failAt = ~0u, throwAt = ~0u;

private:
    UINT pages_;
};

TEST_F(PrintTest, ThePageLoopRunsThePagesAndEndsOrAbortsTheDocument) {
    struct Case {
        const char* name;
        UINT pages, failAt, throwAt;
        bool cancelAfterFirst;
        const char* log;
    };
    const Case cases[] = {
        {"two pages", 2, ~0u, ~0u, false, "B V0 P0 V1 P1 E0"},
        {"no pages: an empty document", 0, ~0u, ~0u, false, "B V0 E0"},
        {"a page that answers false", 3, 1, ~0u, false, "B V0 P0 V1 P1 E1"},
        {"cancelled during the first page", 3, ~0u, ~0u, true, "B V0 P0 E1"},
        {"a page that raises", 3, ~0u, 1, false, "B V0 P0 V1 P1 E1"},
    };
    support_.EnsureDefaultPrinter();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ::DeleteFileW(OutputFile().c_str());
        RecordingJob job(c.pages);
        job.failAt = c.failAt;
        job.throwAt = c.throwAt;
        PrintJob::Settings settings;
        settings.printerName = support_.PrinterName();
        settings.defaultMode = support_.DevMode();
        settings.documentName = L"loop";
        settings.endPage = c.pages - 1;
        PrintJob run(job, settings);
        if (c.cancelAfterFirst) run.Cancel();
        if (c.throwAt != ~0u) {
            EXPECT_THROW(run.Run(), platform::ComError);
        } else {
            EXPECT_TRUE(run.Run());
        }
        EXPECT_EQ(job.log, c.log);
        EXPECT_EQ(::GetObjectType(job.dc_), 0u) << "the printer DC is left";
        // The printer writes an ended document; an aborted one leaves nothing.
        EXPECT_EQ(OutputExists(), job.log.back() == '0');
    }
}

TEST_F(PrintTest, PrintedPagesAreKeptForThePictureJudge) {
    struct Case {
        const char* name;
        long mapSize, width, height, angle;
        bool landscape, titleBorder;
    };
    const Case cases[] = {
        {"portrait-page-legend-below", kMapSizePage, 15000, 10000, 270, false, false},
        {"landscape-custom-legend-right", kMapSizeCustom, 15000, 10000, 0, true, true},
        {"portrait-corner-legend", kMapSizeCustom, 18000, 12000, 315, false, true},
        {"two-pages-across", kMapSizeCustom, 28482, 12000, 270, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        support_.SetOrientation(c.landscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT);
        Settle(c.mapSize, c.width, c.height, c.angle);
        ASSERT_EQ(settings_->put_PrintTitleBorder(c.titleBorder ? VARIANT_TRUE : VARIANT_FALSE), S_OK);
        std::unique_ptr<MapPrintJobInfo> job = NewJob();
        const UINT pages = job->GetPageCount();
        MapPageLayout layout = job->Layout();
        ClearEngineCalls();
        ::DeleteFileW(OutputFile().c_str());  // the printer writes over a file without shortening it
        support_.Print(std::move(job));
        EXPECT_EQ(PagesIn(OutputFile()), static_cast<int>(pages));
        // The engine got exactly the map's rectangle on every page, in 0.01 mm from the printable
        // area's corner.
        std::vector<std::wstring> prints = EngineCalls(L"Map.PrintMap");
        ASSERT_EQ(prints.size(), pages);
        const RECT map = Unflipped(layout.mapRect);
        const POINT offset = PhysicalOffset();
        std::wostringstream expected;
        expected << L" I4:" << map.left - offset.x << L" I4:" << map.top - offset.y
                 << L" I4:" << Width(map) << L" I4:" << Height(map);
        const std::wstring& first = prints[0];
        EXPECT_EQ(first.substr(first.size() - expected.str().size()), expected.str()) << first;
        KeepForJudge(c.name, layout);
    }
}

TEST_F(PrintTest, TheControlPrintsItsEngineMapThroughThePrintJob) {
    ComPtr<IUnknown> control;
    ASSERT_EQ(controltest::CreateControl(control), S_OK);
    ASSERT_EQ(controltest::As<IPersistStreamInit>(control.Get())->InitNew(), S_OK);
    ComPtr<IPrintableMap> printable = controltest::As<IPrintableMap>(control.Get());
    ASSERT_TRUE(printable);
    ComPtr<IDispatch> engine;
    ASSERT_EQ(printable->get_MapX(engine.Put()), S_OK);
    ComPtr<IEngineTestHooks> hooks = controltest::EngineHooks(control.Get());
    hooks->ClearCalls();

    Settle(kMapSizePage, 15000, 10000, 0);
    std::unique_ptr<MapPrintJobInfo> job = NewJob(L"Through the control");
    ASSERT_EQ(job->SetMapView(control.Get()), S_OK);
    job->GetPageCount();
    MapPageLayout layout = job->Layout();
    support_.Print(std::move(job));
    EXPECT_EQ(PagesIn(OutputFile()), 1);
    LONG calls = 0;
    hooks->CallCount(&calls);
    bool printed = false;
    for (LONG i = 0; i < calls; ++i) {
        platform::Bstr line;
        hooks->CallText(i, line.Put());
        printed = printed || line.Wide().find(L"Map.PrintMap(38)") == 0;
    }
    EXPECT_TRUE(printed);
    KeepForJudge("through-the-control", layout);
}

TEST_F(PrintTest, TheProgressDialogShowsTheRunAndCancelStopsAfterTheCurrentPage) {
    Settle(kMapSizeCustom, 3 * 18000, 9000, 270);  // three pages across
    const int threads = ThreadsOfThisProcess();
    const std::vector<double> before = EngineState();
    std::wstring label;
    UINT shownPage = 0, shownCount = 0;
    control_->onReset = [&](int reset) {
        if (reset != 1) return;  // the first page, before the engine prints it
        HWND dialog = ProgressDialog();
        ASSERT_TRUE(dialog && ::IsWindowVisible(dialog));
        Eventually([&] { return ::GetDlgItemInt(dialog, IDC_PRINT_PAGE_COUNT, nullptr, TRUE) == 3; });
        shownPage = ::GetDlgItemInt(dialog, IDC_PRINT_PAGE, nullptr, TRUE);
        shownCount = ::GetDlgItemInt(dialog, IDC_PRINT_PAGE_COUNT, nullptr, TRUE);
        wchar_t text[64] = {};
        ::GetDlgItemTextW(dialog, IDC_PRINT_LABEL, text, 64);
        label = text;
        ::SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        EXPECT_TRUE(::IsWindowVisible(dialog));  // Cancel only asks the run to stop
    };
    ClearEngineCalls();
    support_.PrintWithProgress(NewJob());
    EXPECT_EQ(shownPage, 1u);
    EXPECT_EQ(shownCount, 3u);
    EXPECT_EQ(label, L"Printing page:");
    // The second page saw the cancel when it started: it is printed, the third is not, and the
    // document is aborted.
    EXPECT_EQ(EngineCalls(L"Map.PrintMap").size(), 2u);
    EXPECT_FALSE(OutputExists());
    EXPECT_EQ(ProgressDialog(), nullptr);
    EXPECT_EQ(ThreadsOfThisProcess(), threads);
    EXPECT_EQ(EngineState(), before);
}

TEST_F(PrintTest, APageThatFailsLeavesNoDocumentDialogThreadOrJob) {
    const int threads = ThreadsOfThisProcess();
    const std::vector<double> before = EngineState();
    const ULONG settingsReferences = References(settings_.Get());
    ClearEngineCalls();
    {
        enginetest::ScopedEnvironment faults(L"VADAZ_ENGINE_FAULTS", L"fail-printmap");
        try {
            support_.PrintWithProgress(NewJob());
            ADD_FAILURE() << "the failed page was not reported";
        } catch (const platform::ComError& e) {
            EXPECT_EQ(e.Error(), E_FAIL);
        }
    }
    std::vector<std::wstring> prints = EngineCalls(L"Map.PrintMap");
    ASSERT_EQ(prints.size(), 1u);
    const HDC dc = reinterpret_cast<HDC>(std::wcstol(prints[0].substr(prints[0].find(L"I4:") + 3).c_str(), nullptr, 10));
    EXPECT_EQ(::GetObjectType(dc), 0u) << "the printer DC is left";
    EXPECT_FALSE(OutputExists()) << "the document was not aborted";
    EXPECT_EQ(ProgressDialog(), nullptr);
    EXPECT_EQ(ThreadsOfThisProcess(), threads);
    EXPECT_FALSE(support_.IsRunning());
    EXPECT_EQ(References(settings_.Get()), settingsReferences) << "the job is left";
    EXPECT_EQ(EngineState(), before);
    // The printer takes the next document.
    support_.PrintWithProgress(NewJob());
    EXPECT_EQ(PagesIn(OutputFile()), 1);
}

TEST_F(PrintTest, TheEnginePrintsAtTheScaleOrFillsTheFrameAndGetsItsViewBack) {
    // Paper lengths in inches or centimetres, as the user's locale measures.
    wchar_t measure[4] = {};
    ::GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_IMEASURE, measure, 4);
    const bool inches = std::wstring(measure) == L"1";
    const long paperUnit = inches ? 2 : 6;
    // 1:10 000 on a 150 mm frame shows 150 000 cm (59 055.1 in) of ground.
    const double scaled = inches ? 10000 * 15000 / 2540.0 : 150000.0;
    struct Case {
        const char* name;
        long mapSize;
        bool centred;
        long unit;       // during the print; 0: the map's own
        double zoom;     // during the print; 0: the zoom shown on the screen, -1: another one
        bool resized;
    };
    const Case cases[] = {
        {"custom scale", kMapSizeCustom, true, paperUnit, scaled, true},
        {"page, centred", kMapSizePage, true, paperUnit, -1.0, true},
        {"page in the settings' shape", kMapSizePage, false, 0, 0.0, true},
        {"window", kMapSizeWindow, true, 0, 0.0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Settle(c.mapSize, 15000, 10000, 270, c.centred);
        ASSERT_EQ(settings_->put_ScaleDenominator(10000), S_OK);
        const std::vector<double> before = EngineState();
        double zoom = 0, unit = -1, width = 0;
        control_->onReset = [&](int reset) {
            if (reset % 3 != 1) return;  // each page resets three times, the first before printing
            zoom = enginetest::Number(enginetest::Get(map_.Get(), 7));
            unit = enginetest::Number(enginetest::Get(map_.Get(), 25));
            width = enginetest::Number(enginetest::Get(map_.Get(), 53));
        };
        support_.Print(NewJob());
        EXPECT_EQ(unit, c.unit == 0 ? before[4] : c.unit);
        if (c.zoom > 0) {
            EXPECT_NEAR(zoom, c.zoom, 1e-6 * c.zoom);
        } else if (c.zoom == 0) {
            EXPECT_EQ(zoom, before[0]);
        }
        EXPECT_EQ(width != before[5], c.resized);
        EXPECT_EQ(EngineState(), before);
        ASSERT_FALSE(control_->origins.empty());
    }
}

TEST(PrintProgressThread, ShowsPagesAsksToCancelAndClosesWhenTold) {
    PrintProgressThread thread;
    ASSERT_TRUE(thread.Start());
    ASSERT_TRUE(thread.WaitReady());
    HWND dialog = thread.Dialog();
    EXPECT_TRUE(Eventually([&] { return ::IsWindowVisible(dialog) != FALSE; }));
    EXPECT_EQ(::GetDlgItemInt(dialog, IDC_PRINT_PAGE_COUNT, nullptr, TRUE), 0u);
    ::PostMessageW(dialog, WM_PRINT_PAGE_COUNT, 5, 0);
    ::PostMessageW(dialog, WM_PRINT_PAGE, 2, 0);
    EXPECT_TRUE(Eventually([&] { return ::GetDlgItemInt(dialog, IDC_PRINT_PAGE, nullptr, TRUE) == 2; }));
    EXPECT_EQ(::GetDlgItemInt(dialog, IDC_PRINT_PAGE_COUNT, nullptr, TRUE), 5u);
    HWND bar = ::GetDlgItem(dialog, IDC_PRINT_PROGRESS);
    EXPECT_EQ(::SendMessageW(bar, PBM_GETPOS, 0, 0), 2);
    EXPECT_EQ(::SendMessageW(bar, PBM_GETRANGE, FALSE, 0), 5);
    EXPECT_FALSE(thread.IsCancelled());
    ::SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_TRUE(thread.IsCancelled());
    EXPECT_TRUE(::IsWindow(dialog));
    ::PostMessageW(dialog, WM_PRINT_FINISHED, 0, 0);
    thread.Wait();
    EXPECT_FALSE(::IsWindow(dialog));
}

TEST(PrintProgressThread, ADialogThatCannotBeCreatedIsNotWaitedFor) {
    // A module without the dialog's template.
    PrintProgressThread thread(::GetModuleHandleW(L"kernel32.dll"));
    ASSERT_TRUE(thread.Start());
    EXPECT_FALSE(thread.WaitReady());
    EXPECT_EQ(thread.Dialog(), nullptr);
    thread.Wait();
}

}  // namespace
}  // namespace printtest
