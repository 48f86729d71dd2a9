// The logging component: entries kept in order, channels with thresholds, the companion count.
#include "tests/standins/host/HostTestSupport.h"

using hosttest::Create;
using hosttest::Query;
using platform::Bstr;
using platform::ComPtr;

namespace {

const wchar_t kControlChannel[] = L"zemro.aos.mapping.vadaz";
const wchar_t kUsageChannel[] = L"zemro.usage";

struct Entry {
    std::wstring channel;
    long level;
    std::wstring message;
    std::wstring file;
    long line;
};

class LoggingTest : public ::testing::Test {
protected:
    void SetUp() override {
        manager_ = Create<IHostLoggingManager>(CLSID_HostLoggingManager);
        ASSERT_TRUE(manager_);
        store_ = Query<IHostLogStore>(manager_);
        ASSERT_TRUE(store_);
        ASSERT_EQ(store_->Reset(), S_OK);
    }
    void TearDown() override {
        if (store_) store_->Reset();
    }

    ComPtr<IHostChannelLogger> Channel(const wchar_t* name) {
        Bstr n(name);
        ComPtr<IHostChannelLogger> logger;
        EXPECT_EQ(manager_->GetChannelLogger(n.Get(), logger.Put()), S_OK);
        return logger;
    }

    std::vector<Entry> Entries() {
        std::vector<Entry> all;
        long count = 0;
        EXPECT_EQ(store_->get_EntryCount(&count), S_OK);
        for (long i = 0; i < count; ++i) {
            Bstr channel, message, file;
            Entry e{};
            EXPECT_EQ(store_->GetEntry(i, channel.Put(), &e.level, message.Put(), file.Put(), &e.line), S_OK);
            e.channel = channel.Wide();
            e.message = message.Wide();
            e.file = file.Wide();
            all.push_back(e);
        }
        return all;
    }

