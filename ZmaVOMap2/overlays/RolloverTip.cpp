#include "ZmaVOMap2/overlays/RolloverTip.h"

#include "ZmaVOMap2/layers/LayerHost.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayer.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"
#include "platform/Module.h"
#include "platform/Result.h"

#include <commctrl.h>

#include <memory>
#include <vector>

namespace {

constexpr UINT kHideCheckMs = 500;
constexpr UINT_PTR kTimerId = 0;
constexpr int kMaxTipWidth = 500;
// The tip goes exactly where the layers put it: at the cursor, on the screen.
constexpr UINT kToolFlags = TTF_IDISHWND | TTF_TRACK | TTF_ABSOLUTE;

// One thread's tooltip. Only its own thread reads or changes it.
struct TipState {
    int holds = 0;
    HWND window = nullptr;
    // The one tool registered with the window: every later message names it by these.
    HWND toolWindow = nullptr;
    UINT_PTR toolId = 0;
    std::string text;
    const void* owner = nullptr;
    long lastKey = -1;
};

// Each thread finds its tooltip in a slot of the system's thread-local storage, which this library
// frees when it unloads. (A compiler thread_local would run this library's code at every thread's
// exit, after the library may have gone.)
class ThreadSlot {
public:
    ThreadSlot() noexcept : index_(::TlsAlloc()) {}
    ~ThreadSlot() {
        if (index_ != TLS_OUT_OF_INDEXES) ::TlsFree(index_);
    }
    TipState* Get() const noexcept {
        return index_ == TLS_OUT_OF_INDEXES ? nullptr : static_cast<TipState*>(::TlsGetValue(index_));
    }
    // The calling thread's state, made when it has none; null when the system has no slot.
    TipState* Make() {
        if (index_ == TLS_OUT_OF_INDEXES) return nullptr;
        if (TipState* state = Get()) return state;
        auto state = std::make_unique<TipState>();
        if (!::TlsSetValue(index_, state.get())) return nullptr;
        return state.release();
    }
    void Drop() noexcept {
        std::unique_ptr<TipState> state(Get());
        if (state) ::TlsSetValue(index_, nullptr);
    }

private:
    DWORD index_;
};

ThreadSlot& Slot() {
    static ThreadSlot slot;
    return slot;
}

// Whether the handle still names the thread's tooltip: the tooltip goes with its owner window,
// and the handle may name another window since.
bool IsTipWindow(HWND window) {
    char name[32] = {};
    return window && ::GetWindowThreadProcessId(window, nullptr) == ::GetCurrentThreadId() &&
           ::GetClassNameA(window, name, sizeof name) && lstrcmpiA(name, TOOLTIPS_CLASSA) == 0;
}

// The thread's tooltip is owned by its active window, so it exists only while the host has one.
TipState* EnsureRolloverTipWindow() {
    HWND active = ::GetActiveWindow();
    if (!active) return nullptr;
    TipState* state = Slot().Make();
    if (!state) return nullptr;
    if (IsTipWindow(state->window)) return state;

    INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&classes);
    state->window = ::CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, 0, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                      CW_USEDEFAULT, active, nullptr, platform::Module::Instance(), nullptr);
    if (!state->window) return nullptr;
    // The tip only tracks where the layers put it, so it needs none of the host window's mouse
    // messages: the tool does not subclass that window, whose procedure would otherwise point into
    // the common controls (which can unload with this library) for the rest of the window's life.
    char tip[] = "tip";
    TTTOOLINFOA tool = {};
    tool.cbSize = sizeof tool;
    tool.uFlags = kToolFlags;
    tool.hwnd = ::GetParent(active);
    tool.uId = reinterpret_cast<UINT_PTR>(active);
    tool.hinst = platform::Module::Instance();
    tool.lpszText = tip;
    state->toolWindow = tool.hwnd;
    state->toolId = tool.uId;
    state->owner = nullptr;
    state->text.clear();
    state->lastKey = -1;
    ::SendMessageA(state->window, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    ::SendMessageA(state->window, TTM_SETMAXTIPWIDTH, 0, kMaxTipWidth);
    return Slot().Get();
}

