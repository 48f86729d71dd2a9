// Every test program runs its cases on one single-threaded apartment, as a host would, and
// answers any dialog box the code under test opens instead of waiting for a person. With
// VADAZ_TEST_CRT_LOCALE set, the program first sets that locale on the C runtime it shares with the
// libraries, as a host that shows numbers its user's way does, and fails when they changed it.
// With VADAZ_TEST_CRT_DECIMAL_POINT set too, the program fails at once unless the runtime then
// writes numbers with that decimal point: a locale taken without effect would repeat the plain run.
#include "tests/support/DialogAnswerer.h"
#include "tests/support/HeldFile.h"

#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// The locale set, or empty when none was asked for; false when the runtime has no such locale.
bool SetHostLocale(std::string& set) {
    const char* wanted = std::getenv("VADAZ_TEST_CRT_LOCALE");
    if (!wanted || !*wanted) return true;
    const char* answer = std::setlocale(LC_ALL, wanted);
    if (!answer) {
        std::fprintf(stderr, "The C runtime has no locale \"%s\"\n", wanted);
        return false;
    }
    set = answer;
    const char* point = std::localeconv()->decimal_point;
    char written[16] = {};
    std::snprintf(written, sizeof written, "%.1f", 1.5);
    std::fprintf(stderr, "C runtime locale \"%s\", decimal point \"%s\", 1.5 written \"%s\"\n", answer, point, written);
    const char* expected = std::getenv("VADAZ_TEST_CRT_DECIMAL_POINT");
    if (expected && *expected && (std::strcmp(point, expected) != 0 || written != std::string("1") + expected + "5")) {
        std::fprintf(stderr, "The C runtime writes numbers with the decimal point \"%s\", not the \"%s\" this run is for\n",
                     point, expected);
        return false;
    }
    return true;
}

bool HostLocaleKept(const std::string& set) {
    const char* now = std::setlocale(LC_ALL, nullptr);
    if (set.empty() || (now && set == now)) return true;
    std::fprintf(stderr, "The C runtime locale was changed from \"%s\" to \"%s\"\n", set.c_str(), now ? now : "");
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    // Started again by a test, to hold a file as another program would.
    if (argc > 1 && std::strcmp(argv[1], testsupport::kHoldFileArgument) == 0)
        return testsupport::HoldFileUntilReleased();
    ::testing::InitGoogleTest(&argc, argv);
    std::string hostLocale;
    if (!SetHostLocale(hostLocale)) return 2;
    if (FAILED(::OleInitialize(nullptr))) return 2;
    int result = 0;
    {
        testsupport::DialogAnswerer answerer;
        result = RUN_ALL_TESTS();
    }
    ::OleUninitialize();
    return HostLocaleKept(hostLocale) ? result : 1;
}
