#include "platform/Number.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>

namespace platform {

namespace {

std::string Written(double value, std::chars_format format, int precision) {
    if (precision < 0) precision = 6;  // as printf takes a negative precision
    // Room for every digit of the largest double before the point, and the precision after it.
    std::string text(static_cast<size_t>(340) + static_cast<size_t>(precision), '\0');
    const std::to_chars_result written = std::to_chars(&text[0], &text[0] + text.size(), value, format, precision);
    text.resize(written.ec == std::errc() ? static_cast<size_t>(written.ptr - text.data()) : 0);
    return text;
}

bool IsSpace(unsigned c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// The characters a number can hold: digits, point, signs, the exponent's "e" and the letters of
// "infinity" and "nan". Anything else ends it.
bool CanBeInNumber(unsigned c) {
    if ((c >= '0' && c <= '9') || c == '.' || c == '+' || c == '-') return true;
    switch (c | 0x20) {
    case 'e': case 'i': case 'n': case 'f': case 't': case 'y': case 'a': return c < 0x80;
    default: return false;
    }
}

// What strtod answers for a number beyond a double's range, from its text [first, last): an
// infinity when its first significant digit stands above the units, else 0, with its sign.
double OutOfRange(const char* first, const char* last) {
    const bool negative = *first == '-';
    long long order = 0;  // the power of ten of the first significant digit, plus one
    bool point = false, significant = false;
    const char* p = first + (negative ? 1 : 0);
    for (; p != last && (*p | 0x20) != 'e'; ++p) {
        if (*p == '.') {
            point = true;
        } else if (significant || *p != '0') {
            significant = true;
            if (!point) ++order;
        } else if (point) {
            --order;
        }
    }
    long long exponent = 0;
    if (p != last) {
        const bool down = p + 1 != last && p[1] == '-';
        for (p += (p + 1 != last && (p[1] == '-' || p[1] == '+')) ? 2 : 1; p != last; ++p)
            exponent = std::min(exponent * 10 + (*p - '0'), static_cast<long long>(INT_MAX));
        if (down) exponent = -exponent;
    }
    const double magnitude = order + exponent > 0 ? HUGE_VAL : 0.0;
    return negative ? -magnitude : magnitude;
}

template <class Char>
size_t ReadNumberOf(const Char* text, double& value) {
    if (!text) return 0;
    size_t skipped = 0;
    while (IsSpace(static_cast<unsigned>(text[skipped]))) ++skipped;
    std::string number;
    for (const Char* c = text + skipped; *c && CanBeInNumber(static_cast<unsigned>(*c)); ++c)
        number += static_cast<char>(*c);
    const char* first = number.c_str();
    const char* last = first + number.size();
    // A plus sign is strtod's, not from_chars'; it stands alone.
    if (first != last && *first == '+') {
        if (first + 1 != last && (first[1] == '+' || first[1] == '-')) return 0;
        ++first;
        ++skipped;
    }
    double parsed = 0;
    const std::from_chars_result read = std::from_chars(first, last, parsed, std::chars_format::general);
    if (read.ec == std::errc::invalid_argument) return 0;
    value = read.ec == std::errc::result_out_of_range ? OutOfRange(first, read.ptr) : parsed;
    return skipped + static_cast<size_t>(read.ptr - first);
}

}  // namespace

std::string FormatFixed(double value, int decimals) { return Written(value, std::chars_format::fixed, decimals); }

std::string FormatGeneral(double value, int precision) {
    return Written(value, std::chars_format::general, precision);
}

size_t ReadNumber(const char* text, double& value) { return ReadNumberOf(text, value); }
size_t ReadNumber(const wchar_t* text, double& value) { return ReadNumberOf(text, value); }

bool NumberRunsOn(const char* text, size_t read) {
    if (!text || !read) return false;
    const char* rest = text + read;
    return (rest[0] == ',' || rest[0] == '.') && rest[1] >= '0' && rest[1] <= '9';
}

}  // namespace platform
