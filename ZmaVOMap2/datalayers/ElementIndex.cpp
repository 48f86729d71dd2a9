#include "ZmaVOMap2/datalayers/ElementIndex.h"

#include <algorithm>
#include <stdexcept>

namespace {
bool ByHandle(const std::pair<int, int>& a, const std::pair<int, int>& b) { return a.first < b.first; }
bool SameHandle(const std::pair<int, int>& a, const std::pair<int, int>& b) { return a.first == b.first; }
}  // namespace

void ElementIndex::Finish() {
    // Rows were added in row order: a stable order by handle puts each handle's first row first.
    if (!std::is_sorted(entries_.begin(), entries_.end(), ByHandle))
        std::stable_sort(entries_.begin(), entries_.end(), ByHandle);
    entries_.erase(std::unique(entries_.begin(), entries_.end(), SameHandle), entries_.end());
}

int ElementIndex::Find(int handle) const {
    auto it = std::lower_bound(entries_.begin(), entries_.end(), std::make_pair(handle, 0), ByHandle);
    return it != entries_.end() && it->first == handle ? it->second : -1;
}

int ElementIndex::at(int handle) const {
    const int row = Find(handle);
    if (row == -1) throw std::out_of_range("no such element handle");
    return row;
}