// A description of the registered tool. Messages about any other tool are ignored by the
// tooltip control, so the text and tracking must name this one.
TTTOOLINFOA RegisteredTool(const TipState& state, char* text) {
    TTTOOLINFOA tool = {};
    tool.cbSize = sizeof tool;
    tool.uFlags = kToolFlags;
    tool.hwnd = state.toolWindow;
    tool.uId = state.toolId;
    tool.lpszText = text;
    return tool;
}

// The state is cleared before the window hears of it: whatever its messages set off (a host's
// notification handler that lets the last map go) may end the thread's tooltip meanwhile.
void HideShownTip(TipState& state) {
    const HWND window = state.window;
    TTTOOLINFOA tool = RegisteredTool(state, nullptr);
    state.owner = nullptr;
    state.text.clear();
    state.lastKey = -1;
    if (window && ::IsWindowVisible(window)) {
        ::SendMessageA(window, TTM_ACTIVATE, FALSE, 0);
        // Deactivating leaves a tracking tip on screen: end the tracking too.
        ::SendMessageA(window, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&tool));
    }
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
        if (TipState* state = Slot().Get()) HideShownTip(*state);
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
    TipState* state = EnsureRolloverTipWindow();
    if (!state) return;
    if (owner != state->owner || text != state->text || itemKey != state->lastKey) {
        std::vector<char> buffer(text.begin(), text.end());
        buffer.push_back('\0');
        const HWND window = state->window;
        TTTOOLINFOA tool = RegisteredTool(*state, buffer.data());
        // Remembered first, as HideShownTip says why.
        state->owner = owner;
        state->text = text;
        state->lastKey = itemKey;
        ::SendMessageA(window, TTM_ACTIVATE, TRUE, 0);
        ::SendMessageA(window, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
        ::SendMessageA(window, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&tool));
        ::SendMessageA(window, TTM_TRACKPOSITION, 0, MAKELPARAM(cursor.x, cursor.y));
    }
    // Setting the timer again replaces the running one. Without a map window there is nothing
    // the cursor could leave (and a window-less timer would get a new id on every call).
    if (timerWindow) ::SetTimer(timerWindow, kTimerId, kHideCheckMs, RolloverTipTimerProc);
}

// Hiding never makes a window: a thread that has none shows nothing.
void Hide(const void* owner) {
    TipState* state = Slot().Get();
    if (!state || (owner && owner != state->owner)) return;
    HideShownTip(*state);
}

HWND Window() noexcept {
    const TipState* state = Slot().Get();
    return state ? state->window : nullptr;
}

const std::string& CurrentText() noexcept {
    static const std::string none;
    const TipState* state = Slot().Get();
    return state ? state->text : none;
}

}  // namespace rollovertip

RolloverTipHold::RolloverTipHold() noexcept : thread_(::GetCurrentThreadId()) {
    try {
        if (TipState* state = Slot().Make()) {
            ++state->holds;
            held_ = true;
        }
    }
    COM_CATCH_LOG();
}

RolloverTipHold::~RolloverTipHold() {
    // Another thread's tooltip is out of reach, as its window is: a map let go of on a thread not
    // its own leaves its thread's tooltip to that thread.
    if (!held_ || ::GetCurrentThreadId() != thread_) return;
    TipState* state = Slot().Get();
    if (!state || --state->holds > 0) return;
    const HWND window = state->window;
    Slot().Drop();
    if (IsTipWindow(window)) ::DestroyWindow(window);
}

void ShowRolloverTip(POINT cursor, const std::string& text, long itemKey, CZmaVadAZLayer* owner) {
    const HWND map = MapWindowOf(owner);
    if (map) ::ClientToScreen(map, &cursor);
    rollovertip::Show(cursor, text, itemKey, owner, map);
}

void HideRolloverTip(CZmaVadAZLayer* owner) { rollovertip::Hide(owner); }
