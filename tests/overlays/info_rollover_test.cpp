// The shared rollover tooltip: shown for the owner's item at the cursor, updated only when the
// owner, text or item changes, hidden by its owner or by anyone with no owner, and hidden by its
// timer once the cursor has left the map window.
#include "ZmaVOMap2/overlays/RolloverTip.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>

namespace {

// Stand-ins for two layers: the tooltip only compares owners.
const int kLayerA = 0;
const int kLayerB = 0;
const void* const kOwnerA = &kLayerA;
const void* const kOwnerB = &kLayerB;

// Counts the tooltip messages the tooltip window receives.
int g_tipMessages = 0;
WNDPROC g_tipProc = nullptr;
LRESULT CALLBACK CountingProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg >= WM_USER && msg < WM_USER + 100) ++g_tipMessages;
    return ::CallWindowProcW(g_tipProc, window, msg, wParam, lParam);
}

class RolloverTip : public ::testing::Test {
protected:
    void SetUp() override {
        frame_ = ::CreateWindowExW(0, L"STATIC", L"host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 400, 300,
                                   nullptr, nullptr, nullptr, nullptr);
        ASSERT_TRUE(frame_);
        ::SetActiveWindow(frame_);
        ASSERT_EQ(::GetActiveWindow(), frame_);
        map_ = ::CreateWindowExW(0, L"STATIC", L"map", WS_CHILD | WS_VISIBLE, 0, 0, 300, 200, frame_, nullptr,
                                 nullptr, nullptr);
        ASSERT_TRUE(map_);
        ::SetCursorPos(150, 150);  // over the map window
    }
    void TearDown() override {
        rollovertip::Hide(nullptr);
        ::DestroyWindow(frame_);
    }

    void Show(const std::string& text, long key, const void* owner) {
        POINT cursor = {150, 150};
        rollovertip::Show(cursor, text, key, owner, map_);
    }
    static bool Visible() { return rollovertip::Window() && ::IsWindowVisible(rollovertip::Window()); }
    static void CountMessages() {
        HWND tip = rollovertip::Window();
        ASSERT_TRUE(tip);
        if (reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(tip, GWLP_WNDPROC)) != CountingProc)
            g_tipProc = reinterpret_cast<WNDPROC>(
                ::SetWindowLongPtrW(tip, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CountingProc)));
        g_tipMessages = 0;
    }
    static void PumpFor(DWORD ms) {
        const DWORD start = ::GetTickCount();
        while (::GetTickCount() - start < ms) {
            MSG msg;
            while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                ::TranslateMessage(&msg);
                ::DispatchMessageW(&msg);
            }
            ::Sleep(10);
        }
    }

    HWND frame_ = nullptr;
    HWND map_ = nullptr;
};

}  // namespace

TEST(RolloverTipWithoutHost, NothingShowsWithoutAnActiveWindow) {
    ASSERT_EQ(::GetActiveWindow(), nullptr);
    rollovertip::Show(POINT{10, 10}, "Level: 3", 1, kOwnerA, nullptr);
    EXPECT_EQ(rollovertip::CurrentText(), "");
    EXPECT_FALSE(rollovertip::Window() && ::IsWindowVisible(rollovertip::Window()));
}

TEST_F(RolloverTip, ShowsTheOwnersText) {
    Show("Level: 3", 1, kOwnerA);
    EXPECT_TRUE(Visible());
    EXPECT_EQ(rollovertip::CurrentText(), "Level: 3");
}

TEST_F(RolloverTip, TheSameItemAgainOnlyRestartsTheTimer) {
    Show("Level: 3", 1, kOwnerA);
    CountMessages();
    Show("Level: 3", 1, kOwnerA);
    EXPECT_EQ(g_tipMessages, 0);
    Show("Level: 3", 2, kOwnerA);  // another item with the same text
    EXPECT_GT(g_tipMessages, 0);
    g_tipMessages = 0;
    Show("Level: 3", 2, kOwnerB);  // another layer takes the tooltip over
    EXPECT_GT(g_tipMessages, 0);
    EXPECT_TRUE(Visible());
}

TEST_F(RolloverTip, OnlyTheOwnerOrAnyoneWithoutOwnerHidesIt) {
    Show("Cell: 17", 4, kOwnerA);
    rollovertip::Hide(kOwnerB);
    EXPECT_TRUE(Visible());
    EXPECT_EQ(rollovertip::CurrentText(), "Cell: 17");
    rollovertip::Hide(kOwnerA);
    EXPECT_FALSE(Visible());
    EXPECT_EQ(rollovertip::CurrentText(), "");

    Show("Cell: 18", 5, kOwnerB);
    rollovertip::Hide(nullptr);
    EXPECT_FALSE(Visible());
    // Shown again after hiding, the same text counts as new.
    Show("Cell: 18", 5, kOwnerB);
    EXPECT_TRUE(Visible());
}

TEST_F(RolloverTip, LeavingTheMapWindowHidesIt) {
    Show("Cell: 9", 3, kOwnerA);
    PumpFor(700);  // the cursor is still over the map: the tooltip stays
    EXPECT_TRUE(Visible());
    ::SetCursorPos(5, 5);
    for (int i = 0; i < 50 && Visible(); ++i) PumpFor(100);
    EXPECT_FALSE(Visible());
    EXPECT_EQ(rollovertip::CurrentText(), "");
}
