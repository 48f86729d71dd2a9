// Every test program runs its cases on one single-threaded apartment, as a host would, and
// answers any dialog box the code under test opens instead of waiting for a person.
#include "tests/support/DialogAnswerer.h"

#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
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
