// The rollover tooltip: one tooltip window for the whole process, shared by every layer that
// shows a short text when the mouse rests over one of its items. A timer on the map window hides
// it once the cursor has left the window.
#pragma once

#include <windows.h>

#include <string>

class CZmaVadAZLayer;

// Shows or updates the tooltip for the owner's item at `cursor` and (re)starts the hide timer on
// the owner's map window. Showing the same text for the same item and owner again only restarts
// the timer. Nothing happens while the thread has no active window.
void ShowRolloverTip(POINT cursor, const std::string& text, long itemKey, CZmaVadAZLayer* owner);
// Hides the tooltip when `owner` shows it, or whoever shows it when `owner` is null.
void HideRolloverTip(CZmaVadAZLayer* owner);

namespace rollovertip {

// The same, with the owner used only as an identity and the timer's window given: what the two
// calls above do once they know the owner's map window.
void Show(POINT cursor, const std::string& text, long itemKey, const void* owner, HWND timerWindow);
void Hide(const void* owner);

// The tooltip window (null before the first use) and the text now shown.
HWND Window() noexcept;
const std::string& CurrentText() noexcept;

}  // namespace rollovertip
