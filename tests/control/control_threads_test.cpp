// Hosts whose forms hold maps on one user-interface thread or several: the first maps of a process,
// made on four threads at once, all work; maps gone with the library leave no window behind; each
// thread's maps show their rows and shapes in a tip of that thread, at the cursor, which hides when
// the mouse leaves; and every thread's maps log into the host's log at once, whatever the others do.
#include "tests/control/ControlFixture.h"
#include "tests/datalayers/DisplayFixture.h"
#include "tests/support/DibCanvas.h"
#include "tests/support/TestSupport.h"
#include "tests/support/Watchdog.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <random>
#include <set>
#include <thread>

using platform::ComPtr;
using platform::Variant;
using Tips = std::vector<std::string>;

namespace {

constexpr int kWidth = 400, kHeight = 300, kRows = 40;

// The calling thread's windows, children included, and the texts of its visible tooltips.
struct ThreadWindows {
    std::set<HWND> all;
    Tips tips;
    RECT tip = {};
};

BOOL CALLBACK AddChild(HWND child, LPARAM all) { return reinterpret_cast<std::set<HWND>*>(all)->insert(child), TRUE; }

BOOL CALLBACK VisitWindow(HWND window, LPARAM found) {
    auto& windows = *reinterpret_cast<ThreadWindows*>(found);
    ::EnumChildWindows(window, &AddChild, reinterpret_cast<LPARAM>(&windows.all));
    windows.all.insert(window);
    char text[1024] = {};
    TTTOOLINFOA tool = {sizeof tool};
    ::GetClassNameA(window, text, sizeof text);
    if (lstrcmpiA(text, TOOLTIPS_CLASSA) == 0 && ::IsWindowVisible(window) &&
        ::SendMessageA(window, TTM_ENUMTOOLSA, 0, reinterpret_cast<LPARAM>(&tool))) {
        tool.lpszText = text;
        ::SendMessageA(window, TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&tool));
        windows.tips.push_back(text);
        ::GetWindowRect(window, &windows.tip);
    }
    return TRUE;
}