    ComPtr<IHostLoggingManager> manager_;
    ComPtr<IHostLogStore> store_;
};

TEST_F(LoggingTest, EntriesComeBackInOrderWithLevelFileAndLine) {
    ASSERT_EQ(manager_->Initialize(nullptr), S_OK);
    VARIANT_BOOL exists = VARIANT_FALSE;
    Bstr control(kControlChannel);
    ASSERT_EQ(manager_->ChannelExists(control.Get(), &exists), S_OK);
    EXPECT_EQ(exists, VARIANT_TRUE);
    ComPtr<IHostChannelLogger> logger = Channel(kControlChannel);
    ASSERT_TRUE(logger);
    long threshold = 0;
    ASSERT_EQ(logger->GetThreshold(&threshold), S_OK);
    EXPECT_EQ(threshold, 20000);

    Bstr empty(L""), file(L"ZmaVadAZ.cpp"), none;
    Bstr info(L"Opened"), warning(L"Could not load file for layout 2"), error(L"Error: 0x80004005<null>");
    ASSERT_EQ(logger->Write(empty.Get(), 20000, info.Get(), file.Get(), 12), S_OK);
    ASSERT_EQ(logger->Write(empty.Get(), 30000, warning.Get(), none.Get(), -1), S_OK);
    ASSERT_EQ(logger->Write(empty.Get(), 40000, error.Get(), file.Get(), 300), S_OK);
    ComPtr<IHostChannelLogger> usage = Channel(kUsageChannel);
    ASSERT_TRUE(usage);
    Bstr record(L"AUL,19,MHandle displayed,Map,RxLev,Distance");
    ASSERT_EQ(usage->WriteRecord(record.Get()), S_OK);

    std::vector<Entry> all = Entries();
    ASSERT_EQ(all.size(), 4u);
    EXPECT_EQ(all[0].channel, kControlChannel);
    EXPECT_EQ(all[0].level, 20000);
    EXPECT_EQ(all[0].message, L"Opened");
    EXPECT_EQ(all[0].file, L"ZmaVadAZ.cpp");
    EXPECT_EQ(all[0].line, 12);
    EXPECT_EQ(all[1].level, 30000);
    EXPECT_EQ(all[1].file, L"");
    EXPECT_EQ(all[1].line, -1);
    EXPECT_EQ(all[2].level, 40000);
    EXPECT_EQ(all[2].message, L"Error: 0x80004005<null>");
    EXPECT_EQ(all[3].channel, kUsageChannel);
    EXPECT_EQ(all[3].message, L"AUL,19,MHandle displayed,Map,RxLev,Distance");
    EXPECT_EQ(all[3].level, 0);

    Bstr message;
    EXPECT_EQ(store_->EntryMessage(1, message.Put()), S_OK);
    EXPECT_EQ(message.Wide(), L"Could not load file for layout 2");
    EXPECT_EQ(store_->EntryMessage(4, message.Put()), E_INVALIDARG);

    EXPECT_EQ(store_->ClearEntries(), S_OK);
    EXPECT_TRUE(Entries().empty());
}

TEST_F(LoggingTest, ThresholdsAndChannelsFollowTheTest) {
    ASSERT_EQ(manager_->Initialize(nullptr), S_OK);
    Bstr usage(kUsageChannel), other(L"zemro.other");
    ASSERT_EQ(store_->SetThreshold(usage.Get(), 40000), S_OK);
    ComPtr<IHostChannelLogger> logger = Channel(kUsageChannel);
    ASSERT_TRUE(logger);
    long threshold = 0;
    ASSERT_EQ(logger->GetThreshold(&threshold), S_OK);
    EXPECT_EQ(threshold, 40000);

    // A removed channel is unknown to the manager, and its loggers say that nothing is written.
    ASSERT_EQ(store_->RemoveChannel(usage.Get()), S_OK);
    VARIANT_BOOL exists = VARIANT_TRUE;
    ASSERT_EQ(manager_->ChannelExists(usage.Get(), &exists), S_OK);
    EXPECT_EQ(exists, VARIANT_FALSE);
    ComPtr<IHostChannelLogger> refused;
    EXPECT_EQ(manager_->GetChannelLogger(usage.Get(), refused.Put()), E_INVALIDARG);
    EXPECT_FALSE(refused);
    ASSERT_EQ(logger->GetThreshold(&threshold), S_OK);
    EXPECT_EQ(threshold, -1);

    ASSERT_EQ(store_->SetThreshold(other.Get(), 30000), S_OK);
    ASSERT_EQ(manager_->ChannelExists(other.Get(), &exists), S_OK);
    EXPECT_EQ(exists, VARIANT_TRUE);

    ASSERT_EQ(store_->Reset(), S_OK);
    ASSERT_EQ(manager_->ChannelExists(usage.Get(), &exists), S_OK);
    EXPECT_EQ(exists, VARIANT_TRUE);
    ASSERT_EQ(manager_->ChannelExists(other.Get(), &exists), S_OK);
    EXPECT_EQ(exists, VARIANT_FALSE);
}

TEST_F(LoggingTest, TheManagerAnswersChannelsOnlyAfterInitialisation) {
    Bstr control(kControlChannel);
    VARIANT_BOOL exists = VARIANT_TRUE;
    EXPECT_EQ(manager_->ChannelExists(control.Get(), &exists), E_UNEXPECTED);
    ComPtr<IHostChannelLogger> logger;
    EXPECT_EQ(manager_->GetChannelLogger(control.Get(), logger.Put()), E_UNEXPECTED);
    Bstr configuration(L"custom");
    ASSERT_EQ(manager_->Initialize(configuration.Get()), S_OK);
    EXPECT_EQ(manager_->ChannelExists(control.Get(), &exists), S_OK);
    std::vector<std::wstring> calls = hosttest::Calls(manager_.Get());
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ(calls[2], L"Initialize(custom)");
}

TEST_F(LoggingTest, CompanionsAreCountedWhileAlive) {
    long live = -1;
    ASSERT_EQ(store_->get_LiveCompanions(&live), S_OK);
    EXPECT_EQ(live, 0);
    {
        ComPtr<IUnknown> a = Create<IUnknown>(CLSID_HostLoggingCompanion);
        ComPtr<IHostLoggingCompanion> b = Create<IHostLoggingCompanion>(CLSID_HostLoggingCompanion);
        ASSERT_EQ(store_->get_LiveCompanions(&live), S_OK);
        EXPECT_EQ(live, 2);
    }
    ASSERT_EQ(store_->get_LiveCompanions(&live), S_OK);
    EXPECT_EQ(live, 0);

    hosttest::ScopedFaults faults(L"companion.create;logging.create");
    ComPtr<IUnknown> refused;
    EXPECT_EQ(::CoCreateInstance(CLSID_HostLoggingCompanion, nullptr, CLSCTX_ALL, IID_IUnknown, refused.PutVoid()),
              E_FAIL);
    EXPECT_EQ(::CoCreateInstance(CLSID_HostLoggingManager, nullptr, CLSCTX_ALL, IID_IUnknown, refused.PutVoid()),
              E_FAIL);
    ASSERT_EQ(store_->get_LiveCompanions(&live), S_OK);
    EXPECT_EQ(live, 0);
}

}  // namespace
