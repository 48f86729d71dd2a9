// The first row of every element handle of a cell-site dataset, for the line layers that find a
// cell by its handle.
//
// A reading gathers (handle, row) pairs in row order and then orders them by handle once: a
// dataset of a million sites would spend far longer inserting them into a tree one by one than
// reading them.
#pragma once

#include <cstddef>
#include <utility>
#include <vector>

class ElementIndex {
public:
    // Gathering: Add in row order, then Finish (also after a reading that ended early).
    void Add(int handle, int row) { entries_.push_back({handle, row}); }
    void Finish();
    void Clear() noexcept { entries_.clear(); }

    bool empty() const noexcept { return entries_.empty(); }
    size_t size() const noexcept { return entries_.size(); }
    size_t count(int handle) const { return Find(handle) != -1 ? 1u : 0u; }
    // The first row of the handle, or -1.
    int Find(int handle) const;
    // The same, raising std::out_of_range for a handle that is not there.
    int at(int handle) const;
    // (handle, row) by handle.
    const std::vector<std::pair<int, int>>& Entries() const noexcept { return entries_; }
    size_t Bytes() const noexcept { return entries_.capacity() * sizeof(std::pair<int, int>); }

private:
    std::vector<std::pair<int, int>> entries_;
};
