// The logger: log lines become entries of the host's logging component, one entry per line.
//
// Every log site on the thread that opened the logger follows one pattern:
//   if (logger.IsEnabledFor(level)) logger.GetStream(level, __FILE__, __LINE__) << text << std::endl;
// The logging component lives in that thread's apartment, so other threads (the tile download
// thread) hand whole lines to Post: they are kept and written by the opening thread at its next
// log line or WritePosted.
#pragma once

#include "platform/Com.h"

#include "HostInterfaces.h"

#include <atomic>
#include <mutex>
#include <ostream>
#include <streambuf>
#include <string>
#include <vector>

constexpr const char* kControlLogChannel = "zemro.aos.mapping.vadaz";

class CZmuLoggerZmoLogging;

// Collects one line; a line end writes it as one entry through the owner logger.
class CZmuLoggerStreamBuffer : public std::streambuf {
public:
    explicit CZmuLoggerStreamBuffer(CZmuLoggerZmoLogging& owner) : owner_(owner) {}
    ~CZmuLoggerStreamBuffer() override;
    void SetLevel(int level) noexcept { level_ = level; }

protected:
    int_type overflow(int_type c) override;

private:
    void WritePending();

    CZmuLoggerZmoLogging& owner_;
    int level_ = -1;
    std::string line_;
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

    std::atomic<long> threshold_{-1};
    std::atomic<DWORD> openingThread_{0};
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
    bool open_ = false;
    bool comInitialised_ = false;
    long users_ = 0;
    platform::ComPtr<IHostLoggingCompanion> companion_;
};

// The control's logger on "zemro.aos.mapping.vadaz", alive from load to unload.
CZmuLoggerZmoLogging& GlobalLogger();

// Writes "Unknown exception" at level 40000, for entry points that report every failure that way.


// Routes the error lines of the platform's exception barrier to the global logger.
void InstallGlobalErrorLog();
