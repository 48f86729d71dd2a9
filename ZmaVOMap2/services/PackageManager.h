// The host's package manager, found in the running object table, turns "terravex://" addresses
// into file paths.
#pragma once

#include "platform/Com.h"

#include "HostInterfaces.h"

#include <string>

// Whether the package manager is registered; with `start`, starts it when it is not.
HRESULT IsPackageManagerRunning(bool& running, bool start);
HRESULT FindPackageManager(platform::ComPtr<IHostPackageManager>& manager);
// The file path of an address, or an empty string when it cannot be resolved.
std::wstring ResolvePackagePath(const std::wstring& address, long flags = 0);
