// Places rectangles into a container, each at the first free corner point where it fits: the
// corner points start with the container's top-left and grow by the top-right and bottom-left
// corners of every placed rectangle.
#pragma once

#include <windows.h>

#include <vector>

class RectanglePacker {
public:
    enum Flags : unsigned {
        kColumn = 1,        // given to entries placed by columns; no effect of its own
        kRow = 2,           // candidates are tried by row (y, then x) instead of by column
        kRightAligned = 4,  // the entry's right edge goes to the container's right edge
        kReserved = 8,      // refused together with kRow
    };
    enum Result : int {
        kPacked = 0,
        kNothing = 1,         // empty container and no entries
        kEmptyContainer = 2,
        kNoEntries = 3,
        kDoesNotFit = 4,      // too little room, or an entry found no free place inside
    };

    explicit RectanglePacker(const RECT& container);

    // Adds an entry (normalised); false for an empty rectangle or kRow together with kReserved.
    bool Add(const RECT& entry, unsigned flags);
    int Pack();

    const RECT& Container() const noexcept { return container_; }
    // The entries in the order they were added, placed after Pack. An entry that found no place
    // lies outside the container, above and left of it.
    const RECT& Entry(size_t index) const { return entries_[index].rect; }
    size_t Count() const noexcept { return entries_.size(); }

private:
    struct Item {
        RECT rect;
        unsigned flags;
    };
    bool Place(Item& item, std::vector<POINT>& candidates, size_t placedBefore);

    RECT container_;
    std::vector<Item> entries_;
};
