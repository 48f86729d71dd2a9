#include "samples/host/Console.h"

#include "platform/Com.h"
#include "platform/Result.h"

#include <cstdio>
#include <cwchar>

namespace samplehost {

void PrintLine(const std::wstring& text) {
    std::string bytes = platform::ToAnsi(text, CP_UTF8);
    bytes += '\n';
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    std::fflush(stdout);
}

std::wstring DescribeResult(HRESULT hr) {
    wchar_t code[16];
    std::swprintf(code, 16, L"0x%08lx", static_cast<unsigned long>(hr));
    std::wstring text = code;
    wchar_t* message = nullptr;
    DWORD n = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                   FORMAT_MESSAGE_IGNORE_INSERTS,
                               nullptr, static_cast<DWORD>(hr), 0, reinterpret_cast<wchar_t*>(&message), 0, nullptr);
    if (n && message) {
        std::wstring m(message, n);
        while (!m.empty() && (m.back() == L'\n' || m.back() == L'\r' || m.back() == L' ' || m.back() == L'.'))
            m.pop_back();
        if (!m.empty()) text += L" " + m;
    }
    if (message) ::LocalFree(message);
    return text;
}

void CheckCall(HRESULT hr, const std::wstring& call) {
    if (SUCCEEDED(hr)) return;
    std::wstring detail = platform::ComError::FromCall(hr).Description();
    throw platform::ComError(hr, detail.empty() ? call : call + L": " + detail);
}

}  // namespace samplehost
