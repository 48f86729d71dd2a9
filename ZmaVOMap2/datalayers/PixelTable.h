// A small table from screen pixels to row numbers: open addressing over the occupied pixels only,
// so that its size follows the rows drawn, not the size of the view or of the page.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class PixelTable {
public:
    void Clear();
    // The row entered for the pixel, or -1.
    int Find(long x, long y) const {
        if (count_ == 0) return -1;
        const std::uint64_t key = Key(x, y);
        for (size_t i = Slot(key);; i = (i + 1) & mask_) {
            const Entry& e = slots_[i];
            if (e.row == -1) return -1;
            if (e.key == key) return e.row;
        }
    }
    // Enters the row when the pixel has none; answers whether it did.
    bool Claim(long x, long y, int row);
    // Enters or replaces the row of the pixel.
    void Set(long x, long y, int row);
    size_t Size() const noexcept { return count_; }
    size_t Bytes() const noexcept { return slots_.capacity() * sizeof(Entry); }

private:
    struct Entry {
        std::uint64_t key;
        int row;  // -1: free
    };
    static std::uint64_t Key(long x, long y) {
        return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(x)) << 32) | static_cast<std::uint32_t>(y);
    }
    size_t Slot(std::uint64_t key) const {
        return static_cast<size_t>((key * 0x9E3779B97F4A7C15ull) >> 32) & mask_;
    }
    Entry* Locate(long x, long y);
    void Grow();

    std::vector<Entry> slots_;
    size_t mask_ = 0;
    size_t count_ = 0;
};
