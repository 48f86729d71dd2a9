// Object lifetimes: with monitoring on, each control reports its creation and destruction to the
// leak monitor's mailslot, and releasing the last reference frees the control and its engine.
#include "tests/control/ControlFixture.h"
#include "tests/support/TestSupport.h"

#include <map>
#include <string>
#include <vector>

using namespace controltest;
using platform::ComPtr;

namespace {

const wchar_t kRootKey[] = L"Software\\Zemro\\Terravex";

std::vector<std::string> ReadRecords(HANDLE slot) {
    std::vector<std::string> records;
    for (;;) {
        DWORD next = 0, count = 0;
        if (!::GetMailslotInfo(slot, nullptr, &next, &count, nullptr) || next == MAILSLOT_NO_MESSAGE) break;
        std::string buf(next, '\0');
        DWORD read = 0;
        if (!::ReadFile(slot, &buf[0], next, &read, nullptr)) break;
        buf.resize(read);
        records.push_back(buf);
    }
    return records;
}

HRESULT CanUnloadNow(const wchar_t* dll) {
    HMODULE module = ::GetModuleHandleW(dll);
    if (!module) return S_OK;  // not loaded at all
    auto fn = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(::GetProcAddress(module, "DllCanUnloadNow"));
    return fn ? fn() : E_FAIL;
}

class Lifetime : public ::testing::Test {
protected:
    static void SetUpTestSuite() { testsupport::WriteDword(HKEY_CURRENT_USER, kRootKey, L"ObjectLifetimeMonitoring", 1); }
    static void TearDownTestSuite() { testsupport::DeleteValue(HKEY_CURRENT_USER, kRootKey, L"ObjectLifetimeMonitoring"); }
    void SetUp() override {
        slot_ = ::CreateMailslotA("\\\\.\\mailslot\\TerravexLeakMonitor", 0, 0, nullptr);
        ASSERT_NE(slot_, INVALID_HANDLE_VALUE);
    }
    void TearDown() override { ::CloseHandle(slot_); }
    HANDLE slot_ = INVALID_HANDLE_VALUE;
};

TEST_F(Lifetime, CreateAndReleaseSendMatchingRecords) {
    ComPtr<IUnknown> control;
    ASSERT_EQ(CreateControl(control), S_OK);
    control.Reset();
    auto records = ReadRecords(slot_);
    ASSERT_EQ(records.size(), 2u);
    // Each record ends with its terminating zero.
    ASSERT_EQ(records[0].back(), '\0');
    std::string created = records[0].c_str(), destroyed = records[1].c_str();
    ASSERT_EQ(created.substr(0, 2), "C,");
    ASSERT_EQ(destroyed.substr(0, 2), "D,");
    EXPECT_EQ(created.substr(2), destroyed.substr(2));
    EXPECT_NE(created.find(",CZmaVadAZ"), std::string::npos);
    EXPECT_EQ(created.substr(created.size() - 10), ",CZmaVadAZ");
}

TEST_F(Lifetime, ManyCyclesLeaveNothingBehind) {
    // Read as they come: Wine keeps a mailslot's messages in a socket of a few hundred messages,
    // and a writer to a full one waits for a reader, here the writer itself.
    std::vector<std::string> records;
    for (int i = 0; i < 100; ++i) {
        for (std::string& record : ReadRecords(slot_)) records.push_back(std::move(record));
        ComPtr<IUnknown> control;
        ASSERT_EQ(CreateControl(control), S_OK);
        auto ole = As<IOleObject>(control.Get());
        auto site = platform::MakeObject<testsupport::TestSite>();
        ole->SetClientSite(site.Get());
        As<IPersistStreamInit>(control.Get())->InitNew();
        RECT r = site->Rect();
        ole->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site.Get(), 0, site->Window(), &r);
        ole->Close(OLECLOSE_NOSAVE);
        ole->SetClientSite(nullptr);
    }
    testsupport::PumpMessages();
    for (std::string& record : ReadRecords(slot_)) records.push_back(std::move(record));
    // Addresses may be reused, so records balance per object number rather than being unique.
    std::map<std::string, int> balance;
    int created = 0;
    for (const std::string& r : records) {
        std::string text = r.c_str();
        balance[text.substr(2)] += text[0] == 'C' ? 1 : -1;
        created += text[0] == 'C';
    }
    EXPECT_EQ(created, 100);
    for (const auto& entry : balance) EXPECT_EQ(entry.second, 0) << entry.first;
    EXPECT_EQ(CanUnloadNow(L"VadAZ.dll"), S_OK);
    EXPECT_EQ(CanUnloadNow(L"MapEngineStandIn.dll"), S_OK);
}

}  // namespace
