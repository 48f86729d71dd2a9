// The log of every call the engine objects of this process received, for tests to read.
#pragma once

#include <string>
#include <vector>

namespace mapengine {

class CallLog {
public:
    static void Append(std::wstring line);
    static std::vector<std::wstring> Lines();
    static size_t Count();
    static std::wstring Line(size_t index);  // empty when out of range
    static void Clear();
};

}  // namespace mapengine
