// Drives the layer dialogs the way a user does: each dialog box that opens gets the next step of
// a script, run from a timer of its own modal loop once it has settled. Message boxes and the
// file chooser are answered by ScriptedPrompts.
#pragma once

#include "ZmaVOMap2/dialogs/LayerControlLinks.h"
#include "platform/Window.h"

#include <windows.h>

#include <deque>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace dialogtest {

class DialogScript {
public:
    DialogScript();
    ~DialogScript();
    DialogScript(const DialogScript&) = delete;
    DialogScript& operator=(const DialogScript&) = delete;

    // The step for the next dialog that opens (a dialog seen before is not given another step
    // when it is activated again).
    DialogScript& Then(std::function<void(HWND dialog)> step);
    // Captions of the dialogs that opened, in order.
    const std::vector<std::wstring>& Captions() const noexcept { return captions_; }
    bool Finished() const noexcept { return steps_.empty(); }
    // Ends every dialog of the script that is still open (with IDABORT).
    void CloseAll();

private:
    static void CALLBACK RunStep(HWND, UINT, UINT_PTR timer, DWORD);
    void Opened(HWND dialog);
    void Retitle(HWND dialog);

    std::deque<std::function<void(HWND)>> steps_;
    std::vector<HWND> seen_;
    std::vector<std::wstring> captions_;
    UINT_PTR watchdog_ = 0;
};

class ScriptedPrompts : public platform::UserPrompts {
public:
    ScriptedPrompts();
    ~ScriptedPrompts();

    int MessageBox(HWND, const std::wstring& text, const std::wstring& caption, UINT flags) override;
    bool GetOpenFileName(OPENFILENAMEW& ofn) override;
    bool GetSaveFileName(OPENFILENAMEW&) override { return false; }

    // The button every message box answers with.
    int answer = IDOK;
    // What the file chooser answers, in its buffer form ("folder\0name\0name\0" for several
    // files); empty: the user cancels.
    std::wstring chosen;
    std::vector<std::wstring> boxes;  // "<caption>: <text>"
    std::vector<UINT> flags;
    OPENFILENAMEW lastOpen = {};
    std::wstring lastFilter, lastTitle, lastFolder, lastExtension;
};

// Records what the Layer Control asked of its links.
class RecordingLinks : public LayerControlLinks {
public:
    void ShowTabExport(HWND, CZmaVadAZLayerCollection&) override { calls.push_back("tab"); }
    void ShowKmlExport(HWND, CZmaVadAZLayerCollection&) override {
        calls.push_back("kml");
        throw std::runtime_error("export failed");
    }
    void ShowRasterTiler(HWND) override { calls.push_back("raster tiler"); }
    void ShowHelp(HWND, DWORD_PTR data) override { calls.push_back("help " + std::to_string(data)); }
    std::vector<std::string> calls;
};

// Clicks a button as the user does (synchronously, from the dialog's own loop).
void Click(HWND dialog, int id);
void Type(HWND dialog, int id, const char* text);
std::string TextOf(HWND dialog, int id);
bool IsEnabled(HWND dialog, int id);
bool IsChecked(HWND dialog, int id);
// Types `path` into the system's file chooser and opens it, as the user does.
void ChooseFile(HWND chooser, const std::wstring& path);

// The Layer Control's list.
int RowCount(HWND dialog);
void SelectRows(HWND dialog, const std::vector<int>& rows);
std::vector<int> SelectedRows(HWND dialog);
std::vector<std::string> RowTexts(HWND dialog);
// A left click on one of the four cells (0 visible .. 3 labels) of a row.
void ClickCell(HWND dialog, int row, int cell);
// Whether the list draws the tick in that cell, read from the list as it paints itself.
bool IsCellTicked(HWND dialog, int row, int cell);

// The engine names of the map's edited layers from the top, and last that of the engine's insertion
// layer ("<none>" without one).
std::vector<std::string> EditedLayers(IDispatch* map);

// A native table of named roads (one unless told) at `path`, whose labels the engine draws from
// the table's dataset; a table without rows gives its labels none.
void WriteRoads(const std::string& path, int rows = 1);

}  // namespace dialogtest
