// What one imagery layer's current view asked of its tile servers, tile by tile: which tiles are
// on their way through the download thread and how often each one failed. A tile on its way is
// not queued again by the repaints its neighbours' arrivals cause, and a tile whose download or
// drawing failed is asked for again at most once in the view, so that a server that answers
// something undrawable costs a bounded number of requests and frames. A new view (a pan, a zoom,
// another imagery type) starts afresh and keeps nothing against a server that recovered. A tile
// that went without because a proxy asked for credentials and none were given (the user cancelled,
// or another map's dialog was open) is no failure: it is left alone until the chance of credentials
// changes (an answer given, the dialog closed, the imagery properties confirmed), then asked again.
//
// Shared by the layer and the requests it queued (the download thread tells it how each one
// ended), so it is locked, and it outlives a layer that goes while its requests wait.
#pragma once

#include <windows.h>

#include <map>
#include <string>

namespace imagery {

enum class TileOutcome { kArrived, kFailed, kDropped, kWithheld };

class TileLedger {
public:
    // Times a tile may fail in one view before it is left out of the view.
    static constexpr int kAttempts = 2;

    TileLedger() { ::InitializeCriticalSection(&lock_); }
    ~TileLedger() { ::DeleteCriticalSection(&lock_); }
    TileLedger(const TileLedger&) = delete;
    TileLedger& operator=(const TileLedger&) = delete;

    // Forgets every tile: the view numbered `view` begins.
    void Begin(long view);
    // Whether `tile` may be asked for: it is not on its way, failed fewer than kAttempts times, and
    // did not go without proxy credentials at this `chance` of them.
    bool MayAsk(const std::wstring& tile, unsigned long chance);
    // `tile` was queued for the download thread.
    void Queued(const std::wstring& tile);
    // How the queued `tile` of view `view` ended (withheld at `chance`); a view that is over is not told.
    void Ended(long view, const std::wstring& tile, TileOutcome outcome, unsigned long chance = 0);
    // `tile` failed on the drawing thread: its download at once, or its drawing.
    void Failed(const std::wstring& tile);
    // `tile` went without proxy credentials at `chance` of them, on the drawing thread.
    void Withheld(const std::wstring& tile, unsigned long chance);

private:
    struct Entry {
        bool queued = false;
        int failures = 0;
        bool withheld = false;
        unsigned long withheldAt = 0;
    };
    CRITICAL_SECTION lock_;
    long view_ = 0;
    std::map<std::wstring, Entry> tiles_;
};

}  // namespace imagery
