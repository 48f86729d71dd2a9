// Every line the error barrier and the control log, while it lives.
#pragma once

#include "platform/Result.h"

#include <string>
#include <vector>

namespace testsupport {

class RecordingLog final : public platform::ErrorLog {
public:
    RecordingLog() { platform::SetErrorLog(this); }
    ~RecordingLog() { platform::SetErrorLog(nullptr); }
    bool IsEnabledFor(int) override { return true; }
    void Write(int, const char*, int, const std::string& text) override { lines.push_back(text); }
    std::vector<std::string> lines;
};

}  // namespace testsupport
