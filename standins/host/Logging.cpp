// The logging component: a manager that knows channels with their thresholds, channel loggers
// that keep every entry they receive (in order, for the whole process, readable through
// IHostLogStore on the manager), and the companion object, of which only the live count matters.
#include "standins/host/Classes.h"
#include "standins/host/StandIn.h"

#include "platform/ClassFactory.h"
#include "platform/Com.h"
#include "platform/Result.h"

#include <map>

namespace hoststandin {

using platform::ComPtr;

namespace {

constexpr long kDefaultThreshold = 20000;

struct LogEntry {
    std::wstring channel;
    long level;
    std::wstring message;
    std::wstring file;
    long line;
};

class LogStore {
public:
    LogStore() { ResetChannels(); }

    void Add(LogEntry e) {
        std::lock_guard<std::mutex> guard(mutex_);
        entries_.push_back(std::move(e));
    }
    std::vector<LogEntry> Entries() const {
        std::lock_guard<std::mutex> guard(mutex_);
        return entries_;
    }
    void ClearEntries() {
        std::lock_guard<std::mutex> guard(mutex_);
        entries_.clear();
    }
    bool Threshold(const std::wstring& channel, long& level) const {
        std::lock_guard<std::mutex> guard(mutex_);
        auto it = channels_.find(channel);
        if (it == channels_.end()) return false;
        level = it->second;
        return true;
    }
    void SetThreshold(const std::wstring& channel, long level) {
        std::lock_guard<std::mutex> guard(mutex_);
        channels_[channel] = level;
    }
    void RemoveChannel(const std::wstring& channel) {
        std::lock_guard<std::mutex> guard(mutex_);
        channels_.erase(channel);
    }
    void ResetChannels() {
        std::lock_guard<std::mutex> guard(mutex_);
        channels_.clear();
        channels_[L"zemro.aos.mapping.vadaz"] = kDefaultThreshold;
        channels_[L"zemro.usage"] = kDefaultThreshold;
    }

    LONG companions = 0;

private:
    mutable std::mutex mutex_;
    std::vector<LogEntry> entries_;
    std::map<std::wstring, long> channels_;
};

LogStore& Store() {
    static LogStore store;
    return store;
}

class HostChannelLogger : public platform::ComObject<HostChannelLogger, IHostChannelLogger, CallLogDual> {
public:
    HostChannelLogger(std::wstring channel) : channel_(std::move(channel)), faults_(L"channel") {
        BindLog(ClassLog(L"channel"));
    }

    STDMETHODIMP Write(BSTR category, long level, BSTR message, BSTR file, long line) override {
        Log().Add(CallLine(L"Write", category, level, message, file, line));
        RETURN_IF_FAILED(faults_.Check(L"Write"));
        COM_TRY {
            Store().Add({channel_, level, message ? message : L"", file ? file : L"", line});
            return S_OK;
        }
        COM_CATCH_RETURN();
    }

    STDMETHODIMP Reserved4() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved5() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved6() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved7() override { return E_NOTIMPL; }

    STDMETHODIMP WriteRecord(BSTR record) override {
        Log().Add(CallLine(L"WriteRecord", record));
        RETURN_IF_FAILED(faults_.Check(L"WriteRecord"));
        COM_TRY {
            Store().Add({channel_, 0, record ? record : L"", L"", -1});
            return S_OK;
        }
        COM_CATCH_RETURN();
    }

    STDMETHODIMP Reserved9() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved10() override { return E_NOTIMPL; }

