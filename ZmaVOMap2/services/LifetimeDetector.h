// Object-lifetime monitoring: with the registry switch "ObjectLifetimeMonitoring" on, monitored
// objects report their creation ("C") and destruction ("D") to a mailslot, so that a monitor can
// find objects that are never freed.
#pragma once

#include <string>

namespace ZmoLifetimeMonitoring {

// The cached switch, read once per process.
bool IsMonitoringEnabled();

class CLifetimeDetector {
public:
    CLifetimeDetector() = default;
    // A monitored part of its own, registered at once when monitoring is on.
    explicit CLifetimeDetector(const char* className);
    CLifetimeDetector(const CLifetimeDetector&) = delete;
    CLifetimeDetector& operator=(const CLifetimeDetector&) = delete;
    virtual ~CLifetimeDetector();

    // "C,<number>,<class name>": the derived class calls it from its constructor, after naming
    // itself, when monitoring is on.
    void Register();

protected:
    void SetMonitoredClassName(const char* name) { className_ = name; }

private:
    void Send(char event) const;

    std::string className_;
};

}  // namespace ZmoLifetimeMonitoring
