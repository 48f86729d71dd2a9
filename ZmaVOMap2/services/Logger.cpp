#include "ZmaVOMap2/services/Logger.h"

#include "platform/Result.h"
#include "platform/UniqueHandle.h"

#include <algorithm>

using platform::Bstr;
using platform::ComPtr;

// One thread's link to the host's logging component, made and dropped on that thread.
struct CZmuLoggerZmoLogging::Link {
    DWORD thread = ::GetCurrentThreadId();
    long maps = 0;
    long threshold = -1;
    bool comInitialised = false;
    ComPtr<IHostChannelLogger> channel;
    ComPtr<IHostLoggingCompanion> companion;

    ~Link() { Close(); }
    bool IsOpen() const noexcept { return channel.Get() != nullptr; }
    HRESULT Open(const std::string& channelName, const std::string& configuration);
    void Close() noexcept;
};

HRESULT CZmuLoggerZmoLogging::Link::Open(const std::string& channelName, const std::string& configuration) {
    HRESULT hr = ::CoInitialize(nullptr);
    if (FAILED(hr)) return hr;
    comInitialised = true;
    if (channelName.empty()) {
        Close();
        return E_FAIL;
    }
    ComPtr<IUnknown> created;
    ComPtr<IHostLoggingManager> manager;
    hr = ::CoCreateInstance(CLSID_HostLoggingManager, nullptr, CLSCTX_ALL, IID_IUnknown, created.PutVoid());
    if (SUCCEEDED(hr)) hr = ::OleRun(created.Get());
    if (SUCCEEDED(hr)) hr = created->QueryInterface(IID_IHostLoggingManager, manager.PutVoid());
    if (SUCCEEDED(hr) && manager) {
        try {
            Bstr config = configuration.empty() ? Bstr() : Bstr::FromAnsi(configuration);
            THROW_IF_FAILED(manager->Initialize(config.Get()));
            Bstr name = Bstr::FromAnsi(channelName);
            VARIANT_BOOL exists = VARIANT_FALSE;
            THROW_IF_FAILED(manager->ChannelExists(name.Get(), &exists));
            if (exists != VARIANT_FALSE) {
                ComPtr<IHostChannelLogger> logger;
                THROW_IF_FAILED(manager->GetChannelLogger(name.Get(), logger.Put()));
                platform::ThrowIfNull(logger.Get());
                THROW_IF_FAILED(logger->GetThreshold(&threshold));
                THROW_IF_FAILED(::CoCreateInstance(CLSID_HostLoggingCompanion, nullptr, CLSCTX_ALL,
                                                   IID_IHostLoggingCompanion, companion.PutVoid()));
                channel = logger;
            }
        }
        CATCH_SWALLOW("a logging component that does not answer leaves the thread unlinked, with no log to tell");
    }
    hr = ::CoCreateInstance(CLSID_HostLoggingCompanion, nullptr, CLSCTX_ALL, IID_IHostLoggingCompanion,
                            companion.PutVoid());
    // Keeps the thread's COM initialisation balanced when no link was made.
    if (!IsOpen()) Close();
    return hr;
}

void CZmuLoggerZmoLogging::Link::Close() noexcept {
    companion.Reset();
    channel.Reset();
    threshold = -1;
    if (comInitialised) ::CoUninitialize();
    comInitialised = false;
}

// Writes the lines handed over, through a link of its own in an apartment of its own, so that they
// reach the log whether or not a map's thread logs again, or still lives. It holds the library
// while it runs, so that a stop that gave up waiting never leaves it running code that is gone.
class CZmuLoggerZmoLogging::Writer {
public:
    Writer(CZmuLoggerZmoLogging& owner, std::string channel, std::string configuration)
        : state_(std::make_shared<State>(owner, std::move(channel), std::move(configuration))) {}
    // Writes what waits, then lets the thread end.
    ~Writer() {
        if (!thread_) return;
        state_->stop = true;
        ::SetEvent(state_->wake.Get());
        constexpr DWORD kStopWait = 10000;
        ::WaitForSingleObject(thread_.Get(), kStopWait);
    }
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;

