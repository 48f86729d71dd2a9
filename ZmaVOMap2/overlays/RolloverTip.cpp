#include "ZmaVOMap2/overlays/RolloverTip.h"

#include "ZmaVOMap2/layers/LayerHost.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayer.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"
#include "platform/Module.h"
#include "platform/Result.h"

#include <commctrl.h>

#include <vector>

namespace {

constexpr UINT kHideCheckMs = 500;
constexpr UINT_PTR kTimerId = 0;
constexpr int kMaxTipWidth = 500;

// Lives from load to unload; the window itself is left to die with its owner.
struct TipState {
    HWND window = nullptr;
    // The one tool registered with the window: every later message names it by these.
    HWND toolWindow = nullptr;
    UINT_PTR toolId = 0;
    std::string text;
    const void* owner = nullptr;
    long lastKey = -1;
};

TipState& State() {
    static TipState state;
    return state;
}

// The tooltip is owned by the active window, so it exists only while the host has one.
bool EnsureRolloverTipWindow() {
    HWND active = ::GetActiveWindow();
    if (!active) return false;
    TipState& state = State();
    if (state.window && ::IsWindow(state.window)) return true;

    INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&classes);
    state.window = ::CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, 0, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                     CW_USEDEFAULT, active, nullptr, platform::Module::Instance(), nullptr);
    if (!state.window) return false;
    char tip[] = "tip";
    TTTOOLINFOA tool = {};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = ::GetParent(active);
    tool.uId = reinterpret_cast<UINT_PTR>(active);
    tool.hinst = platform::Module::Instance();
    tool.lpszText = tip;
    ::SendMessageA(state.window, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    state.toolWindow = tool.hwnd;
    state.toolId = tool.uId;
    ::SendMessageA(state.window, TTM_SETMAXTIPWIDTH, 0, kMaxTipWidth);
    return true;
}

// A description of the registered tool. Messages about any other tool are ignored by the
// tooltip control, so the text and tracking must name this one.
TTTOOLINFOA RegisteredTool(char* text) {
    const TipState& state = State();
    TTTOOLINFOA tool = {};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = state.toolWindow;
    tool.uId = state.toolId;
    tool.lpszText = text;
    return tool;
}

void HideShownTip() {
    TipState& state = State();
    if (state.window && ::IsWindowVisible(state.window)) {
        ::SendMessageA(state.window, TTM_ACTIVATE, FALSE, 0);
        // Deactivating leaves a tracking tip on screen: end the tracking too.
        TTTOOLINFOA tool = RegisteredTool(nullptr);
        ::SendMessageA(state.window, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&tool));
    }
    state.owner = nullptr;
    state.text.clear();
    state.lastKey = -1;
}

// Keeps the tooltip while the cursor is over the map window; hides it and stops once it left.
void CALLBACK RolloverTipTimerProc(HWND window, UINT, UINT_PTR timerId, DWORD) {
    try {
        RECT client = {};
        ::GetClientRect(window, &client);
        ::MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
        POINT cursor = {};
        ::GetCursorPos(&cursor);
        if (::PtInRect(&client, cursor)) return;
        ::KillTimer(window, timerId);
        if (EnsureRolloverTipWindow()) HideShownTip();
    }
    COM_CATCH_LOG();
}

// The engine window of the control that owns the layer's collection.
HWND MapWindowOf(CZmaVadAZLayer* owner) {
    if (!owner || !owner->GetOwner()) return nullptr;
    return owner->GetOwner()->Host().EngineWindow();
}

}  // namespace

namespace rollovertip {

void Show(POINT cursor, const std::string& text, long itemKey, const void* owner, HWND timerWindow) {
    if (!EnsureRolloverTipWindow()) return;
    TipState& state = State();
    if (owner != state.owner || text != state.text || itemKey != state.lastKey) {
        std::vector<char> buffer(text.begin(), text.end());
        buffer.push_back('\0');
        TTTOOLINFOA tool = RegisteredTool(buffer.data());
        ::SendMessageA(state.window, TTM_ACTIVATE, TRUE, 0);
        ::SendMessageA(state.window, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
        ::SendMessageA(state.window, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&tool));
        state.owner = owner;
        state.text = text;
        state.lastKey = itemKey;
        ::SendMessageA(state.window, TTM_TRACKPOSITION, 0, MAKELPARAM(cursor.x, cursor.y));
    }
    // Setting the timer again replaces the running one. Without a map window there is nothing
    // the cursor could leave (and a window-less timer would get a new id on every call).
    if (timerWindow) ::SetTimer(timerWindow, kTimerId, kHideCheckMs, RolloverTipTimerProc);
}

void Hide(const void* owner) {
    if (!EnsureRolloverTipWindow()) return;
    if (owner && owner != State().owner) return;
    HideShownTip();
}

HWND Window() noexcept { return State().window; }
const std::string& CurrentText() noexcept { return State().text; }

}  // namespace rollovertip

void ShowRolloverTip(POINT cursor, const std::string& text, long itemKey, CZmaVadAZLayer* owner) {
    rollovertip::Show(cursor, text, itemKey, owner, MapWindowOf(owner));
}

void HideRolloverTip(CZmaVadAZLayer* owner) { rollovertip::Hide(owner); }
