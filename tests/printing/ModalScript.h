// Works the modal dialogs that the code under test opens, as a user does: a dialog whose caption
// has a script gets its steps one by one, each from a timer of the dialog's own modal loop (so a
// step sees what the previous one posted), and any other dialog is answered with its default
// button. Message boxes of this program go to the recording prompts instead of the screen.
#pragma once

#include "platform/Window.h"

#include <windows.h>

#include <deque>
#include <functional>
#include <list>
#include <string>
#include <vector>

namespace printtest {

class ModalScript {
public:
    using Step = std::function<void(HWND dialog)>;

    ModalScript();
    ~ModalScript();
    ModalScript(const ModalScript&) = delete;
    ModalScript& operator=(const ModalScript&) = delete;

    // The steps for the next dialog captioned `caption`.
    ModalScript& For(const std::wstring& caption, std::vector<Step> steps);
    bool Finished() const noexcept { return scripts_.empty(); }

private:
    struct Script {
        std::wstring caption;
        std::deque<Step> steps;
        HWND dialog = nullptr;
        bool running = false;
    };
    static void CALLBACK Tick(HWND, UINT, UINT_PTR timer, DWORD);
    static void CALLBACK Watchdog(HWND, UINT, UINT_PTR timer, DWORD);
    void Opened(HWND dialog);
    void RunNext(UINT_PTR timer);

    std::list<Script> scripts_;
    std::vector<std::pair<UINT_PTR, HWND>> timers_;
    std::vector<HWND> seen_;
    UINT_PTR watchdog_ = 0;
};

// Message boxes of this program's code: recorded as "<caption>: <text>" and answered with OK.
class RecordingPrompts : public platform::UserPrompts {
public:
    RecordingPrompts() { platform::SetPrompts(this); }
    ~RecordingPrompts() { platform::SetPrompts(nullptr); }
    int MessageBox(HWND, const std::wstring& text, const std::wstring& caption, UINT) override {
        boxes.push_back(caption + L": " + text);
        return IDOK;
    }
    bool GetOpenFileName(OPENFILENAMEW&) override { return false; }
    bool GetSaveFileName(OPENFILENAMEW&) override { return false; }
    std::vector<std::wstring> boxes;
};

// The user's measurement system for one scope: metric ("0") or U.S. ("1"); the previous one
// comes back at its end.
class ScopedMeasure {
public:
    explicit ScopedMeasure(const wchar_t* measure);
    ~ScopedMeasure();

private:
    wchar_t previous_[4] = {};
};

// What a user does and sees in a dialog.
void Click(HWND dialog, int id);
// Types into an edit that has the focus, as the keyboard does.
void Type(HWND dialog, int id, const wchar_t* text);
std::wstring TextOf(HWND dialog, int id);
bool IsChecked(HWND dialog, int id);
bool IsEnabled(HWND dialog, int id);
bool IsShown(HWND dialog, int id);
// A page of a property sheet, and switching to it as a click on its tab does (false when the
// page that shows refuses to be left).
HWND PageOf(HWND sheet, int index);
bool ShowPage(HWND sheet, int index);
HWND CurrentPage(HWND sheet);

}  // namespace printtest
