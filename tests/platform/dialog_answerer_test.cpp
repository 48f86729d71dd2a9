// The test programs answer dialog boxes themselves, so a failure path that shows one cannot hang a run.
#include "tests/support/DialogAnswerer.h"
#include <gtest/gtest.h>

#include <atomic>
#include <vector>

TEST(DialogAnswerer, AnswersMessageBoxes) {
    auto* a = testsupport::DialogAnswerer::Current();
    ASSERT_TRUE(a);
    EXPECT_EQ(::MessageBoxW(nullptr, L"Failed to open x.", L"Map Module - Add new layer", MB_OK | MB_ICONERROR), IDOK);
    a->SetAnswer(IDNO);
    EXPECT_EQ(::MessageBoxW(nullptr, L"Replace?", L"Map Module", MB_YESNO), IDNO);
    a->SetAnswer(0);
    ASSERT_EQ(a->Dialogs().size(), 2u);
    EXPECT_EQ(a->Dialogs()[0].caption, L"Map Module - Add new layer");
    EXPECT_NE(a->Dialogs()[0].text.find(L"Failed to open x."), std::wstring::npos);
}

namespace {

// A dialog box shown by a thread of its own, as another program on the same desktop shows one.
// It counts the commands it receives, and takes the foreground when asked.
class OtherThreadsDialog {
public:
    OtherThreadsDialog()
        : ready_(::CreateEventW(nullptr, FALSE, FALSE, nullptr)), raise_(::CreateEventW(nullptr, FALSE, FALSE, nullptr)),
          raised_(::CreateEventW(nullptr, FALSE, FALSE, nullptr)), stop_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
        thread_ = ::CreateThread(nullptr, 0, &OtherThreadsDialog::Run, this, 0, nullptr);
        ::WaitForSingleObject(ready_, 10000);
    }
    ~OtherThreadsDialog() {
        ::SetEvent(stop_);
        ::WaitForSingleObject(thread_, 10000);
        for (HANDLE h : {thread_, ready_, raise_, raised_, stop_}) ::CloseHandle(h);
    }
    // Makes the dialog the foreground window and comes back once it is, without dispatching
    // anything on the calling thread (which so keeps believing its own window is active).
    void TakeForeground() {
        ::SetEvent(raise_);
        ::WaitForSingleObject(raised_, 10000);
    }
    int Commands() const { return commands_; }

private:
    static INT_PTR CALLBACK Proc(HWND dialog, UINT message, WPARAM, LPARAM lp) {
        if (message == WM_INITDIALOG) ::SetWindowLongPtrW(dialog, DWLP_USER, lp);
        if (message == WM_COMMAND) ++reinterpret_cast<OtherThreadsDialog*>(::GetWindowLongPtrW(dialog, DWLP_USER))->commands_;
        return message == WM_INITDIALOG;
    }
    static DWORD WINAPI Run(void* p) {
        auto* self = static_cast<OtherThreadsDialog*>(p);
        struct alignas(4) {
            DLGTEMPLATE t;
            WORD menu, cls, title;
        } tpl = {};
        tpl.t.style = WS_POPUP | WS_CAPTION | WS_VISIBLE | DS_MODALFRAME;
        tpl.t.cx = 120;
        tpl.t.cy = 60;
        HWND dialog = ::CreateDialogIndirectParamW(nullptr, &tpl.t, nullptr, &Proc, reinterpret_cast<LPARAM>(self));
        ::SetEvent(self->ready_);
        HANDLE events[2] = {self->stop_, self->raise_};
        for (;;) {
            const DWORD woke = ::MsgWaitForMultipleObjects(2, events, FALSE, INFINITE, QS_ALLINPUT);
            if (woke == WAIT_OBJECT_0) break;
            if (woke == WAIT_OBJECT_0 + 1) {
                ::SetForegroundWindow(dialog);
                ::SetEvent(self->raised_);
            }
            MSG msg;
            while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
        }
        ::DestroyWindow(dialog);
        return 0;
    }

    HANDLE ready_, raise_, raised_, stop_, thread_ = nullptr;
    std::atomic<int> commands_{0};
};

OtherThreadsDialog* g_other = nullptr;
HWND g_mine = nullptr;

void CALLBACK CloseMineAfterTheOtherTookTheForeground(HWND, UINT, UINT_PTR timer, DWORD) {
    ::KillTimer(nullptr, timer);
    g_other->TakeForeground();
    ::EndDialog(g_mine, IDOK);
}

}  // namespace

// When a dialog closes, Wine activates the next window of the desktop from the closing dialog's
// thread, whichever thread or program that window belongs to: the answerer works the dialogs of
// its own thread only, and never presses a button of another program's dialog.
TEST(DialogAnswerer, LeavesTheDialogsOfOtherThreadsAlone) {
    auto* a = testsupport::DialogAnswerer::Current();
    OtherThreadsDialog other;
    a->Clear();
    std::vector<HWND> worked;
    a->SetAction([&](HWND dialog) {
        worked.push_back(dialog);
        if (worked.size() > 1) return;
        g_other = &other;
        g_mine = dialog;
        ::SetTimer(nullptr, 0, 10, &CloseMineAfterTheOtherTookTheForeground);
    });
    EXPECT_EQ(::MessageBoxW(nullptr, L"Mine", L"Map Module", MB_OK), IDOK);
    a->SetAction(nullptr);
    // Whatever was posted to the other dialog has reached it by the time it answers this.
    ::MessageBoxW(nullptr, L"Second", L"Map Module", MB_OK);

    EXPECT_EQ(worked, std::vector<HWND>{g_mine});
    EXPECT_EQ(a->Dialogs().size(), 2u);
    EXPECT_EQ(other.Commands(), 0);
}
