// The logger: log lines become entries of the host's logging component, one entry per line.
//
// Every log site follows one pattern:
//   if (logger.IsEnabledFor(level)) logger.GetStream(level, __FILE__, __LINE__) << text << std::endl;
#pragma once

#include "platform/Com.h"

#include "HostInterfaces.h"

#include <ostream>
#include <streambuf>
#include <string>

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

    // Binds to the host's logging component; S_FALSE when already bound.
    HRESULT Open(const std::string& channel, const std::string& configuration);
    // Drops the link to the logging component; the next log site opens it again.
    HRESULT Close();

    bool IsOpen() const noexcept { return open_; }
    const std::string& Channel() const noexcept { return channel_; }

private:
    void Write(int level, const platform::Bstr& message, const char* file, int line);

    long threshold_ = -1;
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
    platform::ComPtr<IHostLoggingCompanion> companion_;
};

// The control's logger on "zemro.aos.mapping.vadaz", alive from load to unload.
CZmuLoggerZmoLogging& GlobalLogger();

// Writes "Unknown exception" at level 40000, for entry points that report every failure that way.


// Routes the error lines of the platform's exception barrier to the global logger.
void InstallGlobalErrorLog();