    bool Start() {
        HMODULE module = nullptr;
        if (!state_->wake || !::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                                                  reinterpret_cast<LPCWSTR>(&Run), &module))
            return false;
        auto held = std::make_unique<Held>(Held{state_, module});
        thread_.Reset(::CreateThread(nullptr, 0, &Run, held.get(), 0, nullptr));
        if (!thread_) {
            ::FreeLibrary(module);
            return false;
        }
        held.release();
        return true;
    }
    void Wake() noexcept { ::SetEvent(state_->wake.Get()); }

private:
    struct State {
        State(CZmuLoggerZmoLogging& o, std::string c, std::string f)
            : owner(o), channel(std::move(c)), configuration(std::move(f)),
              wake(::CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}
        CZmuLoggerZmoLogging& owner;
        const std::string channel, configuration;
        platform::UniqueHandleKernel wake;
        std::atomic<bool> stop{false};
    };
    struct Held {
        std::shared_ptr<State> state;
        HMODULE module;
    };

    static DWORD WINAPI Run(void* parameter) {
        std::unique_ptr<Held> held(static_cast<Held*>(parameter));
        const HMODULE module = held->module;
        try {
            Loop(*held->state);
        }
        CATCH_SWALLOW("the log's own writer has no log to report to");
        held.reset();
        ::FreeLibraryAndExitThread(module, 0);
    }

    static void Loop(State& state) {
        const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        {
            Link link;
            bool tried = false;
            for (;;) {
                // Read before writing, so that the lines handed over before the stop are written.
                const bool stopping = state.stop;
                if (state.owner.waitingCount_ > 0) {
                    if (!tried) link.Open(state.channel, state.configuration), tried = true;
                    if (link.IsOpen()) state.owner.WriteWaiting(link);
                }
                if (stopping) break;
                HANDLE wake = state.wake.Get();
                ::MsgWaitForMultipleObjectsEx(1, &wake, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
                MSG msg;
                while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
            }
        }
        if (SUCCEEDED(com)) ::CoUninitialize();
    }

    std::shared_ptr<State> state_;
    platform::UniqueHandleKernel thread_;
};

CZmuLoggerStreamBuffer::~CZmuLoggerStreamBuffer() {
    try {
        WritePending();
    }
    CATCH_SWALLOW("a logger that cannot write has no one to report to");
}

CZmuLoggerStreamBuffer::int_type CZmuLoggerStreamBuffer::overflow(int_type c) {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    if (traits_type::to_char_type(c) == '\n')
        WritePending();
    else
        line_ += traits_type::to_char_type(c);
    return c;
}

void CZmuLoggerStreamBuffer::WritePending() {
    if (line_.empty()) return;
    std::string text;
    text.swap(line_);
    owner_.WriteA(level_, text, file_.c_str(), fileLine_);
}

CZmuLoggerZmoLogging::CZmuLoggerZmoLogging(std::string channel, std::string configuration)
    : channel_(std::move(channel)), configuration_(std::move(configuration)) {}

CZmuLoggerZmoLogging::~CZmuLoggerZmoLogging() {
    // Their unfinished lines go while the links are there.
    threadStreams_.clear();
    // Only a process that ends with maps alive gets here with a writer or a map's link: its
    // threads are gone, and their apartments with them.
    static_cast<void>(writer_.release());
    for (auto* links : {&threadLinks_, &strandedLinks_})
        for (std::unique_ptr<Link>& link : *links) static_cast<void>(link.release());
}

bool CZmuLoggerZmoLogging::IsEnabledFor(int level) const {
    const long threshold = threshold_.load();
    return threshold != -1 && level >= threshold;
}

void CZmuLoggerZmoLogging::Post(int level, const std::string& text, const char* file, int line) {
    if (IsEnabledFor(level)) WriteA(level, text, file, line);
}

void CZmuLoggerZmoLogging::WritePosted() {
    if (waitingCount_ == 0) return;
    if (Link* link = LinkOfThisThread()) WriteWaiting(*link);
}

