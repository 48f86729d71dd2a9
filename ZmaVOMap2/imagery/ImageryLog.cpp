#include "ZmaVOMap2/imagery/ImageryLog.h"

#include "ZmaVOMap2/services/Logger.h"

namespace imagery {

void Log(int level, const std::string& text, const char* file, int line) noexcept {
    try {
        CZmuLoggerZmoLogging& logger = GlobalLogger();
        if (logger.IsEnabledFor(level)) logger.GetStream(level, file, line) << text << std::endl;
    } catch (...) {
    }
}

void Log(int level, const std::wstring& text, const char* file, int line) noexcept {
    try {
        Log(level, platform::ToAnsi(text), file, line);
    } catch (...) {
    }
}

}  // namespace imagery