ThreadWindows OfThisThread() {
    ThreadWindows windows;
    ::EnumThreadWindows(::GetCurrentThreadId(), &VisitWindow, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

// The calling thread's windows that are not among `before`: what the maps left, whatever went meanwhile.
size_t NewWindows(const std::set<HWND>& before) {
    const std::set<HWND> now = OfThisThread().all;
    return static_cast<size_t>(
        std::count_if(now.begin(), now.end(), [&](HWND window) { return !before.count(window); }));
}


LONG g_accessViolations = 0;
LONG CALLBACK CountAccessViolation(EXCEPTION_POINTERS* exception) {
    if (exception->ExceptionRecord->ExceptionCode == EXCEPTION_ACCESS_VIOLATION)
        ::InterlockedIncrement(&g_accessViolations);
    return EXCEPTION_CONTINUE_SEARCH;
}

// A host's form: a visible window at `at` on the screen (its top-left corner unless given), active
// on its thread.
ComPtr<testsupport::TestSite> MakeForm(POINT at = {0, 0}) {
    auto form = platform::MakeObject<testsupport::TestSite>(kWidth, kHeight);
    ::SetWindowPos(form->Window(), nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ::ShowWindow(form->Window(), SW_SHOW);
    ::SetActiveWindow(form->Window());
    return form;
}

// A map made in a form as a host makes it (CoCreateInstance, client site, InitNew, in-place activation),
// with its engine, showing rows on a diagonal whose tips read "RxLev: <first + row>" under the selection
// tool; `made` is the first failure. Drawn once as the screen draws it, it knows which row owns a pixel.
struct FormMap {
    FormMap(ComPtr<testsupport::TestSite> form, long first) : form(std::move(form)) {
        ComPtr<IDispatch> rows = displaytest::NewDataset({{L"Latitude", 13}, {L"Longitude", 12}, {L"RxLev", 5}}, kRows);
        for (long row = 0; row < kRows; ++row) displaytest::SetValue(rows.Get(), row, L"RxLev", Variant(first + row));
        const platform::Bstr series(L"{5E1EC7ED-0000-4000-8000-0000000049A4}");
        made = controltest::CreateControl(control);
        const ComPtr<IZmaVadAZ2> map = controltest::As<IZmaVadAZ2>(control.Get());
        if (SUCCEEDED(made)) made = testsupport::ActivateInPlace(control.Get(), *this->form);
        if (SUCCEEDED(made)) made = map->get_MapX(engine.Put()) == S_OK && engine ? S_OK : E_FAIL;
        if (SUCCEEDED(made)) made = map->DisplayDataset(rows.Get(), Variant(L"RxLev"), series.Get());
        if (SUCCEEDED(made)) made = testsupport::DibCanvas(kWidth, kHeight).DrawView(control.Get());
        if (SUCCEEDED(made)) made = map->put_CurrentTool(VO_MAP_TOOL_SELECT);
    }
    ~FormMap() {
        if (control) testsupport::CloseInPlace(control.Get());
    }

    // The thread's shown tips once the mouse moved over the row.
    Tips Rollover(long row) { return MoveTo(Pixel(10.0 + row * 0.001, 50.0 + row * 0.001)).tips; }

    // The thread's windows once the mouse moved to `point` of the map: the user clicks the form
    // active again when another thread's click took that away before the move was handled.
    ThreadWindows MoveTo(POINT point) {
        for (int click = 0; click < 20 && (click == 0 || ::GetActiveWindow() != form->Window()); ++click) {
            ::SetActiveWindow(form->Window());
            ::PostMessageW(Window(), WM_MOUSEMOVE, 0, MAKELPARAM(point.x, point.y));
            testsupport::PumpMessages();
        }
        return OfThisThread();
    }

    // The map window's pixel of a place, by the engine's ConvertCoord (map to screen).
    POINT Pixel(double longitude, double latitude) {
        float x = 0, y = 0;
        VARIANT args[5] = {};
        args[4].vt = args[3].vt = VT_R4 | VT_BYREF, args[4].pfltVal = &x, args[3].pfltVal = &y;
        args[2].vt = args[1].vt = VT_R8 | VT_BYREF, args[2].pdblVal = &longitude, args[1].pdblVal = &latitude;
        args[0].vt = VT_I2;
        DISPPARAMS convert = {args, nullptr, 5, 0};
        engine->Invoke(34, IID_NULL, 0, DISPATCH_METHOD, &convert, nullptr, nullptr, nullptr);
        return {static_cast<LONG>(x + 0.5f), static_cast<LONG>(y + 0.5f)};
    }

    HWND Window() const { return reinterpret_cast<HWND>(displaytest::Get(engine.Get(), -515).ToLong()); }

    // `count` failing calls, each of which the map logs as one line.
    void LogLines(long count) {
        const ComPtr<IZmaVadAZ2> map = controltest::As<IZmaVadAZ2>(control.Get());
        for (long i = 0; i < count; ++i) map->put_QuickPrintLayout(static_cast<ENUM_QUICK_PRINT_LAYOUT>(7));
    }

    ComPtr<testsupport::TestSite> form;
    ComPtr<IUnknown> control;
    ComPtr<IDispatch> engine;
    HRESULT made = E_FAIL;
};

Tips TipOf(long first, long row) { return {"RxLev: " + std::to_string(first + row)}; }

// Every one of `count` threads comes to each step before any goes on, handling its messages
// meanwhile (another thread's activation sends it some).
void Meet(volatile LONG& arrived, LONG count) {
    const LONG step = (::InterlockedIncrement(&arrived) - 1) / count + 1;
    while (arrived < step * count) testsupport::PumpMessages(), ::Sleep(1);
}

// Runs `body(thread)` on `count` new single-threaded apartments that start it together.
template <class Body>
void RunTogether(LONG count, Body body) {
    // Wine's GDI+ loads the imaging codecs' library on its first picture, and two threads doing
    // that at once can fail inside Wine's loader (a fault of Wine, not of a host): loaded for good here.
    ::LoadLibraryW(L"windowscodecs.dll");
    volatile LONG started = 0;
    std::vector<std::thread> threads;
    for (int i = 0; i < count; ++i)
        threads.emplace_back([&, i] {
            ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
            Meet(started, count);
            body(i);
            ::CoUninitialize();
        });
    testsupport::Watchdog().Guard("threads started together", [&] {
        for (std::thread& thread : threads) thread.join();
    });
}

// Twenty maps on the host's form, some showing a tip, released in random order; the unused
// libraries are freed after each round, and the maps leave no window, GDI object or handle behind. The host never
// loaded the common controls itself.
TEST(RolloverTipLifetime, MapsGoneWithTheLibraryLeaveNoWindowAndTheHostWindowGoesCleanly) {
    testsupport::Watchdog watchdog;
    ::SetCursorPos(kWidth / 2, kHeight / 2);
    ComPtr<testsupport::TestSite> form = MakeForm();
    const std::set<HWND> windows = OfThisThread().all;
    testsupport::SystemObjects held;
    std::mt19937 random(49);
    for (int round = 0; round < 4; ++round) {
        SCOPED_TRACE(::testing::Message() << "round " << round);
        std::vector<std::unique_ptr<FormMap>> maps;
        for (long i = 0; i < 20; ++i) {
            maps.push_back(std::make_unique<FormMap>(form, 100 * i));
            ASSERT_EQ(maps.back()->made, S_OK);
            if (i % 4 != 0) continue;  // the others only hide a tip as they go
            EXPECT_EQ(maps.back()->Rollover(7), TipOf(100 * i, 7));
        }
        std::shuffle(maps.begin(), maps.end(), random);
        for (auto& map : maps) watchdog.Guard("a map released", [&] { map.reset(); });
        watchdog.Guard("unused libraries freed", [] { ::CoFreeUnusedLibrariesEx(0, 0); });
        ASSERT_TRUE(testsupport::LibraryUnused(L"VadAZ.dll")) << "round " << round;
        EXPECT_EQ(NewWindows(windows), 0u) << "round " << round;
        // The first round makes what a process keeps (fonts, the system's caches).
        if (round == 0) held = testsupport::CountSystemObjects();
        testsupport::ExpectNoMoreSystemObjects(held, testsupport::CountSystemObjects());
    }
    PVOID handler = ::AddVectoredExceptionHandler(1, &CountAccessViolation);
    watchdog.Guard("the host window destroyed", [&] { ::DestroyWindow(form->Window()); });
    ::RemoveVectoredExceptionHandler(handler);
    EXPECT_EQ(g_accessViolations, 0);
}

// Three threads, each with its form and map, move over their rows at the same time with the mouse
// over every form (they all lie at the screen's corner); then the mouse leaves them all.
TEST(RolloverTipThreads, EachThreadShowsOnlyItsOwnRowInATipOfItsOwnThatHidesWhenTheMouseLeaves) {
    volatile LONG arrived = 0;
    ::SetCursorPos(kWidth / 2, kHeight / 2);
    RunTogether(3, [&](int thread) {
        const long first = 1000 * (thread + 1);
        FormMap map(MakeForm(), first);
        EXPECT_EQ(map.made, S_OK) << "thread " << thread;
        Meet(arrived, 3);
        for (long move = 0; map.made == S_OK && move < 90; ++move)
            EXPECT_EQ(map.Rollover(move * 7 % kRows), TipOf(first, move * 7 % kRows)) << "thread " << thread;
        Meet(arrived, 3);
        if (thread == 0) ::SetCursorPos(kWidth + 60, kHeight + 60);
        // The tip's timer looks for the mouse twice a second.
        for (int i = 0; i < 50 && !OfThisThread().tips.empty(); ++i) ::Sleep(100), testsupport::PumpMessages();
        EXPECT_EQ(OfThisThread().tips, Tips()) << "thread " << thread;
    });
}

// Two threads hover a circle of their own maps at once, the mouse over both forms (lying apart on
// the screen): each move over the circle's outline shows the circle's tip where the cursor is on the
// screen, and each move inside the circle shows none.
TEST(RolloverTipThreads, ShapesHoveredOnTwoThreadsAtOnceEachShowTheirTipAtTheCursor) {
    volatile LONG arrived = 0;
    ::SetCursorPos(kWidth / 2, kHeight / 2);
    RunTogether(2, [&](int thread) {
        FormMap map(MakeForm({37 + 24 * thread, 23 + 24 * thread}), 0);
        const std::string tip = "circle " + std::to_string(thread);
        const ComPtr<IZmaVadAZ2> typed = controltest::As<IZmaVadAZ2>(map.control.Get());
        EXPECT_EQ(map.made == S_OK ? typed->DrawCircle(50.02, 10.02, Variant(L"1 km"), 2, 0, Variant(255L),
                                                       platform::Bstr(platform::ToWide(tip)).Get())
                                   : map.made,
                  S_OK);
        // The outline east of the centre, found by each thread in turn while the other waits.
        const POINT centre = map.Pixel(10.02, 50.02);
        POINT outline = centre, inside = centre;
        for (int turn = 0; turn < 2; ++turn) {
            Meet(arrived, 2);
            for (LONG x = centre.x + 3; turn == thread && outline.x == centre.x && x < kWidth; ++x)
                if (map.MoveTo({x, centre.y}).tips == Tips{tip}) outline.x = x + 2, inside.x = (centre.x + x) / 2;
        }
        const bool found = outline.x != centre.x;
        EXPECT_TRUE(found) << "thread " << thread;
        POINT onScreen = outline;
        ::ClientToScreen(map.Window(), &onScreen);
        Meet(arrived, 2);
        long missed = 0, misplaced = 0, shownInside = 0;
        for (int move = 0; found && move < 150; ++move) {
            const ThreadWindows over = map.MoveTo(outline);
            missed += over.tips != Tips{tip};
            misplaced += over.tips == Tips{tip} &&
                         (std::abs(over.tip.left - onScreen.x) > 3 || std::abs(over.tip.top - onScreen.y) > 3);
            shownInside += !map.MoveTo(inside).tips.empty();
        }
        EXPECT_EQ(missed, 0) << "thread " << thread;
        EXPECT_EQ(misplaced, 0) << "thread " << thread << ", the cursor at " << onScreen.x << "," << onScreen.y;
        EXPECT_EQ(shownInside, 0) << "thread " << thread;
        Meet(arrived, 2);
    });
}

// The lines the maps log, counted in the host's log as it stands within a second of `expected`.
long LoggedWithinASecond(long expected) {
    long logged = 0;
    for (int wait = 0; wait < 50; ++wait, ::Sleep(20)) {
        logged = 0;
        for (const std::wstring& line : testsupport::HostLogLines()) logged += line.find(L"quick-print layout") != line.npos;
        if (logged >= expected) break;
    }
    return logged;
}

// A second thread's maps log while the first map's thread only handles its messages, and again
// after that thread let its map go and ended; then four threads log at once, the one whose map
// came first leaving first. Every line is in the host's log within a second.
TEST(LogOfThreads, EveryMapsLinesReachTheHostsLogWithinASecondWhateverTheFirstMapsThreadDoes) {
    // The host holds its logging component for its life, so its log outlives every thread's maps.
    ComPtr<IUnknown> logging;
    ASSERT_EQ(::CoCreateInstance(CLSID_HostLoggingManager, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, logging.PutVoid()),
              S_OK);
    testsupport::ClearHostLog();
    volatile LONG arrived = 0;
    HANDLE first = nullptr;
    RunTogether(2, [&](int thread) {
        std::unique_ptr<FormMap> map;
        if (thread == 0) {
            map = std::make_unique<FormMap>(MakeForm(), 0);
            ::DuplicateHandle(::GetCurrentProcess(), ::GetCurrentThread(), ::GetCurrentProcess(), &first, SYNCHRONIZE,
                              FALSE, 0);
        }
        Meet(arrived, 2);
        if (thread == 1) {
            map = std::make_unique<FormMap>(MakeForm(), 100);
            map->LogLines(5);
            EXPECT_EQ(LoggedWithinASecond(5), 5) << "while the first map's thread idles";
        }
        Meet(arrived, 2);
        if (thread == 0) return;
        while (::MsgWaitForMultipleObjects(1, &first, FALSE, 10000, QS_ALLINPUT) == WAIT_OBJECT_0 + 1)
            testsupport::PumpMessages();
        map->LogLines(8);
        EXPECT_EQ(LoggedWithinASecond(13), 13) << "after the first map's thread ended";
        map = std::make_unique<FormMap>(MakeForm(), 200);
        map->LogLines(3);
        EXPECT_EQ(LoggedWithinASecond(16), 16) << "from a map made afterwards";
    });
    ::CloseHandle(first);

    testsupport::ClearHostLog();
    arrived = 0;
    RunTogether(4, [&](int thread) {
        if (thread > 0) Meet(arrived, 4);
        auto map = std::make_unique<FormMap>(MakeForm(), 0);
        if (thread == 0) Meet(arrived, 4);
        map->LogLines(500);
    });
    EXPECT_EQ(LoggedWithinASecond(2000), 2000);
}

// The first maps of a process (this case runs in a process of its own, and again in fresh ones): a
// process registers its window classes for the first map that needs them.
TEST(FirstMapsOfAProcess, MadeAtTheSameMomentOnFourThreadsAreAllMadeAndShowTheirDatasets) {
    RunTogether(4, [](int thread) { EXPECT_EQ(FormMap(MakeForm(), 0).made, S_OK) << "thread " << thread; });
}

TEST(FirstMapsOfAProcess, AreAllMadeInEveryFreshProcess) {
    wchar_t self[MAX_PATH + 1] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::wstring command = L"\"" + std::wstring(self) + L"\" --gtest_filter=FirstMapsOfAProcess.Made*";
    for (int run = 0; run < 4; ++run) EXPECT_EQ(testsupport::RunProcess(command), 0) << "run " << run;
}

}  // namespace
