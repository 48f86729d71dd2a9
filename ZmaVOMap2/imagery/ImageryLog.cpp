#include "ZmaVOMap2/imagery/ImageryLog.h"

#include "ZmaVOMap2/imagery/TileAddress.h"
#include "ZmaVOMap2/services/Logger.h"
#include "platform/Com.h"
#include "platform/Result.h"

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <vector>

namespace imagery {

namespace {

constexpr char kHidden[] = "*****";

// The credentials the process has met, longest first; the download thread logs too.
std::mutex g_credentialsLock;
std::vector<std::string>& KnownCredentials() {
    static std::vector<std::string> known;
    return known;
}

std::string HideKnownCredentials(std::string text) {
    std::lock_guard<std::mutex> guard(g_credentialsLock);
    for (const std::string& credential : KnownCredentials())
        for (size_t at = text.find(credential); at != std::string::npos;
             at = text.find(credential, at + sizeof kHidden - 1))
            text.replace(at, credential.size(), kHidden);
    return text;
}

// The values of the "token=" and "key=" query arguments in `text`, each up to the first of `ends`.
std::string HideArguments(std::string text, const char* ends) {
    for (const char* name : {"token=", "key="}) {
        for (size_t at = text.find(name); at != std::string::npos; at = text.find(name, at + 1)) {
            // Only whole query arguments: "monkey=" is no key.
            if (at == 0 || (text[at - 1] != '?' && text[at - 1] != '&')) continue;
            const size_t value = at + std::char_traits<char>::length(name);
            const size_t end = text.find_first_of(ends, value);
            const size_t length = end == std::string::npos ? std::string::npos : end - value;
            text.replace(value, length, HiddenCredential(text.substr(value, length)));
        }
    }
    return text;
}

std::string Escaped(const std::string& text) {
    std::string escaped;
    for (char c : text) {
        const unsigned char code = static_cast<unsigned char>(c);
        if (code < 0x20 || code == 0x7F) {
            char written[5];
            std::snprintf(written, sizeof written, "\\x%02X", code);
            escaped += written;
        } else {
            escaped += c;
        }
    }
    return escaped;
}

// A server may answer text of any length: a line shows as much as the longest address the system
// takes, and says how long the whole was. Cut after the credentials are hidden, so that none is
// left half shown.
std::string Shortened(std::string text) {
    constexpr size_t kLongest = 2083;
    if (text.size() <= kLongest) return text;
    const size_t whole = text.size();
    text.resize(kLongest);
    return text + "... (" + std::to_string(whole) + " characters)";
}

}  // namespace

void Log(int level, const std::string& text, const char* file, int line) noexcept {
    try {
        // The download thread logs too: Post hands its lines over to a thread that writes them.
        GlobalLogger().Post(level, text, file, line);
    }
    CATCH_SWALLOW("a log line that cannot be written has nowhere else to go");
}

void Log(int level, const std::wstring& text, const char* file, int line) noexcept {
    try {
        Log(level, platform::ToAnsi(text), file, line);
    }
    CATCH_SWALLOW("a log line that cannot be written has nowhere else to go");
}

void WriteThreadLog() noexcept {
    try {
        GlobalLogger().WritePosted();
    }
    CATCH_SWALLOW("posted log lines that cannot be written have nowhere else to go");
}

std::string HiddenCredential(const std::string& credential) { return credential.empty() ? std::string() : kHidden; }

std::string WithoutCredentials(std::string text) { return HideArguments(HideKnownCredentials(std::move(text)), "&# "); }

std::string LoggedText(const std::string& text) { return Shortened(WithoutCredentials(Escaped(text))); }

std::string LoggedAddress(const std::wstring& address) {
    return Shortened(HideArguments(HideKnownCredentials(Escaped(platform::ToAnsi(address))), "&#"));
}

void KeepOutOfLog(const std::wstring& credential) {
    if (credential.empty()) return;
    std::lock_guard<std::mutex> guard(g_credentialsLock);
    std::vector<std::string>& known = KnownCredentials();
    for (const std::wstring& form : {credential, EncodeQueryValue(credential)}) {
        const std::string text = platform::ToAnsi(form);
        if (std::find(known.begin(), known.end(), text) != known.end()) continue;
        known.push_back(text);
    }
    // A credential that holds another is hidden before it, so that none of it is left over.
    std::sort(known.begin(), known.end(),
              [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
}

}  // namespace imagery
