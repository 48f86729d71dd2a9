#include "ZmaVOMap2/services/NumberInput.h"

#include "platform/Com.h"
#include "platform/Number.h"
#include "platform/Window.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

constexpr int kDigits = 7;

// What an edit remembers of what a dialog last wrote into it: the number's bits in two halves,
// the form of its text (decimals + 1, or minus the significant digits + 1, so that no form is a
// null property), and whether the text stands in for a number the dialog could not give. They are
// plain values, which the system drops with the window.
constexpr wchar_t kWrittenLow[] = L"VadAZ.WrittenNumber.Low";
constexpr wchar_t kWrittenHigh[] = L"VadAZ.WrittenNumber.High";
constexpr wchar_t kWrittenForm[] = L"VadAZ.WrittenNumber.Form";
constexpr wchar_t kWrittenStandIn[] = L"VadAZ.WrittenNumber.StandIn";

std::string TextOf(double value, std::int32_t form) {
    return form > 0 ? platform::FormatFixed(value, form - 1) : platform::FormatGeneral(value, -form - 1);
}

HANDLE AsProperty(std::uint32_t value) { return reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(value)); }
std::uint32_t FromProperty(HANDLE value) { return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(value)); }

enum class Written { None, Number, StandIn };

// What `edit` shows of what was last written into it, while it shows `text` as it was written:
// the number, or a stand-in for one.
Written WrittenText(HWND edit, const std::string& text, double& value) {
    const auto form = static_cast<std::int32_t>(FromProperty(::GetPropW(edit, kWrittenForm)));
    if (!form) return Written::None;
    const std::uint64_t bits = (static_cast<std::uint64_t>(FromProperty(::GetPropW(edit, kWrittenHigh))) << 32) |
                               FromProperty(::GetPropW(edit, kWrittenLow));
    double written = 0;
    std::memcpy(&written, &bits, sizeof written);
    if (TextOf(written, form) != text) return Written::None;
    value = written;
    return ::GetPropW(edit, kWrittenStandIn) ? Written::StandIn : Written::Number;
}

void Write(HWND edit, double value, int decimals, int digits, bool standIn) {
    const std::int32_t form = decimals >= 0 ? decimals + 1 : -std::max(digits, 1) - 1;
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    // Remembered before the text is set, so that a handler of the edit's change reads the two alike.
    ::SetPropW(edit, kWrittenLow, AsProperty(static_cast<std::uint32_t>(bits)));
    ::SetPropW(edit, kWrittenHigh, AsProperty(static_cast<std::uint32_t>(bits >> 32)));
    ::SetPropW(edit, kWrittenForm, AsProperty(static_cast<std::uint32_t>(form)));
    ::SetPropW(edit, kWrittenStandIn, AsProperty(standIn ? 1 : 0));
    ::SetWindowTextA(edit, TextOf(value, form).c_str());
}

bool Within(double value, double low, double high, bool aboveLow, bool whole) {
    if (!std::isfinite(value) || value > high || value < low || (aboveLow && value == low)) return false;
    return !whole || value == std::floor(value);
}

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
    range.givenLow = low;
    range.givenHigh = high;
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
    range.low = range.givenLow = low;
    range.high = range.givenHigh = high;
    range.whole = true;
    return range;
}

bool NumberRange::Holds(double value) const noexcept { return Within(value, low, high, aboveLow, whole); }

bool NumberRange::HoldsGiven(double value) const noexcept {
    return Within(value, givenLow, givenHigh, aboveLow, whole);
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

void WriteDialogNumber(HWND dialog, int id, double value, int decimals, int digits) {
    WriteEditNumber(::GetDlgItem(dialog, id), value, decimals, digits);
}

void WriteEditNumber(HWND edit, double value, int decimals, int digits) {
    Write(edit, value, decimals, digits, !std::isfinite(value));
}

void WriteDialogStandIn(HWND dialog, int id, double shown, int decimals, int digits) {
    WriteEditStandIn(::GetDlgItem(dialog, id), shown, decimals, digits);
}

void WriteEditStandIn(HWND edit, double shown, int decimals, int digits) { Write(edit, shown, decimals, digits, true); }

bool ShowsWrittenText(HWND dialog, int id) {
    double written = 0;
    return WrittenText(::GetDlgItem(dialog, id), EditText(dialog, id), written) != Written::None;
}

bool ReadEditNumber(HWND dialog, int id, const NumberRange& range, double& value) {
    const std::string text = EditText(dialog, id);
    double written = 0;
    // A number the user left as the dialog wrote it is the map's own: it is never refused, though
    // the map may hold it past the range a user may type (a centre panned across the antimeridian).
    // A stand-in is no number of the map's: it is refused as its text would be.
    if (WrittenText(::GetDlgItem(dialog, id), text, written) != Written::Number) return ReadNumber(text, range, value);
    double shown = written;
    platform::ReadNumber(text.c_str(), shown);
    value = range.HoldsGiven(shown) ? shown : written;
    return true;
}

bool ReadDialogNumber(HWND dialog, int id, const std::wstring& what, const NumberRange& range, double& value,
                      const wchar_t* caption) {
    if (ReadEditNumber(dialog, id, range, value)) return true;
    RefuseDialogNumber(dialog, id, what, range, caption);
    return false;
}
