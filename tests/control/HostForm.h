// Hosts with one or several user-interface threads: a form on each thread, active there, with maps
// created by ProgID and sited in child windows of it. Nothing here asserts, so that any thread can
// use it: GoogleTest here checks on the test's own thread only.
#pragma once

#include "platform/Com.h"
#include "tests/support/TestSite.h"
#include "tests/support/Watchdog.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace formtest {

// A visible window at the screen's top-left corner, made its thread's active window.
HWND MakeForm(int width, int height);

// A map covering a form, made as a host makes it (CoCreateInstance, client site, InitNew, in-place
// activation), and closed and released with this object.
class FormMap {
public:
    FormMap(HWND form, int width, int height);
    ~FormMap();
    FormMap(const FormMap&) = delete;
    FormMap& operator=(const FormMap&) = delete;

    // The first failure of the making.
    HRESULT Made() const noexcept { return made_; }
    IUnknown* Control() const noexcept { return control_.Get(); }
    // DisplayDataset ("RxLev" displayed), a frame drawn as the screen draws it (the map then knows
    // which row owns which pixel), and the selection tool, under which rows show rollover tips.
    HRESULT Show(IDispatch* dataset);
    // The mouse moved over a row of a GridDataset, and the thread's messages handled.
    bool MoveMouseOver(long row);

private:
    platform::ComPtr<testsupport::TestSite> site_;
    platform::ComPtr<IUnknown> control_;
    HRESULT made_;
};

// `rows` measurement points on a grid of 20 columns 0.01 degrees apart near 50 N, 10 E, with
// "RxLev" = firstValue + row, the text of its rollover tip "RxLev: <value>".
platform::ComPtr<IDispatch> GridDataset(long rows, long firstValue);
std::string TipText(long firstValue, long row);

// The texts of the calling thread's visible tooltip windows.
std::vector<std::string> ShownTips();
// The tooltip windows of the whole process, read without a message: {all, visible}.
std::pair<int, int> TipsOfThisProcess();
// Handles the thread's messages for `ms`.
void PumpFor(DWORD ms);

// Runs `body(index)` on `count` new single-threaded apartments started together on one event, and
// comes back when all have ended (or the watchdog ends the program).
void RunTogether(int count, const std::function<void(int)>& body, testsupport::Watchdog& watchdog);

// Steps that every one of `count` threads reaches before any goes on; a thread handles its
// messages while it waits.
class Meeting {
public:
    explicit Meeting(int count) : count_(count) {}
    void Wait();

private:
    const LONG count_;
    volatile LONG arrived_ = 0;
};

}  // namespace formtest
