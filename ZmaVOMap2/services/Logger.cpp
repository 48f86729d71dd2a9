#include "ZmaVOMap2/services/Logger.h"

#include "platform/Result.h"

#include <algorithm>

using platform::Bstr;
using platform::ComPtr;

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
    if (posting_)
        owner_.Post(level_, text, file_.c_str(), fileLine_);
    else
        owner_.WriteA(level_, text, nullptr, 0);
}

CZmuLoggerZmoLogging::CZmuLoggerZmoLogging(std::string channel, std::string configuration)
    : buffer_(*this), stream_(&buffer_), channel_(std::move(channel)), configuration_(std::move(configuration)) {}

CZmuLoggerZmoLogging::~CZmuLoggerZmoLogging() = default;

bool CZmuLoggerZmoLogging::IsEnabledFor(int level) const {
    const long threshold = threshold_.load();
    return threshold != -1 && level >= threshold;
}

void CZmuLoggerZmoLogging::Post(int level, const std::string& text, const char* file, int line) {
    if (!IsEnabledFor(level)) return;
    if (OnOpeningThread()) {
        WritePosted();
        WriteA(level, text, file, line);
        return;
    }
    // A thread that logs faster than the opening thread writes loses its newest lines, never memory.
    constexpr size_t kMaxPosted = 1000;
    std::lock_guard<std::mutex> guard(postedLock_);
    if (posted_.size() < kMaxPosted) posted_.push_back({level, text, file ? file : "", line});
}

void CZmuLoggerZmoLogging::WritePosted() {
    if (!OnOpeningThread()) return;
    std::vector<PostedLine> lines;
    {
        std::lock_guard<std::mutex> guard(postedLock_);
        if (posted_.empty()) return;
        lines.swap(posted_);
    }
    for (const PostedLine& posted : lines) WriteA(posted.level, posted.text, posted.file.c_str(), posted.line);
}

std::ostream& CZmuLoggerZmoLogging::GetStream(int level, const char* file, int line) {
    if (!open_) Open(channel_, configuration_);
    if (!OnOpeningThread()) return StreamOfThisThread(level, file, line);
    WritePosted();
    nextFile_ = file ? file : "";
    nextLine_ = line;
    nextLevel_ = level;
    buffer_.SetLevel(level);
    return stream_;
}

std::ostream& CZmuLoggerZmoLogging::StreamOfThisThread(int level, const char* file, int line) {
    const DWORD thread = ::GetCurrentThreadId();
    std::lock_guard<std::mutex> guard(postedLock_);
    auto found = std::find_if(threadStreams_.begin(), threadStreams_.end(),
                              [thread](const std::unique_ptr<ThreadStream>& s) { return s->thread == thread; });
    if (found == threadStreams_.end()) {
        threadStreams_.push_back(std::make_unique<ThreadStream>(*this));
        threadStreams_.back()->thread = thread;
        found = threadStreams_.end() - 1;
    }
    (*found)->buffer.SetLevel(level);
    (*found)->buffer.SetPlace(file, line);
    return (*found)->stream;
}

void CZmuLoggerZmoLogging::WriteA(int level, const std::string& message, const char* file, int line) {
    if (!channelLogger_) return;
    Write(level, Bstr::FromAnsi(message), file, line);
}

void CZmuLoggerZmoLogging::WriteW(int level, const std::wstring& message, const char* file, int line) {
    if (!channelLogger_) return;
    Write(level, Bstr(message), file, line);
}

void CZmuLoggerZmoLogging::Write(int level, const Bstr& message, const char* file, int line) {
    HRESULT hr;
    if ((file && *file) || !nextFile_.empty()) {
        Bstr fileText = Bstr::FromAnsi(file && *file ? file : nextFile_);
        hr = channelLogger_->Write(Bstr(L"").Get(), level, message.Get(), fileText.Get(), line != 0 ? line : nextLine_);
    } else {
        hr = channelLogger_->Write(Bstr(L"").Get(), level, message.Get(), Bstr(L"").Get(), -1);
    }
    if (FAILED(hr)) platform::ThrowCall(hr);
}

