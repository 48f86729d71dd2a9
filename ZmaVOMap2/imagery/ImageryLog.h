// The imagery layer's log lines, on the control's channel, from the user-interface thread or the
// download thread. Never throws: a line that cannot be written is dropped.
#pragma once

#include <string>

namespace imagery {

void Log(int level, const std::string& text, const char* file = __builtin_FILE(), int line = __builtin_LINE()) noexcept;
void Log(int level, const std::wstring& text, const char* file = __builtin_FILE(), int line = __builtin_LINE()) noexcept;
// Writes what the download thread logged since; on the thread that owns the log.
void WriteThreadLog() noexcept;

// Credentials never reach the log: `text` with the values of its "token=" and "key=" query
// arguments hidden, and a credential shown only as whether there is one.
std::string WithoutCredentials(std::string text);
std::string HiddenCredential(const std::string& credential);

}  // namespace imagery
