#include "ZmaVOMap2/layers/SeriesId.h"

#include <cwchar>
#include <cwctype>

namespace {

int CompareWithoutCase(const wchar_t* a, size_t aLength, const wchar_t* b, size_t bLength) noexcept {
    const size_t common = aLength < bLength ? aLength : bLength;
    for (size_t i = 0; i < common; ++i) {
        const wint_t x = std::towupper(a[i]), y = std::towupper(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    return aLength == bLength ? 0 : (aLength < bLength ? -1 : 1);
}

}  // namespace

int SeriesId::Compare(const SeriesId& a, const SeriesId& b) noexcept {
    return CompareWithoutCase(a.text_.data(), a.text_.size(), b.text_.data(), b.text_.size());
}

bool SeriesId::BeginsWith(const SeriesId& prefix) const noexcept {
    return prefix.text_.size() <= text_.size() &&
           CompareWithoutCase(text_.data(), prefix.text_.size(), prefix.text_.data(), prefix.text_.size()) == 0;
}
