// A series as the host names it: its GUID as wide text, compared without case as GUIDs are.
#pragma once

#include <string>

class SeriesId {
public:
    SeriesId() = default;
    SeriesId(std::wstring text) : text_(std::move(text)) {}  // NOLINT: any host text names a series
    SeriesId(const wchar_t* text) : text_(text ? text : L"") {}  // NOLINT

    const std::wstring& Text() const noexcept { return text_; }
    bool Empty() const noexcept { return text_.empty(); }
    // Whether the id begins with `prefix`, compared without case.
    bool BeginsWith(const SeriesId& prefix) const noexcept;

    friend bool operator==(const SeriesId& a, const SeriesId& b) noexcept { return Compare(a, b) == 0; }
    friend bool operator!=(const SeriesId& a, const SeriesId& b) noexcept { return Compare(a, b) != 0; }
    friend bool operator<(const SeriesId& a, const SeriesId& b) noexcept { return Compare(a, b) < 0; }

private:
    static int Compare(const SeriesId& a, const SeriesId& b) noexcept;

    std::wstring text_;
};
