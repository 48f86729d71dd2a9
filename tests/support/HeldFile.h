// A file held open by another process with no sharing, as a program the user has it open in holds
// it: nobody else reads, writes, renames or deletes it until it lets go. The other process is this
// test program started again with kHoldFileArgument (a Linux process takes no Windows share locks).
#pragma once

#include "platform/UniqueHandle.h"

#include <string>

namespace testsupport {

class HeldFile {
public:
    // Returns once the other process holds the file (or has ended, not holding it).
    explicit HeldFile(const std::wstring& path);
    // Lets go, and waits for the other process to end.
    ~HeldFile();
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;

private:
    platform::UniqueHandleKernel release_, process_;
};

// The other process's side, which main runs when started with kHoldFileArgument: holds the file
// until let go, and answers the exit code.
extern const char kHoldFileArgument[];
int HoldFileUntilReleased();

}  // namespace testsupport
