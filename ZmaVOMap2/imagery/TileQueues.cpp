#include "ZmaVOMap2/imagery/TileQueues.h"

#include "ZmaVOMap2/imagery/ImageryLog.h"

#include <iterator>
#include <utility>

namespace imagery {

namespace {

// Holds a queue's lock for a scope. The work done under it copies records and never throws
// past a half-changed list: std::list operations either complete or leave the list unchanged.
class Held {
public:
    explicit Held(QueueLock& lock) : lock_(lock) { lock_.Enter(); }
    ~Held() { lock_.Leave(); }
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;

private:
    QueueLock& lock_;
};

// Tells the ledgers of requests that were removed unasked; outside the queue's lock, so that no
// code holds two of these locks at once.
void TellDropped(const std::list<TileDownloadRequest>& dropped) {
    for (const TileDownloadRequest& request : dropped)
        if (request.ledger) request.ledger->Ended(request.generation, request.tile, TileOutcome::kDropped);
}

}  // namespace

void CTileRequestQueue::Append(TileDownloadRequest request) {
    if (request.address.size() > kMaxQueuedAddress) request.address.resize(kMaxQueuedAddress);
    Held held(lock_);
    requests_.push_back(std::move(request));
}

void CTileRequestQueue::RemoveLayer(const CZmaVadAZBackgroundMapLayer* layer) {
    std::list<TileDownloadRequest> dropped;
    {
        Held held(lock_);
        for (auto r = requests_.begin(); r != requests_.end();) {
            const auto next = std::next(r);
            if (r->layer == layer) dropped.splice(dropped.end(), requests_, r);
            r = next;
        }
    }
    TellDropped(dropped);
}

void CTileRequestQueue::Clear() {
    std::list<TileDownloadRequest> dropped;
    {
        Held held(lock_);
        dropped.swap(requests_);
    }
    TellDropped(dropped);
}

bool CTileRequestQueue::TakeNewest(TileDownloadRequest& request) {
    Held held(lock_);
    if (requests_.empty()) return false;
    request = std::move(requests_.back());
    requests_.pop_back();
    return true;
}

bool CTileRequestQueue::IsEmpty() {
    Held held(lock_);
    return requests_.empty();
}

void CTileRequestQueue::ResetWhenEmpty(HANDLE event) {
    Held held(lock_);
    if (requests_.empty()) ::ResetEvent(event);
}

void CTileResultQueue::Append(TileDownloadResult result) {
    Held held(lock_);
    results_.push_back(std::move(result));
}

bool CTileResultQueue::TakeNewest(HWND window, TileDownloadResult& result) {
    Held held(lock_);
    results_.remove_if([](const TileDownloadResult& r) { return r.window && !::IsWindow(r.window); });
    for (auto r = results_.rbegin(); r != results_.rend(); ++r) {
        if (r->window && r->window != window) continue;
        result = std::move(*r);
        results_.erase(std::next(r).base());
        return true;
    }
    return false;
}

void CTileResultQueue::Clear() {
    Held held(lock_);
    results_.clear();
}

CTileRequestQueue& RequestQueue() {
    static CTileRequestQueue queue;
    return queue;
}

CTileResultQueue& ResultQueue() {
    static CTileResultQueue queue;
    return queue;
}

}  // namespace imagery

bool PopDownloadResult(HWND window, imagery::TileDownloadResult& result) {
    imagery::WriteThreadLog();
    return imagery::ResultQueue().TakeNewest(window, result);
}
