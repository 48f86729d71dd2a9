// The lines of one dataset in pixel space, for the line caches: each pair of ends is kept once
// (the first row recorded keeps it) and the lines are replayed in the order of their ends (cell
// end x, cell end y, point end x, point end y). A walk offers every line of every row, most of
// them repeats of a line already held, so repeats are found by hashing and the order is made
// once, before the first replay.
#pragma once

#include "ZmaVOMap2/datalayers/HostDataset.h"
#include "ZmaVOMap2/engine/Geometry.h"
#include "platform/Com.h"
#include "platform/Result.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <vector>

template <class Record>
class PixelLineSet {
public:
    void Clear() {
        slots_.clear();
        used_.clear();
        lines_.clear();
        recentCount_ = recentNext_ = 0;
        sorted_ = true;
    }
    // Whether a line with the ends of `record` is held.
    bool Holds(const Record& record) const { return Holds(KeyOf(record)); }
    // False when a line with the same ends is held already.
    bool Insert(const Record& record) {
        const Key key = KeyOf(record);
        if (Holds(key)) return false;
        if ((lines_.size() + 1) * 2 > slots_.size()) Grow();
        Place(key);
        lines_.push_back(record);
        Remember(key);
        sorted_ = false;
        return true;
    }
    bool Empty() const noexcept { return lines_.empty(); }
    size_t Size() const noexcept { return lines_.size(); }
    const std::vector<Record>& Lines() {
        if (!sorted_) {
            std::sort(lines_.begin(), lines_.end(), [](const Record& a, const Record& b) { return KeyOf(a) < KeyOf(b); });
            sorted_ = true;
        }
        return lines_;
    }

private:
    struct Key {
        long cx, cy, px, py;
        bool operator==(const Key& o) const { return cx == o.cx && cy == o.cy && px == o.px && py == o.py; }
        bool operator<(const Key& o) const {
            if (cx != o.cx) return cx < o.cx;
            if (cy != o.cy) return cy < o.cy;
            if (px != o.px) return px < o.px;
            return py < o.py;
        }
    };
    static size_t Hash(const Key& k) noexcept {
        uint64_t h = static_cast<uint32_t>(k.cx);
        h = h * 0x9E3779B97F4A7C15ull ^ static_cast<uint32_t>(k.cy);
        h = h * 0x9E3779B97F4A7C15ull ^ static_cast<uint32_t>(k.px);
        h = h * 0x9E3779B97F4A7C15ull ^ static_cast<uint32_t>(k.py);
        return static_cast<size_t>(h ^ (h >> 29));
    }
    static Key KeyOf(const Record& r) { return {r.cellEnd.x, r.cellEnd.y, r.pointEnd.x, r.pointEnd.y}; }

    bool Holds(const Key& key) const {
        // Consecutive points mostly offer the lines just held: those are looked at first.
        for (size_t i = 0; i < recentCount_; ++i)
            if (recent_[i] == key) return true;
        if (slots_.empty()) return false;
        const size_t mask = slots_.size() - 1;
        for (size_t i = Hash(key) & mask; used_[i]; i = (i + 1) & mask)
            if (slots_[i] == key) return true;
        return false;
    }
    void Place(const Key& key) {
        const size_t mask = slots_.size() - 1;
        size_t i = Hash(key) & mask;
        while (used_[i]) i = (i + 1) & mask;
        slots_[i] = key;
        used_[i] = 1;
    }
    void Grow() {
        std::vector<Key> old;
        old.swap(slots_);
        std::vector<unsigned char> oldUsed;
        oldUsed.swap(used_);
        const size_t size = old.empty() ? 64 : old.size() * 2;
        slots_.resize(size);
        used_.assign(size, 0);
        for (size_t i = 0; i < old.size(); ++i)
            if (oldUsed[i]) Place(old[i]);
    }
    void Remember(const Key& key) {
        recent_[recentNext_] = key;
        recentNext_ = (recentNext_ + 1) % kRecent;
        if (recentCount_ < kRecent) ++recentCount_;
    }