std::ostream& CZmuLoggerZmoLogging::GetStream(int level, const char* file, int line) {
    if (!IsOpen()) {
        std::lock_guard<std::recursive_mutex> guard(linkLock_);
        Open(std::string(channel_), std::string(configuration_));
    }
    return StreamOfThisThread(level, file, line);
}

std::ostream& CZmuLoggerZmoLogging::StreamOfThisThread(int level, const char* file, int line) {
    const DWORD thread = ::GetCurrentThreadId();
    std::lock_guard<std::mutex> guard(streamsLock_);
    auto found = std::find_if(threadStreams_.begin(), threadStreams_.end(),
                              [thread](const std::unique_ptr<ThreadStream>& s) { return s->thread == thread; });
    if (found == threadStreams_.end()) {
        threadStreams_.push_back(std::make_unique<ThreadStream>(*this, thread));
        found = threadStreams_.end() - 1;
    }
    (*found)->buffer.SetLevel(level);
    (*found)->buffer.SetPlace(file, line);
    return (*found)->stream;
}

void CZmuLoggerZmoLogging::WriteA(int level, const std::string& message, const char* file, int line) {
    WriteW(level, Bstr::FromAnsi(message).Wide(), file, line);
}

void CZmuLoggerZmoLogging::WriteW(int level, const std::wstring& message, const char* file, int line) {
    Link* link = LinkOfThisThread();
    // Without any link there is no log to write to.
    if (!link) return IsOpen() ? HandOver(level, message, file, line) : void();
    // What other threads handed over came first.
    if (waitingCount_ > 0) WriteWaiting(*link);
    const Bstr text(message);
    const HRESULT hr =
        file && *file ? link->channel->Write(Bstr(L"").Get(), level, text.Get(), Bstr::FromAnsi(file).Get(), line)
                      : link->channel->Write(Bstr(L"").Get(), level, text.Get(), Bstr(L"").Get(), -1);
    if (FAILED(hr)) platform::ThrowCall(hr);
}

CZmuLoggerZmoLogging::Link* CZmuLoggerZmoLogging::LinkOf(DWORD thread) {
    if (!IsOpen()) return nullptr;
    std::lock_guard<std::mutex> guard(linksLock_);
    for (const std::unique_ptr<Link>& link : threadLinks_)
        if (link->thread == thread) return link.get();
    return nullptr;
}

void CZmuLoggerZmoLogging::HandOver(int level, std::wstring text, const char* file, int line) {
    {
        std::lock_guard<std::mutex> guard(waitingLock_);
        // A log that cannot keep up loses the newest lines, never memory; the loss is told.
        if (waiting_.size() >= kMaxWaitingLines) {
            ++dropped_;
            return;
        }
        waiting_.push_back({level, std::move(text), file ? file : "", line});
        ++waitingCount_;
    }
    std::lock_guard<std::mutex> guard(writerLock_);
    StartWriterWhenNeeded();
    if (writer_) writer_->Wake();
}

void CZmuLoggerZmoLogging::StartWriterWhenNeeded() {
    if (writer_ || users_ == 0 || waitingCount_ == 0) return;
    auto writer = std::make_unique<Writer>(*this, channel_, configuration_);
    if (writer->Start()) writer_ = std::move(writer);
}

void CZmuLoggerZmoLogging::WriteWaiting(Link& link) noexcept {
    std::lock_guard<std::mutex> writing(writingWaitingLock_);
    std::deque<WaitingLine> lines;
    size_t dropped = 0;
    {
        std::lock_guard<std::mutex> guard(waitingLock_);
        lines.swap(waiting_);
        waitingCount_ = 0;
        std::swap(dropped, dropped_);
    }
    const Bstr none(L"");
    if (dropped > 0) {
        const std::wstring told = std::to_wstring(dropped) + L" log lines were dropped: more than " +
                                  std::to_wstring(kMaxWaitingLines) + L" lines waited to be written";
        link.channel->Write(none.Get(), 40000, Bstr(told).Get(), none.Get(), -1);
    }
    for (const WaitingLine& waiting : lines) {
        try {
            const Bstr text(waiting.text);
            if (waiting.file.empty())
                link.channel->Write(none.Get(), waiting.level, text.Get(), none.Get(), -1);
            else
                link.channel->Write(none.Get(), waiting.level, text.Get(), Bstr::FromAnsi(waiting.file).Get(),
                                    waiting.line);
        }
        CATCH_SWALLOW("a line the log refuses has nowhere else to go");
    }
}

