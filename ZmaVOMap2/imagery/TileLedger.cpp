#include "ZmaVOMap2/imagery/TileLedger.h"

namespace imagery {

namespace {

// Holds the ledger's lock for a scope; the work under it only changes a map that either
// changes whole or throws unchanged.
class Locked {
public:
    explicit Locked(CRITICAL_SECTION& lock) : lock_(lock) { ::EnterCriticalSection(&lock_); }
    ~Locked() { ::LeaveCriticalSection(&lock_); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;

private:
    CRITICAL_SECTION& lock_;
};

}  // namespace

void TileLedger::Begin(long view) {
    Locked locked(lock_);
    view_ = view;
    tiles_.clear();
}

bool TileLedger::MayAsk(const std::wstring& tile, unsigned long chance) {
    Locked locked(lock_);
    const auto found = tiles_.find(tile);
    if (found == tiles_.end()) return true;
    const Entry& e = found->second;
    return !e.queued && e.failures < kAttempts && !(e.withheld && e.withheldAt == chance);
}

void TileLedger::Queued(const std::wstring& tile) {
    Locked locked(lock_);
    tiles_[tile].queued = true;
}

void TileLedger::Ended(long view, const std::wstring& tile, TileOutcome outcome, unsigned long chance) {
    Locked locked(lock_);
    const auto found = tiles_.find(tile);
    if (view != view_ || found == tiles_.end()) return;
    found->second.queued = false;
    if (outcome == TileOutcome::kFailed) ++found->second.failures;
    if (outcome == TileOutcome::kWithheld) {
        found->second.withheld = true;
        found->second.withheldAt = chance;
    }
}

void TileLedger::Failed(const std::wstring& tile) {
    Locked locked(lock_);
    ++tiles_[tile].failures;
}

void TileLedger::Withheld(const std::wstring& tile, unsigned long chance) {
    Locked locked(lock_);
    Entry& e = tiles_[tile];
    e.withheld = true;
    e.withheldAt = chance;
}

}  // namespace imagery
