#include "ZmaVOMap2/imagery/ImageryLog.h"

#include "ZmaVOMap2/services/Logger.h"
#include "platform/Result.h"

namespace imagery {

void Log(int level, const std::string& text, const char* file, int line) noexcept {
    try {
        // The download thread logs too: Post keeps its lines for the thread that owns the log.
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

std::string HiddenCredential(const std::string& credential) { return credential.empty() ? std::string() : "*****"; }

std::string WithoutCredentials(std::string text) {
    for (const char* name : {"token=", "key="}) {
        for (size_t at = text.find(name); at != std::string::npos; at = text.find(name, at + 1)) {
            // Only whole query arguments: "monkey=" is no key.
            if (at == 0 || (text[at - 1] != '?' && text[at - 1] != '&')) continue;
            const size_t value = at + std::char_traits<char>::length(name);
            const size_t end = text.find_first_of("& ", value);
            const std::string hidden = HiddenCredential(text.substr(value, end == std::string::npos ? end : end - value));
            text.replace(value, end == std::string::npos ? std::string::npos : end - value, hidden);
        }
    }
    return text;
}

}  // namespace imagery
