#include "tests/dialogs/DialogScript.h"

#include "ZmaVOMap2/dialogs/DialogResources.h"
#include "ZmaVOMap2/dialogs/MapSeriesDlg.h"
#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineMembers.h"
#include "ZmaVOMap2/mitab/mitab.h"
#include "tests/support/DialogAnswerer.h"
#include "tests/support/DibCanvas.h"

#include <commctrl.h>
#include <commdlg.h>
#include <dlgs.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <stdexcept>

namespace dialogtest {

namespace {

DialogScript* g_script = nullptr;
// The dialog each waiting timer is for.
std::map<UINT_PTR, HWND> g_pending;

}  // namespace

// A script that did not close its dialogs fails instead of waiting for a person.
void CALLBACK Watchdog(HWND, UINT, UINT_PTR timer, DWORD) {
    ::KillTimer(nullptr, timer);
    if (!g_script) return;
    ADD_FAILURE() << "a dialog was still open after the script";
    g_script->CloseAll();
}

DialogScript::DialogScript() {
    g_script = this;
    watchdog_ = ::SetTimer(nullptr, 0, 15000, &Watchdog);
    testsupport::DialogAnswerer::Current()->SetAction([](HWND dialog) {
        if (g_script) g_script->Opened(dialog);
    });
}

void DialogScript::Retitle(HWND dialog) {
    for (size_t i = 0; i < seen_.size(); ++i) {
        if (seen_[i] != dialog) continue;
        wchar_t caption[256] = {};
        ::GetWindowTextW(dialog, caption, 256);
        captions_[i] = caption;
    }
}

void DialogScript::CloseAll() {
    for (auto it = seen_.rbegin(); it != seen_.rend(); ++it)
        if (::IsWindow(*it)) ::EndDialog(*it, IDABORT);
}

DialogScript::~DialogScript() {
    ::KillTimer(nullptr, watchdog_);
    testsupport::DialogAnswerer::Current()->SetAction(nullptr);
    g_script = nullptr;
}

DialogScript& DialogScript::Then(std::function<void(HWND)> step) {
    steps_.push_back(std::move(step));
    return *this;
}

void DialogScript::Opened(HWND dialog) {
    if (std::find(seen_.begin(), seen_.end(), dialog) != seen_.end()) return;
    seen_.push_back(dialog);
    wchar_t caption[256] = {};
    ::GetWindowTextW(dialog, caption, 256);
    captions_.push_back(caption);
    g_pending[::SetTimer(nullptr, 0, 20, &RunStep)] = dialog;
}

void CALLBACK DialogScript::RunStep(HWND, UINT, UINT_PTR timer, DWORD) {
    ::KillTimer(nullptr, timer);
    HWND dialog = g_pending[timer];
    g_pending.erase(timer);
    if (!g_script || !::IsWindow(dialog)) return;
    // A modal dialog is shown when its loop first has nothing to do; until then, wait.
    if (!::IsWindowVisible(dialog)) {
        g_pending[::SetTimer(nullptr, 0, 20, &RunStep)] = dialog;
        return;
    }
    // Some dialogs (property sheets) get their caption only after they were activated.
    g_script->Retitle(dialog);
    if (g_script->steps_.empty()) {
        // Nothing more to do: the user closes what opened.
        ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        return;
    }
    auto step = std::move(g_script->steps_.front());
    g_script->steps_.pop_front();
    step(dialog);
}

ScriptedPrompts::ScriptedPrompts() { platform::SetPrompts(this); }
ScriptedPrompts::~ScriptedPrompts() { platform::SetPrompts(nullptr); }

int ScriptedPrompts::MessageBox(HWND, const std::wstring& text, const std::wstring& caption, UINT boxFlags) {
    boxes.push_back(caption + L": " + text);
    flags.push_back(boxFlags);
    return answer;
}

bool ScriptedPrompts::GetOpenFileName(OPENFILENAMEW& ofn) {
    lastOpen = ofn;
    const wchar_t* f = ofn.lpstrFilter;
    lastFilter.clear();
    while (f && *f) {
        lastFilter += f;
        lastFilter += L'|';
        f += wcslen(f) + 1;
    }
    lastTitle = ofn.lpstrTitle ? ofn.lpstrTitle : L"";
    lastFolder = ofn.lpstrInitialDir ? ofn.lpstrInitialDir : L"";
    lastExtension = ofn.lpstrDefExt ? ofn.lpstrDefExt : L"";
    if (chosen.empty()) return false;
    if (chosen.size() + 2 > ofn.nMaxFile) return false;
    std::copy(chosen.begin(), chosen.end(), ofn.lpstrFile);
    ofn.lpstrFile[chosen.size()] = 0;
    ofn.lpstrFile[chosen.size() + 1] = 0;
    return true;
}

void Click(HWND dialog, int id) {
    ::SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
}

void ChooseFile(HWND chooser, const std::wstring& path) {
    ::SendMessageW(chooser, CDM_SETCONTROLTEXT, edt1, reinterpret_cast<LPARAM>(path.c_str()));
    ::SendMessageW(chooser, CDM_SETCONTROLTEXT, cmb13, reinterpret_cast<LPARAM>(path.c_str()));
    ::PostMessageW(chooser, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

void Type(HWND dialog, int id, const char* text) {
    ::SetDlgItemTextA(dialog, id, text);
    ::SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, EN_KILLFOCUS), reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
}

std::string TextOf(HWND dialog, int id) {
    char text[4096] = {};
    ::GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

bool IsEnabled(HWND dialog, int id) { return ::IsWindowEnabled(::GetDlgItem(dialog, id)) != FALSE; }
bool IsChecked(HWND dialog, int id) { return ::IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

int RowCount(HWND dialog) {
    return static_cast<int>(::SendDlgItemMessageW(dialog, IDC_LAYER_LIST, LVM_GETITEMCOUNT, 0, 0));
}

void SelectRows(HWND dialog, const std::vector<int>& rows) {
    HWND list = ::GetDlgItem(dialog, IDC_LAYER_LIST);
    LVITEMW state = {};
    state.stateMask = LVIS_SELECTED;
    state.state = 0;
    ::SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&state));
    state.state = LVIS_SELECTED;
    for (int row : rows) ::SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&state));
}

