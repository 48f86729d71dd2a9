#include "ZmaVOMap2/services/NumberInput.h"

#include "platform/Com.h"
#include "platform/Number.h"
#include "platform/Window.h"

#include <cmath>

namespace {

constexpr int kDigits = 7;

std::string Shown(double value) { return platform::FormatGeneral(value, kDigits); }

double Read(const std::string& text) {
    double value = 0.0;
    platform::ReadNumber(text.c_str(), value);
    return value;
}

// The bound as a message shows it, moved toward the inside of the range where showing it rounds
// it outward: the kept range is then exactly the named one.
double RoundedInward(double bound, bool upper) {
    if (!std::isfinite(bound) || bound == 0.0) return bound;
    double shown = Read(Shown(bound));
    if (upper ? shown > bound : shown < bound) {
        const double step = std::pow(10.0, std::floor(std::log10(std::fabs(shown))) - (kDigits - 1));
        shown = Read(Shown(upper ? shown - step : shown + step));
    }
    return shown;
}

}  // namespace

NumberRange NumberRange::Between(double low, double high, const std::wstring& unit) {
    NumberRange range;
    range.low = RoundedInward(low, false);
    range.high = RoundedInward(high, true);
    range.unit = unit;
    return range;
}

NumberRange NumberRange::AboveZero(double high, const std::wstring& unit) {
    NumberRange range = Between(0.0, high, unit);
    range.aboveLow = true;
    return range;
}

NumberRange NumberRange::Whole(long low, long high) {
    NumberRange range;
    range.low = low;
    range.high = high;
    range.whole = true;
    return range;
}

bool NumberRange::Holds(double value) const noexcept {
    if (!std::isfinite(value) || value > high || value < low || (aboveLow && value == low)) return false;
    return !whole || value == std::floor(value);
}

bool ReadNumber(const std::string& text, const NumberRange& range, double& value) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return false;
    const size_t last = text.find_last_not_of(" \t");
    const std::string number = text.substr(first, last - first + 1);
    // Decimal notation only: hexadecimal and the spellings of infinity and NaN are no numbers, and
    // a whole number is written with digits alone.
    if (number.find_first_not_of(range.whole ? "0123456789+-" : "0123456789+-.eE") != std::string::npos) return false;
    double parsed = 0.0;
    if (platform::ReadNumber(number.c_str(), parsed) != number.size() || !range.Holds(parsed)) return false;
    value = parsed;
    return true;
}

std::wstring RangeMessage(const std::wstring& what, const NumberRange& range) {
    const std::wstring low = platform::ToWide(Shown(range.low)), high = platform::ToWide(Shown(range.high));
    const std::wstring unit = range.unit.empty() ? L"" : L" " + range.unit;
    if (range.aboveLow) return what + L" must be a number greater than " + low + L" and at most " + high + unit + L".";
    return what + (range.whole ? L" must be a whole number from " : L" must be a number from ") + low + L" to " + high +
           unit + L".";
}

void RefuseDialogText(HWND dialog, int id, const std::wstring& message, const wchar_t* caption) {
    platform::Prompts().MessageBox(dialog, message, caption, MB_OK | MB_ICONEXCLAMATION);
    HWND edit = ::GetDlgItem(dialog, id);
    ::SetFocus(edit);
    ::SendMessageW(edit, EM_SETSEL, 0, -1);
}

void RefuseDialogNumber(HWND dialog, int id, const std::wstring& what, const NumberRange& range, const wchar_t* caption) {
    RefuseDialogText(dialog, id, RangeMessage(what, range), caption);
}

std::string EditText(HWND dialog, int id) {
    HWND edit = ::GetDlgItem(dialog, id);
    std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(edit)) + 1, L'\0');
    text.resize(static_cast<size_t>(::GetWindowTextW(edit, &text[0], static_cast<int>(text.size()))));
    return platform::ToAnsi(text);
}

bool ReadDialogNumber(HWND dialog, int id, const std::wstring& what, const NumberRange& range, double& value,
                      const wchar_t* caption) {
    if (ReadNumber(EditText(dialog, id), range, value)) return true;
    RefuseDialogNumber(dialog, id, what, range, caption);
    return false;
}
