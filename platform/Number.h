// Numbers in the one form that files, documents, streams, registry values and addresses keep: a
// point before the decimals and no grouping. The library shares its C runtime with the host, and
// printf's and strtod's families (std::to_string among them) follow whatever locale the host set
// on it, so a number written or read with them changes form with the host's locale. These do not
// look at any locale, and never change one.
#pragma once

#include <string>

namespace platform {

// As printf's "%.*f" writes `value` in the C locale ("-0.500000", "inf", "nan").
std::string FormatFixed(double value, int decimals);
// As printf's "%.*g" writes `value` in the C locale ("9.69642068534455", "1e+20").
std::string FormatGeneral(double value, int precision = 6);

// Reads a number at the start of `text` as strtod does in the C locale: white space, a sign,
// digits with a point and an exponent, or "inf", "infinity" and "nan" in any case. Answers how
// many characters it read (0, and `value` unchanged, when no number starts the text); a number
// beyond a double's range reads as an infinity, one too small for it as 0, each with its sign.
size_t ReadNumber(const char* text, double& value);
size_t ReadNumber(const wchar_t* text, double& value);

// Whether the number that ReadNumber read from the first `read` characters of `text` goes on past
// them in a form it does not take: a comma or another point, then a digit ("12,5" written with a
// decimal comma, "1.5.2"). A reader that took the number before such a text would take a part of
// what was meant as the whole.
bool NumberRunsOn(const char* text, size_t read);

}  // namespace platform
