#include "ZmaVOMap2/datalayers/PixelTable.h"

void PixelTable::Clear() {
    std::vector<Entry>().swap(slots_);
    mask_ = 0;
    count_ = 0;
}

void PixelTable::Grow() {
    std::vector<Entry> old;
    old.swap(slots_);
    const size_t size = old.empty() ? 1024 : old.size() * 2;
    slots_.assign(size, Entry{0, -1});
    mask_ = size - 1;
    for (const Entry& e : old) {
        if (e.row == -1) continue;
        size_t i = Slot(e.key);
        while (slots_[i].row != -1) i = (i + 1) & mask_;
        slots_[i] = e;
    }
}

PixelTable::Entry* PixelTable::Locate(long x, long y) {
    // At most half full, so that a search ends after a few slots.
    if ((count_ + 1) * 2 > slots_.size()) Grow();
    const std::uint64_t key = Key(x, y);
    for (size_t i = Slot(key);; i = (i + 1) & mask_) {
        Entry& e = slots_[i];
        if (e.row == -1) {
            e.key = key;
            return &e;
        }
        if (e.key == key) return &e;
    }
}

bool PixelTable::Claim(long x, long y, int row) {
    Entry* e = Locate(x, y);
    if (e->row != -1) return false;
    e->row = row;
    ++count_;
    return true;
}

void PixelTable::Set(long x, long y, int row) {
    Entry* e = Locate(x, y);
    if (e->row == -1) ++count_;
    e->row = row;
}
