// The logger: one entry per line through the host's logging component, nothing at all when the
// component is missing or the channel is unknown; the lines of threads without a link of their own,
// posted or streamed, written within a second while a map lives, whatever the linked threads do.
#include "ZmaVOMap2/services/Logger.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <set>
#include <thread>
#include <vector>

using platform::Bstr;
using platform::ComPtr;

namespace {

ComPtr<IHostLogStore> Store() {
    ComPtr<IHostLogStore> store;
    EXPECT_EQ(::CoCreateInstance(CLSID_HostLoggingManager, nullptr, CLSCTX_INPROC_SERVER, IID_IHostLogStore,
                                 store.PutVoid()),
              S_OK);
    return store;
}

std::wstring Message(IHostLogStore* store, long index) {
    BSTR text = nullptr;
    store->EntryMessage(index, &text);
    return Bstr::Attach(text).Wide();
}

TEST(Logger, EachLineIsOneEntryAndAPendingLineIsWrittenAtTheEnd) {
    ComPtr<IHostLogStore> store = Store();
    store->Reset();
    {
        CZmuLoggerZmoLogging logger("zemro.usage");
        ASSERT_EQ(logger.Open("zemro.usage", ""), S_OK);
        EXPECT_EQ(logger.Open("zemro.usage", ""), S_FALSE);
        EXPECT_TRUE(logger.IsEnabledFor(20000));
        EXPECT_TRUE(logger.IsEnabledFor(40000));
        EXPECT_FALSE(logger.IsEnabledFor(10000));
        logger.GetStream(30000, "place.cpp", 12) << "first" << std::endl;
        logger.GetStream(30000, "place.cpp", 13) << "second\nthird" << std::endl;
        logger.GetStream(40000, "place.cpp", 14) << "unfinished";
    }
    LONG count = 0;
    store->get_EntryCount(&count);
    ASSERT_EQ(count, 4);
    EXPECT_EQ(Message(store.Get(), 0), L"first");
    EXPECT_EQ(Message(store.Get(), 1), L"second");
    EXPECT_EQ(Message(store.Get(), 2), L"third");
    EXPECT_EQ(Message(store.Get(), 3), L"unfinished");
    BSTR channel = nullptr, message = nullptr, file = nullptr;
    long level = 0, line = 0;
    store->GetEntry(0, &channel, &level, &message, &file, &line);
    EXPECT_EQ(Bstr::Attach(channel).Wide(), L"zemro.usage");
    EXPECT_EQ(level, 30000);
    EXPECT_EQ(Bstr::Attach(file).Wide(), L"place.cpp");
    EXPECT_EQ(line, 12);
    ::SysFreeString(message);
}

TEST(Logger, AnUnknownChannelOrAMissingComponentLeavesItSilent) {
    ComPtr<IHostLogStore> store = Store();
    store->Reset();
    store->RemoveChannel(Bstr(L"zemro.usage").Get());
    {
        CZmuLoggerZmoLogging logger("zemro.usage");
        logger.Open("zemro.usage", "");
        EXPECT_FALSE(logger.IsOpen());
        EXPECT_FALSE(logger.IsEnabledFor(40000));
    }
    store->Reset();
    ::SetEnvironmentVariableW(L"VADAZ_HOST_FAULTS", L"logging.create");
    {
        CZmuLoggerZmoLogging logger("zemro.usage");
        logger.Open("zemro.usage", "");
        EXPECT_FALSE(logger.IsEnabledFor(40000));
    }
    ::SetEnvironmentVariableW(L"VADAZ_HOST_FAULTS", nullptr);
    LONG count = -1;
    store->get_EntryCount(&count);
    EXPECT_EQ(count, 0);
}

TEST(Logger, CloseDropsTheLinkAndTheNextStreamOpensItAgain) {
    ComPtr<IHostLogStore> store = Store();
    store->Reset();
    CZmuLoggerZmoLogging logger("zemro.usage");
    ASSERT_EQ(logger.Open("zemro.usage", ""), S_OK);
    EXPECT_EQ(logger.Close(), S_OK);
    EXPECT_FALSE(logger.IsEnabledFor(40000));
    logger.GetStream(40000, "again.cpp", 1) << "reopened" << std::endl;
    EXPECT_TRUE(logger.IsOpen());
    EXPECT_EQ(Message(store.Get(), 0), L"reopened");
    logger.Close();
}

// The host's log as it stands once it holds `count` entries, or after a second.
std::vector<std::wstring> LogWithinASecond(size_t count) {
    std::vector<std::wstring> lines;
    for (int wait = 0; wait < 50 && (lines = testsupport::HostLogLines()).size() < count; ++wait) ::Sleep(20);
    return lines;
}

TEST(Logger, AnotherThreadsLinesAreWrittenWithinASecondWhileTheLinkedThreadIdles) {
    Store()->Reset();
    CZmuLoggerZmoLogging logger("zemro.usage");
    ASSERT_EQ(logger.Join("zemro.usage", ""), S_OK);
    std::thread([&] { logger.Post(40000, "from the thread", "thread.cpp", 7); }).join();
    EXPECT_EQ(LogWithinASecond(1), std::vector<std::wstring>{L"from the thread"});
    logger.Post(40000, "from the linked thread", "linked.cpp", 8);
    EXPECT_EQ(testsupport::HostLogLines(), (std::vector<std::wstring>{L"from the thread", L"from the linked thread"}));
    logger.Leave();
}

TEST(Logger, LinesStreamedOnSeveralOtherThreadsAtOnceComeWhole) {
    Store()->Reset();
    CZmuLoggerZmoLogging logger("zemro.usage");
    ASSERT_EQ(logger.Join("zemro.usage", ""), S_OK);
    std::multiset<std::wstring> expected;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        for (int i = 0; i < 50; ++i) expected.insert(L"thread " + std::to_wstring(t) + L" line " + std::to_wstring(i));
        threads.emplace_back([&logger, t] {
            for (int i = 0; i < 50; ++i)
                logger.GetStream(40000, "thread.cpp", t) << "thread " << t << " line " << i << std::endl;
        });
    }
    for (std::thread& thread : threads) thread.join();
    const std::vector<std::wstring> written = LogWithinASecond(expected.size());
    EXPECT_EQ(std::multiset<std::wstring>(written.begin(), written.end()), expected);
    logger.Leave();
}

// Lines handed over while no map lives wait, up to a bound, for the next; what the bound drops is told.
TEST(Logger, LinesBeyondTheWaitingBoundAreDroppedAndCounted) {
    Store()->Reset();
    CZmuLoggerZmoLogging logger("zemro.usage");
    ASSERT_EQ(logger.Open("zemro.usage", ""), S_OK);
    const size_t bound = CZmuLoggerZmoLogging::kMaxWaitingLines;
    std::thread([&] {
        for (size_t i = 0; i < bound + 5; ++i) logger.Post(40000, "waiting", "thread.cpp", 1);
    }).join();
    ComPtr<IHostLogStore> store = Store();
    LONG count = -1;
    store->get_EntryCount(&count);
    EXPECT_EQ(count, 0);
    ASSERT_EQ(logger.Join("zemro.usage", ""), S_FALSE);
    for (int wait = 0; wait < 50 && store->get_EntryCount(&count) == S_OK && count < LONG(bound + 1); ++wait) ::Sleep(20);
    ASSERT_EQ(count, LONG(bound + 1));
    EXPECT_EQ(Message(store.Get(), 0), L"5 log lines were dropped: more than 10000 lines waited to be written");
    EXPECT_EQ(Message(store.Get(), LONG(bound)), L"waiting");
    logger.Leave();
}

}  // namespace
