// A map control created through COM and active in a test site, with sinks on both event
// interfaces, for driving its commands the way a user's clicks and a host's messages do.
#pragma once

#include "tests/control/ControlFixture.h"
#include "tests/support/DialogAnswerer.h"

#include <functional>
#include <string>
#include <vector>

namespace commandtest {

using Journal = std::vector<std::string>;

// Engine map properties the tests read and set.
constexpr DISPID kEngineZoom = 7;
constexpr DISPID kEngineCenterX = 8;
constexpr DISPID kEngineCenterY = 9;
constexpr DISPID kEnginePaperUnit = 15;
constexpr DISPID kEngineTool = 20;
constexpr DISPID kEngineUnit = 25;

class SitedMap : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The command as the context menu sends it to the engine window; answers the window's result.
    LRESULT Command(UINT id);
    // Events received since the last Take, as "<interface>:<dispid>:<arguments>" (new, old).
    Journal Take();
    // Engine calls since the last ClearEngineLog.
    std::vector<std::wstring> EngineLog();
    void ClearEngineLog();
    bool EngineLogHas(const std::wstring& part);
    platform::Variant EngineGet(DISPID id);
    void EnginePut(DISPID id, const platform::Variant& value);
    // The dialog answerer of the test program.
    testsupport::DialogAnswerer& Dialogs();
    // Works each dialog that opens with `work`, called from a timer of the dialog's own modal
    // loop once the dialog has settled.
    void WorkDialogs(std::function<void(HWND dialog)> work);

    platform::ComPtr<IUnknown> control_;
    platform::ComPtr<IZmaVadAZ2> automation_;
    platform::ComPtr<IDispatch> map_;
    platform::ComPtr<IEngineTestHooks> hooks_;
    platform::ComPtr<testsupport::TestSite> site_;
    HWND engine_ = nullptr;
    Journal journal_;

private:
    void Connect(const IID& iid, const char* name);
    std::vector<platform::ComPtr<IUnknown>> sinks_;
};

// A temporary folder of this process, emptied at the start.
std::wstring TestFolder(const wchar_t* name);

}  // namespace commandtest
