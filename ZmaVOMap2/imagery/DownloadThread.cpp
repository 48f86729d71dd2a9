#include "ZmaVOMap2/imagery/DownloadThread.h"

#include "ZmaVOMap2/imagery/DownloadStatusCallback.h"
#include "ZmaVOMap2/imagery/HostAddress.h"
#include "ZmaVOMap2/imagery/HttpExchange.h"
#include "ZmaVOMap2/imagery/ImageryLog.h"
#include "ZmaVOMap2/imagery/ImageryProcess.h"
#include "ZmaVOMap2/imagery/TileAddress.h"
#include "ZmaVOMap2/imagery/TileCache.h"
#include "ZmaVOMap2/imagery/TileQueues.h"
#include "platform/Com.h"
#include "platform/Module.h"
#include "platform/Result.h"

#include <objbase.h>

#include <memory>

namespace imagery {

namespace {

constexpr int kError = platform::kLogLevelError;
// The thread looks at the queue at least this often, in case a wake was missed.
constexpr DWORD kWakeInterval = 1000;
// How long the last release waits for the thread: a download in progress lets go of its request
// as soon as the stop is set, whatever the server does, so the thread ends at once. Should it not
// (a host name being looked up for the log), the map goes without it, and the thread, which holds
// the library, ends after.
constexpr DWORD kStopWait = 400;

// What the thread owns: its own handles of the two events and its reference to the library.
struct ThreadContext {
    platform::UniqueHandleKernel stop, queueEvent;
    HMODULE module = nullptr;
};

bool Duplicate(HANDLE handle, platform::UniqueHandleKernel& copy) {
    const HANDLE process = ::GetCurrentProcess();
    return ::DuplicateHandle(process, handle, process, copy.Put(), 0, FALSE, DUPLICATE_SAME_ACCESS) != FALSE;
}

// The cache file of the tile under any of its addresses.
bool FindCachedTileUnderAnyServer(const TileDownloadRequest& request, std::wstring& cacheFile) {
    if (FindCachedTile(request.address, cacheFile)) return true;
    for (const std::wstring& address : request.cachedAs)
        if (address != request.address && FindCachedTile(address, cacheFile)) return true;
    return false;
}

// `stop` ends a download in progress.
void DownloadNewestRequest(HANDLE stop) noexcept {
    try {
        TileDownloadRequest request;
        if (!RequestQueue().TakeNewest(request)) return;
        TileDownloadResult result;
        result.window = request.window;
        result.layer = request.layer;
        result.generation = request.generation;
        result.x = request.x;
        result.y = request.y;
        // A repaint while a tile was on its way queues it again, under the next server number: a
        // tile that came meanwhile, under whichever server, is not fetched twice. Proxies that ask
        // for credentials get the ones the user gave on the user-interface thread: this thread,
        // which has no windows, asks nobody.
        const HRESULT hr = FindCachedTileUnderAnyServer(request, result.cacheFile)
                               ? S_OK
                               : DownloadTileToCache(request.address, result.cacheFile, &DownloadStatusCallback(),
                                                     nullptr, stop);
        // Only a tile that can be drawn is announced: a failure causes no repaint.
        if (SUCCEEDED(hr)) {
            ResultQueue().Append(result);
            ::PostMessageW(request.window, kTileDownloadedMessage, static_cast<WPARAM>(request.generation),
                           reinterpret_cast<LPARAM>(request.layer));
        }
        if (request.ledger)
            request.ledger->Ended(request.generation, request.tile,
                                  SUCCEEDED(hr)                     ? TileOutcome::kArrived
                                  : hr == E_ABORT                   ? TileOutcome::kDropped
                                  : hr == kProxyCredentialsWithheld ? TileOutcome::kWithheld
                                                                    : TileOutcome::kFailed,
                                  DownloadStatusCallback().WithheldAt());
        // A download the stop ended is no failure of its server.
        if (request.layer && hr != E_ABORT) {
            std::string text = LoggedAddress(request.address);
            if (FAILED(hr)) text += platform::ToAnsi(HResultMessage(hr));
            LogHostIPAddress(text, FAILED(hr));
        }
    } CATCH_REPORT([](const platform::ComError*) {
        Log(kError, "unhandled exception while downloading file to cache(Asynch mode)");
    });
}

void RunDownloads(const ThreadContext& context) noexcept {
    // The downloads call their status objects through COM.
    const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const HANDLE wakers[] = {context.stop.Get(), context.queueEvent.Get()};
    for (;;) {
        const DWORD woke = ::WaitForMultipleObjects(2, wakers, FALSE, kWakeInterval);
        if (woke == WAIT_OBJECT_0 || woke == WAIT_FAILED) break;
        DownloadNewestRequest(context.stop.Get());
        RequestQueue().ResetWhenEmpty(context.queueEvent.Get());
    }
    if (SUCCEEDED(com)) ::CoUninitialize();
}

}  // namespace

DWORD WINAPI DownloadThreadProc(void* parameter) {
    std::unique_ptr<ThreadContext> context(static_cast<ThreadContext*>(parameter));
    const HMODULE module = context->module;
    RunDownloads(*context);
    context.reset();
    platform::Module::Unlock();
    // The library may go with this reference: leave through a function outside it.
    ::FreeLibraryAndExitThread(module, 0);
    return 0;
}

CDownloadThread::CDownloadThread() : queueEvent_(::CreateEventW(nullptr, TRUE, FALSE, L"BackgroundMapQueue")) {}

CDownloadThread::~CDownloadThread() = default;

void CDownloadThread::Hold() {
    ++holds_;
    if (thread_) return;
    if (Start())
        Process().downloadThreadRunning = true;
    else
        Log(kError, "The tile download thread could not be started: tiles are fetched as the map is drawn");
}

void CDownloadThread::Release() {
    if (holds_ > 0 && --holds_ == 0 && thread_) Stop();
}

void CDownloadThread::Wake() noexcept {
    if (queueEvent_) ::SetEvent(queueEvent_.Get());
}

bool CDownloadThread::Start() {
    auto context = std::make_unique<ThreadContext>();
    stop_.Reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!stop_ || !queueEvent_ || !Duplicate(stop_.Get(), context->stop) ||
        !Duplicate(queueEvent_.Get(), context->queueEvent) ||
        !::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&DownloadThreadProc),
                              &context->module)) {
        stop_.Reset();
        return false;
    }
    platform::Module::Lock();
    thread_.Reset(::CreateThread(nullptr, 0, &DownloadThreadProc, context.get(), 0, &threadId_));
    if (!thread_) {
        platform::Module::Unlock();
        ::FreeLibrary(context->module);
        stop_.Reset();
        threadId_ = 0;
        return false;
    }
    context.release();  // the thread's now
    return true;
}

void CDownloadThread::Stop() {
    // Nobody is left to draw what is waiting.
    RequestQueue().Clear();
    ::SetEvent(stop_.Get());
    if (::WaitForSingleObject(thread_.Get(), kStopWait) != WAIT_OBJECT_0)
        Log(kError, "The tile download thread is still busy: it ends when its step does");
    thread_.Reset();
    stop_.Reset();
    threadId_ = 0;
    Process().downloadThreadRunning = false;
    RequestQueue().Clear();
    ResultQueue().Clear();
    WriteThreadLog();
}

CDownloadThread& DownloadThread() {
    static CDownloadThread thread;
    return thread;
}

void DownloadThreadHold::Take() {
    if (held_) return;
    DownloadThread().Hold();
    held_ = true;
}

void DownloadThreadHold::Drop() noexcept {
    if (!held_) return;
    held_ = false;
    try {
        DownloadThread().Release();
    }
    CATCH_SWALLOW("a hold given back while the map goes has no one left to tell");
}

}  // namespace imagery
