// The rollover tooltip: one tooltip window for each user-interface thread, shared by every layer
// of that thread's maps that shows a short text when the mouse rests over one of its items. A
// timer on the map window hides it once the cursor has left the window. A thread's tip is its
// own: no thread reads another's state or waits on another's window.
#pragma once

#include <windows.h>

#include <string>

class CZmaVadAZLayer;

// Shows or updates the thread's tooltip for the owner's item at `cursor` (in the pixels of the
// owner's map window, the tip being placed there on the screen) and (re)starts the hide
// timer on the owner's map window. Showing the same text for the same item and owner again only
// restarts the timer. Nothing happens while the thread has no active window.
void ShowRolloverTip(POINT cursor, const std::string& text, long itemKey, CZmaVadAZLayer* owner);
// Hides the thread's tooltip when `owner` shows it, or whoever shows it when `owner` is null. A
// thread without a tooltip window gets none.
void HideRolloverTip(CZmaVadAZLayer* owner);

// A map's hold on the tooltip of the thread it lives on: the thread's tooltip window is destroyed
// when its last hold goes, so that no tooltip window outlives the maps that made it (nor the
// library, whose unloading may take the common controls with it). Made and destroyed on the map's
// thread.
class RolloverTipHold {
public:
    RolloverTipHold() noexcept;
    ~RolloverTipHold();
    RolloverTipHold(const RolloverTipHold&) = delete;
    RolloverTipHold& operator=(const RolloverTipHold&) = delete;

private:
    DWORD thread_;
    bool held_ = false;
};

namespace rollovertip {

// The same, with the owner used only as an identity, `cursor` on the screen and the timer's
// window given: what the two calls above do once they know the owner's map window.
void Show(POINT cursor, const std::string& text, long itemKey, const void* owner, HWND timerWindow);
void Hide(const void* owner);

// The calling thread's tooltip window (null before its first use) and the text it now shows.
HWND Window() noexcept;
const std::string& CurrentText() noexcept;

}  // namespace rollovertip