std::vector<int> SelectedRows(HWND dialog) {
    std::vector<int> rows;
    HWND list = ::GetDlgItem(dialog, IDC_LAYER_LIST);
    for (int i = -1; (i = static_cast<int>(::SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(i), LVNI_SELECTED))) != -1;)
        rows.push_back(i);
    return rows;
}

std::vector<std::string> RowTexts(HWND dialog) {
    std::vector<std::string> texts;
    HWND list = ::GetDlgItem(dialog, IDC_LAYER_LIST);
    for (int i = 0; i < RowCount(dialog); ++i) {
        char text[256] = {};
        LVITEMA item = {};
        item.pszText = text;
        item.cchTextMax = 256;
        ::SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
        texts.push_back(text);
    }
    return texts;
}

void ClickCell(HWND dialog, int row, int cell) {
    HWND list = ::GetDlgItem(dialog, IDC_LAYER_LIST);
    RECT bounds = {};
    bounds.left = LVIR_BOUNDS;
    ::SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&bounds));
    const RECT square = CMapSeriesDlg::CellRect(bounds, cell);
    const LPARAM at = MAKELPARAM((square.left + square.right) / 2, (square.top + square.bottom) / 2);
    // The button comes up at once, so that the list's own click handling does not wait for it.
    ::PostMessageW(list, WM_LBUTTONUP, 0, at);
    ::SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON | MK_CONTROL, at);
}

bool IsCellTicked(HWND dialog, int row, int cell) {
    HWND list = ::GetDlgItem(dialog, IDC_LAYER_LIST);
    RECT client = {};
    ::GetClientRect(list, &client);
    testsupport::DibCanvas canvas(client.right, client.bottom);
    ::SendMessageW(list, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.Dc()), PRF_CLIENT);
    RECT bounds = {};
    bounds.left = LVIR_BOUNDS;
    ::SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&bounds));
    const RECT square = CMapSeriesDlg::CellRect(bounds, cell);
    // Inside the grey frame a cell is white or light grey; only the tick is black.
    for (int y = square.top + 1; y < square.bottom - 1; ++y) {
        for (int x = square.left + 1; x < square.right - 1; ++x) {
            const COLORREF c = canvas.Pixel(x, y);
            if (GetRValue(c) < 0x40 && GetGValue(c) < 0x40 && GetBValue(c) < 0x40) return true;
        }
    }
    return false;
}

std::vector<std::string> EditedLayers(IDispatch* map) {
    const auto name = [](IDispatch* layer) {
        return platform::ToAnsi(EngineDispatch(layer).Get(Engine::Layer::kName).ToWide());
    };
    EngineDispatch layers(EngineDispatch(map).Get(Engine::Map::kLayers).pdispVal);
    std::vector<std::string> names;
    for (long i = 1, count = layers.Get(Engine::Layers::kCount).ToLong(); i <= count; ++i) {
        EngineDispatch layer(layers.Call(Engine::Layers::kItem, {platform::Variant(i)}).pdispVal);
        if (layer.Get(Engine::Layer::kEditable).ToBool()) names.push_back(name(layer.Get()));
    }
    const platform::Variant insertion = layers.Get(Engine::Layers::kInsertionLayer);
    names.push_back(insertion.vt == VT_DISPATCH && insertion.pdispVal ? name(insertion.pdispVal) : "<none>");
    return names;
}

void WriteRoads(const std::string& path, int rows) {
    mitab_handle table = mitab_c_create(path.c_str(), "tab", "CoordSys Earth Projection 1, 104", 0, 0, 0, 0);
    mitab_c_add_field(table, "Name", TABFT_Char, 64, 0);
    for (int i = 0; i < rows; ++i) {
        mitab_feature road = mitab_c_create_feature(table, TABFC_Point);
        double x = 10 + 0.01 * i, y = 50;
        mitab_c_set_points(road, 0, 1, &x, &y);
        mitab_c_set_field(road, 0, ("v" + std::to_string(i + 1)).c_str());
        mitab_c_write_feature(table, road);
        mitab_c_destroy_feature(road);
    }
    mitab_c_close(table);
}

}  // namespace dialogtest
