// The tile download thread: tiles the drawing queued are fetched into the URL cache, newest
// first, one at a time, and each one that arrived is put in the result queue and announced to its
// map window with WM_APP+100 (wParam the draw generation, lParam the layer's identity).
//
// One thread per process, held by the imagery layers that queue tiles: the first hold starts it,
// the last release stops it (a stop event, which also lets go of a download in progress at once)
// and waits for it, so it ends with the last map that used it, before the library can be unloaded. While it runs it keeps the library loaded and
// locked (DllCanUnloadNow answers S_FALSE), so even a stop that outlasts the wait, or an unload
// forced while a map is still alive, never takes its code or the queues, event and callback it
// uses away from under it. Nothing waits for it in DllMain.
#pragma once

#include "platform/UniqueHandle.h"

#include <windows.h>

namespace imagery {

constexpr UINT kTileDownloadedMessage = WM_APP + 100;

class CDownloadThread {
public:
    CDownloadThread();
    // Closes the handles; never waits (it runs when the library unloads, when no thread can be
    // running any more).
    ~CDownloadThread();
    CDownloadThread(const CDownloadThread&) = delete;
    CDownloadThread& operator=(const CDownloadThread&) = delete;

    // On the user-interface thread. The first hold starts the thread (a failure is logged and
    // leaves tiles to be fetched at once); the last release stops it (a download in progress ends
    // at once, whatever its server does), waits for it, and empties both queues.
    void Hold();
    void Release();
    // Wakes the thread after a request was queued.
    void Wake() noexcept;
    bool IsRunning() const noexcept { return static_cast<bool>(thread_); }
    // The thread's id while it runs, else 0.
    DWORD ThreadId() const noexcept { return threadId_; }

private:
    bool Start();
    void Stop();

    // The named manual-reset event "BackgroundMapQueue": set after each queued request, reset by
    // the thread when it finds the queue empty.
    platform::UniqueHandleKernel queueEvent_;
    platform::UniqueHandleKernel thread_;
    platform::UniqueHandleKernel stop_;
    DWORD threadId_ = 0;
    int holds_ = 0;
};

CDownloadThread& DownloadThread();

// A layer's hold on the download thread, for the layer's life.
class DownloadThreadHold {
public:
    DownloadThreadHold() = default;
    ~DownloadThreadHold() { Drop(); }
    DownloadThreadHold(const DownloadThreadHold&) = delete;
    DownloadThreadHold& operator=(const DownloadThreadHold&) = delete;
    void Take();
    void Drop() noexcept;

private:
    bool held_ = false;
};

// The thread's procedure: waits for requests (or a second), downloads the newest, and ends when
// its stop event is set. `parameter` is the thread's own context.
DWORD WINAPI DownloadThreadProc(void* parameter);

}  // namespace imagery
