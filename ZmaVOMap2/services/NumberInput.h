// The one rule for every number a user types into a dialog: the text reads whole as a decimal
// number (no letters after it, no "1,5", no NaN or infinity), a whole number where the setting
// counts things, within the range the map can use. A dialog that stores the number refuses any
// other text with a message naming the range and keeps the edit to correct.
//
// A number the dialog wrote into an edit itself is not the user's: its text shows it rounded
// ("24901.5" for the world's 24901.4609 mi), which may take it past the end of the range, and the
// map may hold it past that end itself (a centre at 190 degrees). An edit remembers the number it
// was last written with, and while it shows that text unchanged, the text stands for that number.
// Where the dialog has no number to show (the scale of a map 0 wide), it writes a stand-in: the
// text is the dialog's, but stands for no number and is read as a typed one would be.
#pragma once

#include <windows.h>

#include <string>

struct NumberRange {
    double low = 0.0, high = 0.0;
    // The ends as given, before rounding: a number the dialog wrote may lie between these and
    // the ends that a message names.
    double givenLow = 0.0, givenHigh = 0.0;
    bool aboveLow = false;  // the low end itself is refused ("greater than 0")
    bool whole = false;     // only whole numbers
    std::wstring unit;      // shown after the bounds in a message, may be empty

    // [low, high]; the bounds are first rounded inward to seven significant digits, so that the
    // range a message names is exactly the range that is kept.
    static NumberRange Between(double low, double high, const std::wstring& unit = L"");
    // (0, high]
    static NumberRange AboveZero(double high, const std::wstring& unit = L"");
    // Whole numbers in [low, high].
    static NumberRange Whole(long low, long high);

    bool Holds(double value) const noexcept;
    // Within the ends as given.
    bool HoldsGiven(double value) const noexcept;
};

// The text as a number within `range`; false for anything else.
bool ReadNumber(const std::string& text, const NumberRange& range, double& value);

// "<what> must be a number from <low> to <high> <unit>." (or "greater than <low> and at most
// <high>", or "a whole number from").
std::wstring RangeMessage(const std::wstring& what, const NumberRange& range);

// The whole text of edit `id` of `dialog`, in the ANSI code page.
std::string EditText(HWND dialog, int id);

// Writes `value` into edit `id` of `dialog`, with a point whatever the host's locale: with
// `decimals` digits after it, or, when `decimals` is negative, as "%g" writes it with `digits`
// significant digits. The edit remembers the value with the text; a value that is no number (NaN,
// an infinity) as a stand-in.
void WriteDialogNumber(HWND dialog, int id, double value, int decimals = -1, int digits = 6);
// The same for an edit by its window.
void WriteEditNumber(HWND edit, double value, int decimals = -1, int digits = 6);
// Writes `shown` as WriteDialogNumber does, as a stand-in for a number the dialog cannot give.
void WriteDialogStandIn(HWND dialog, int id, double shown, int decimals = -1, int digits = 6);
void WriteEditStandIn(HWND edit, double shown, int decimals = -1, int digits = 6);
// Whether edit `id` shows the text the dialog last wrote into it (a number or a stand-in), as it
// was written.
bool ShowsWrittenText(HWND dialog, int id);
// Edit `id`'s number by the rule, without a word to the user. A text the user typed, and a
// stand-in, are read as ReadNumber reads them. A number the dialog wrote, left as it was, is never
// refused: it gives the number it shows where that lies within the range's ends as given (so that
// a number keeps the precision the dialog shows it with), else the number written, the map's own,
// wherever it lies.
bool ReadEditNumber(HWND dialog, int id, const NumberRange& range, double& value);

// Reads edit `id` of `dialog` by the rule (ReadEditNumber). Text it refuses is told with RangeMessage in a message
// box captioned `caption`, and the edit gets the focus with its text selected; false then.
bool ReadDialogNumber(HWND dialog, int id, const std::wstring& what, const NumberRange& range, double& value,
                      const wchar_t* caption = L"Map Module");
// Tells the user why the text of edit `id` is refused, then gives that edit the focus with its
// text selected, for the user to correct.
void RefuseDialogText(HWND dialog, int id, const std::wstring& message, const wchar_t* caption = L"Map Module");
// The refusal of ReadDialogNumber alone, for a number read some other way.
void RefuseDialogNumber(HWND dialog, int id, const std::wstring& what, const NumberRange& range,
                        const wchar_t* caption = L"Map Module");
