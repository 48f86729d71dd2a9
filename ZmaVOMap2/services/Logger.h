// The logger: log lines become entries of the host's logging component, one entry per line.
//
// Every log site follows one pattern:
//   if (logger.IsEnabledFor(level)) logger.GetStream(level, __FILE__, __LINE__) << text << std::endl;
// The host's logging component is apartment threaded, so every user-interface thread that has a
// map keeps a link of its own, made in its own apartment, and writes its lines through it at once;
// no thread waits on another thread's apartment. A thread without a link (the tile download
// thread, a thread whose maps are gone) hands its whole lines over: a thread with a link writes
// them before its next line, and a writer thread of the logger's own, which runs while any map
// lives, writes them within moments whatever the maps' threads do.
#pragma once

#include "platform/Com.h"

#include "HostInterfaces.h"

#include <atomic>
#include <deque>
#include <memory>
#include <mutex>
#include <ostream>
#include <streambuf>
#include <string>
#include <vector>

constexpr const char* kControlLogChannel = "zemro.aos.mapping.vadaz";

class CZmuLoggerZmoLogging;

// Collects one thread's line; a line end hands it whole to the owner logger, with the level and
// the place stored for it.
class CZmuLoggerStreamBuffer : public std::streambuf {
public:
    explicit CZmuLoggerStreamBuffer(CZmuLoggerZmoLogging& owner) : owner_(owner) {}
    ~CZmuLoggerStreamBuffer() override;
    void SetLevel(int level) noexcept { level_ = level; }
    void SetPlace(const char* file, int line) {
        file_ = file ? file : "";
        fileLine_ = line;
    }

protected:
    int_type overflow(int_type c) override;

private:
    void WritePending();

    CZmuLoggerZmoLogging& owner_;
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

    // One entry: through the calling thread's link, else handed over. Raises a failure of the
    // thread's own link.
    virtual void WriteA(int level, const std::string& message, const char* file, int line);
    virtual void WriteW(int level, const std::wstring& message, const char* file, int line);
    // Opens a link for the calling thread when no thread has one, and keeps level, file and line
    // for the calling thread's next line.
    virtual std::ostream& GetStream(int level, const char* file, int line);
    virtual bool IsEnabledFor(int level) const;

    // One whole line from any thread, when the level is enabled.
    void Post(int level, const std::string& text, const char* file, int line);
    // Writes the lines handed over so far, when the calling thread has a link.
    void WritePosted();

    // Links the calling thread to the host's logging component; S_FALSE when it is linked.
    HRESULT Open(const std::string& channel, const std::string& configuration);
    // Drops the calling thread's link; a log site opens one again when no thread has one.
    HRESULT Close();
    // Each control holds the link of the thread it was made on while it lives: the link goes with
    // the thread's last control, and the writer thread with the process's last. Leave names the
    // thread that joined, since a host may let a control go on another.
    HRESULT Join(const std::string& channel, const std::string& configuration);
    HRESULT Leave(DWORD joinedThread = ::GetCurrentThreadId());

    // Whether any thread has a link.
    bool IsOpen() const noexcept { return links_.load() > 0; }

    // Lines handed over that may wait at once; beyond it they are dropped, and counted in a line.
    static constexpr size_t kMaxWaitingLines = 10000;

private:
    struct Link;
    struct WaitingLine {
        int level;
        std::wstring text;
        std::string file;
        int line;
    };
    class Writer;

    struct ThreadStream {
        explicit ThreadStream(CZmuLoggerZmoLogging& owner, DWORD id) : thread(id), buffer(owner), stream(&buffer) {}
        DWORD thread;
        CZmuLoggerStreamBuffer buffer;
        std::ostream stream;
    };

    void Write(int level, const platform::Bstr& message, const char* file, int line);
    Link* LinkOfThisThread() { return LinkOf(::GetCurrentThreadId()); }
    Link* LinkOf(DWORD thread);
    // Takes a thread's link out of use. Under linkLock_.
    void Unlink(DWORD thread);
    void HandOver(int level, std::wstring text, const char* file, int line);
    // Writes the waiting lines through `link`, one writer at a time so that they keep their order.
    void WriteWaiting(Link& link) noexcept;
    // Starts the writer thread when lines wait and a map lives to own it. Under writerLock_.
    void StartWriterWhenNeeded();
    std::ostream& StreamOfThisThread(int level, const char* file, int line);

    std::atomic<long> threshold_{-1};
    std::atomic<long> links_{0};
    std::string channel_;
    std::string configuration_;

    // Threads link, join and leave at the same moment: linkLock_ puts those in turn, linksLock_
    // guards the list that every line looks up. The writer thread takes neither of them, nor
    // writerLock_ while a leaving map waits for it.
    std::recursive_mutex linkLock_;
    std::mutex linksLock_;
    std::vector<std::unique_ptr<Link>> threadLinks_;
    // Links whose last map another thread let go of: only their own thread could release them.
    std::vector<std::unique_ptr<Link>> strandedLinks_;
    std::mutex writerLock_;
    long users_ = 0;
    std::unique_ptr<Writer> writer_;

    std::mutex waitingLock_;
    std::deque<WaitingLine> waiting_;
    std::atomic<size_t> waitingCount_{0};
    size_t dropped_ = 0;
    std::mutex writingWaitingLock_;

    // Under streamsLock_; kept for the logger's life, since a thread may be writing to its stream.
    std::mutex streamsLock_;
    std::vector<std::unique_ptr<ThreadStream>> threadStreams_;
};

// The control's logger on "zemro.aos.mapping.vadaz", alive from load to unload.
CZmuLoggerZmoLogging& GlobalLogger();

// Routes the error lines of the platform's exception barrier to the global logger.
void InstallGlobalErrorLog();
