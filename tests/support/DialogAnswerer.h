// Answers every dialog box the code under test opens on this thread (message boxes included),
// so that no test waits for a person. It presses the dialog's default button unless a test asks
// for another one, and keeps the texts of what it answered.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace testsupport {

class DialogAnswerer {
public:
    struct Answered {
        std::wstring caption;
        std::wstring text;  // the texts of the dialog's static controls, joined by "\n"
    };

    DialogAnswerer();
    ~DialogAnswerer();
    DialogAnswerer(const DialogAnswerer&) = delete;
    DialogAnswerer& operator=(const DialogAnswerer&) = delete;

    // The button pressed from now on (IDOK, IDCANCEL, IDYES, IDNO, ...); 0 for the default button.
    void SetAnswer(int buttonId) noexcept { answer_ = buttonId; }
    // Works each dialog instead of pressing a button (fills it, presses its buttons itself);
    // an empty action restores the button.
    void SetAction(std::function<void(HWND dialog)> action) { action_ = std::move(action); }
    const std::vector<Answered>& Dialogs() const noexcept { return answered_; }
    void Clear() { answered_.clear(); }

    // The answerer installed by the test program's main, if any.
    static DialogAnswerer* Current() noexcept;

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wp, LPARAM lp);

    HHOOK hook_ = nullptr;
    int answer_ = 0;
    std::function<void(HWND)> action_;
    std::vector<Answered> answered_;
};

}  // namespace testsupport
