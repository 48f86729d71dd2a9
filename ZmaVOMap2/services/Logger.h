// The logger: log lines become entries of the host's logging component, one entry per line.
//
// Every log site follows one pattern:
//   if (logger.IsEnabledFor(level)) logger.GetStream(level, __FILE__, __LINE__) << text << std::endl;
// The logging component lives in the apartment of the thread that opened the logger, so other
// threads (the tile download thread, hosts' other user-interface threads) hand whole lines to Post
// (their streams do it for them): the lines are kept and written by the opening thread at its next
// log line or WritePosted.
#pragma once

#include "platform/Com.h"

#include "HostInterfaces.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <ostream>
#include <streambuf>
#include <string>
#include <vector>

constexpr const char* kControlLogChannel = "zemro.aos.mapping.vadaz";

class CZmuLoggerZmoLogging;

// Collects one line; a line end writes it as one entry through the owner logger, or posts it
// there when the buffer belongs to a thread other than the opening one.
class CZmuLoggerStreamBuffer : public std::streambuf {
public:
    explicit CZmuLoggerStreamBuffer(CZmuLoggerZmoLogging& owner, bool posting = false)
        : owner_(owner), posting_(posting) {}
    ~CZmuLoggerStreamBuffer() override;
    void SetLevel(int level) noexcept { level_ = level; }
    // Where a posted line comes from.
    void SetPlace(const char* file, int line) {
        file_ = file ? file : "";
        fileLine_ = line;
    }

protected:
    int_type overflow(int_type c) override;

private:
    void WritePending();

    CZmuLoggerZmoLogging& owner_;
    const bool posting_;
    int level_ = -1;
    std::string line_;
    std::string file_;
    int fileLine_ = 0;
};

class CZmuLoggerZmoLogging {
public:
    explicit CZmuLoggerZmoLogging(std::string channel, std::string configuration = std::string());
    CZmuLoggerZmoLogging(const CZmuLoggerZmoLogging&) = delete;
    CZmuLoggerZmoLogging& operator=(const CZmuLoggerZmoLogging&) = delete;
    virtual ~CZmuLoggerZmoLogging();

    // One entry; `file` null and `line` 0 take the file and line stored by GetStream.
    virtual void WriteA(int level, const std::string& message, const char* file, int line);
    virtual void WriteW(int level, const std::wstring& message, const char* file, int line);
    // Opens the logger when needed and keeps level, file and line for the next entry.
    virtual std::ostream& GetStream(int level, const char* file, int line);
    virtual bool IsEnabledFor(int level) const;

    // One whole line from any thread: written at once on the opening thread, else kept (up to a
    // bound) for it. Throws only on the opening thread, as WriteA does.
    void Post(int level, const std::string& text, const char* file, int line);
    // Writes the lines other threads posted; does nothing on any other thread.
    void WritePosted();

    // Binds to the host's logging component; S_FALSE when already bound.
    HRESULT Open(const std::string& channel, const std::string& configuration);
    // Drops the link to the logging component; the next log site opens it again.
    HRESULT Close();
    // Each control holds the link while it lives: it goes with the last of them, so that one
    // control going does not silence the others that still log.
    HRESULT Join(const std::string& channel, const std::string& configuration);
    HRESULT Leave();

    bool IsOpen() const noexcept { return open_; }
    const std::string& Channel() const noexcept { return channel_; }

private:
    void Write(int level, const platform::Bstr& message, const char* file, int line);
    bool OnOpeningThread() const noexcept { return openingThread_.load() == ::GetCurrentThreadId(); }

    struct PostedLine {
        int level;
        std::string text, file;
        int line;
    };

    // The stream of a thread other than the opening one, whose lines are posted.
    struct ThreadStream {
        explicit ThreadStream(CZmuLoggerZmoLogging& owner) : buffer(owner, true), stream(&buffer) {}
        DWORD thread = 0;
        CZmuLoggerStreamBuffer buffer;
        std::ostream stream;
    };
    std::ostream& StreamOfThisThread(int level, const char* file, int line);

    std::atomic<long> threshold_{-1};
    std::atomic<DWORD> openingThread_{0};
    // Controls on several threads join, open and leave at the same moment.
    std::recursive_mutex linkLock_;
    std::mutex postedLock_;
    std::vector<PostedLine> posted_;
    platform::ComPtr<IHostChannelLogger> channelLogger_;
    CZmuLoggerStreamBuffer buffer_;
    std::ostream stream_;
    int nextLevel_ = -1;
    std::string nextFile_;
    int nextLine_ = -1;
    std::string channel_;
    std::string configuration_;
    std::atomic<bool> open_{false};
    bool comInitialised_ = false;
    long users_ = 0;
    platform::ComPtr<IHostLoggingCompanion> companion_;
    // Under postedLock_; last, so that their pending lines go while the rest is there.
    std::vector<std::unique_ptr<ThreadStream>> threadStreams_;
};

// The control's logger on "zemro.aos.mapping.vadaz", alive from load to unload.
CZmuLoggerZmoLogging& GlobalLogger();

// Writes "Unknown exception" at level 40000, for entry points that report every failure that way.


// Routes the error lines of the platform's exception barrier to the global logger.
void InstallGlobalErrorLog();
