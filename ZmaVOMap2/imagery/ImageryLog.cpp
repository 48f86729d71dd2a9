#include "ZmaVOMap2/imagery/ImageryLog.h"

#include "ZmaVOMap2/services/Logger.h"
#include "platform/Result.h"

namespace imagery {

void Log(int level, const std::string& text, const char* file, int line) noexcept {
    try {
        CZmuLoggerZmoLogging& logger = GlobalLogger();
        if (logger.IsEnabledFor(level)) logger.GetStream(level, file, line) << text << std::endl;
    }
    CATCH_SWALLOW("a log line that cannot be written has nowhere else to go");
}

void Log(int level, const std::wstring& text, const char* file, int line) noexcept {
    try {
        Log(level, platform::ToAnsi(text), file, line);
    }
    CATCH_SWALLOW("a log line that cannot be written has nowhere else to go");
}

}  // namespace imagery
