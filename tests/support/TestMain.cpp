// Every test program runs its cases on one single-threaded apartment, as a host would, and
// answers any dialog box the code under test opens instead of waiting for a person.
#include "tests/support/DialogAnswerer.h"
#include "tests/support/HeldFile.h"

#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <cstring>

int main(int argc, char** argv) {
    // Started again by a test, to hold a file as another program would.
    if (argc > 1 && std::strcmp(argv[1], testsupport::kHoldFileArgument) == 0)
        return testsupport::HoldFileUntilReleased();
    ::testing::InitGoogleTest(&argc, argv);
    if (FAILED(::OleInitialize(nullptr))) return 2;
    int result = 0;
    {
        testsupport::DialogAnswerer answerer;
        result = RUN_ALL_TESTS();
    }
    ::OleUninitialize();
    return result;
}
