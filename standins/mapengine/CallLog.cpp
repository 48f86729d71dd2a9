#include "standins/mapengine/CallLog.h"

#include <windows.h>

#include <mutex>

namespace mapengine {

namespace {

// Engine objects live on their creator's apartment thread, but a test may read the log from any
// thread, so the list is guarded.
struct LogState {
    std::mutex lock;
    std::vector<std::wstring> lines;
};

LogState& State() {
    static LogState state;
    return state;
}

}  // namespace

void CallLog::Append(std::wstring line) {
    LogState& s = State();
    std::lock_guard<std::mutex> guard(s.lock);
    s.lines.push_back(std::move(line));
}

std::vector<std::wstring> CallLog::Lines() {
    LogState& s = State();
    std::lock_guard<std::mutex> guard(s.lock);
    return s.lines;
}

size_t CallLog::Count() {
    LogState& s = State();
    std::lock_guard<std::mutex> guard(s.lock);
    return s.lines.size();
}

std::wstring CallLog::Line(size_t index) {
    LogState& s = State();
    std::lock_guard<std::mutex> guard(s.lock);
    return index < s.lines.size() ? s.lines[index] : std::wstring();
}

void CallLog::Clear() {
    LogState& s = State();
    std::lock_guard<std::mutex> guard(s.lock);
    s.lines.clear();
}

}  // namespace mapengine
