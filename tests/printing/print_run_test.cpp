// Print runs on the prefix's printer: the pages a run writes (kept for the picture judge), the
// progress dialog and its thread, cancel, a page that fails, and the engine's state.
#include "tests/printing/PrintFixture.h"

#include "ZmaVOMap2/printing/PrintProgress.h"
#include "ZmaVOMap2/printing/PrintingResource.h"
#include "platform/Result.h"

#include <commctrl.h>
#include <tlhelp32.h>

#include <chrono>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <thread>

namespace printtest {
namespace {

using platform::Variant;

// The threads of this process, each held open by its handle: while a handle holds a thread, no
// thread started later takes its id, so a thread of the print is never hidden behind an old id.
using HeldThreads = std::map<DWORD, platform::UniqueHandleKernel>;
HeldThreads ThreadsOfThisProcess() {
    platform::UniqueHandleKernel snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    THREADENTRY32 entry = {sizeof entry};
    HeldThreads threads;
    for (BOOL more = ::Thread32First(snapshot.Get(), &entry); more; more = ::Thread32Next(snapshot.Get(), &entry))
        if (entry.th32OwnerProcessID == ::GetCurrentProcessId())
            threads[entry.th32ThreadID] = platform::UniqueHandleKernel(
                ::OpenThread(SYNCHRONIZE | THREAD_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ThreadID));
    return threads;
}

// The threads started since `before` that have not ended: a thread that has been told to end may
// take a moment on a loaded machine. A thread of the process that ends meanwhile, whoever started
// it, is none of the print's.
std::set<DWORD> ThreadsLeftSince(const HeldThreads& before) {
    std::set<DWORD> left;
    for (const auto& [id, thread] : ThreadsOfThisProcess()) {
        if (before.count(id)) continue;
        if (!thread || ::WaitForSingleObject(thread.Get(), 10000) != WAIT_OBJECT_0) left.insert(id);
    }
    return left;
}

HWND ProgressDialog() { return ::FindWindowW(L"#32770", L"Print Progress"); }

// The dialog's thread shows what it was posted when it gets to it.
bool Eventually(const std::function<bool()>& condition) {
    for (int i = 0; i < 200 && !condition(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return condition();
}

UINT Shown(HWND dialog, int control) { return ::GetDlgItemInt(dialog, control, nullptr, TRUE); }

int PagesIn(const std::wstring& file) {
    std::ifstream in(file.c_str());
    std::string line;
    int pages = 0;
    while (std::getline(in, line)) pages += line.compare(0, 8, "%%Page: ") == 0;
    return pages;
}

TEST_F(PrintTest, PrintedPagesAreKeptForThePictureJudge) {
    struct Case {
        const char* name;
        long mapSize, width, height, angle;
        bool landscape, titleBorder;
    } const cases[] = {
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
        const MapPageLayout layout = job->Layout();
        ClearEngineCalls();
        ::DeleteFileW(OutputFile().c_str());
        support_.Print(std::move(job));
        EXPECT_EQ(PagesIn(OutputFile()), static_cast<int>(pages));
        // The engine got exactly the map's rectangle on every page, in 0.01 mm from the corner of
        // the printable area.
        const std::vector<std::wstring> prints = EngineCalls(L"Map.PrintMap");
        ASSERT_EQ(prints.size(), pages);
        const RECT map = Unflipped(layout.mapRect);
        const POINT offset = PhysicalOffset();
        std::wostringstream expected;
        expected << L" I4:" << map.left - offset.x << L" I4:" << map.top - offset.y << L" I4:" << Width(map)
                 << L" I4:" << Height(map);
        EXPECT_EQ(prints[0].substr(prints[0].size() - expected.str().size()), expected.str()) << prints[0];
        KeepForJudge(c.name, layout);
    }
}

TEST_F(PrintTest, TheProgressDialogFollowsTheRunAndCancelStopsAfterTheCurrentPage) {
    Settle(kMapSizeCustom, 3 * 18000, 9000, 270);  // three pages across
    const HeldThreads threads = ThreadsOfThisProcess();
    const std::vector<double> before = EngineState();
    std::vector<UINT> shown;
    std::wstring label;
    DuringEachPage([&] {
        HWND dialog = ProgressDialog();
        ASSERT_TRUE(dialog);
        EXPECT_TRUE(Eventually([&] { return ::IsWindowVisible(dialog) != FALSE; }));  // shown after it is ready
        const UINT page = static_cast<UINT>(shown.size() / 2 + 1);
        EXPECT_TRUE(Eventually([&] { return Shown(dialog, IDC_PRINT_PAGE) == page; }));
        shown.push_back(Shown(dialog, IDC_PRINT_PAGE));
        shown.push_back(Shown(dialog, IDC_PRINT_PAGE_COUNT));
        wchar_t text[64] = {};
        ::GetDlgItemTextW(dialog, IDC_PRINT_LABEL, text, 64);
        label = text;
        ::SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        EXPECT_TRUE(::IsWindowVisible(dialog));  // Cancel only asks the run to stop
    });
    support_.PrintWithProgress(NewJob());
    // The second page saw the cancel when it started: it is printed, the third is not, and the
    // document is aborted.
    EXPECT_EQ(shown, (std::vector<UINT>{1, 3, 2, 3}));
    EXPECT_EQ(label, L"Printing page:");
    EXPECT_FALSE(OutputExists());
    EXPECT_EQ(ProgressDialog(), nullptr);
    EXPECT_EQ(ThreadsLeftSince(threads), std::set<DWORD>{}) << "threads the print started";
    EXPECT_EQ(EngineState(), before);
}

TEST_F(PrintTest, APageThatFailsLeavesNoDocumentDialogThreadOrJob) {
    const HeldThreads threads = ThreadsOfThisProcess();
    const std::vector<double> before = EngineState();
    settings_->AddRef();
    const ULONG references = settings_->Release();
    ClearEngineCalls();
    {
        enginetest::ScopedEnvironment faults(L"VADAZ_ENGINE_FAULTS", L"fail-printmap");
        EXPECT_EQ(Raised([&] { support_.PrintWithProgress(NewJob()); }), E_FAIL);
    }
    const std::vector<std::wstring> prints = EngineCalls(L"Map.PrintMap");
    ASSERT_EQ(prints.size(), 1u);
    const long dc = std::wcstol(prints[0].substr(prints[0].find(L"I4:") + 3).c_str(), nullptr, 10);
    EXPECT_EQ(::GetObjectType(reinterpret_cast<HDC>(dc)), 0u) << "the printer DC is left";
    EXPECT_FALSE(OutputExists()) << "the document was not aborted";
    EXPECT_EQ(ProgressDialog(), nullptr);
    EXPECT_EQ(ThreadsLeftSince(threads), std::set<DWORD>{}) << "threads the print started";
    settings_->AddRef();
    EXPECT_EQ(settings_->Release(), references) << "the job is left";
    EXPECT_EQ(EngineState(), before);
    support_.PrintWithProgress(NewJob());  // the printer takes the next document
    EXPECT_EQ(PagesIn(OutputFile()), 1);
}

TEST_F(PrintTest, TheEnginePrintsAtTheScaleOrFillsTheFrameAndGetsItsViewBack) {
    // Paper lengths in inches or centimetres, as the user's locale measures; 1:10 000 on a 150 mm
    // frame shows 150 000 cm (59 055.1 in, 1 500 m) of ground. The map prints in the user's units
    // (metres here): the paper unit is only the zoom's.
    wchar_t measure[4] = {};
    ::GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_IMEASURE, measure, 4);
    const bool inches = std::wstring(measure) == L"1";
    const double metresPerPaperUnit = inches ? 0.0254 : 0.01, scaled = inches ? 10000 * 15000 / 2540.0 : 150000.0;
    enginetest::Put(map_.Get(), enginetest::map::kMapUnit, Variant(7L));
    struct Case {
        const char* name;
        long mapSize;
        bool centred;
        double zoom;  // in the paper unit, during the print; 0: as on the screen, -1: another one
        bool resized;
    } const cases[] = {
        {"custom scale", kMapSizeCustom, true, scaled, true},
        {"page, centred", kMapSizePage, true, -1, true},
        {"page in the settings' shape", kMapSizePage, false, 0, true},
        {"window", kMapSizeWindow, true, 0, false},
    };
    ASSERT_EQ(settings_->put_ScaleDenominator(10000), S_OK);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Settle(c.mapSize, 15000, 10000, 270, c.centred);
        const std::vector<double> before = EngineState();
        std::vector<double> during;
        DuringEachPage([&] { during = EngineState(); });
        ClearEngineCalls();
        support_.Print(NewJob());
        ASSERT_EQ(during.size(), before.size());
        EXPECT_EQ(during[3], before[3]);
        EXPECT_EQ(during[4], before[4]);
        if (c.zoom > 0) {
            EXPECT_NEAR(during[0], c.zoom * metresPerPaperUnit, 1e-6 * c.zoom * metresPerPaperUnit);
        } else if (c.zoom == 0) {
            EXPECT_EQ(during[0], before[0]);
        }
        EXPECT_EQ(EngineCalls(L"Map.SetSize").size(), c.resized ? 2u : 1u);  // to the frame and back
        EXPECT_EQ(EngineState(), before);
    }
}

TEST(PrintProgressThread, ShowsPagesAsksToCancelAndClosesWhenTold) {
    PrintProgressThread thread;
    ASSERT_TRUE(thread.Start());
    ASSERT_TRUE(thread.WaitReady());
    HWND dialog = thread.Dialog();
    EXPECT_TRUE(Eventually([&] { return ::IsWindowVisible(dialog) != FALSE; }));
    EXPECT_EQ(Shown(dialog, IDC_PRINT_PAGE_COUNT), 0u);
    ::PostMessageW(dialog, WM_PRINT_PAGE_COUNT, 5, 0);
    ::PostMessageW(dialog, WM_PRINT_PAGE, 2, 0);
    EXPECT_TRUE(Eventually([&] { return Shown(dialog, IDC_PRINT_PAGE) == 2; }));
    EXPECT_EQ(Shown(dialog, IDC_PRINT_PAGE_COUNT), 5u);
    EXPECT_EQ(::SendDlgItemMessageW(dialog, IDC_PRINT_PROGRESS, PBM_GETPOS, 0, 0), 2);
    EXPECT_EQ(::SendDlgItemMessageW(dialog, IDC_PRINT_PROGRESS, PBM_GETRANGE, FALSE, 0), 5);
    EXPECT_FALSE(thread.IsCancelled());
    ::SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_TRUE(thread.IsCancelled());
    ::PostMessageW(dialog, WM_PRINT_FINISHED, 0, 0);
    thread.Wait();
    EXPECT_FALSE(::IsWindow(dialog));

    // Without the dialog's template there is no dialog to wait for.
    PrintProgressThread without(::GetModuleHandleW(L"kernel32.dll"));
    ASSERT_TRUE(without.Start());
    EXPECT_FALSE(without.WaitReady());
    EXPECT_EQ(without.Dialog(), nullptr);
}

}  // namespace
}  // namespace printtest