HRESULT CZmuLoggerZmoLogging::Open(const std::string& channel, const std::string& configuration) {
    std::lock_guard<std::recursive_mutex> guard(linkLock_);
    if (LinkOfThisThread()) return S_FALSE;
    if (channel != channel_ || configuration != configuration_) {
        // The writer thread starts with them.
        std::lock_guard<std::mutex> writer(writerLock_);
        channel_ = channel;
        configuration_ = configuration;
    }
    auto link = std::make_unique<Link>();
    const HRESULT hr = link->Open(channel, configuration);
    if (link->IsOpen()) {
        threshold_ = link->threshold;
        std::lock_guard<std::mutex> links(linksLock_);
        threadLinks_.push_back(std::move(link));
        ++links_;
    }
    return hr;
}

HRESULT CZmuLoggerZmoLogging::Close() {
    std::lock_guard<std::recursive_mutex> guard(linkLock_);
    Unlink(::GetCurrentThreadId());
    return S_OK;
}

void CZmuLoggerZmoLogging::Unlink(DWORD thread) {
    auto found = std::find_if(threadLinks_.begin(), threadLinks_.end(),
                              [thread](const std::unique_ptr<Link>& link) { return link->thread == thread; });
    if (found == threadLinks_.end()) return;
    const bool own = thread == ::GetCurrentThreadId();
    // Lines handed over while this was the only link are not left behind.
    if (own && waitingCount_ > 0 && threadLinks_.size() == 1) WriteWaiting(**found);
    std::unique_ptr<Link> link;
    {
        std::lock_guard<std::mutex> links(linksLock_);
        link = std::move(*found);
        threadLinks_.erase(found);
        if (--links_ == 0) threshold_ = -1;
    }
    // Another thread's link is that thread's apartment's to release: it stays aside, unused.
    if (!own) strandedLinks_.push_back(std::move(link));
}

HRESULT CZmuLoggerZmoLogging::Join(const std::string& channel, const std::string& configuration) {
    std::lock_guard<std::recursive_mutex> guard(linkLock_);
    const HRESULT hr = Open(channel, configuration);
    if (Link* link = LinkOfThisThread()) ++link->maps;
    std::lock_guard<std::mutex> writer(writerLock_);
    ++users_;
    StartWriterWhenNeeded();
    return hr;
}

HRESULT CZmuLoggerZmoLogging::Leave(DWORD joinedThread) {
    std::lock_guard<std::recursive_mutex> guard(linkLock_);
    std::unique_ptr<Writer> writer;
    long users = 0;
    {
        std::lock_guard<std::mutex> writerGuard(writerLock_);
        if (users_ > 0) --users_;
        users = users_;
        // The last map of the process takes the writer with it, once it has written what waits.
        if (users == 0) writer = std::move(writer_);
    }
    writer.reset();
    Link* link = LinkOf(joinedThread);
    if (link && (users == 0 || (link->maps > 0 && --link->maps == 0))) Unlink(joinedThread);
    return users > 0 ? S_FALSE : S_OK;
}

CZmuLoggerZmoLogging& GlobalLogger() {
    static CZmuLoggerZmoLogging logger(kControlLogChannel);
    return logger;
}

namespace {

class GlobalErrorLog final : public platform::ErrorLog {
public:
    bool IsEnabledFor(int level) override { return GlobalLogger().IsEnabledFor(level); }
    // Failures are caught on every thread, the tile download thread's included.
    void Write(int level, const char* file, int line, const std::string& text) override {
        GlobalLogger().Post(level, text, file, line);
    }
};

GlobalErrorLog g_errorLog;

}  // namespace

void InstallGlobalErrorLog() { platform::SetErrorLog(&g_errorLog); }
