// One page of a property sheet, over a dialog template of a module. The sheet creates the page's
// window when the page is first shown; the page object outlives it. No exception leaves the page's
// procedure: a failing handler is logged and reported to OnFailure.
#pragma once

#include <windows.h>
#include <prsht.h>

namespace platform {

class SheetPage {
public:
    SheetPage(HINSTANCE module, UINT templateId) noexcept : module_(module), templateId_(templateId) {}
    SheetPage(const SheetPage&) = delete;
    SheetPage& operator=(const SheetPage&) = delete;
    virtual ~SheetPage() = default;

    // A page handle for a sheet, which destroys it with itself; null when none can be made.
    HPROPSHEETPAGE Create();
    // The page's window while it exists.
    HWND Handle() const noexcept { return hwnd_; }
    HINSTANCE ModuleHandle() const noexcept { return module_; }

protected:
    virtual BOOL OnInitDialog() { return TRUE; }
    // Return true when handled, with `result` set (the DWLP_MSGRESULT value).
    virtual bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR& result);
    // A handler raised `hr`; its error information is on the thread.
    virtual void OnFailure(HRESULT /*hr*/) {}
    // The window goes; the page may be shown again in another sheet.
    virtual void OnDestroy() {}

private:
    static INT_PTR CALLBACK Procedure(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

    HINSTANCE module_;
    UINT templateId_;
    HWND hwnd_ = nullptr;
};

}  // namespace platform
