// Rollover tips as hosts meet them: maps that come and go with the library leave no tip window
// behind, so the host's window goes cleanly after the library has; and maps on several
// user-interface threads each show their own row in a tip of their own thread, which hides when
// the mouse leaves.
#include "tests/control/HostForm.h"

#include <gtest/gtest.h>

#include <winternl.h>

#include <algorithm>
#include <memory>
#include <random>

using formtest::FormMap;

namespace {

constexpr int kWidth = 400, kHeight = 300;

// Wine answers 0 to GetGuiResources; it keeps the process's GDI objects in the table its process
// environment block points to (entries of 24 bytes, a live object's type in the high word of the
// fourth field). -1 when neither way counts a brush made and deleted.
long GdiObjects() {
    if (const DWORD counted = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS)) return counted;
    struct Entry {
        DWORD object[2], owner, unique, user[2];
    };
    using Query = LONG(WINAPI*)(HANDLE, PROCESSINFOCLASS, void*, ULONG, ULONG*);
    const auto query =
        reinterpret_cast<Query>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess"));
    PROCESS_BASIC_INFORMATION process = {};
    if (!query || query(::GetCurrentProcess(), ProcessBasicInformation, &process, sizeof process, nullptr) != 0)
        return -1;
    const auto* peb = reinterpret_cast<const BYTE*>(process.PebBaseAddress);
    const auto* table = *reinterpret_cast<const Entry* const*>(peb + 0x94);
    auto count = [table] {
        long live = 0;
        for (int i = 0; table && i < 0x10000; ++i) live += (table[i].unique >> 16) != 0;
        return live;
    };
    const long before = count();
    HBRUSH brush = ::CreateSolidBrush(RGB(1, 2, 3));
    const bool counts = count() == before + 1;
    ::DeleteObject(brush);
    return counts && count() == before ? before : -1;
}

BOOL CALLBACK CountWindow(HWND window, LPARAM count) {
    ++*reinterpret_cast<long*>(count);
    ::EnumChildWindows(window, &CountWindow, count);
    return TRUE;
}

long WindowsOfThisThread() {
    long count = 0;
    ::EnumThreadWindows(::GetCurrentThreadId(), &CountWindow, reinterpret_cast<LPARAM>(&count));
    return count;
}

LONG g_accessViolations = 0;
LONG CALLBACK CountAccessViolation(EXCEPTION_POINTERS* exception) {
    if (exception->ExceptionRecord->ExceptionCode == EXCEPTION_ACCESS_VIOLATION)
        ::InterlockedIncrement(&g_accessViolations);
    return EXCEPTION_CONTINUE_SEARCH;
}

// Twenty maps on the host's form, some showing a tip, released in random order; the library is
// freed after each round. The host never loaded the common controls itself.
TEST(RolloverTipLifetime, MapsGoneWithTheLibraryLeaveNoWindowAndTheHostWindowGoesCleanly) {
    testsupport::Watchdog watchdog;
    ::SetCursorPos(kWidth / 2, kHeight / 2);
    HWND form = formtest::MakeForm(kWidth, kHeight);
    const long windows = WindowsOfThisThread();
    long gdiObjects = GdiObjects();
    ASSERT_GE(gdiObjects, 0) << "GDI objects can be counted here";
    std::mt19937 random(49);
    for (int round = 0; round < 4; ++round) {
        std::vector<std::unique_ptr<FormMap>> maps;
        for (long i = 0; i < 20; ++i) {
            maps.push_back(std::make_unique<FormMap>(form, kWidth, kHeight));
            ASSERT_EQ(maps.back()->Made(), S_OK);
            ASSERT_EQ(maps.back()->Show(formtest::GridDataset(100, 100 * i).Get()), S_OK);
            // The others only hide a tip as they go.
            if (i % 4 == 0 && maps.back()->MoveMouseOver(7)) {
                EXPECT_EQ(formtest::ShownTips(), std::vector<std::string>{formtest::TipText(100 * i, 7)});
            }
        }
        std::shuffle(maps.begin(), maps.end(), random);
        for (auto& map : maps) watchdog.Guard("a map released", [&] { map.reset(); });
        watchdog.Guard("unused libraries freed", [] { ::CoFreeUnusedLibrariesEx(0, 0); });
        ASSERT_EQ(::GetModuleHandleW(L"VadAZ.dll"), nullptr) << "round " << round;
        EXPECT_EQ(formtest::TipsOfThisProcess().first, 0) << "round " << round;
        EXPECT_EQ(WindowsOfThisThread(), windows) << "round " << round;
        // The first round makes what a process keeps (fonts, the system's caches).
        if (round == 0) gdiObjects = GdiObjects();
        EXPECT_LE(GdiObjects(), gdiObjects) << "round " << round;
    }
    PVOID handler = ::AddVectoredExceptionHandler(1, &CountAccessViolation);
    watchdog.Guard("the host window destroyed", [&] { ::DestroyWindow(form); });
    ::RemoveVectoredExceptionHandler(handler);
    EXPECT_EQ(g_accessViolations, 0);
}

