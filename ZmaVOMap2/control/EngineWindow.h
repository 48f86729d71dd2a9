// The engine's window as the control sees it: found under the site's window when the control is
// first activated, and subclassed so that the map's commands see its messages. Every message of
// that window is an operation, the engine's own handling of it included: the engine fires its
// events from there, and a host handler may release the control, which then goes only once the
// engine is done with the message.
#pragma once

#include "platform/Window.h"

#include <ocidl.h>

class MapCommands;
class Operations;

class EngineWindow final : public platform::SubclassedWindow {
public:
    EngineWindow(Operations& operations, MapCommands& commands) noexcept
        : operations_(operations), commands_(commands) {}

    // The engine's window; null before the control was activated and after the window went.
    HWND Get() const noexcept { return window_; }
    // After the engine handled a verb: the first activating one finds the engine's window as the
    // first child of the site's window and subclasses it.
    void OnVerb(LONG verb, IOleClientSite* activeSite);
    // The engine's window; when it is not known yet, looked up through the engine's client site.
    // Null when there is none.
    HWND Find(IOleObject* engine);
    // PreDestroy: the window goes at once, or when the running operation has ended (never while
    // the engine may still be handling one of its messages).
    void Destroy(bool busy) noexcept;
    void DestroyPending() noexcept;

protected:
    bool ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    void BeginMessage() noexcept override;
    void EndMessage() noexcept override;

private:
    Operations& operations_;
    MapCommands& commands_;
    HWND siteWindow_ = nullptr;
    HWND window_ = nullptr;
    bool verbSeen_ = false;
    bool destroyPending_ = false;
};
