// The imagery layer's log lines, on the control's channel. Never throws: a line that cannot be
// written is dropped.
#pragma once

#include <string>

namespace imagery {

void Log(int level, const std::string& text, const char* file = __builtin_FILE(), int line = __builtin_LINE()) noexcept;
void Log(int level, const std::wstring& text, const char* file = __builtin_FILE(), int line = __builtin_LINE()) noexcept;

}  // namespace imagery
