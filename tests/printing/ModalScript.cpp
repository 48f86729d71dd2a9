#include "tests/printing/ModalScript.h"

#include "tests/support/DialogAnswerer.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>

namespace printtest {

namespace {

ModalScript* g_script = nullptr;

}  // namespace

ModalScript::ModalScript() {
    g_script = this;
    watchdog_ = ::SetTimer(nullptr, 0, 30000, &Watchdog);
    testsupport::DialogAnswerer::Current()->SetAction([](HWND dialog) {
        if (g_script) g_script->Opened(dialog);
    });
}

ModalScript::~ModalScript() {
    ::KillTimer(nullptr, watchdog_);
    for (const auto& timer : timers_) ::KillTimer(nullptr, timer.first);
    testsupport::DialogAnswerer::Current()->SetAction(nullptr);
    g_script = nullptr;
}

ModalScript& ModalScript::For(const std::wstring& caption, std::vector<Step> steps) {
    scripts_.push_back({caption, std::deque<Step>(steps.begin(), steps.end())});
    return *this;
}

void ModalScript::Opened(HWND dialog) {
    if (std::find(seen_.begin(), seen_.end(), dialog) != seen_.end()) return;
    seen_.push_back(dialog);
    timers_.emplace_back(::SetTimer(nullptr, 0, 30, &Tick), dialog);
}

void CALLBACK ModalScript::Tick(HWND, UINT, UINT_PTR timer, DWORD) {
    if (g_script) g_script->RunNext(timer);
}

void ModalScript::RunNext(UINT_PTR timer) {
    auto at = std::find_if(timers_.begin(), timers_.end(), [&](const auto& t) { return t.first == timer; });
    if (at == timers_.end()) return;
    HWND dialog = at->second;
    if (!::IsWindow(dialog)) {
        ::KillTimer(nullptr, timer);
        timers_.erase(at);
        return;
    }
    // A dialog is shown once its loop first has nothing to do.
    if (!::IsWindowVisible(dialog)) return;
    wchar_t caption[256] = {};
    ::GetWindowTextW(dialog, caption, 256);
    auto script = std::find_if(scripts_.begin(), scripts_.end(),
                               [&](const Script& s) { return s.dialog == dialog || (!s.dialog && s.caption == caption); });
    if (script == scripts_.end()) {
        // No script: the user takes the default button.
        ::KillTimer(nullptr, timer);
        timers_.erase(at);
        const LRESULT id = ::SendMessageW(dialog, DM_GETDEFID, 0, 0);
        ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(HIWORD(id) == DC_HASDEFID ? LOWORD(id) : IDOK, BN_CLICKED), 0);
        return;
    }
    // A step that opened another dialog waits for it; this dialog's ticks wait meanwhile.
    if (script->running) return;
    script->dialog = dialog;
    Step step = std::move(script->steps.front());
    script->steps.pop_front();
    script->running = true;
    step(dialog);
    script->running = false;
    // The last step was taken (and closed the dialog): the dialog is left alone from now on.
    if (!script->steps.empty()) return;
    scripts_.erase(script);
    at = std::find_if(timers_.begin(), timers_.end(), [&](const auto& t) { return t.first == timer; });
    if (at == timers_.end()) return;
    ::KillTimer(nullptr, timer);
    timers_.erase(at);
}

void CALLBACK ModalScript::Watchdog(HWND, UINT, UINT_PTR timer, DWORD) {
    ::KillTimer(nullptr, timer);
    if (!g_script) return;
    ADD_FAILURE() << "a dialog was still open 30 s after the script started";
    for (auto& script : g_script->scripts_) script.steps.clear();
    for (auto it = g_script->seen_.rbegin(); it != g_script->seen_.rend(); ++it)
        if (::IsWindow(*it)) ::PostMessageW(*it, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
}

void Click(HWND dialog, int id) { ::SendMessageW(::GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

void Type(HWND dialog, int id, const wchar_t* text) {
    HWND edit = ::GetDlgItem(dialog, id);
    ::SetFocus(edit);
    ::SetWindowTextW(edit, text);
}

std::wstring TextOf(HWND dialog, int id) {
    wchar_t text[2048] = {};
    ::GetDlgItemTextW(dialog, id, text, 2048);
    return text;
}

bool IsChecked(HWND dialog, int id) { return ::SendMessageW(::GetDlgItem(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
bool IsEnabled(HWND dialog, int id) { return ::IsWindowEnabled(::GetDlgItem(dialog, id)) != FALSE; }
ScopedMeasure::ScopedMeasure(const wchar_t* measure) {
    ::GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_IMEASURE, previous_, 4);
    ::SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_IMEASURE, measure);
}

ScopedMeasure::~ScopedMeasure() { ::SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_IMEASURE, previous_); }

HWND PageOf(HWND sheet, int index) { return reinterpret_cast<HWND>(::SendMessageW(sheet, PSM_INDEXTOHWND, index, 0)); }
bool ShowPage(HWND sheet, int index) { return ::SendMessageW(sheet, PSM_SETCURSEL, index, 0) != FALSE; }
HWND CurrentPage(HWND sheet) { return reinterpret_cast<HWND>(::SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0)); }

bool IsShown(HWND dialog, int id) { return ::IsWindowVisible(::GetDlgItem(dialog, id)) != FALSE; }

}  // namespace printtest
