// Windows: subclassing a window someone else created, dialogs from resource templates, and the
// one seam through which every message box and file chooser goes.
#pragma once

#include <windows.h>
#include <commdlg.h>

#include <string>

namespace platform {

// Replaces the procedure of an existing window; the previous one gets every message that
// ProcessWindowMessage does not handle. Windows are found through an HWND map, not thunks; the map
// serves the windows of every thread.
class SubclassedWindow {
public:
    SubclassedWindow() = default;
    SubclassedWindow(const SubclassedWindow&) = delete;
    SubclassedWindow& operator=(const SubclassedWindow&) = delete;
    virtual ~SubclassedWindow();

    bool Subclass(HWND hwnd);
    void Unsubclass();
    HWND Handle() const noexcept { return hwnd_; }
    bool IsSubclassed() const noexcept { return hwnd_ != nullptr; }
    LRESULT CallPrevious(UINT msg, WPARAM wp, LPARAM lp);

protected:
    // Return true when handled, with `result` set. Must not throw; exceptions are caught at the
    // window procedure and the message goes to the previous procedure.
    virtual bool ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) = 0;
    // Around each message, the previous procedure's handling included: an owner that a handler
    // may release keeps itself alive from the first until the second. The second is the last
    // thing done with this object for the message; it must not throw.
    virtual void BeginMessage() noexcept {}
    virtual void EndMessage() noexcept {}

private:
    static LRESULT CALLBACK Procedure(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

    HWND hwnd_ = nullptr;
    WNDPROC previous_ = nullptr;
};

// A dialog from a resource template of a module, modal or modeless.
class Dialog {
public:
    Dialog(HINSTANCE module, UINT templateId) noexcept : module_(module), templateId_(templateId) {}
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;
    virtual ~Dialog();

    INT_PTR DoModal(HWND parent);
    HWND Create(HWND parent);  // modeless; destroyed by Destroy or the destructor
    void Destroy();
    HWND Handle() const noexcept { return hwnd_; }
    UINT TemplateId() const noexcept { return templateId_; }
    HINSTANCE ModuleHandle() const noexcept { return module_; }

protected:
    virtual BOOL OnInitDialog() { return TRUE; }
    // Return true when handled, with `result` set (the DWLP_MSGRESULT value).
    virtual bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR& result);

private:
    static INT_PTR CALLBACK Procedure(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

    HINSTANCE module_;
    UINT templateId_;
    HWND hwnd_ = nullptr;
    bool modeless_ = false;
};

// Loads a string resource of a module.
std::wstring LoadStringResource(HINSTANCE module, UINT id);

// Registers a window class of `cls.hInstance` once for the process, whatever its threads do at the
// same moment: a class of that name already registered with the same procedure (by another
// thread) is taken as it is, and one that an earlier load of the module left behind, whose
// procedure points into code that is gone, is replaced. False when the class cannot be had.
bool RegisterWindowClass(const WNDCLASSEXW& cls);

// Every message box and file chooser of the system goes through this seam, so that tests can
// answer them instead of a person.
class UserPrompts {
public:
    virtual int MessageBox(HWND owner, const std::wstring& text, const std::wstring& caption, UINT flags) = 0;
    virtual bool GetOpenFileName(OPENFILENAMEW& ofn) = 0;
    virtual bool GetSaveFileName(OPENFILENAMEW& ofn) = 0;
    // A popup menu at a screen position; without TPM_RETURNCMD the choice arrives at `owner` as
    // WM_COMMAND. Tests may read the menu and choose for the user.
    virtual BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, HWND owner) {
        return ::TrackPopupMenu(menu, flags, x, y, 0, owner, nullptr);
    }
    // The system's folder chooser; false when the user chose none. `folder` receives the path.
    virtual bool BrowseForFolder(HWND owner, const std::wstring& title, std::wstring& folder);

protected:
    ~UserPrompts() = default;
};
// The prompts in use (the real dialogs unless replaced); `prompts` null restores the real ones.
UserPrompts& Prompts();
void SetPrompts(UserPrompts* prompts) noexcept;

}  // namespace platform
