// The imagery layer's log lines, on the control's channel, from the user-interface thread or the
// download thread. Never throws: a line that cannot be written is dropped.
#pragma once

#include <string>

namespace imagery {

void Log(int level, const std::string& text, const char* file = __builtin_FILE(), int line = __builtin_LINE()) noexcept;
void Log(int level, const std::wstring& text, const char* file = __builtin_FILE(), int line = __builtin_LINE()) noexcept;
// Writes what the download thread logged since, on a thread that has its own link to the log.
void WriteThreadLog() noexcept;

// Credentials never reach the log: `text` with the values of its "token=" and "key=" query
// arguments hidden (each to the next '&', '#' or blank), every credential the process knows
// hidden wherever it stands, and a credential shown only as whether there is one.
std::string WithoutCredentials(std::string text);
std::string HiddenCredential(const std::string& credential);
// Text that came from outside (a server's answer, an address it named) as the log shows it: every
// control character written as "\xNN", so that the text cannot start log lines of its own, and
// its credentials hidden as above; past the length of the longest address, cut with the whole
// length told.
std::string LoggedText(const std::string& text);
// An address as the log shows it: escaped as above, the values of its "token=" and "key="
// arguments hidden whole (to the next '&' or '#', where an address's argument ends, blanks and
// all), every credential the process knows hidden, and cut as above.
std::string LoggedAddress(const std::wstring& address);
// Hides `credential` wherever it stands in logged text from now on, as it is and as an address's
// query argument carries it.
void KeepOutOfLog(const std::wstring& credential);

}  // namespace imagery