// Three threads, each with its form and a map over a dataset of its own, move over their rows at
// the same time, with the mouse over every form (they all lie at the screen's corner); then the
// mouse leaves them all, and the maps go.
TEST(RolloverTipThreads, EachThreadShowsOnlyItsOwnRowInATipOfItsOwnThatHidesWhenTheMouseLeaves) {
    testsupport::Watchdog watchdog;
    constexpr int kThreads = 3;
    formtest::Meeting meeting(kThreads);
    std::vector<std::string> seen[kThreads];  // what a thread's tips showed instead of its row
    std::pair<int, int> afterMoves, afterLeaving;
    ::SetCursorPos(kWidth / 2, kHeight / 2);
    formtest::RunTogether(kThreads, [&](int thread) {
        const long firstValue = 1000 * (thread + 1);
        HWND form = formtest::MakeForm(kWidth, kHeight);
        {
            FormMap map(form, kWidth, kHeight);
            if (FAILED(map.Made()) || FAILED(map.Show(formtest::GridDataset(200, firstValue).Get())))
                seen[thread].push_back("no map");
            meeting.Wait();
            for (long row = 0; row < 600; row += 7) {
                // The user's click makes the form active on its thread; another thread's click may
                // take that away before the move is handled, and the move is made again.
                for (int click = 0; click < 20 && (click == 0 || ::GetActiveWindow() != form); ++click) {
                    ::SetActiveWindow(form);
                    map.MoveMouseOver(row % 200);
                }
                const std::vector<std::string> shown = formtest::ShownTips();
                if (shown != std::vector<std::string>{formtest::TipText(firstValue, row % 200)})
                    seen[thread].push_back(shown.empty() ? "no tip" : shown.front());
            }
            meeting.Wait();
            if (thread == 0) {
                afterMoves = formtest::TipsOfThisProcess();
                ::SetCursorPos(kWidth + 60, kHeight + 60);
            }
            meeting.Wait();
            // The tip's timer looks for the mouse twice a second.
            for (int i = 0; i < 50 && !formtest::ShownTips().empty(); ++i) formtest::PumpFor(100);
            const std::vector<std::string> shown = formtest::ShownTips();
            seen[thread].insert(seen[thread].end(), shown.begin(), shown.end());
            meeting.Wait();
            if (thread == 0) afterLeaving = formtest::TipsOfThisProcess();
            meeting.Wait();
        }
        ::DestroyWindow(form);
    }, watchdog);
    for (int thread = 0; thread < kThreads; ++thread) EXPECT_EQ(seen[thread], std::vector<std::string>()) << thread;
    EXPECT_EQ(afterMoves.second, kThreads) << "visible tips after the moves";
    EXPECT_EQ(afterLeaving.second, 0) << "visible tips once the mouse left";
    EXPECT_EQ(formtest::TipsOfThisProcess().first, 0) << "tip windows once the maps went";
}

}  // namespace
