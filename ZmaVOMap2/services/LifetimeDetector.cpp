#include "ZmaVOMap2/services/LifetimeDetector.h"

#include "ZmaVOMap2/services/RegistrySettings.h"
#include "platform/UniqueHandle.h"

#include <cstdio>

namespace ZmoLifetimeMonitoring {

bool IsMonitoringEnabled() {
    static const bool enabled = [] {
        platform::UniqueHKey key;
        if (::RegOpenKeyExW(HKEY_CURRENT_USER, RegistrySettings::kRootKey, 0, KEY_READ, key.Put()) != ERROR_SUCCESS)
            return false;
        DWORD value = 0, type = 0, size = sizeof value;
        return ::RegQueryValueExW(key.Get(), L"ObjectLifetimeMonitoring", nullptr, &type,
                                  reinterpret_cast<BYTE*>(&value), &size) == ERROR_SUCCESS &&
               value != 0;
    }();
    return enabled;
}

CLifetimeDetector::CLifetimeDetector(const char* className) : className_(className) {
    if (IsMonitoringEnabled()) Register();
}

CLifetimeDetector::~CLifetimeDetector() {
    if (IsMonitoringEnabled()) Send('D');
}

void CLifetimeDetector::Register() { Send('C'); }

void CLifetimeDetector::Send(char event) const {
    // The object number is the address of this part, as a signed decimal number (all of it, so that
    // two parts of a 64-bit process never share a number).
    const long long number = reinterpret_cast<intptr_t>(this);
    char prefix[32];
    int n = std::snprintf(prefix, sizeof prefix, "%c,%lld,", event, number);
    if (n <= 0) return;
    std::string record(prefix, static_cast<size_t>(n));
    record += className_;
    platform::UniqueFile slot(::CreateFileA("\\\\.\\mailslot\\TerravexLeakMonitor", GENERIC_WRITE, FILE_SHARE_READ,
                                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!slot) return;
    DWORD written = 0;
    // The record goes with its terminating zero byte.
    ::WriteFile(slot.Get(), record.c_str(), static_cast<DWORD>(record.size() + 1), &written, nullptr);
}

}  // namespace ZmoLifetimeMonitoring