    STDMETHODIMP GetThreshold(long* level) override {
        Log().Add(CallLine(L"GetThreshold"));
        if (!level) return E_POINTER;
        *level = -1;
        RETURN_IF_FAILED(faults_.Check(L"GetThreshold"));
        // A channel removed since this logger was handed out writes nothing.
        Store().Threshold(channel_, *level);
        return S_OK;
    }

private:
    std::wstring channel_;
    Faults faults_;
};

class HostLoggingManager
    : public platform::ComObject<HostLoggingManager, IHostLoggingManager, ISupportErrorInfo,
                                 platform::DualImpl<IHostLogStore>, CallLogDual,
                                 platform::Also<IDispatch, platform::DualImpl<IHostLogStore>>> {
public:
    HostLoggingManager() : faults_(L"logging") { BindLog(ClassLog(L"logging")); }

    HRESULT FinalConstruct() { return faults_.Check(L"create"); }

    STDMETHODIMP InterfaceSupportsErrorInfo(REFIID iid) override {
        return IsEqualIID(iid, IID_IHostLoggingManager) ? S_OK : S_FALSE;
    }

    STDMETHODIMP Initialize(BSTR configuration) override {
        Log().Add(CallLine(L"Initialize", configuration));
        RETURN_IF_FAILED(faults_.Check(L"Initialize"));
        initialized_ = true;
        return S_OK;
    }

    STDMETHODIMP Reserved4() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved6() override { return E_NOTIMPL; }

    STDMETHODIMP GetChannelLogger(BSTR channel, IHostChannelLogger** logger) override {
        Log().Add(CallLine(L"GetChannelLogger", channel));
        if (!logger) return E_POINTER;
        *logger = nullptr;
        RETURN_IF_FAILED(faults_.Check(L"GetChannelLogger"));
        if (!initialized_) return Fail(E_UNEXPECTED, L"The logging manager is not initialised", L"Logging");
        long threshold = 0;
        if (!channel || !Store().Threshold(channel, threshold))
            return Fail(E_INVALIDARG, std::wstring(L"Unknown channel ") + (channel ? channel : L""), L"Logging");
        COM_TRY {
            *logger = platform::MakeObject<HostChannelLogger>(std::wstring(channel)).Detach();
            return S_OK;
        }
        COM_CATCH_RETURN();
    }

    STDMETHODIMP ChannelExists(BSTR channel, VARIANT_BOOL* exists) override {
        Log().Add(CallLine(L"ChannelExists", channel));
        if (!exists) return E_POINTER;
        *exists = VARIANT_FALSE;
        RETURN_IF_FAILED(faults_.Check(L"ChannelExists"));
        if (!initialized_) return Fail(E_UNEXPECTED, L"The logging manager is not initialised", L"Logging");
        long threshold = 0;
        *exists = channel && Store().Threshold(channel, threshold) ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }

    // IHostLogStore
    STDMETHODIMP get_EntryCount(long* count) override {
        if (!count) return E_POINTER;
        *count = static_cast<long>(Store().Entries().size());
        return S_OK;
    }

    STDMETHODIMP GetEntry(long index, BSTR* channel, long* level, BSTR* message, BSTR* file, long* line) override {
        if (!channel || !level || !message || !file || !line) return E_POINTER;
        *channel = *message = *file = nullptr;
        COM_TRY {
            std::vector<LogEntry> all = Store().Entries();
            if (index < 0 || static_cast<size_t>(index) >= all.size()) return E_INVALIDARG;
            const LogEntry& e = all[index];
            *level = e.level;
            *line = e.line;
            *channel = platform::Bstr(e.channel).Detach();
            *message = platform::Bstr(e.message).Detach();
            *file = platform::Bstr(e.file).Detach();
            return S_OK;
        }
        COM_CATCH_RETURN();
    }

    STDMETHODIMP EntryMessage(long index, BSTR* message) override {
        if (!message) return E_POINTER;
        *message = nullptr;
        COM_TRY {
            std::vector<LogEntry> all = Store().Entries();
            if (index < 0 || static_cast<size_t>(index) >= all.size()) return E_INVALIDARG;
            return CopyOut(all[index].message, message);
        }
        COM_CATCH_RETURN();
    }

    STDMETHODIMP ClearEntries() override {
        Store().ClearEntries();
        return S_OK;
    }

    STDMETHODIMP SetThreshold(BSTR channel, long level) override {
        if (!channel || !*channel) return E_INVALIDARG;
        COM_TRY {
            Store().SetThreshold(channel, level);
            return S_OK;
        }
        COM_CATCH_RETURN();
    }

    STDMETHODIMP RemoveChannel(BSTR channel) override {
        if (!channel) return E_INVALIDARG;
        COM_TRY {
            Store().RemoveChannel(channel);
            return S_OK;
        }
        COM_CATCH_RETURN();
    }

    STDMETHODIMP Reset() override {
        COM_TRY {
            Store().ClearEntries();
            Store().ResetChannels();
            ClassLog(L"logging").Clear();
            ClassLog(L"channel").Clear();
            ClassLog(L"companion").Clear();
            return S_OK;
        }
        COM_CATCH_RETURN();
    }

    STDMETHODIMP get_LiveCompanions(long* count) override {
        if (!count) return E_POINTER;
        *count = Store().companions;
        return S_OK;
    }

private:
    Faults faults_;
    bool initialized_ = false;
};

class HostLoggingCompanion : public platform::ComObject<HostLoggingCompanion, IHostLoggingCompanion, CallLogDual> {
public:
    HostLoggingCompanion() : faults_(L"companion") { BindLog(ClassLog(L"companion")); }

    HRESULT FinalConstruct() {
        RETURN_IF_FAILED(faults_.Check(L"create"));
        ::InterlockedIncrement(&Store().companions);
        counted_ = true;
        Log().Add(L"Created");
        return S_OK;
    }

    void FinalRelease() {
        Log().Add(L"Released");
    }

    ~HostLoggingCompanion() override {
        // Also when creation failed after counting, so that the count stays true.
        if (counted_) ::InterlockedDecrement(&Store().companions);
    }

    STDMETHODIMP Reserved3() override { return E_NOTIMPL; }

private:
    Faults faults_;
    bool counted_ = false;
};

}  // namespace

HRESULT CreateLoggingManagerClass(REFIID iid, void** out) {
    return platform::CreateDefaultClassObject<HostLoggingManager>(iid, out);
}

HRESULT CreateLoggingCompanionClass(REFIID iid, void** out) {
    return platform::CreateDefaultClassObject<HostLoggingCompanion>(iid, out);
}

void ClearLogs() {
    Store().ClearEntries();
    ClearClassLogs();
}

}  // namespace hoststandin
