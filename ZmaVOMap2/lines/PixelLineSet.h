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
#include <unordered_set>
#include <vector>

template <class Record>
class PixelLineSet {
public:
    void Clear() {
        seen_.clear();
        lines_.clear();
        sorted_ = true;
    }
    // False when a line with the same ends is held already.
    bool Insert(const Record& record) {
        if (!seen_.insert(KeyOf(record)).second) return false;
        lines_.push_back(record);
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
    struct KeyHash {
        size_t operator()(const Key& k) const noexcept {
            uint64_t h = static_cast<uint32_t>(k.cx);
            h = h * 0x9E3779B97F4A7C15ull ^ static_cast<uint32_t>(k.cy);
            h = h * 0x9E3779B97F4A7C15ull ^ static_cast<uint32_t>(k.px);
            h = h * 0x9E3779B97F4A7C15ull ^ static_cast<uint32_t>(k.py);
            return static_cast<size_t>(h ^ (h >> 29));
        }
    };
    static Key KeyOf(const Record& r) { return {r.cellEnd.x, r.cellEnd.y, r.pointEnd.x, r.pointEnd.y}; }

    std::unordered_set<Key, KeyHash> seen_;
    std::vector<Record> lines_;
    bool sorted_ = true;
};

// What a dataset's cached lines were built for: a frame may replay them only when all of it is
// the same and lines of every point are drawn (draw option 0).
struct LineCacheView {
    RECT view = {0, 0, 0, 0};
    ZmaExtent extent = {0, 0, 0, 0};
    int drawOption = 0;
    int entryCount = 0;
    double offsetX = 0, offsetY = 0;

    bool Serves(const LineCacheView& wanted) const noexcept {
        return ::EqualRect(&view, &wanted.view) && extent.left == wanted.extent.left &&
               extent.top == wanted.extent.top && extent.right == wanted.extent.right &&
               extent.bottom == wanted.extent.bottom && drawOption == wanted.drawOption &&
               entryCount == wanted.entryCount && offsetX == wanted.offsetX && offsetY == wanted.offsetY &&
               wanted.drawOption == 0;
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
    // Keeps a line of the dataset's current row (the record's row is set here).
    void Add(IHostDataset* dataset, Record record) {
        DatasetLines& lines = datasets_[platform::ThrowIfNull(dataset)];
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
    std::map<IHostDataset*, DatasetLines> datasets_;
};