    // An open-addressing table of the held ends (a power of two, at most half full).
    std::vector<Key> slots_;
    std::vector<unsigned char> used_;
    std::vector<Record> lines_;
    // The ends inserted last; a point offers its neighbours' lines in turn, so a few of them.
    static constexpr size_t kRecent = 8;
    Key recent_[kRecent];
    size_t recentCount_ = 0, recentNext_ = 0;
    bool sorted_ = true;
};

// What a dataset's cached lines were built for: a frame may replay them only when all of it is
// the same and lines of every point are drawn (draw option 0). The rows of the points and of the
// cell sites count too: a host that reports changed rows gets lines from the new ones.
struct LineCacheView {
    RECT view = {0, 0, 0, 0};
    ZmaExtent extent = {0, 0, 0, 0};
    int drawOption = 0;
    int entryCount = 0;
    double offsetX = 0, offsetY = 0;
    long pointRows = 0, cellRows = 0;  // the optimisers' RowsVersion

    bool Serves(const LineCacheView& wanted) const noexcept {
        return ::EqualRect(&view, &wanted.view) && extent.left == wanted.extent.left &&
               extent.top == wanted.extent.top && extent.right == wanted.extent.right &&
               extent.bottom == wanted.extent.bottom && drawOption == wanted.drawOption &&
               entryCount == wanted.entryCount && offsetX == wanted.offsetX && offsetY == wanted.offsetY &&
               pointRows == wanted.pointRows && cellRows == wanted.cellRows && wanted.drawOption == 0;
    }
};

// The lines of every dataset a line layer draws for, each set with the view it was built for, so
// that one dataset's rebuild never makes another's lines of an older view look valid. `Record`
// has the ends `cellEnd` and `pointEnd` and the `row` the line belongs to.
template <class Record>
class DatasetLineCache {
public:
    // Whether the dataset's lines must be built again for `wanted`; forgets them when so.
    bool Validate(IHostDataset* dataset, const LineCacheView& wanted) {
        auto it = datasets_.find(dataset);
        if (it != datasets_.end() && it->second.builtFor.Serves(wanted)) return false;
        DatasetLines& lines = datasets_[dataset];
        lines.lines.Clear();
        lines.builtFor = wanted;
        return true;
    }
    // Keeps a line of the dataset's current row (the record's row is set here), unless a line
    // with the same ends is held: the host is asked for the row only of a new line.
    void Add(IHostDataset* dataset, Record record) {
        DatasetLines& lines = LinesOf(platform::ThrowIfNull(dataset));
        if (lines.lines.Holds(record)) return;
        if (!lines.rows) lines.rows = hostdata::Rows(dataset);
        record.row = -1;
        THROW_IF_FAILED(lines.rows->get_CurrentRow(&record.row));
        lines.lines.Insert(record);
    }
    // Hands every kept line of the dataset to `replay`, in order, with its row made current.
    template <class Action>
    void Replay(IHostDataset* dataset, Action replay) {
        auto it = datasets_.find(dataset);
        if (it == datasets_.end() || it->second.lines.Empty()) return;
        platform::ComPtr<IHostRows> rows = hostdata::Rows(platform::ThrowIfNull(dataset));
        // Walk a copy: an action may fire host events that end in a rebuild of this cache.
        const std::vector<Record> lines = it->second.lines.Lines();
        for (const Record& line : lines) {
            hostdata::MoveTo(rows.Get(), line.row);
            replay(line);
        }
    }

private:
    struct DatasetLines {
        LineCacheView builtFor;
        platform::ComPtr<IHostRows> rows;
        PixelLineSet<Record> lines;
    };
    // A walk adds every line of one dataset: the last one asked for is kept at hand.
    DatasetLines& LinesOf(IHostDataset* dataset) {
        if (dataset != lastDataset_ || !last_) {
            last_ = &datasets_[dataset];
            lastDataset_ = dataset;
        }
        return *last_;
    }

    std::map<IHostDataset*, DatasetLines> datasets_;  // elements stay where they are
    IHostDataset* lastDataset_ = nullptr;
    DatasetLines* last_ = nullptr;
};
