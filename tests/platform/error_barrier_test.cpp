// The exception barrier at every COM edge: a COM error becomes its HRESULT with one log line and
// its error information kept for the caller; anything else becomes E_FAIL and "Unknown exception".
#include "platform/Com.h"
#include "platform/Result.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace {

struct Line {
    int level;
    std::string file;
    int line;
    std::string text;
};

class RecordingLog final : public platform::ErrorLog {
public:
    bool IsEnabledFor(int level) override { return threshold >= 0 && level >= threshold; }
    void Write(int level, const char* file, int line, const std::string& text) override {
        lines.push_back({level, file, line, text});
    }
    int threshold = 0;
    std::vector<Line> lines;
};

class Barrier : public ::testing::Test {
protected:
    void SetUp() override { platform::SetErrorLog(&log_); }
    void TearDown() override { platform::SetErrorLog(nullptr); }
    RecordingLog log_;
};

template <class F>
HRESULT EntryPoint(F body) {
    COM_TRY {
        body();
        return S_OK;
    }
    COM_CATCH_RETURN();
}

std::wstring CallerErrorDescription() {
    IErrorInfo* info = nullptr;
    if (::GetErrorInfo(0, &info) != S_OK || !info) return L"<none>";
    BSTR d = nullptr;
    info->GetDescription(&d);
    info->Release();
    return platform::Bstr::Attach(d).Wide();
}

TEST_F(Barrier, ComErrorWithoutDescriptionLogsNull) {
    HRESULT hr = EntryPoint([] { platform::ThrowHr(E_INVALIDARG); });
    EXPECT_EQ(hr, E_INVALIDARG);
    ASSERT_EQ(log_.lines.size(), 1u);
    EXPECT_EQ(log_.lines[0].level, 40000);
    EXPECT_EQ(log_.lines[0].text, "Error: 0x80070057<null>");
    EXPECT_NE(log_.lines[0].file.find("error_barrier_test.cpp"), std::string::npos);
    EXPECT_GT(log_.lines[0].line, 0);
}

TEST_F(Barrier, ComErrorDescriptionFollowsTheCodeAndReachesTheCaller) {
    HRESULT hr = EntryPoint([] { throw platform::ComError(E_FAIL, L"Property not set"); });
    EXPECT_EQ(hr, E_FAIL);
    ASSERT_EQ(log_.lines.size(), 1u);
    EXPECT_EQ(log_.lines[0].text, "Error: 0x80004005Property not set");
    EXPECT_EQ(CallerErrorDescription(), L"Property not set");
}

TEST_F(Barrier, CalleeErrorInformationTravelsWithTheError) {
    HRESULT hr = EntryPoint([] {
        // What a failing callee leaves behind: its error information on the thread.
        platform::ComError(DISP_E_TYPEMISMATCH, L"Type mismatch in callee").Restore();
        platform::ThrowCall(DISP_E_TYPEMISMATCH);
    });
    EXPECT_EQ(hr, DISP_E_TYPEMISMATCH);
    ASSERT_EQ(log_.lines.size(), 1u);
    EXPECT_EQ(log_.lines[0].text, "Error: 0x80020005Type mismatch in callee");
    EXPECT_EQ(CallerErrorDescription(), L"Type mismatch in callee");
}

TEST_F(Barrier, OtherExceptionsBecomeUnknownAndEFail) {
    EXPECT_EQ(EntryPoint([] { throw std::runtime_error("boom"); }), E_FAIL);
    EXPECT_EQ(EntryPoint([] { throw 42; }), E_FAIL);
    ASSERT_EQ(log_.lines.size(), 2u);
    EXPECT_EQ(log_.lines[0].text, "Unknown exception");
    EXPECT_EQ(log_.lines[1].text, "Unknown exception");
    EXPECT_EQ(log_.lines[1].level, 40000);
}

TEST_F(Barrier, AReportedFailureReachesItsReportAndLeavesNothingBehind) {
    struct Case {
        void (*raise)();
        const wchar_t* seen;
    } cases[] = {
        {[] {
             platform::ComError error(E_POINTER, L"no tile");
             error.Restore();
             throw error;
         },
         L"no tile"},
        {[] { throw std::runtime_error("boom"); }, L"(not a COM error)"},
    };
    for (const Case& c : cases) {
        std::wstring seen;
        try {
            c.raise();
        } CATCH_REPORT([&seen](const platform::ComError* e) {
            seen = e ? e->Description() : L"(not a COM error)";
            throw std::runtime_error("a report that fails goes no further");
        });
        EXPECT_EQ(seen, c.seen);
        EXPECT_EQ(CallerErrorDescription(), L"<none>");
    }
    EXPECT_TRUE(log_.lines.empty());
}

TEST_F(Barrier, NothingIsLoggedWhenTheLevelIsOffOrThereIsNoLog) {
    log_.threshold = -1;
    EXPECT_EQ(EntryPoint([] { platform::ThrowHr(E_POINTER); }), E_POINTER);
    platform::SetErrorLog(nullptr);
    EXPECT_EQ(EntryPoint([] { throw 1; }), E_FAIL);
    EXPECT_TRUE(log_.lines.empty());
}

TEST_F(Barrier, ErrorCodesPrintInLowerCaseWithoutLeadingZeros) {
    EXPECT_EQ(platform::FormatComErrorLine(platform::ComError(static_cast<HRESULT>(0x8000FFFF))),
              "Error: 0x8000ffff<null>");
    EXPECT_EQ(platform::FormatComErrorLine(platform::ComError(S_FALSE)), "Error: 0x1<null>");
}

}  // namespace
