#include "ZmaVOMap2/control/EngineWindow.h"

#include "ZmaVOMap2/commands/MapCommands.h"
#include "ZmaVOMap2/control/Operations.h"
#include "platform/Com.h"
#include "platform/Result.h"

namespace {

// Verbs that activate the control in its site and so give the engine its window.
bool IsActivatingVerb(LONG verb) {
    return verb == OLEIVERB_PRIMARY || verb == OLEIVERB_OPEN || verb == OLEIVERB_UIACTIVATE ||
           verb == OLEIVERB_INPLACEACTIVATE;
}

}  // namespace

void EngineWindow::OnVerb(LONG verb, IOleClientSite* activeSite) {
    if (verbSeen_) return;
    if (IsActivatingVerb(verb)) {
        if (!activeSite) platform::ThrowHr(E_POINTER);
        platform::ComPtr<IOleWindow> site;
        HRESULT hr = activeSite->QueryInterface(IID_IOleWindow, site.PutVoid());
        if (hr == E_NOINTERFACE || !site) platform::ThrowHr(E_POINTER);
        THROW_IF_FAILED(hr);
        THROW_IF_FAILED(site->GetWindow(&siteWindow_));
        window_ = ::GetWindow(siteWindow_, GW_CHILD);
        if (::IsWindow(window_) && !Subclass(window_)) window_ = nullptr;
    }
    verbSeen_ = true;
}

HWND EngineWindow::Find(IOleObject* engine) {
    if (window_) return window_;
    platform::ComPtr<IOleClientSite> site;
    if (!engine || FAILED(engine->GetClientSite(site.Put())) || !site) return nullptr;
    platform::ComPtr<IOleWindow> window;
    if (FAILED(site.As(window)) || !window) return nullptr;
    HWND siteWindow = nullptr;
    if (FAILED(window->GetWindow(&siteWindow)) || !siteWindow) return nullptr;
    siteWindow_ = siteWindow;
    window_ = ::GetWindow(siteWindow, GW_CHILD);
    return window_;
}

void EngineWindow::Destroy(bool busy) noexcept {
    if (busy) {
        destroyPending_ = IsSubclassed();
        return;
    }
    if (!IsSubclassed()) return;
    // Destroying the window takes our procedure off it on its last message.
    ::DestroyWindow(Handle());
    Unsubclass();
}

void EngineWindow::DestroyPending() noexcept {
    if (!destroyPending_) return;
    destroyPending_ = false;
    Destroy(false);
}

bool EngineWindow::ProcessWindowMessage(HWND, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    if (msg == WM_NCDESTROY) {
        window_ = nullptr;
        return false;
    }
    return commands_.ProcessWindowMessage(msg, wp, lp, result);
}

void EngineWindow::BeginMessage() noexcept { operations_.Begin(); }
void EngineWindow::EndMessage() noexcept { operations_.End(); }