HRESULT CZmuLoggerZmoLogging::Open(const std::string& channel, const std::string& configuration) {
    std::lock_guard<std::recursive_mutex> guard(linkLock_);
    if (open_) return S_FALSE;
    HRESULT hr = ::CoInitialize(nullptr);
    if (FAILED(hr)) return hr;
    comInitialised_ = true;
    channel_ = channel;
    configuration_ = configuration;
    if (channel_.empty()) {
        ::CoUninitialize();
        comInitialised_ = false;
        return E_FAIL;
    }

    ComPtr<IUnknown> created;
    ComPtr<IHostLoggingManager> manager;
    hr = ::CoCreateInstance(CLSID_HostLoggingManager, nullptr, CLSCTX_ALL, IID_IUnknown, created.PutVoid());
    if (SUCCEEDED(hr)) hr = ::OleRun(created.Get());
    if (SUCCEEDED(hr)) hr = created->QueryInterface(IID_IHostLoggingManager, manager.PutVoid());
    if (SUCCEEDED(hr) && manager) {
        try {
            Bstr config = configuration_.empty() ? Bstr() : Bstr::FromAnsi(configuration_);
            THROW_IF_FAILED(manager->Initialize(config.Get()));
            Bstr name = Bstr::FromAnsi(channel_);
            VARIANT_BOOL exists = VARIANT_FALSE;
            THROW_IF_FAILED(manager->ChannelExists(name.Get(), &exists));
            if (exists != VARIANT_FALSE) {
                THROW_IF_FAILED(manager->GetChannelLogger(name.Get(), channelLogger_.Put()));
                platform::ThrowIfNull(channelLogger_.Get());
                long threshold = -1;
                THROW_IF_FAILED(channelLogger_->GetThreshold(&threshold));
                threshold_ = threshold;
                THROW_IF_FAILED(::CoCreateInstance(CLSID_HostLoggingCompanion, nullptr, CLSCTX_ALL,
                                                   IID_IHostLoggingCompanion, companion_.PutVoid()));
                open_ = true;
                openingThread_ = ::GetCurrentThreadId();
            }
        }
        CATCH_SWALLOW("a logging component that does not answer leaves the logger closed, with no log to tell");
    }
    hr = ::CoCreateInstance(CLSID_HostLoggingCompanion, nullptr, CLSCTX_ALL, IID_IHostLoggingCompanion,
                            companion_.PutVoid());
    if (!open_) {
        // Keep the thread's COM initialisation balanced when no link was made.
        channelLogger_.Reset();
        threshold_ = -1;
        ::CoUninitialize();
        comInitialised_ = false;
    }
    return hr;
}

HRESULT CZmuLoggerZmoLogging::Close() {
    std::lock_guard<std::recursive_mutex> guard(linkLock_);
    companion_.Reset();
    if (open_) {
        if (channelLogger_) {
            stream_.flush();
            channelLogger_.Reset();
        }
        open_ = false;
        threshold_ = -1;
        nextLevel_ = -1;
        nextLine_ = -1;
        // The opening thread's COM initialisation is that thread's to end.
        if (comInitialised_ && OnOpeningThread()) ::CoUninitialize();
        comInitialised_ = false;
        openingThread_ = 0;
    }
    return S_OK;
}

HRESULT CZmuLoggerZmoLogging::Join(const std::string& channel, const std::string& configuration) {
    std::lock_guard<std::recursive_mutex> guard(linkLock_);
    ++users_;
    return Open(channel, configuration);
}

HRESULT CZmuLoggerZmoLogging::Leave() {
    std::lock_guard<std::recursive_mutex> guard(linkLock_);
    if (users_ > 0 && --users_ > 0) return S_FALSE;
    return Close();
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
