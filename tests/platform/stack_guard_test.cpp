// The project's binaries check their stack frames: a buffer overrun ends the process through the
// check instead of letting it go on, or return into what it wrote.
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

TEST(StackGuard, AnOverrunOfALocalBufferEndsTheProcessThroughTheCheck) {
    const std::wstring probe = testsupport::WinePath(STACK_GUARD_PROBE_UNIX);
    struct Case {
        const wchar_t* how;
        int bytes;
        DWORD ended;  // 0: it went on
    } const cases[] = {
        {L"loop", 16, 0},
        {L"copy", 16, 0},
        {L"loop", 64, STATUS_ILLEGAL_INSTRUCTION},
        {L"copy", 17, STATUS_ILLEGAL_INSTRUCTION},
        {L"copy", 64, STATUS_ILLEGAL_INSTRUCTION},
    };
    for (const Case& c : cases) {
        const int code = testsupport::RunProcess(L"\"" + probe + L"\" " + c.how + L" " + std::to_wstring(c.bytes));
        EXPECT_EQ(static_cast<DWORD>(code), c.ended) << "0x" << std::hex << code << ": " << c.how << " " << std::dec << c.bytes;
    }
}

}  // namespace
