// What the sample host prints: one line per step, event or failure, on standard output.
#pragma once

#include <windows.h>

#include <string>

namespace samplehost {

// Writes one line as UTF-8 and flushes, so that a reader of a pipe sees it at once.
void PrintLine(const std::wstring& text);

// "0x80004001" and, where the system has one, its message ("0x80004001 Not implemented").
std::wstring DescribeResult(HRESULT hr);

// Throws platform::ComError for a failed call, its description naming the call ("DoVerb: ...")
// followed by the callee's own error description where it set one.
void CheckCall(HRESULT hr, const std::wstring& call);

}  // namespace samplehost
