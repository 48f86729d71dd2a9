// What the three pages of the "Print Map" sheet share: the sheet they belong to, whether their
// window was set up, the posted recomputation of which controls are enabled, and how a failing
// handler is told to the user.
#pragma once

#include "platform/SheetPage.h"

#include <commctrl.h>

#include <string>

// Posted by a page to itself whenever which of its controls are enabled must be recomputed; it
// runs after the handler that caused it.
constexpr UINT WM_QUICKPRINT_UPDATE = WM_APP + 1000;

class CQuickPrintDlg;

class QuickPrintPage : public platform::SheetPage {
public:
    QuickPrintPage(CQuickPrintDlg& sheet, UINT templateId);

    // Whether the page's window was set up (and is still there).
    bool IsInitialised() const noexcept { return initialised_; }
    // OK of the sheet: the controls into the fields, when the window was set up.
    virtual void ControlsToFields() = 0;

protected:
    // What the pages handle: their commands, their notifications (only those from the page or its
    // sheet), the posted recomputation of the enabled controls, and any other message.
    virtual void OnCommand(int /*id*/, int /*code*/) {}
    virtual bool OnNotify(const NMHDR& /*header*/, INT_PTR& /*result*/) { return false; }
    virtual void UpdateEnabling() {}
    virtual bool OnPageMessage(UINT /*msg*/, WPARAM /*wp*/, LPARAM /*lp*/, INT_PTR& /*result*/) { return false; }

    CQuickPrintDlg& Sheet() noexcept { return sheet_; }
    const CQuickPrintDlg& Sheet() const noexcept { return sheet_; }
    void MarkInitialised() noexcept { initialised_ = true; }
    void PostUpdate();

    HWND Item(int id) const { return ::GetDlgItem(Handle(), id); }
    bool IsChecked(int id) const { return ::IsDlgButtonChecked(Handle(), id) == BST_CHECKED; }
    void Check(int id, bool on) { ::CheckDlgButton(Handle(), id, on ? BST_CHECKED : BST_UNCHECKED); }
    void Enable(int id, bool on) { ::EnableWindow(Item(id), on ? TRUE : FALSE); }
    std::wstring TextOf(int id) const;
    // A message box of the sheet's, through the system's prompts.
    int Tell(const std::wstring& text, const std::wstring& caption, UINT flags);

    // The first failure on a window is told in a message box, later ones only beep: a page that
    // cannot convert lengths must not answer every keystroke with a box.
    void OnFailure(HRESULT hr) override;
    void OnDestroy() override;

private:
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR& result) final;

    CQuickPrintDlg& sheet_;
    bool initialised_ = false;
    bool told_ = false;
};

// A text of printing's resources, or `fallback` when the resources lack it.
std::wstring PrintingText(UINT id, const wchar_t* fallback);

// Tells the user of a failure that a dialog cannot finish: the error information's description
// (else the code) in a message box captioned "Map Module".
void TellPrintingFailure(HWND owner, HRESULT hr);
