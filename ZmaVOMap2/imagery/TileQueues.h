// The process-wide tile queues between the drawing thread and a download thread: requests for
// tiles that are not cached yet, and results (tiles now in the URL cache) waiting for their
// square of the map window to be repainted. Each queue is a list behind its own lock; records
// are copied in and out, and both queues hand out their newest record first, so that the tiles
// of the current view come before older ones.
#pragma once

#include "ZmaVOMap2/imagery/TileLedger.h"

#include <windows.h>

#include <list>
#include <memory>
#include <string>
#include <vector>

class CZmaVadAZBackgroundMapLayer;

namespace imagery {

// A tile address in a request is cut to this many characters.
constexpr size_t kMaxQueuedAddress = 2084;

struct TileDownloadRequest {
    HWND window = nullptr;                             // receives the result message
    const CZmaVadAZBackgroundMapLayer* layer = nullptr;  // only compared, never used
    long generation = 0;
    long x = 0, y = 0;  // the tile's top-left corner in the window
    std::wstring address;
    // Every address the same tile may be cached under (one per server): a tile that a request of
    // another server number brought meanwhile is not downloaded again.
    std::vector<std::wstring> cachedAs;
    // The requesting layer's ledger of its view (may be null), told how the request ended, and
    // the tile's name there.
    std::shared_ptr<TileLedger> ledger;
    std::wstring tile;
};

struct TileDownloadResult {
    HWND window = nullptr;
    const CZmaVadAZBackgroundMapLayer* layer = nullptr;
    long generation = 0;
    long x = 0, y = 0;
    std::wstring cacheFile;
};

// A critical section for the life of the object.
class QueueLock {
public:
    QueueLock() { ::InitializeCriticalSection(&section_); }
    ~QueueLock() { ::DeleteCriticalSection(&section_); }
    QueueLock(const QueueLock&) = delete;
    QueueLock& operator=(const QueueLock&) = delete;
    void Enter() { ::EnterCriticalSection(&section_); }
    void Leave() { ::LeaveCriticalSection(&section_); }

private:
    CRITICAL_SECTION section_;
};

class CTileRequestQueue {
public:
    // Appends at the back; the address is cut to kMaxQueuedAddress characters.
    void Append(TileDownloadRequest request);
    // Removes every request of `layer`; Clear removes all. The ledgers of what was removed hear
    // that it was dropped unasked.
    void RemoveLayer(const CZmaVadAZBackgroundMapLayer* layer);
    void Clear();
    // Takes the newest request; false when there is none.
    bool TakeNewest(TileDownloadRequest& request);
    bool IsEmpty();
    // Resets `event` when the queue is empty, under the queue's lock, so that a request appended
    // meanwhile (which sets the event after its append) is never left waiting.
    void ResetWhenEmpty(HANDLE event);

private:
    QueueLock lock_;
    std::list<TileDownloadRequest> requests_;
};

class CTileResultQueue {
public:
    void Append(TileDownloadResult result);
    // Takes the newest result for `window` (a result that names no window is anyone's); false
    // when there is none. Results for windows that are gone are dropped on the way.
    bool TakeNewest(HWND window, TileDownloadResult& result);
    void Clear();

private:
    QueueLock lock_;
    std::list<TileDownloadResult> results_;
};

CTileRequestQueue& RequestQueue();
CTileResultQueue& ResultQueue();

}  // namespace imagery

// What a map window takes for each tile-downloaded message: the newest result of a request that
// named it, so that with several maps each repaints its own squares. The lines the download
// thread logged are written on the way.
bool PopDownloadResult(HWND window, imagery::TileDownloadResult& result);
