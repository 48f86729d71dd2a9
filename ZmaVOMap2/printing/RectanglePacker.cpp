#include "ZmaVOMap2/printing/RectanglePacker.h"

#include <algorithm>

namespace {

RECT Normalised(const RECT& r) {
    return {std::min(r.left, r.right), std::min(r.top, r.bottom), std::max(r.left, r.right), std::max(r.top, r.bottom)};
}

long long Area(const RECT& r) {
    return static_cast<long long>(r.right - r.left) * static_cast<long long>(r.bottom - r.top);
}

bool Inside(const RECT& inner, const RECT& outer) {
    RECT all;
    ::UnionRect(&all, &outer, &inner);
    return ::EqualRect(&all, &outer) != FALSE;
}

void MoveTo(RECT& r, LONG x, LONG y) { ::OffsetRect(&r, x - r.left, y - r.top); }

}  // namespace

RectanglePacker::RectanglePacker(const RECT& container) : container_(Normalised(container)) {}

bool RectanglePacker::Add(const RECT& entry, unsigned flags) {
    RECT r = Normalised(entry);
    if (::IsRectEmpty(&r)) return false;
    if ((flags & kRow) && (flags & kReserved)) return false;
    entries_.push_back({r, flags});
    return true;
}

int RectanglePacker::Pack() {
    const bool emptyContainer = ::IsRectEmpty(&container_) != FALSE;
    if (emptyContainer) return entries_.empty() ? kNothing : kEmptyContainer;
    if (entries_.empty()) return kNoEntries;
    long long needed = 0;
    for (const Item& item : entries_) needed += Area(item.rect);
    if (Area(container_) < needed) return kDoesNotFit;

    const POINT origin = {container_.left, container_.top};
    ::OffsetRect(&container_, -origin.x, -origin.y);
    std::vector<POINT> candidates{{0, 0}};
    int result = kPacked;
    for (size_t i = 0; i < entries_.size(); ++i) {
        if (!Place(entries_[i], candidates, i)) {
            // No place: the entry waits outside, above and left of the container.
            RECT& r = entries_[i].rect;
            MoveTo(r, -(r.right - r.left), -(r.bottom - r.top));
            result = kDoesNotFit;
        }
    }
    for (Item& item : entries_) ::OffsetRect(&item.rect, origin.x, origin.y);
    ::OffsetRect(&container_, origin.x, origin.y);
    return result;
}

bool RectanglePacker::Place(Item& item, std::vector<POINT>& candidates, size_t placedBefore) {
    const bool byRow = (item.flags & kRow) != 0;
    std::sort(candidates.begin(), candidates.end(), [byRow](const POINT& a, const POINT& b) {
        return byRow ? (a.y != b.y ? a.y < b.y : a.x < b.x) : (a.x != b.x ? a.x < b.x : a.y < b.y);
    });
    RECT& r = item.rect;
    const LONG width = r.right - r.left;
    for (const POINT& c : candidates) {
        MoveTo(r, (item.flags & kRightAligned) ? container_.right - width : c.x, c.y);
        bool overlaps = false;
        for (size_t j = 0; j < placedBefore && !overlaps; ++j) {
            RECT common;
            overlaps = ::IntersectRect(&common, &r, &entries_[j].rect) != FALSE;
        }
        if (overlaps || !Inside(r, container_)) continue;
        candidates.erase(std::remove_if(candidates.begin(), candidates.end(),
                                        [&r](const POINT& p) { return ::PtInRect(&r, p) != FALSE; }),
                         candidates.end());
        candidates.push_back({r.right, r.top});
        candidates.push_back({r.left, r.bottom});
        return true;
    }
    return false;
}
